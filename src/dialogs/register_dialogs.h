// Hooks the device configuration dialogs into the open-device flow.
#pragma once

#include "access/device_access.h"
#include "app/corvane_dlg.h"
#include "devices/device_dialog.h"

namespace corvane::devices {

// Registers the factories of every device dialog class this folder implements (today
// kInputNode and kInputNodeB) with `opener`. The services are copied into each factory.
void RegisterDeviceDialogs(DeviceOpener& opener, DeviceServices services);

// The same with the program's own services: the main window's queues, log, heard frames and
// dongle, its firmware update, and the register text files.
void RegisterDeviceDialogs(CCorvaneDlg& main_window);

}  // namespace corvane::devices
