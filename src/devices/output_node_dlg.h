// The output-node dialog, COutputNodeDlg, for Duplon-B (0x005), Duplon-A (0x007) and Portalis
// (0x017), and its three control-link dialogs. The node switches its outputs on the frames of
// up to sixteen control devices that it hears directly; each control device's entry in the
// record says, per button or function, what its ON, OFF and long-press reports do to which
// output.
//
// The dialog follows the device dialog pattern with its own rules: reads are never refused and
// leave the pending operation at read, writes use ranges by firmware version and the plain
// register numbers also through a router, acknowledgements complete both write sets, and
// closing asks before the record replaces the project's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "devices/device_dialog.h"

namespace corvane::devices {

namespace output_word {
inline constexpr int kUptime = 28;
inline constexpr int kBackgroundRssi = 30;  // low byte
inline constexpr int kOutputState = 31;     // high byte
inline constexpr int kCacheable = 32;
inline constexpr int kRssiFirst = 50;  // bytes 100..115, one per control device
inline constexpr int kSystemMode = 59;
inline constexpr int kDevicesFirst = 60;  // 16 entries of 4 words
inline constexpr int kEntryWords = 4;
inline constexpr int kOutput1 = 124;
inline constexpr int kOutput2 = 125;
inline constexpr int kTemperature = 125;  // one-output type
inline constexpr int kPressTimes = 126;   // low: long press timeout, high: maximal on time
inline constexpr int kCommand = 127;      // low: super long press time, high: output command
inline constexpr int kPushPull = 128;     // 64 bits
inline constexpr int kHysteresis = 132;
inline constexpr int kThresholdOn = 133;
inline constexpr int kThresholdOff = 134;
inline constexpr int kRhOn = 135;
inline constexpr int kRhOff = 136;
inline constexpr int kLiveFirst = 138;  // 6 words each for control devices 1 and 2
inline constexpr int kExtInput = 152;
inline constexpr int kCounter = 153;
inline constexpr int kBlockTimer = 154;
inline constexpr int kBlockTime = 155;
inline constexpr int kBlockOptions = 156;
inline constexpr int kWord157 = 157;  // PWM duty, or the one-output type's timeout behaviour
}  // namespace output_word

inline constexpr int kControlDevices = 16;
inline constexpr RecordLayout kOutputNodeLayout{
    .words = 158, .ram_last = 157, .eeprom_last = 157, .read_flush = true, .shows_time = false};

// Output modes (bits 12..14 of an output word).
enum OutputMode : int {
  kModeDisabled = 0,
  kModeOnOff = 1,
  kModeChangeState = 2,
  kModeImpulse = 3,
  kModeProlonged = 4,
  kModeJalousie = 5,
  kModePwm = 6,
};

// The output command bits of the command byte.
inline constexpr uint8_t kCommandOn1 = 0x01;
inline constexpr uint8_t kCommandOff1 = 0x02;
inline constexpr uint8_t kCommandLongPress1 = 0x04;
inline constexpr uint8_t kCommandOn2 = 0x08;
inline constexpr uint8_t kCommandOff2 = 0x10;
inline constexpr uint8_t kCommandLongPress2 = 0x20;

// Link byte of one row: bits 0..1 on ON, 2..3 on OFF, 4..5 on long press (0 disabled, 1 on,
// 2 off, 3 long press), bit 6 output 1, bit 7 output 2.
struct LinkRow {
  int on = 0;
  int off = 0;
  int long_press = 0;
  bool o1 = false;
  bool o2 = false;
};
LinkRow DecodeLink(uint8_t byte);
uint8_t EncodeLink(const LinkRow& row);

// One control device's entry of the record.
RfAddress EntryAddress(std::span<const uint16_t> record, int k);
void SetEntryAddress(std::span<uint16_t> record, int k, RfAddress address);
uint8_t EntryLink(std::span<const uint16_t> record, int k, int row);
void SetEntryLink(std::span<uint16_t> record, int k, int row, uint8_t byte);
bool PushPull(std::span<const uint16_t> record, int k, int row);
void SetPushPull(std::span<uint16_t> record, int k, int row, bool on);

// The text of the one-output type's temperature word: the sensor's error codes or "%.2f°C".
std::u16string TemperatureText(int16_t value);

// Jalousie times: a decimal number of seconds, rounded to the tenth, 0..63 tenths; nullopt
// when the text holds no number.
std::optional<int> ScanJalousieTenths(std::u16string_view text);
// PWM periods in tenths of a second: an empty or zero entry is the shortest period; nullopt
// for what the 12-bit parameter cannot hold (negative, or above 409.5 s).
std::optional<int> ScanPwmTenths(std::u16string_view text);
inline constexpr int kPwmMaxTenths = 4095;

// The link dialogs, modal above the node dialog, editing control device k of its record.
class OutputLinkDialog : public ui::Dialog {
 public:
  enum class Kind { kInput, kRoom, kSensor };
  // The link dialog for a control device of `type`.
  static Kind KindFor(uint16_t type);

  OutputLinkDialog(Kind kind, ui::Host& host, std::span<uint16_t> record, int k,
                   const Project& project, RfAddress node, bool one_output,
                   std::function<void(RfAddress, std::span<const uint8_t>)> send);

  Kind kind() const { return kind_; }
  // The sequence number of the last test press (0 before the first).
  int sequence() const { return sequence_; }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnOk() override;

 private:
  bool HasRow(int row) const;
  void ShowThresholdCaptions();
  void TestPress(int row);

  Kind kind_;
  std::span<uint16_t> record_;
  int k_;
  const Project& project_;
  RfAddress node_;
  bool one_output_;
  std::function<void(RfAddress, std::span<const uint8_t>)> send_;
  int sequence_ = 0;
};

class COutputNodeDlg : public DeviceDialog {
 public:
  static constexpr int kPollTimer = 1;
  static constexpr int kPollMs = 5000;
  static constexpr int kRssiTimer = 2;
  static constexpr int kRssiMs = 2000;

  COutputNodeDlg(const DeviceDialogContext& context, DeviceServices services);

  bool co2_mode() const { return co2_mode_; }
  bool one_output() const { return TypeOf(address()) == 0x017; }

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
  RecordLayout CurrentLayout() const override;
  std::span<const FieldBinding> HeaderFields() const override;
  bool FeedsStoredAsCache() const override { return true; }
  bool AcceptBlock(int first, int count, bool from_cache) override;
  void ConfigureCycle(RegisterCycle::Target& target) const override;
  int WriteTimeoutMs(bool eeprom) const override;
  std::u16string_view OverwriteQuestion() const override;
  CloseRule Closing() const override { return CloseRule::kAskWhenDiffers; }
  uint16_t SettingMask(int word) const override;
  bool CheckEntries() override;
  // Never refused: a node that did not answer can be asked again at once.
  void Read() override { StartRead(); }
  void ApplyButtonVisibility() override;
  void OnCommand(int id) override;
  void OnCheck(int id) override;
  void OnSelChange(int id) override;
  void OnDoubleClick(int id, int row, int column) override;

 private:
  void ShowOutput(int output);
  void ShowThresholds();
  void RebuildList();
  void ShowLiveData();
  void SendCommand(uint8_t bit);
  void SendPwm();
  void ShowRssi();
  void OpenLink(int k);
  bool polling_ = false;
  bool co2_mode_ = true;
};

}  // namespace corvane::devices
