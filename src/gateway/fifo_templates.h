// Templates 167 (UNI FIFO view), 178 (UNI FIFO2 view) and 171 (wireless M-Bus view). The three
// share the ids of the list and its two controls, so one piece of view code serves them all.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum FifoViewId : int {
  kFifoList = 1300,        // the lines the owner adds
  kFifoClear = 1301,       // "Clear"
  kFifoAutoscroll = 1302,  // "Autoscroll"
  kWmbusParse = 1303,      // "Parse selected message"
  kWmbusFields = 1304,     // parsed fields of the selected telegram
  kWmbusCopy = 1305,       // "Copy to clipboard"
  kFifoButtonRow = 3100,   // frameless row under the lines
  kWmbusFieldRow = 3101,   // frameless row under the parsed fields
};

const DialogTemplate& UniFifoTemplate();
const DialogTemplate& UniFifo2Template();
const DialogTemplate& WmbusFifoTemplate();

}  // namespace corvane::ui
