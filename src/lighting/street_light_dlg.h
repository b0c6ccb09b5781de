// The street-light node's configuration dialog, CStreetLightDlg, for Stralux-C (0x009): two
// light outputs on an astronomical schedule, PIR presence, an accelerometer, a clock, a DALI
// interface to its ballasts, two control devices and up to 50 devices it routes for.
//
// It follows the device dialog pattern with the street light's own rules: register numbers as
// they are, also through a routing device (the node keeps no cached copy of itself); several
// ranges read and written in one operation with a progress bar; the EEPROM store as a RAM write,
// then the store request on register 2 alone and a read back of the stored bit; and closing
// asks before changed settings replace the project's. The shared cycle (RegisterCycle) runs the
// operations; the window names its ranges, its EEPROM step and its progress bar.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "access/device_access.h"
#include "devices/device_dialog.h"
#include "lighting/street_light_clock.h"

namespace corvane::lighting {

namespace sl_word {
inline constexpr int kEepromWrites = 27;
inline constexpr int kUptime = 28;
inline constexpr int kBackgroundRssi = 30;
inline constexpr int kPrg = 31;
inline constexpr int kSystemMode = 50;
inline constexpr int kCpuTemp = 51;
inline constexpr int kGwAddress = 52;
inline constexpr int kReadPeriod = 54;  // low: minutes; high: two ballasts
inline constexpr int kCommand = 55;
inline constexpr int kRefFirst = 56;
inline constexpr int kActFirst = 59;
inline constexpr int kAngle = 62;
inline constexpr int kClock = 64;  // 64..67: year - 2000, month, day, hour, minute, second, set
inline constexpr int kCalibration = 69;
inline constexpr int kLevel1 = 70;
inline constexpr int kLevel2 = 71;
inline constexpr int kStep = 72;  // low: step; high: minimum intensity
inline constexpr int kResponse = 74;
inline constexpr int kDaliCommand = 76;
inline constexpr int kDaliStatus = 78;
inline constexpr int kDaliBallast = 79;
inline constexpr int kLongitude = 96;
inline constexpr int kLatitude = 98;
inline constexpr int kTimeShift = 100;  // low: hours, signed; high: summer time
inline constexpr int kClockSource = 101;
inline constexpr int kSchedule = 102;  // 7 points of 2 words
inline constexpr int kSunrise = 116;
inline constexpr int kSunset = 117;
inline constexpr int kUnixTime = 118;
inline constexpr int kGwTimeout = 120;
inline constexpr int kDaliAddrOffset = 121;
inline constexpr int kRoutedFirst = 132;  // 50 entries of 4 words
inline constexpr int kRisingEdge = 332;
inline constexpr int kFallingEdge = 333;
inline constexpr int kControlStatus = 334;  // 2 entries of 6 words
inline constexpr int kRoutedStatus = 346;   // 50 entries of 6 words
inline constexpr int kGwSignal = 656;
inline constexpr int kPcSignal = 662;
inline constexpr int kClockReference = 852;  // 854..855: the node's time of the reference
inline constexpr int kFreeField = 856;
inline constexpr int kPirDistribute = 888;
inline constexpr int kPirUse = 904;
inline constexpr int kPirLevels = 905;
inline constexpr int kPirDelay = 906;
inline constexpr int kPirFades = 907;
inline constexpr int kExternalPir = 908;
inline constexpr int kWord909 = 909;
inline constexpr int kPirStates = 910;
inline constexpr int kPirState2 = 911;
inline constexpr int kPirActOrange = 912;
inline constexpr int kAmbientLight = 914;
inline constexpr int kPirTimeout = 915;
inline constexpr int kClean = 916;
inline constexpr int kDbg = 917;
inline constexpr int kBankError = 918;
inline constexpr int kBankOk = 919;
}  // namespace sl_word

inline constexpr int kStreetLightWords = 920;
inline constexpr int kRoutedDevices = 50;
inline constexpr int kSchedulePoints = 7;
// Command register bits the node reports.
inline constexpr uint16_t kShortAddressOk = 0x0100;
inline constexpr uint16_t kShortAddressError = 0x0200;
inline constexpr uint16_t kBallastDataReady = 0x0400;
// The oldest firmware with ballast telemetry and astronomical dimming.
inline constexpr int kMinimalFirmware = 333;

inline constexpr RegisterRange kReadRanges[] = {{0, 664}, {856, 60}, {917, 3}};
inline constexpr RegisterRange kRamRanges[] = {{8, 324}, {856, 53}};

// One schedule point: time in minutes after midnight (bits 0..11 of its first word), the fade
// bits of the two outputs and their levels.
struct SchedulePoint {
  int minutes = 0;
  bool fade_white = false;
  bool fade_red = false;
  int white = 0;
  int red = 0;
  bool operator==(const SchedulePoint&) const = default;
};
SchedulePoint DecodePoint(uint16_t first, uint16_t second);
std::array<uint16_t, 2> EncodePoint(const SchedulePoint& point);

// An astronomical preset: latitude and longitude in degrees, time shift in hours.
struct AstroPreset {
  std::u16string_view name;
  double latitude;
  double longitude;
  int time_shift;
};
inline constexpr AstroPreset kAstroPresets[] = {
    {u"Astrodim Off", 91.0, 0.0, 1},    {u"New York", 40.689068, -74.044540, -5},
    {u"Brno", 49.195060, 16.606837, 1}, {u"London", 51.501472, -0.141415, 0},
    {u"Paris", 48.858990, 2.293301, 1}, {u"Bratislava", 48.148598, 17.107748, 1},
    {u"Graz", 47.070714, 15.439504, 1},
};

// "0x%08X" when the text holds an "x" or "X" after its first character, else a decimal number.
std::optional<RfAddress> ParseGwAddress(std::u16string_view text);

class CStreetLightDlg : public devices::DeviceDialog {
 public:
  static constexpr int kPollTimer = 1;  // register 30 while the node is in radio contact
  static constexpr int kPollMs = 5000;
  static constexpr int kClockSourceTimer = 20;
  static constexpr int kClockSourceMs = 5150;
  static constexpr int kClockTimer = 40;
  static constexpr int kClockMs = 1000;
  static constexpr int kMemoryTimer = 61;
  static constexpr int kMemoryAfterWriteMs = 2000;
  static constexpr int kMemoryAfterResponseMs = 1000;

