// Templates of the output-node dialog (COutputNodeDlg) and of its three control-link dialogs.
// The controls every device dialog shares use the ids of devices/device_controls.h.
#pragma once

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum OutputNodeId : int {
  kOutDevices = 1600,  // "Configuration Devices" list
  kOutUptime = 1601,
  kOutBkRssi = 1602,
  kOutPcToD = 1603,
  kOutDToPc = 1604,
  kOutOutputState = 1605,
  kOutExtInput = 1606,
  kOutCnt = 1607,
  kOutBlockTimer = 1608,
  // Output o (1, 2) of each row: label, mode list, "Inv.", "Time" label, edit and unit, and the
  // command boxes "On", "Off", "LongPress".
  kOutLabel1 = 1610,
  kOutMode1 = 1612,
  kOutInv1 = 1614,
  kOutTimeLabel1 = 1616,
  kOutTime1 = 1618,
  kOutTimeUnit1 = 1620,
  kOutOn1 = 1622,
  kOutOff1 = 1624,
  kOutLongPress1 = 1626,
  kOutPwmGroup = 1630,
  kOutPwmPeriod = 1631,
  kOutPwm = 1632,
  kOutPwmSend = 1633,
  kOutLongpressTimeout = 1635,
  kOutMaxOnTime = 1636,
  kOutSuperLongpress = 1637,
  kOutSystemMode = 1640,
  kOutCacheable = 1641,
  kOutBlockOut1 = 1642,
  kOutBlockOut2 = 1643,
  kOutBlockInverted = 1644,
  kOutPullUp = 1645,
  kOutPullDown = 1646,
  kOutBlockTime = 1647,
  kOutHysteresis = 1650,
  kOutThresholdOnLabel = 1651,
  kOutThresholdOn = 1652,
  kOutThresholdOnUnit = 1653,
  kOutThresholdOffLabel = 1654,
  kOutThresholdOff = 1655,
  kOutThresholdOffUnit = 1656,
  kOutRhOn = 1657,
  kOutRhOff = 1658,
  kOutTempCo2 = 1659,
  // Type 0x017 only.
  kOutTempGroup = 1660,
  kOutTemperature = 1661,
  kOutCommTimeout = 1662,
  kOutAfterTimeout = 1663,
  kOutAfterReset = 1664,
  // Groups.
  kOutGroupDevice = 1680,
  kOutGroupState = 1681,
  kOutGroupOutputs = 1682,
  kOutGroupTiming = 1683,
  kOutGroupBlock = 1684,
  kOutGroupThresholds = 1685,
  kOutGroupDevices = 1686,
  kOutGroupButtons = 1687,
  kOutGroupTimingBlock = 1688,
};

// Output o (1 or 2) of the per-output ids.
inline constexpr int OutId(int first, int output) { return first + output - 1; }

// The link dialogs: one row per button or function r (0..3), each with its own captions (the
// room units' CO2 and rH rows name their thresholds there).
enum OutputLinkId : int {
  kLinkAddress = 1700,
  kLinkRowLabel0 = 1710,
  kLinkOnCaption0 = 1714,
  kLinkOn0 = 1718,
  kLinkOffCaption0 = 1722,
  kLinkOff0 = 1726,
  kLinkLongCaption0 = 1730,
  kLinkLong0 = 1734,
  kLinkO1_0 = 1738,
  kLinkO2_0 = 1742,
  kLinkPushPull0 = 1746,
  kLinkTest0 = 1750,
  kLinkGroupAddress = 1795,
  kLinkGroupRows = 1796,
  kLinkGroupButtons = 1797,
};

inline constexpr int LinkId(int first, int row) { return first + row; }

// COutputNodeDlg; the dialog hides what the one-output type lacks.
const DialogTemplate& OutputNodeTemplate();

// The link dialogs: push-button devices (four buttons with ON, OFF and long press), room units
// (Heating, Cooling, CO2, rH with ON and OFF) and climate sensors (Heating and rH).
const DialogTemplate& OutputInputLinkTemplate();
const DialogTemplate& OutputRoomLinkTemplate();
const DialogTemplate& OutputSensorLinkTemplate();

}  // namespace corvane::ui
