// Template 142: the "MODBUS" register tool.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum ModbusDialogId : int {
  kModbusReadAddress = 1100,
  kModbusReadCount = 1101,
  kModbusRead = 1102,
  kModbusWriteAddress = 1103,
  kModbusWriteValue = 1104,
  kModbusWrite = 1105,
  kModbusList = 1106,
  kModbusClear = 1107,
  kModbusGroupRead = 3000,
  kModbusGroupWrite = 3001,
};

const DialogTemplate& ModbusTemplate();

}  // namespace corvane::ui
