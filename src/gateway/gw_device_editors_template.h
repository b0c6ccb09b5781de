// Templates 149 and 150: the editors of one paired (bidirectional) and one unidirectional entry
// of a gateway's device tables.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number. The fan-coil and street-light editors reuse the ids of
// the controls they share with template 149, so the shared editor code finds them.
enum GwDeviceEditorId : int {
  kSubAddress = 1490,  // editable address drop-down
  kSubMapLength = 1491,
  kSubMapOffset = 1492,
  kSubCached = 1493,
  kSubCachedForce = 1494,
  kSubPriority = 1495,
  kSubModbusAddress = 1496,
  kSubInputNumber = 1497,  // fan-coil editor only
  kSubRegister1 = 1500,
  kSubRegister2 = 1501,
  kSubFifo1 = 1502,
  kSubFifo2 = 1503,
  kSubGroupModbus = 3491,
  kSubGroupButtons = 3492,
  kSubGroupRegisters = 3493,
  kSubGroupRegister1 = 3494,
  kSubGroupRegister2 = 3495,
};

const DialogTemplate& GwDevicesTemplate();     // 149
const DialogTemplate& GwDevicesUniTemplate();  // 150

}  // namespace corvane::ui
