// Template 166: one control device of a street-light node, CStreetLightCtrlDlg.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum StreetLightCtrlId : int {
  kSlcAddress = 1900,  // editable address drop-down
  // Button row r (0..3): ON, OFF and long-press actions, ballast, push/pull, test press.
  kSlcOn0 = 1910,
  kSlcOff0 = 1920,
  kSlcLong0 = 1930,
  kSlcBallast0 = 1940,
  kSlcPushPull0 = 1950,
  kSlcTest0 = 1960,
  kSlcGroupButtons = 1970,
  kSlcGroupRows,
  kSlcGroupOk,
};

inline constexpr int SlcId(int first, int row) { return first + row; }

const DialogTemplate& StreetLightCtrlTemplate();  // 166

}  // namespace corvane::ui
