// Templates of the room-unit dialogs: CRoomUnitDlg (Calidor thermostat, 0x002) and CRoomUnitCDlg
// (Calidor-C CO2 meter, 0x011). The controls every device dialog shares use the ids of
// devices/device_controls.h; the room units' own ids lie in 1700..1899.
#pragma once

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum RoomUnitId : int {
  // State.
  kRuEepWrites = 1700,
  kRuUptime = 1701,
  kRuBkRssi = 1702,
  kRuBatVoltage = 1703,
  kRuBatState = 1704,
  kRuVcpu = 1705,
  kRuCo2Fails = 1706,
  kRuRssi = 1707,
  kRuRxRssi = 1708,
  // Measured values.
  kRuActualTemp = 1710,
  kRuActualHeat = 1711,
  kRuActualCool = 1712,
  kRuActualRh = 1713,
  kRuActualCo2 = 1714,
  kRuActualCo2Label = 1715,
  kRuOutsideTemp = 1716,
  // Modes.
  kRuInput = 1720,
  kRuLastHeatCool = 1721,
  kRuActMode = 1722,
  kRuSetModeHex = 1723,
  kRuSetMode = 1724,
  kRuFanMode = 1725,
  // Set points.
  kRuSetDayTemp = 1730,
  kRuSetNightTemp = 1731,
  kRuSetAttTemp = 1732,
  kRuSetDayCool = 1733,
  kRuSetNightCool = 1734,
  kRuSetAttCool = 1735,
  kRuMinDnaTemp = 1736,
  kRuMaxDnaTemp = 1737,
  kRuStepTemp = 1738,
  kRuStepMinutes = 1739,
  // Corrections.
  kRuTempCorrection = 1740,
  kRuCorrectionMin = 1741,
  kRuCorrectionMax = 1742,
  kRuCorrectionTemp = 1743,
  kRuCorrectionRh = 1744,
  kRuCorrectionCo2 = 1745,
  kRuCorrectionCo2Label = 1746,
  kRuCorrectionCo2Unit = 1747,
  kRuResTempCorr = 1748,
  // Unit options.
  kRuFanSpeed = 1750,
  kRuHotelResidential = 1751,
  kRuRelativeAbsolute = 1752,
  kRuResetFan = 1753,
  kRuCo2MeasPeriod = 1754,
  kRuCo2MeasPeriodLabel = 1755,
  kRuCo2MeasPeriodUnit = 1756,
  kRuCo2AbcPeriod = 1757,
  kRuCo2AbcPeriodLabel = 1758,
  kRuCo2AbcPeriodUnit = 1759,
  kRuTpgNum = 1760,
  kRuSymbolControl = 1761,
  // Display.
  kRuContrast = 1765,
  kRuShowTime = 1766,
  kRuEditReturnTime = 1767,
  kRuQuickEdit = 1768,
  kRuLongPushTime = 1769,
  kRuSuperLongPushTime = 1770,
  kRuShow1 = 1771,        // "Show" boxes, bits 0..5 of byte 154 (the sixth is "CO2")
  kRuShowSymbol1 = 1777,  // "Show symbol" boxes: Service, Boiler, Heat, Cool
  // Operation permissions.
  kRuAllowed1 = 1781,   // twelve "Allowed operations" boxes, bits 0..11 of word 80
  kRuPresence1 = 1793,  // five "Presence mask" boxes, bits 0..4 of word 81
  kRuFanMask1 = 1798,   // five "Fan mode mask" boxes, bits 0..4 of word 82
  // Clock.
  kRuPcDate = 1810,
  kRuPcTime = 1811,
  kRuDeviceDate = 1812,
  kRuDeviceTime = 1813,
  kRuSynchronize = 1814,
  // Groups.
  kRuGroupDevice = 1830,
  kRuGroupState = 1831,
  kRuGroupMeasured = 1832,
  kRuGroupClock = 1833,
  kRuGroupSetPoints = 1834,
  kRuGroupCorrections = 1835,
  kRuGroupModes = 1836,
  kRuGroupLimits = 1837,
  kRuGroupDisplay = 1838,
  kRuGroupPermissions = 1839,
  kRuGroupButtons = 1840,
  kRuGroupShowRow = 1841,  // frameless rows of check boxes inside "Display"

  // CRoomUnitCDlg.
  kRcEepWrites = 1850,
  kRcUptime = 1851,
  kRcBkRssi = 1852,
  kRcBatVoltage = 1853,
  kRcBatState = 1854,
  kRcPrg = 1855,
  kRcActualTemp = 1856,
  kRcActualRh = 1857,
  kRcActualCo2 = 1858,
  kRcCpuVolt = 1859,
  kRcCo2Fails = 1860,
  kRcAdcFails = 1861,
  kRcTempCorr = 1862,
  kRcRhCorr = 1863,
  kRcCo2Corr = 1864,
  kRcLock = 1865,
  kRcCo2ReadPeriod = 1866,
  kRcCo2AbcPeriod = 1867,
  kRcYellowOff = 1868,
  kRcYellowOn = 1869,
  kRcRedOff = 1870,
  kRcRedOn = 1871,
  kRcGreenPeriod = 1872,
  kRcYellowPeriod = 1873,
  kRcRedPeriod = 1874,
  kRcGroupDevice = 1890,
  kRcGroupState = 1891,
  kRcGroupMeasured = 1892,
  kRcGroupSettings = 1893,
  kRcGroupLeds = 1894,
  kRcGroupButtons = 1895,
};

inline constexpr int RuShow(int bit) { return kRuShow1 + bit; }
inline constexpr int RuAllowed(int bit) { return kRuAllowed1 + bit; }
inline constexpr int RuPresence(int bit) { return kRuPresence1 + bit; }
inline constexpr int RuFanMask(int bit) { return kRuFanMask1 + bit; }
// Box i (0..3) of "Show symbol"; they stand for bits 0, 1, 3 and 4 of word 83.
inline constexpr int RuShowSymbol(int index) { return kRuShowSymbol1 + index; }

const DialogTemplate& RoomUnitTemplate();
const DialogTemplate& RoomUnitCTemplate();

}  // namespace corvane::ui
