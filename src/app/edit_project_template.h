// Template 153 "Edit Project": the project's name, notes and network settings, the devices the
// dongle hears, and the project's device list.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum EditProjectId : int {
  kEditProjectScan = 1004,
  kEditProjectCleanList = 1025,
  kEditProjectManualAddress = 1030,
  kEditProjectAddHeard = 1038,
  kEditProjectAddManual = 1039,
  kEditProjectRemove = 1040,
  kEditProjectPassword = 1056,
  kEditProjectName = 1057,
  kEditProjectNotes = 1078,
  kEditProjectFrequency = 1081,
  kEditProjectSortBy = 1210,
  kEditProjectInRange = 1215,
  kEditProjectDevices = 1216,
  // Ids without a given number.
  kEditProjectGroupScan = 3100,
  kEditProjectGroupDevices = 3101,
  kEditProjectGroupButtons = 3102,
};

const DialogTemplate& EditProjectTemplate();

}  // namespace corvane::ui
