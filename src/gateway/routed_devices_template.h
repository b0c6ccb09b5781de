// Template 165: the editor of one routed-device entry of a street-light node. It shares the
// address and priority ids of template 149, so the shared editor code finds them.
#pragma once

#include "gateway/gw_device_editors_template.h"
#include "ui/template.h"

namespace corvane::ui {

const DialogTemplate& RoutedDevicesTemplate();  // 165

}  // namespace corvane::ui
