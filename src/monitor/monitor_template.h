// Template 143 "RF monitor".
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum MonitorId : int {
  kMonitorList = 1216,
  kMonitorClear = 1025,
  kMonitorAutoscroll = 1026,
};

const DialogTemplate& MonitorTemplate();

}  // namespace corvane::ui
