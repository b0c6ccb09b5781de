// Template 164: the street-light node's configuration dialog, CStreetLightDlg. The controls every
// device dialog shares use the ids of devices/device_controls.h; the rest are numbered here.
#pragma once

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

enum StreetLightId : int {
  // State and radio.
  kSlEepromWrites = 1640,
  kSlUptime,
  kSlBkRssi,
  kSlPrg,
  kSlSystemMode,
  kSlCpuTemp,
  kSlGwAddress,
  kSlGwTimeout,
  kSlGwToSl,
  kSlSlToGw,
  kSlPcToSl,
  kSlSlToPc,
  kSlProgress,
  // Clock.
  kSlDate = 1660,
  kSlTime,
  kSlSetTime,  // ">" beside the pickers
  kSlUsePcTime,
  kSlUnixTime,
  kSlClockSource,
  kSlCalibration,
  kSlReadRtcCal,
  kSlLseSeconds,
  kSlLsPcDifference,
  kSlLsPcPpm,
  kSlSunrise,
  kSlSunset,
  // Astronomical dimming.
  kSlPreset = 1680,
  kSlLatitude,
  kSlLongitude,
  kSlTimeShift,
  kSlSummerTime,
  // Schedule point p (0..6): time, fade white, white, fade red, red.
  kSlPointTime0 = 1690,
  kSlPointFadeWhite0 = 1700,
  kSlPointWhite0 = 1710,
  kSlPointFadeRed0 = 1720,
  kSlPointRed0 = 1730,
  // Light and DALI.
  kSlLevel1 = 1740,
  kSlLevel2,
  kSlLevelOff1,
  kSlLevelOff2,
  kSlLevelOn1,
  kSlLevelOn2,
  kSlStep,
  kSlMinIntensity,
  kSlDaliCommand,
  kSlDaliLength,
  kSlDaliPriority,
  kSlDaliTwice,
  kSlDaliSend,  // ">"
  kSlDaliEditor,
  kSlResponse,
  kSlDaliStatus,
  kSlReadMem,
  kSlMemNumber,
  kSlGiveDaliAddr,
  kSlDaliBallast,  // combo "0"/"1"
  kSlReadBallastNow,
  kSlBallastData1,
  kSlBallastData2,
  kSlReadPeriod,
  kSlTwoBallasts,
  kSlDaliAddrOffset,
  kSlRisingEdge,
  kSlFallingEdge,
  kSlMem0 = 1780,  // 16 edits of the memory grid
  // PIR.
  kSlUsePir = 1800,
  kSlPirPriority,
  kSlPirLightOff,
  kSlPirWhite,
  kSlPirOrange,
  kSlPirDelay,
  kSlPirFadeIn,
  kSlPirFadeOut,
  kSlExternalPir,
  kSlWord909,
  kSlPirCombined,
  kSlPir1,
  kSlPir2,
  kSlPirActWhite,
  kSlPirActOrange,
  kSlAmbientLight,
  kSlPirTimeout,
  kSlPirDistribute0 = 1820,  // 8 edits
  // Position, lists, diagnostics.
  kSlRefX = 1830,
  kSlRefY,
  kSlRefZ,
  kSlActX,
  kSlActY,
  kSlActZ,
  kSlAngle,
  kSlFixPos,
  kSlControlDevices,
  kSlRoutedDevices,
  kSlFreeField,
  kSlClean,
  kSlDbg,
  kSlBankError1,
  kSlBankError2,
  kSlBankOk1,
  kSlBankOk2,
  // Groups.
  kSlGroupDevice = 1860,
  kSlGroupState,
  kSlGroupClock,
  kSlGroupAstro,
  kSlGroupLight,
  kSlGroupDali,
  kSlGroupPir,
  kSlGroupPosition,
  kSlGroupLists,
  kSlGroupButtons,
  kSlGroupMem,
  kSlGroupDiag,
  kSlGroupSchedule,
  kSlGroupColumn0,
  kSlGroupColumn1,
  kSlGroupColumn2,
  // Frameless rows and blocks inside the groups.
  kSlGroupDaliCommand,
  kSlGroupDaliResponse,
  kSlGroupBallast,
  kSlGroupReadPeriod,
  kSlGroupDistribute,
  kSlGroupCalibration,
};

inline constexpr int SlPointTime(int p) { return kSlPointTime0 + p; }
inline constexpr int SlPointFadeWhite(int p) { return kSlPointFadeWhite0 + p; }
inline constexpr int SlPointWhite(int p) { return kSlPointWhite0 + p; }
inline constexpr int SlPointFadeRed(int p) { return kSlPointFadeRed0 + p; }
inline constexpr int SlPointRed(int p) { return kSlPointRed0 + p; }
inline constexpr int SlMem(int i) { return kSlMem0 + i; }
inline constexpr int SlPirDistribute(int i) { return kSlPirDistribute0 + i; }

// List columns.
inline constexpr int kSlColAction = 2;  // "Action" of the routed devices

const DialogTemplate& StreetLightTemplate();  // 164

}  // namespace corvane::ui
