#include "gateway/gw_device_editors_template.h"

#include "ui/host.h"

namespace corvane::ui {
namespace {

// The address drop-down holds lines of a type name and a device name; wide enough for them.
constexpr int kAddressWidth = 380;
constexpr int kNumberWidth = 70;

}  // namespace

const DialogTemplate& GwDevicesTemplate() {
  constexpr int M = kSubGroupModbus;
  constexpr int B = kSubGroupButtons;
  static const DialogTemplate t{
      .id = 149,
      .title = u"GW Configuration of subdevice ",
      .controls =
          {
              // One grid, so the labels of the address and the Modbus fields line up; column 2
              // stays empty and takes the spare width between the numbers and the options.
              GroupBox(M, u"Paired device", At(0, 0)),
              Label(u"Address", In(M, 0, 0)),
              Sized(ComboEdit(kSubAddress, In(M, 0, 1, 1, 4)), kAddressWidth),
              Label(u"Modbus address", In(M, 1, 0)),
              Sized(Edit(kSubModbusAddress, In(M, 1, 1), kRightAlign), kNumberWidth),
              Label(u"Connection priority", In(M, 1, 3)),
              ComboList(kSubPriority, In(M, 1, 4),
                        {u"Direct Connection Disable", u"Priority Low", u"Priority Medium",
                         u"Priority High"}),
              Label(u"Modbus map offset", In(M, 2, 0)),
              Sized(Edit(kSubMapOffset, In(M, 2, 1), kRightAlign), kNumberWidth),
              CheckBox(kSubCached, u"Cached", In(M, 2, 3, 1, 2)),
              Label(u"Modbus map length", In(M, 3, 0)),
              Sized(Edit(kSubMapLength, In(M, 3, 1), kRightAlign), kNumberWidth),
              CheckBox(kSubCachedForce, u"Cached force", In(M, 3, 3, 1, 2)),

              GroupBox(B, u"", At(1, 0)),
              Button(kIdOk, u"OK", In(B, 0, 1)),
              Button(kIdCancel, u"Cancel", In(B, 0, 2)),
          },
      .stretch_columns = {0},
  };
  return t;
}

const DialogTemplate& GwDevicesUniTemplate() {
  constexpr int R = kSubGroupRegisters;
  constexpr int B = kSubGroupButtons;
  static const DialogTemplate t{
      .id = 150,
      .title = u"GW Configuration of unidirectional subdevice ",
      .controls =
          {
              GroupBox(R, u"Unidirectional device", At(0, 0)),
              Label(u"Address", In(R, 0, 0)),
              Sized(ComboEdit(kSubAddress, In(R, 0, 1)), kAddressWidth),
              // Each number with its box in a row of its own, whose empty column 1 takes the
              // spare width: the numbers stay narrow and the boxes line up on the right.
              Label(u"Register Num 1", In(R, 1, 0)),
              GroupBox(kSubGroupRegister1, u"", In(R, 1, 1)),
              Sized(Edit(kSubRegister1, In(kSubGroupRegister1, 0, 0), kRightAlign), kNumberWidth),
              CheckBox(kSubFifo1, u"Store in  FIFO", In(kSubGroupRegister1, 0, 2)),
              Label(u"Register Num 2", In(R, 2, 0)),
              GroupBox(kSubGroupRegister2, u"", In(R, 2, 1)),
              Sized(Edit(kSubRegister2, In(kSubGroupRegister2, 0, 0), kRightAlign), kNumberWidth),
              CheckBox(kSubFifo2, u"Store in  FIFO", In(kSubGroupRegister2, 0, 2)),

              GroupBox(B, u"", At(1, 0)),
              Button(kIdOk, u"OK", In(B, 0, 1), kDefault),
              Button(kIdCancel, u"Cancel", In(B, 0, 2)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
