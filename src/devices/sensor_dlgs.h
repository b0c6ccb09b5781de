// The battery sensor dialogs: CThermoHygroDlg for the climate sensors Termolo (0x00A) and
// Bossel (0x00D), CCounterDlg for the pulse counter Tallix (0x00F) and CWindowContactDlg for the
// window contact Fenstro (0x012). Each follows the device dialog pattern; what is theirs is the
// climate sensor's firmware limit and service words, the counter's reset and its clamped
// drop-downs, and the window contact's firmware quirk shared with the input nodes.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/device_dialog.h"

namespace corvane::devices {

// Words of the climate record beyond the common header.
namespace climate_word {
inline constexpr int kEepWrites = 27;
inline constexpr int kUptime = 28;  // 28..29
inline constexpr int kBattery = 31;
inline constexpr int kServiceA = 33;  // set while "Service" is ticked
inline constexpr int kServiceB = 34;  // set while it is not
inline constexpr int kTemperature = 50;
inline constexpr int kCpuTemperature = 51;
inline constexpr int kCpuVoltageStatus = 52;  // low byte CPU voltage, high byte status bits
inline constexpr int kHumidity = 53;
inline constexpr int kAlarmTempOn = 64;
inline constexpr int kAlarmTempOff = 65;
inline constexpr int kAlarmRhOn = 66;
inline constexpr int kAlarmRhOff = 67;
inline constexpr int kMeasurePeriod = 68;
inline constexpr int kTransmitPeriod = 69;
inline constexpr int kChangeTemp = 70;
inline constexpr int kChangeRh = 71;
inline constexpr int kChangeCpu = 72;
inline constexpr int kCorrTemp = 73;
inline constexpr int kCorrRh = 74;
inline constexpr int kCorrCpu = 75;
inline constexpr int kStatus = 76;
inline constexpr int kLock = 77;
inline constexpr int kHeatingTime = 78;
inline constexpr int kHeatingPeriod = 79;
// Firmware before 4.02 has no registers from here on.
inline constexpr int kFirstOfNewFirmware = 94;
inline constexpr uint16_t kNewFirmware = 402;
}  // namespace climate_word

// Words of the counter record beyond the common header.
namespace counter_word {
inline constexpr int kEepWrites = 27;
inline constexpr int kUptime = 28;  // 28..29
inline constexpr int kBackgroundRssi = 30;
inline constexpr int kBattery = 31;
inline constexpr int kServiceA = 33;
inline constexpr int kServiceB = 34;
inline constexpr int kCount = 50;        // 50..51
inline constexpr int kCountLast = 52;    // 52..53
inline constexpr int kCountActual = 54;  // 54..55
inline constexpr int kCountTime = 56;
inline constexpr int kCpuTemperature = 57;
inline constexpr int kInput = 58;  // low byte resistor, high byte threshold
inline constexpr int kTransmitPeriod = 59;
inline constexpr int kChangeCpu = 60;
inline constexpr int kCorrCpu = 61;
inline constexpr int kStatus = 62;
inline constexpr int kLock = 63;
// Written to the count, 0x80000000 tells the device to start again from zero.
inline constexpr uint16_t kResetLow = 0x0000;
inline constexpr uint16_t kResetHigh = 0x8000;
}  // namespace counter_word

// Words of the window-contact record beyond the common header.
namespace window_word {
inline constexpr int kUptime = 28;  // 28..29
inline constexpr int kBattery = 31;
inline constexpr int kWindowState = 50;  // low byte
inline constexpr int kCpuVoltage = 51;   // high byte
inline constexpr int kTemperature = 54;
inline constexpr int kTemperatureCorr = 55;
inline constexpr int kTemperatureThreshold = 56;
inline constexpr int kStatus = 57;
inline constexpr int kLock = 58;
}  // namespace window_word

inline constexpr RecordLayout kThermoHygroLayout{
    .words = 98, .ram_last = 97, .eeprom_last = 97, .read_flush = false};
inline constexpr RecordLayout kCounterLayout{
    .words = 64, .ram_last = 63, .eeprom_last = 63, .read_flush = false};
inline constexpr RecordLayout kWindowContactLayout{
    .words = 59, .ram_last = 58, .eeprom_last = 58, .read_flush = true};

class CThermoHygroDlg : public DeviceDialog {
 public:
  static constexpr uint16_t kHumidityModel = 0xF018;
  static constexpr uint16_t kThermometerModel = 0xF017;

  CThermoHygroDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void InitDevice() override;
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
  RecordLayout CurrentLayout() const override;

 private:
  bool old_firmware() const;
};

class CCounterDlg : public DeviceDialog {
 public:
  CCounterDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void OnCommand(int id) override;
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
  // The counts (words 50..56) are the meter's own: written only by Reset, never from a record
  // that may be the project's old copy.
  bool WrittenBack(int word) const override;

 private:
  void Reset();
};

class CWindowContactDlg : public DeviceDialog {
 public:
  CWindowContactDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void RefreshDevice(int first, int count) override;
  std::vector<uint16_t> DefaultRecord() const override;
};

}  // namespace corvane::devices
