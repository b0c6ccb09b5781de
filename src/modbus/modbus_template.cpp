#include "modbus/modbus_template.h"

namespace corvane::ui {

const DialogTemplate& ModbusTemplate() {
  constexpr int R = kModbusGroupRead;
  constexpr int W = kModbusGroupWrite;
  static const DialogTemplate t{
      .id = 142,
      .title = u"MODBUS ",
      .controls =
          {
              GroupBox(R, u"", At(0, 0)),
              Label(u"Reg. addr.", In(R, 0, 0)),
              Edit(kModbusReadAddress, In(R, 0, 1), kRightAlign),
              Label(u"Reg. cnt", In(R, 0, 2)),
              Edit(kModbusReadCount, In(R, 0, 3), kRightAlign),
              Button(kModbusRead, u"Read", In(R, 0, 4)),

              GroupBox(W, u"", At(1, 0)),
              Label(u"Reg. addr.", In(W, 0, 0)),
              Edit(kModbusWriteAddress, In(W, 0, 1), kRightAlign),
              Label(u"Reg. value", In(W, 0, 2)),
              Edit(kModbusWriteValue, In(W, 0, 3), kRightAlign),
              Button(kModbusWrite, u"Write", In(W, 0, 4)),

              ListBox(kModbusList, At(2, 0), 0, 360, 320),
              Button(kModbusClear, u"Clear", At(3, 0)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
