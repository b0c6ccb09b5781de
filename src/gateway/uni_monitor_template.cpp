#include "gateway/uni_monitor_template.h"

namespace corvane::ui {

const DialogTemplate& UniMonitorTemplate() {
  constexpr int R = kUniMonRow;
  static const DialogTemplate t{
      .id = 161,
      .title = u"Unidirectional device monitor",
      .controls =
          {
              // Wide enough that the captions and the widest values ("0x8000 = -32768") are
              // whole without scrolling sideways.
              Sized(ListView(kUniMonList, At(0, 0),
                             {{u"Pos.", 40},
                              {u"RF address", 150},
                              {u"MB_reg_1", 70},
                              {u"MB_reg_2", 70},
                              {u"RSSI", 70},
                              {u"Tstamp", 70},
                              {u"Reg 1", 120},
                              {u"Reg 2", 120}},
                             kFullRowSelect | kGridLines, 420),
                    730, 420),
              // The read controls in one row; column 1 stays empty and pushes the period to
              // the right edge.
              GroupBox(R, u"", At(1, 0)),
              Button(kUniMonReadAll, u"Read All", In(R, 0, 0)),
              CheckBox(kUniMonPeriodic, u"Periodical Read", In(R, 0, 2)),
              Label(u"Period", In(R, 0, 3)),
              Sized(Edit(kUniMonPeriod, In(R, 0, 4), kRightAlign), 50),
              Label(u"s", In(R, 0, 5)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
