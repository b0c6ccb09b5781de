// Template of the lighting-bus bridge dialog (CDaliBridgeDlg). The controls every device
// dialog shares use the ids of devices/device_controls.h.
#pragma once

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum DaliBridgeId : int {
  kDaliDevices = 2100,  // "Configuration Devices" list
  kDaliUptime = 2101,
  kDaliBkRssi = 2102,
  kDaliPrg = 2103,
  kDaliInfo = 2104,  // the four bytes of registers 48..49
  kDaliSystemMode = 2105,
  kDaliAdvance = 2106,
  kDaliActualValue = 2107,
  kDaliResponse = 2108,
  kDaliRisingEdge = 2109,
  kDaliFallingEdge = 2110,
  kDaliGwAddress = 2111,
  // The three command rows: 0 "DALI command", 1 "Get Act.Val.CMD", 2 "Trigger CMD".
  kDaliCmd0 = 2120,
  kDaliLen0 = 2123,
  kDaliPrio0 = 2126,
  // "Edit..." beside each row: the command editor, as a double-click on the Command edit opens it.
  kDaliEdit0 = 2135,
  kDaliWriteCmd = 2130,
  kDaliLightOff = 2131,
  kDaliReadMem = 2132,
  kDaliMemNumber = 2133,
  // Groups.
  kDaliGroupDevice = 2180,
  kDaliGroupState = 2181,
  kDaliGroupCommands = 2182,
  kDaliGroupDevices = 2183,
  kDaliGroupButtons = 2184,
};

// The rows of the command edits.
inline constexpr int kDaliRowCommand = 0;
inline constexpr int kDaliRowGetActual = 1;
inline constexpr int kDaliRowTrigger = 2;
inline constexpr int DaliRowId(int first, int row) { return first + row; }

const DialogTemplate& DaliBridgeTemplate();

}  // namespace corvane::ui
