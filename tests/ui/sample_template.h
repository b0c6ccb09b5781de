// A dialog that holds every kind of control with every flag the program uses. The tests of both
// hosts build it, and its screenshot shows how the Qt binding lays a template out.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

enum SampleId : int {
  kSampleGroupDevice = 900,
  kSampleGroupOptions,
  kSampleGroupInputs,
  kSampleGroupLists,
  kSampleButtonRow,
  kSampleName = 1001,
  kSamplePassword,
  kSampleFwNum,
  kSampleFrequency,
  kSampleAddress,
  kSampleNotes,
  kSampleSystemMode,
  kSampleLock,
  kSampleDate,
  kSampleTime,
  kSampleSquare1,
  kSampleSquare2,
  kSampleSquare3,
  kSampleSquare4,
  kSampleIndicator,
  kSampleScan,
  kSampleLastComm,
  kSampleTable,
  kSampleDevices,
  kSampleLog,
  kSampleProgress,
  kSampleRead,
  kSampleWrite,
  kSampleUptimeLabel,
  kSampleUptime,
};

inline constexpr int kSampleTableColumns = 8;

const DialogTemplate& SampleDialogTemplate();

}  // namespace corvane::ui
