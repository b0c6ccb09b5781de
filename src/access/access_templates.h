// Templates of the dialogs of the device-access flow: 156 "Select Device" and 140 "Wait for
// activation".
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// Template 156 "Select Device".
enum ChoiseDeviceId : int { kChoiseDeviceCombo = 1036 };
const DialogTemplate& ChoiseDeviceTemplate();

// Template 140 "Wait for activation".
enum WaitForActId : int { kWaitHint = 1260, kWaitBar = 1196 };
const DialogTemplate& WaitForActTemplate();

}  // namespace corvane::ui
