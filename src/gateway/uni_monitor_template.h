// Template 161: the unidirectional device monitor.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum UniMonitorId : int {
  kUniMonList = 1610,      // one row per unidirectional entry
  kUniMonReadAll = 1611,   // "Read All"
  kUniMonPeriodic = 1612,  // "Periodical Read"
  kUniMonPeriod = 1613,    // "Period" in seconds
  kUniMonRow = 3610,       // frameless row of the read controls
};

// Columns of kUniMonList.
enum UniMonColumn : int {
  kUniMonColPos,
  kUniMonColAddress,
  kUniMonColReg1,
  kUniMonColReg2,
  kUniMonColRssi,
  kUniMonColTime,
  kUniMonColValue1,
  kUniMonColValue2,
  kUniMonColumns,
};

const DialogTemplate& UniMonitorTemplate();

}  // namespace corvane::ui
