// Template 102: the main window.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum MainDialogId : int {
  kMainConnection = 1000,
  kMainScan = 1004,
  kMainNotes = 1030,
  kMainDongleAddress = 1032,
  kMainDongleUpdate = 1035,
  kMainChangePassword = 1036,
  kMainSaveProject = 1038,
  kMainSaveAs = 1041,
  kMainHelp = 1025,
  kMainPassword = 1056,
  kMainModbus = 1075,
  kMainMonitor = 1076,
  kMainRssi = 1078,
  kMainBandwidth = 1079,
  kMainUptime = 1080,
  kMainRfPower = 1082,
  kMainLoadProject = 1129,
  kMainNewProject = 1130,
  kMainDeviceList = 1216,
  kMainEditProject = 1217,
  kMainFrequency = 1220,
  kMainOpenDevice = 1222,
  kMainLogo = 1231,
  kMainWriteProgress = 1332,
  // Ids without a given number.
  kMainGroupDongle = 3000,
  kMainGroupProject = 3001,
  kMainGroupActions = 3002,
};

const DialogTemplate& MainDialogTemplate();

}  // namespace corvane::ui
