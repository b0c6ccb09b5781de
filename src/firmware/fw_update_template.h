// Template 132 "Firmware Update".
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum FwUpdateId : int {
  kFwUpdateStart = 1100,
  kFwUpdateProgress = 1101,
  kFwUpdateRefresh = 1102,
  kFwUpdateJumpApp = 1103,
  kFwUpdateJumpBoot = 1104,
  // Information values, "..." until received.
  kFwUpdateName = 1110,
  kFwUpdateDeviceId = 1111,
  kFwUpdateHardware = 1112,
  kFwUpdateDevName = 1113,
  kFwUpdateHwName = 1114,
  kFwUpdateFwName = 1115,
  kFwUpdateFwNum = 1116,
  kFwUpdateBootNum = 1117,
  kFwUpdateRfCal = 1118,
  kFwUpdateGroupInfo = 3100,
  kFwUpdateGroupButtons = 3101,
};

const DialogTemplate& FwUpdateTemplate();

}  // namespace corvane::ui
