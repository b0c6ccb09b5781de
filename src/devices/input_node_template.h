// Templates of the four-input node dialogs: CInputNodeDlg (up to six inputs, layout by type) and
// CInputNodeBDlg (four inputs and the RSSI fields). The controls every device dialog shares use
// the ids of devices/device_controls.h.
#pragma once

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum InputNodeId : int {
  kInUptime = 1500,
  kInBatteryVoltage = 1501,
  kInBatteryState = 1502,
  kInPrg = 1503,
  kInUni = 1504,
  kInRssi = 1505,
  kInRxRssi = 1506,
  kInBkRssi = 1507,
  kInLongpress = 1510,
  kInLongpressRepeat = 1511,
  kInMinPress = 1512,
  kInLock = 1513,
  kInTemperature = 1520,
  kInTempCorr = 1521,
  kInTempThreshold = 1522,
  kInTempLabel = 1523,
  kInTempCorrLabel = 1524,
  kInTempThresholdLabel = 1525,
  kInTempUnit = 1526,
  kInTempCorrUnit = 1527,
  kInTempThresholdUnit = 1528,
  kInTempGroup = 1529,
  kInSwitchCaption = 1530,
  // Input i (1..6) of each row: the column label, the one-button box, the switch-mode box
  // (1..4 only) and the indicator square.
  kInButtonLabel1 = 1540,
  kInOneButton1 = 1550,
  kInSwitch1 = 1560,
  kInSquare1 = 1570,
  // Groups.
  kInGroupDevice = 1590,
  kInGroupState = 1591,
  kInGroupInputs = 1592,
  kInGroupTimes = 1593,
  kInGroupButtons = 1594,
  kInGroupRadio = 1595,
};

inline constexpr int InButtonLabel(int input) { return kInButtonLabel1 + input - 1; }
inline constexpr int InOneButton(int input) { return kInOneButton1 + input - 1; }
inline constexpr int InSwitch(int input) { return kInSwitch1 + input - 1; }
inline constexpr int InSquare(int input) { return kInSquare1 + input - 1; }

// CInputNodeDlg: six inputs; the dialog hides what the device type lacks.
const DialogTemplate& InputNodeTemplate();
// CInputNodeBDlg: four inputs, the switch-mode row and the RSSI fields.
const DialogTemplate& InputNodeBTemplate();

}  // namespace corvane::ui
