// Template of the bridge's control-device sub-dialog (CLightControlDevDlg): the device's
// address and, per button, its ON, OFF and long-press commands.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum LightControlDevId : int {
  kLcdAddress = 2200,
  // Button b (0..3) of each: LcdId(first, b).
  kLcdRowLabel0 = 2210,
  kLcdOnCmd0 = 2214,
  kLcdOnLen0 = 2218,
  kLcdOnPrio0 = 2222,
  kLcdOffCmd0 = 2226,
  kLcdOffLen0 = 2230,
  kLcdOffPrio0 = 2234,
  kLcdLongCmd0 = 2238,
  kLcdLongLen0 = 2242,
  kLcdLongPrio0 = 2246,
  kLcdPushPull0 = 2250,
  kLcdTest0 = 2254,
  // "Edit..." after each command: the command editor, as a double-click on the command opens it.
  kLcdOnEdit0 = 2258,
  kLcdOffEdit0 = 2262,
  kLcdLongEdit0 = 2266,
  kLcdGroupAddress = 2290,
  kLcdGroupButtons = 2291,
  kLcdGroupOk = 2292,
};

inline constexpr int LcdId(int first, int button) { return first + button; }

const DialogTemplate& LightControlDevTemplate();

}  // namespace corvane::ui
