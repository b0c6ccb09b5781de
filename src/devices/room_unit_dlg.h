// The room-unit dialogs: CRoomUnitDlg for the Calidor thermostat (0x002, 190-word record with
// display, set points, operation permissions, fan control, an optional CO2 sensor and a clock)
// and CRoomUnitCDlg for the Calidor-C CO2 meter (0x011, 78 words, three-colour LED indication).
// Both follow the device dialog pattern and read without flush.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/device_dialog.h"

namespace corvane::devices {

// Words of the Calidor record beyond the common header.
namespace room_word {
inline constexpr int kEepWrites = 27;
inline constexpr int kUptime = 28;  // 28..29
inline constexpr int kBackgroundRssi = 30;
inline constexpr int kBattery = 31;
inline constexpr int kActualTemp = 50;
inline constexpr int kActualHeat = 51;
inline constexpr int kActualCool = 52;
inline constexpr int kActualRh = 53;
inline constexpr int kActualCo2 = 54;
inline constexpr int kOutsideTemp = 55;
inline constexpr int kInput = 56;  // low byte; bit 4: last cooling
inline constexpr int kTempCorrection = 57;
inline constexpr int kSetPoints = 58;  // 58..63: day, night, att heating, then cooling
inline constexpr int kActMode = 64;
inline constexpr int kSetMode = 65;
inline constexpr int kFanMode = 66;
inline constexpr int kContrastCo2Period = 67;  // low: contrast, high: CO2 measuring period
inline constexpr int kUnitOptions = 68;
inline constexpr int kCorrectionMin = 69;
inline constexpr int kCorrectionMax = 70;
inline constexpr int kMinDna = 71;
inline constexpr int kMaxDna = 72;
inline constexpr int kCorrectionTemp = 73;
inline constexpr int kCorrectionRh = 74;
inline constexpr int kCorrectionCo2 = 75;
inline constexpr int kStep = 76;        // low: step temp, high: step minutes
inline constexpr int kShow = 77;        // low: shown values, high: show time
inline constexpr int kEditReturn = 78;  // low: edit return time, high: quick edit
inline constexpr int kPushTimes = 79;   // low: long push, high: super long push
inline constexpr int kAllowed = 80;
inline constexpr int kPresenceMask = 81;
inline constexpr int kFanModeMask = 82;
inline constexpr int kShowSymbol = 83;
inline constexpr int kTimeProgram = 84;
inline constexpr int kClock = 85;         // 85..88: bytes 170..176
inline constexpr int kTimePrograms = 89;  // 89..172
inline constexpr int kSymbolControl = 173;
inline constexpr int kCo2AbcPeriod = 176;
inline constexpr int kVcpu = 186;
inline constexpr int kCo2Fails = 189;
}  // namespace room_word

// Words of the Calidor-C record beyond the common header.
namespace room_c_word {
inline constexpr int kServiceB = 34;
inline constexpr int kActualTemp = 50;
inline constexpr int kActualRh = 53;
inline constexpr int kActualCo2 = 54;
inline constexpr int kTempCorr = 55;
inline constexpr int kRhCorr = 56;
inline constexpr int kCo2Corr = 57;
inline constexpr int kLock = 58;
inline constexpr int kCo2ReadPeriod = 59;
inline constexpr int kYellowOff = 60;
inline constexpr int kYellowOn = 61;
inline constexpr int kRedOff = 62;
inline constexpr int kRedOn = 63;
inline constexpr int kLedPeriods = 64;  // bytes 128 green, 129 yellow, 130 red (0.25 s)
inline constexpr int kStatus = 66;
inline constexpr int kCo2AbcPeriod = 67;
inline constexpr int kCo2Fails = 72;
inline constexpr int kCpuVolt = 73;
inline constexpr int kAdcFails = 76;
}  // namespace room_c_word

inline constexpr RecordLayout kRoomUnitLayout{
    .words = 190, .ram_last = 189, .eeprom_last = 176, .read_flush = false, .shows_time = false};
inline constexpr RecordLayout kRoomUnitCLayout{
    .words = 78, .ram_last = 77, .eeprom_last = 77, .read_flush = false, .shows_time = true};

// The device clock as the record holds it: BCD bytes 170..176.
struct RoomClock {
  int year = 2000;  // 2000 + the BCD year byte
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 1;  // 1 = Monday .. 7 = Sunday
};

uint8_t ToBcd(int value);  // 0..99
int FromBcd(uint8_t bcd);
// Day of the week of a proleptic Gregorian date, 1 = Monday .. 7 = Sunday.
int IsoWeekday(int year, int month, int day);
// The clock as the dialog shows it: a month outside 1..12 or a day outside 1..31 reads as 1.
RoomClock ReadRoomClock(std::span<const uint16_t> record);
// The clock one second later; the date does not move (the device counts its days itself).
RoomClock NextSecond(RoomClock clock);
// Writes seconds, minutes, hours, day, month and year back; the weekday byte only when asked.
void WriteRoomClock(std::span<uint16_t> record, const RoomClock& clock, bool weekday);
// Whether a Modbus ID names a unit with CO2 sensor (true), one without (false), or neither.
std::optional<bool> RoomUnitHasCo2(uint16_t modbus_id);

class CRoomUnitDlg : public DeviceDialog {
 public:
  static constexpr int kClockTimer = 17;
  static constexpr int kClockMs = 1000;

  CRoomUnitDlg(const DeviceDialogContext& context, DeviceServices services);

  bool co2_shown() const { return co2_shown_; }

 protected:
  void InitDevice() override;
  void StartDevice() override;
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
  void OnDeviceTimer(int id) override;
  void OnCommand(int id) override;

 private:
  void ShowCo2Group(bool shown);
  void Tick();
  void Synchronize();
  // Step 1 of collecting; false stops the collect.
  // The typed correction in hundredths, within the record's limits; nullopt with the message
  // in `problem` when it does not read or is out of range.
  std::optional<int16_t> TempCorrection(std::u16string_view* problem) const;
  bool CheckEntries() override;

  bool co2_shown_ = false;
};

class CRoomUnitCDlg : public DeviceDialog {
 public:
  CRoomUnitCDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
};

// A LED period typed in whole seconds as the record's quarter-second byte, and back.
uint8_t LedPeriodByte(std::u16string_view text);
int LedPeriodSeconds(uint8_t quarters);

}  // namespace corvane::devices
