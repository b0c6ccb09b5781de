// Hooks the device configuration dialogs into the open-device flow.
#pragma once

#include "access/device_access.h"
#include "devices/device_dialog.h"

namespace corvane::devices {

// Registers the factories of every device dialog class this folder implements (today
// kInputNode and kInputNodeB) with `opener`. The services are copied into each factory.
void RegisterDeviceDialogs(DeviceOpener& opener, DeviceServices services);

}  // namespace corvane::devices
