// The four-input node dialogs: CInputNodeDlg for Quadrel-A (0x003), Quadrel-X (0x00B) and
// Klavet (0x00E), CInputNodeBDlg for Quadrel-B (0x014). Both follow the device dialog pattern
// with a 59-word record; what is theirs is the button configuration byte, the indicator squares
// and, for Quadrel-B, the RSSI fields.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "devices/device_dialog.h"

namespace corvane::devices {

// Words of the input-node record beyond the common header.
namespace input_word {
inline constexpr int kUptime = 28;
inline constexpr int kBackgroundRssi = 30;
inline constexpr int kBattery = 31;
inline constexpr int kIndicationAB = 50;  // low byte A, high byte B
inline constexpr int kIndicationCD = 51;  // low byte C, high byte D
inline constexpr int kLongpress = 52;     // low byte time, high byte repeat, 250 ms units
inline constexpr int kButtons = 53;       // low byte configuration, high byte minimal press code
inline constexpr int kTemperature = 54;
inline constexpr int kTemperatureCorr = 55;
inline constexpr int kTemperatureThreshold = 56;
inline constexpr int kStatus = 57;
inline constexpr int kLock = 58;
}  // namespace input_word

inline constexpr RecordLayout kInputNodeLayout{
    .words = 59, .ram_last = 58, .eeprom_last = 58, .read_flush = true};

inline constexpr uint32_t kSquareWhite = 0xFFFFFF;
inline constexpr uint32_t kSquareYellow = 0xFFFF00;
inline constexpr uint32_t kSquareGreen = 0x00FF00;
inline constexpr uint32_t kSquareRed = 0xFF0000;

// The button configuration byte a type writes from its check boxes (bits 0..3 one-button
// control of inputs 1..4; bits 4..7 switch mode of inputs 1..4, or one-button control of inputs
// 5 and 6 on the six-input type).
uint8_t AssembleButtonByte(uint16_t type, const std::array<bool, 6>& one_button,
                           const std::array<bool, 4>& switch_mode);

// What both input-node dialogs share: the squares and the button configuration.
class InputNodeBase : public DeviceDialog {
 public:
  static constexpr int kSquareTimerFirst = 21;  // one one-shot timer per square
  static constexpr int kSquareClearMs = 1000;

 protected:
  InputNodeBase(const ui::DialogTemplate& tpl, const DeviceDialogContext& context,
                DeviceServices services, std::span<const FieldBinding> fields, int inputs);

  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  void OnDeviceTimer(int id) override;
  std::vector<uint16_t> BuildDefault(uint16_t model, uint16_t device_id,
                                     std::u16string_view name) const;

 private:
  void ApplyIndications();
  void Paint(int input, uint32_t rgb, bool clear_later);

  int inputs_;
};

class CInputNodeDlg : public InputNodeBase {
 public:
  CInputNodeDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void InitDevice() override;
  std::vector<uint16_t> DefaultRecord() const override;
};

class CInputNodeBDlg : public InputNodeBase {
 public:
  static constexpr int kRssiTimer = 16;
  static constexpr int kRssiMs = 2000;

  CInputNodeBDlg(const DeviceDialogContext& context, DeviceServices services);

 protected:
  void StartDevice() override;
  void OnDeviceTimer(int id) override;
  std::vector<uint16_t> DefaultRecord() const override;

 private:
  void ShowRssi();
};

}  // namespace corvane::devices
