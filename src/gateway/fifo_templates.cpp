#include "gateway/fifo_templates.h"

namespace corvane::ui {
namespace {

constexpr int R = kFifoButtonRow;
constexpr int F = kWmbusFieldRow;

}  // namespace

const DialogTemplate& UniFifoTemplate() {
  static const DialogTemplate t{
      .id = 167,
      .title = u"UNIDIR FIFO 2",
      .controls =
          {
              ListBox(kFifoList, At(0, 0), 0, 460, 320),
              GroupBox(R, u"", At(1, 0)),
              Button(kFifoClear, u"Clear", In(R, 0, 0)),
              CheckBox(kFifoAutoscroll, u"Autoscroll", In(R, 0, 1)),
          },
      .stretch_columns = {0},
  };
  return t;
}

const DialogTemplate& UniFifo2Template() {
  static const DialogTemplate t{
      .id = 178,
      .title = u"UNIDIR FIFO",
      .controls =
          {
              ListBox(kFifoList, At(0, 0), 0, 400, 320),
              GroupBox(R, u"", At(1, 0)),
              Button(kFifoClear, u"Clear", In(R, 0, 0)),
              CheckBox(kFifoAutoscroll, u"Autoscroll", In(R, 0, 1)),
          },
      .stretch_columns = {0},
  };
  return t;
}

const DialogTemplate& WmbusFifoTemplate() {
  static const DialogTemplate t{
      .id = 171,
      .title = u"WMBUS FIFO",
      .controls =
          {
              ListBox(kFifoList, At(0, 0), 0, 820, 240),
              GroupBox(R, u"", At(1, 0)),
              Button(kFifoClear, u"Clear", In(R, 0, 0)),
              CheckBox(kFifoAutoscroll, u"Autoscroll", In(R, 0, 1)),
              // column 2 stays empty and pushes the parse button to the right edge
              Button(kWmbusParse, u"Parse selected message", In(R, 0, 3)),
              ListBox(kWmbusFields, At(2, 0), 0, 820, 130),
              GroupBox(F, u"", At(3, 0)),
              Button(kWmbusCopy, u"Copy to clipboard", In(F, 0, 1)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
