// Template 170, the fan-coil controller's configuration window, and template 174, the editor of
// one of its paired devices.
#pragma once

#include <array>
#include <cstdint>

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum FanCoilId : int {
  kFcDevices = 1700,  // paired-device list (8 rows, 6 in view)
  kFcDeviceId,
  kFcFwNum,
  kFcHwNum,
  kFcUptime,
  kFcBackgroundRssi,
  kFcEepromWrites,
  kFcUnixTime,
  kFcOwnAddress,  // "GW"
  kFcRfInputs,
  kFcPidFan,
  kFcPidHeat,
  kFcPidCool,
  kFcCpuTemperature,
  kFcPwmHeat,
  kFcPwmCool,
  kFcName,
  kFcPassword,
  kFcModbusAddress,
  kFcFrequency,
  kFcRfPower,
  kFcBaudrate,
  kFcParity,
  kFcStopBits,
  kFcSystemMode,
  kFcBeacon,
  kFcDate,
  kFcTime,
  kFcSynchronize,
  // Regulator configuration: register 68, then register 73.
  kFcStopFanHeat,
  kFcStopFanCool,
  kFcValveExercise,
  kFcValveInverted,
  kFcValvesOffWithFan,
  kFcRegulationOn,
  kFcFourPipes,
  kFcFanType,
  kFcDi1Enable,
  kFcDi2Enable,
  kFcDi1Inverted,
  kFcDi2Inverted,
  kFcChangeOver,
  kFcPBand,
  kFcIConst,
  kFcDConst,
  // Manual control enable: register 76 bits 0-7 in order.
  kFcEnableFan,
  kFcEnableHeat,
  kFcEnableCool,
  kFcEnablePresence,
  kFcEnableWindow,
  kFcEnableChangeOver,
  kFcEnableTemperature,
  kFcEnableSetpoints,
  // Manual control values.
  kFcManualFan,
  kFcHeatOut,
  kFcHeatOutSend,
  kFcCoolOut,
  kFcCoolOutSend,
  kFcPresenceOn,
  kFcWindowOn,
  // Regulator input values.
  kFcActualTemp,
  kFcSetpointHeat,
  kFcSetpointCool,
  kFcFanMode,
  // Output pins (register 88 bits 0-4) and room-unit inputs (register 86 bits 0-4).
  kFcPinHeat,
  kFcPinCool,
  kFcPinFan1,
  kFcPinFan2,
  kFcPinFan3,
  kFcInPresence,
  kFcInWindow,
  kFcInHeat,
  kFcInCool,
  kFcInLastCool,
  kFcSource,  // the data-source indicator
  kFcRssiLabel,
  kFcRssi,
  kFcRxRssi,
  kFcPrg,
  kFcCompressCache,
  kFcCreateReport,
  kFcWmbusFifo,
  kFcRead,
  kFcWriteRam,
  kFcWriteEeprom,
  kFcFwUpdate,
  kFcReadLog,
  kFcSave,
  kFcDefault,
  kFcImport,
  kFcExport,
  // Groups and frameless rows.
  kFcGroupIdentity = 3700,
  kFcGroupRadio,
  kFcGroupModbus,
  kFcGroupState,
  kFcGroupRegulator,
  kFcGroupPid,
  kFcGroupManualEnable,
  kFcGroupManualValues,
  kFcGroupInputs,
  kFcGroupPins,
  kFcGroupRoomInputs,
  kFcGroupDevices,
  kFcGroupTools,
  kFcButtonRow,
  kFcClockRow,
  kFcHeatRow,
  kFcCoolRow,
  // Frameless columns of groups stacked one above the other, and the row under them.
  kFcStackController,
  kFcStackRadio,
  kFcStackRegulator,
  kFcStackManual,
  kFcDevicesRow,
};

// The checkboxes of register 68 with their bits, of register 73 (bits 0-3), of the manual
// enable bits (register 76, bits 0-7), the output pins (88) and the room-unit inputs (86).
struct BitBox {
  int id;
  uint16_t bit;
};
inline constexpr std::array<BitBox, 7> kFcRegulatorBoxes = {{{kFcStopFanHeat, 1u << 2},
                                                             {kFcStopFanCool, 1u << 3},
                                                             {kFcValveExercise, 1u << 6},
                                                             {kFcValveInverted, 1u << 7},
                                                             {kFcValvesOffWithFan, 1u << 8},
                                                             {kFcRegulationOn, 1u << 12},
                                                             {kFcFourPipes, 1u << 15}}};
inline constexpr std::array<int, 4> kFcDiBoxes = {kFcDi1Enable, kFcDi2Enable, kFcDi1Inverted,
                                                  kFcDi2Inverted};
inline constexpr std::array<int, 8> kFcEnableBoxes = {
    kFcEnableFan,    kFcEnableHeat,       kFcEnableCool,        kFcEnablePresence,
    kFcEnableWindow, kFcEnableChangeOver, kFcEnableTemperature, kFcEnableSetpoints};
inline constexpr std::array<int, 5> kFcPinBoxes = {kFcPinHeat, kFcPinCool, kFcPinFan1, kFcPinFan2,
                                                   kFcPinFan3};
inline constexpr std::array<int, 5> kFcRoomInputBoxes = {kFcInPresence, kFcInWindow, kFcInHeat,
                                                         kFcInCool, kFcInLastCool};

// Column order of the paired-device list.
enum FcDeviceColumn : int {
  kFcColPos,
  kFcColAddress,
  kFcColCache,
  kFcColMbStart,
  kFcColMbCount,
  kFcColInputNumber,
  kFcColRssiDevToGw,
  kFcColRssiGwToDev,
  kFcColAction,
  kFcColModbus,
  kFcColHub,
  kFcColTimestamp,
  kFcColReadWrite,
  kFcDeviceColumns,
};

const DialogTemplate& FanCoilTemplate();    // 170
const DialogTemplate& FcDevicesTemplate();  // 174

}  // namespace corvane::ui
