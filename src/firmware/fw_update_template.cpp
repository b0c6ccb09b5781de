#include "firmware/fw_update_template.h"

#include "ui/host.h"

namespace corvane::ui {
namespace {

ControlSpec Value(int id, Cell cell) {
  ControlSpec value = Label(u"...", cell, id);
  value.min_width = 150;
  return value;
}

}  // namespace

const DialogTemplate& FwUpdateTemplate() {
  constexpr int I = kFwUpdateGroupInfo;
  constexpr int B = kFwUpdateGroupButtons;
  static const DialogTemplate t{
      .id = 132,
      .title = u"Firmware Update",
      .controls =
          {
              GroupBox(I, u"", At(0, 0)),
              Label(u"Name:", In(I, 0, 0)),
              Value(kFwUpdateName, In(I, 0, 1)),
              Label(u"DevName:", In(I, 0, 2)),
              Value(kFwUpdateDevName, In(I, 0, 3)),
              Label(u"Device ID:", In(I, 1, 0)),
              Value(kFwUpdateDeviceId, In(I, 1, 1)),
              Label(u"HW name:", In(I, 1, 2)),
              Value(kFwUpdateHwName, In(I, 1, 3)),
              Label(u"HW num:", In(I, 2, 0)),
              Value(kFwUpdateHardware, In(I, 2, 1)),
              Label(u"FW name:", In(I, 2, 2)),
              Value(kFwUpdateFwName, In(I, 2, 3)),
              Label(u"FW num:", In(I, 3, 0)),
              Value(kFwUpdateFwNum, In(I, 3, 1)),
              Label(u"BO FW num:", In(I, 3, 2)),
              Value(kFwUpdateBootNum, In(I, 3, 3)),
              Label(u"RF cal:", In(I, 4, 0)),
              Value(kFwUpdateRfCal, In(I, 4, 1)),

              Progress(kFwUpdateProgress, At(1, 0)),

              GroupBox(B, u"", At(2, 0)),
              Button(kFwUpdateStart, u"Firmware Update", In(B, 0, 0), kDisabled),
              Button(kFwUpdateRefresh, u"Refresh", In(B, 0, 1)),
              Button(kFwUpdateJumpApp, u"Jump To App", In(B, 0, 2)),
              Button(kFwUpdateJumpBoot, u"Jump To Boot", In(B, 0, 3)),
              Button(kIdOk, u"OK", In(B, 0, 5), kDefault),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