  CStreetLightDlg(const DeviceDialogContext& context, devices::DeviceServices services,
                  DeviceOpener& opener);
  ~CStreetLightDlg() override;

  bool collecting_memory() const { return memory_next_ >= 0; }
  bool report_armed() const { return report_armed_; }
  bool log_open() const { return log_.is_open(); }
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;
  // The node is mains powered: no wait for activation stops its time-out.
  void RestartOperationTimer() override {}

 protected:
  void InitDevice() override;
  void StartDevice() override;
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
  void OnDeviceTimer(int id) override;
  std::span<const devices::FieldBinding> HeaderFields() const override;
  void ConfigureCycle(RegisterCycle::Target& target) const override;
  std::vector<RegisterRange> ReadRanges() const override;
  std::vector<RegisterRange> WriteRanges(bool eeprom) const override;
  int WriteTimeoutMs(bool eeprom) const override;
  devices::CloseRule Closing() const override {
    return devices::CloseRule::kAskWhenDiffersCopyLive;
  }
  uint16_t SettingMask(int word) const override;
  std::u16string_view OverwriteQuestion() const override;
  bool CheckEntries() override;
  void ApplyButtonVisibility() override;
  void OnCommand(int id) override;
  void OnCheck(int id) override;
  void OnSelChange(int id) override;
  void OnEditChange(int id) override;
  void OnKillFocus(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnOk() override;
  void OnCancel() override;

 private:
  void WriteWords(int first, int count);
  void ReadWords(int first, int count);

  void ShowLevel(int output);
  void SetLevel(int output, int level);
  void SendDaliCommand();
  void OpenDaliEditor();
  void ReadMemory();
  void TakeResponse();
  void SetClockFromPickers();
  void UsePcTime();
  void ShowClock();
  void TickClock();
  void ApplyPreset(int index);
  void ShowPosition();
  void ShowSchedule(int first, int count);
  void ShowPir();
  void ShowCommandWord();
  void ShowDrift();
  void ShowClockSource();
  void RebuildControlList();
  void RebuildRoutedList();
  void OpenControlDevice(int k);
  void OpenRoutedDevice(int row, int column);
  void ShowBallastReport(int first, int count);
  void CheckFirmware();
  // The gather of the fields that have no binding, in the node's order; false when a field
  // stopped it.
  bool GatherLatitudeLongitude();

  DeviceOpener& opener_;
  // The memory read: the next grid edit (-1 = not collecting).
  int memory_next_ = -1;
  bool report_armed_ = false;
  // "Read Ballast Now" was pressed and the node has not yet said its data are ready.
  bool ballast_requested_ = false;
  // "Give Dali Addr" was pressed and the node has not yet said how it went.
  bool addresses_requested_ = false;
  bool firmware_reported_ = false;
  bool polling_ = false;
  // Set while the user edits the date or time picker: the running clock leaves them alone.
  bool time_held_ = false;
  // Set while the default record is fed: it counts as the node's own answer.
  bool feeding_default_ = false;
  // A light level typed but not yet sent.
  std::array<bool, 2> level_dirty_{};
  ClockSourceLog log_;
};

}  // namespace corvane::lighting
