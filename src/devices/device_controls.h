// Control ids every device configuration dialog shares, so the common behaviour finds its
// buttons and fields in each device's template.
#pragma once

namespace corvane::devices {

enum DeviceControlId : int {
  kDevRead = 1400,
  kDevWriteRam = 1401,
  kDevWriteEeprom = 1402,
  kDevSave = 1403,
  kDevExport = 1404,
  kDevImport = 1405,
  kDevDefault = 1406,
  kDevFwUpdate = 1407,
  kDevReadLog = 1408,
  kDevSource = 1409,  // the data-source indicator
  kDevTime = 1410,    // local time of the last reception
  kDevName = 1411,
  kDevPassword = 1412,
  kDevFrequency = 1413,
  kDevRfPower = 1414,
  kDevModbusId = 1415,
  kDevFwId = 1416,
  kDevDeviceId = 1417,
  kDevHwNum = 1418,
};

}  // namespace corvane::devices
