// Templates 175, "GW Configuration V4.00", and 148, "GW Configuration": the configuration windows
// of gateways with firmware 4.00 and later and of older ones. The older window has the same
// controls except those its register map has no counterpart for.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum GatewayV400Id : int {
  kGwDevices = 2300,     // bidirectional list (78 rows)
  kGwUniDevices = 2301,  // unidirectional list (200 rows)
  kGwUptime = 2302,
  kGwBackgroundRssi = 2303,
  kGwEepromWrites = 2304,
  kGwDeviceId = 2305,
  kGwFwNum = 2306,
  kGwHwNum = 2307,
  kGwCpuTemperature = 2308,
  kGwRfReinits = 2309,
  kGwUnixTime = 2310,
  kGwOwnAddress = 2311,  // "GW"
  kGwLastComm = 2312,
  kGwName = 2313,
  kGwPassword = 2314,
  kGwKey = 2315,
  kGwModbusAddress = 2316,
  kGwAlarmLostTimeout = 2317,
  kGwFrequency = 2318,
  kGwRfPower = 2319,
  kGwBaudrate = 2320,
  kGwParity = 2321,
  kGwStopBits = 2322,
  kGwSystemMode = 2323,
  kGwOneGatrix = 2324,
  kGwDate = 2325,
  kGwTime = 2326,
  kGwSynchronize = 2327,
  kGwOutOn = 2328,
  kGwOutOff = 2329,
  kGwCompressCache = 2330,
  kGwCreateReport = 2331,
  kGwUniMonitor = 2332,
  kGwConfigBridge = 2333,
  kGwUniFifo = 2334,
  kGwUniFifo2 = 2335,
  kGwWmbusFifo = 2336,
  kGwTxAddress = 2337,
  kGwTxData = 2338,
  kGwTxSend = 2339,
  kGwSource = 2340,  // the data-source indicator
  kGwRssiLabel = 2341,
  kGwRssi = 2342,
  kGwRxRssi = 2343,
  kGwPrg = 2344,
  kGwOut = 2345,
  kGwProgress = 2346,
  kGwRead = 2347,
  kGwWriteRam = 2348,
  kGwWriteEeprom = 2349,
  kGwFwUpdate = 2350,
  kGwReadLog = 2351,
  kGwSave = 2352,
  kGwDefault = 2353,
  kGwImport = 2354,
  kGwExport = 2355,
  // Shown while the gateway is not in the dongle's heard list.
  kGwNotHeard = 2356,
  // Groups and frameless rows.
  kGwGroupIdentity = 3200,
  kGwGroupRadio = 3201,
  kGwGroupModbus = 3202,
  kGwGroupState = 3203,
  kGwGroupDevices = 3204,
  kGwGroupUni = 3205,
  kGwGroupTools = 3206,
  kGwGroupTransmit = 3207,
  kGwButtonRow = 3208,
  kGwClockRow = 3209,
};

// Column order of the two lists.
enum GwDeviceColumn : int {
  kGwColPos,
  kGwColAddress,
  kGwColCache,
  kGwColMbStart,
  kGwColMbCount,
  kGwColRssiDevToGw,
  kGwColRssiGwToDev,
  kGwColAction,
  kGwColModbus,
  kGwColHub,
  kGwColTimestamp,
  kGwColReadWrite,
  kGwDeviceColumns,
};
enum GwUniColumn : int {
  kGwUniColPos,
  kGwUniColAddress,
  kGwUniColReg1,
  kGwUniColReg2,
  kGwUniColRssi,
  kGwUniColTimestamp,
  kGwUniColFifo,
  kGwUniColumns,
};

const DialogTemplate& GatewayV400Template();
const DialogTemplate& GatewayTemplate();

}  // namespace corvane::ui
