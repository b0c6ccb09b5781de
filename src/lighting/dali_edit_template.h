// Template of the DALI command editor (CDaliEdit): an address and a command picked from lists.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum DaliEditId : int {
  kDaliEditAddress = 2270,  // "Adress" list
  kDaliEditCommand = 2271,  // "Command" list
  kDaliEditGroup = 2272,
  kDaliEditButtons = 2273,
};

const DialogTemplate& DaliEditTemplate();

}  // namespace corvane::ui
