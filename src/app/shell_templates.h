// Template 163 "Enter Service Code" and template 177 "Password change".
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum ServiceCodeId : int { kServiceCodeEdit = 1078 };
const DialogTemplate& ServiceCodeTemplate();

enum PassChangeId : int { kPassOld = 1056, kPassNew = 1057, kPassChange = 1025 };
const DialogTemplate& PassChangeTemplate();

}  // namespace corvane::ui
