#include "monitor/monitor_template.h"

namespace corvane::ui {

const DialogTemplate& MonitorTemplate() {
  static const DialogTemplate t{
      .id = 143,
      .title = u"RF monitor",
      .controls =
          {
              ListBox(kMonitorList, At(0, 0, 1, 3), 0, 760, 420),
              Button(kMonitorClear, u"Clear", At(1, 0)),
              CheckBox(kMonitorAutoscroll, u"Autoscroll", At(1, 1)),
          },
      .stretch_columns = {2},
  };
  return t;
}

}  // namespace corvane::ui
