// Templates of the sensor dialogs: CThermoHygroDlg (climate sensors), CCounterDlg (pulse
// counter) and CWindowContactDlg (window contact). The controls every device dialog shares use
// the ids of devices/device_controls.h.
#pragma once

#include <array>
#include <string_view>

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum ThermoHygroId : int {
  kThEepWrites = 1900,
  kThUptime = 1901,
  kThBatteryVoltage = 1902,
  kThBatteryState = 1903,
  kThPrg = 1904,
  kThTemperature = 1910,
  kThCpuTemperature = 1911,
  kThCpuVoltage = 1912,
  kThHeating = 1913,
  kThTempAlarm = 1914,
  kThRhAlarm = 1915,
  kThHumidity = 1916,
  kThHumidityLabel = 1917,
  kThHumidityUnit = 1918,
  kThAlarmTempOn = 1920,
  kThAlarmTempOff = 1921,
  kThAlarmRhOn = 1922,
  kThAlarmRhOff = 1923,
  kThMeasurePeriod = 1930,
  kThTransmitPeriod = 1931,
  kThHeatingTime = 1932,
  kThHeatingPeriod = 1933,
  kThLock = 1934,
  kThService = 1935,
  kThChangeTemp = 1940,
  kThChangeRh = 1941,
  kThChangeCpu = 1942,
  kThCorrTemp = 1943,
  kThCorrRh = 1944,
  kThCorrCpu = 1945,
  // Groups.
  kThGroupDevice = 1980,
  kThGroupState = 1981,
  kThGroupMeasured = 1982,
  kThGroupTemperature = 1983,
  kThGroupHumidity = 1984,
  kThGroupPeriods = 1985,
  kThGroupButtons = 1986,
};

enum CounterId : int {
  kCoEepWrites = 2000,
  kCoUptime = 2001,
  kCoBkRssi = 2002,
  kCoBatteryVoltage = 2003,
  kCoBatteryState = 2004,
  kCoPrg = 2005,
  kCoCount = 2010,
  kCoReset = 2011,
  kCoCountLast = 2012,
  kCoCountActual = 2013,
  kCoCountTime = 2014,
  kCoResistor = 2020,
  kCoThreshold = 2021,
  kCoTransmitPeriod = 2022,
  kCoCpuTemperature = 2023,
  kCoChangeCpu = 2024,
  kCoCorrCpu = 2025,
  kCoLock = 2026,
  kCoService = 2027,
  // Groups.
  kCoGroupDevice = 2080,
  kCoGroupState = 2081,
  kCoGroupCounts = 2082,
  kCoGroupInput = 2083,
  kCoGroupButtons = 2084,
};

enum WindowContactId : int {
  kWcUptime = 2100,
  kWcBatteryVoltage = 2101,
  kWcBatteryState = 2102,
  kWcPrg = 2103,
  kWcUni = 2104,
  kWcWindowState = 2110,
  kWcCpuVoltage = 2111,
  kWcTemperature = 2112,
  kWcTempCorr = 2113,
  kWcTempThreshold = 2114,
  kWcLock = 2115,
  // Groups.
  kWcGroupDevice = 2180,
  kWcGroupState = 2181,
  kWcGroupWindow = 2182,
  kWcGroupTemperature = 2183,
  kWcGroupButtons = 2184,
};

// The counter's input resistor (byte 116) and input threshold (byte 117), in code order.
inline constexpr std::array<std::u16string_view, 9> kCounterResistors = {
    u"OFF",          u"Pull Up 470k",   u"Pull Up 220k",   u"Pull Up 150k",
    u"Pull Up 50k",  u"Pull Down 470k", u"Pull Down 220k", u"Pull Down 150k",
    u"Pull Down 50k"};
inline constexpr std::array<std::u16string_view, 5> kCounterThresholds = {u"1.6V", u"1.2V", u"0.9V",
                                                                          u"0.6V", u"0.3V"};

const DialogTemplate& ThermoHygroTemplate();
const DialogTemplate& CounterTemplate();
const DialogTemplate& WindowContactTemplate();

}  // namespace corvane::ui
