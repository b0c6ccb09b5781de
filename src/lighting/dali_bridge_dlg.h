// The lighting-bus bridge dialog, CDaliBridgeDlg, for Luxbrig-A (0x006), Luxbrig-B (0x004) and
// bridges on the Modbus side of a gateway. The bridge executes DALI commands written into its
// registers and turns the button frames of up to sixteen control devices into DALI commands.
//
// The dialog follows the device dialog pattern with the bridge's own rules: its 490-register
// record is read and written with plain register numbers also through a routing device, the
// EEPROM store is a RAM write followed by a store request on register 2 that is read back
// until the bridge reports it stored, and closing asks before changed settings replace the
// project's.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "devices/device_dialog.h"

namespace corvane::lighting {

namespace dali_word {
inline constexpr int kModbusId = 27;
inline constexpr int kUptime = 28;
inline constexpr int kBackgroundRssi = 30;  // low byte
inline constexpr int kProgramming = 31;     // high byte non-zero
inline constexpr int kInfo = 48;            // 48..49, four bytes
inline constexpr int kSystem = 50;          // low: system mode, high: advance of the rising edge
inline constexpr int kActualValue = 51;
inline constexpr int kResponse = 52;   // 52..53
inline constexpr int kCommand = 54;    // 54..55, executed when written
inline constexpr int kTrigger = 56;    // 56..57
inline constexpr int kGetActual = 58;  // 58..59
inline constexpr int kRssiFirst = 60;  // bytes 120..135, one per control device
inline constexpr int kDevicesFirst = 68;
inline constexpr int kDeviceWords = 26;  // 13 words of 32 bits
inline constexpr int kDevicesLast = 483;
inline constexpr int kRisingEdge = 484;
inline constexpr int kFallingEdge = 485;
inline constexpr int kGatewayAddress = 486;  // 486..487
}  // namespace dali_word

inline constexpr int kDaliBridgeWords = 490;
inline constexpr int kDaliControlDevices = 16;
inline constexpr devices::RecordLayout kDaliBridgeLayout{.words = kDaliBridgeWords,
                                                         .ram_last = dali_word::kDevicesLast,
                                                         .eeprom_last = dali_word::kDevicesLast,
                                                         .read_flush = true,
                                                         .shows_time = true};
// Firmware before 3.00 has no registers from 484 on.
inline constexpr uint16_t kDaliEdgeFirmware = 300;

// The three commands of a control-device button.
enum class ButtonCommand { kOn = 0, kOff = 1, kLongPress = 2 };

uint32_t RecordWord32(std::span<const uint16_t> record, int word);
void SetRecordWord32(std::span<uint16_t> record, int word, uint32_t value);
// Control device k (0..15): its address, and the command word of button b (0..3).
int ControlDeviceWord(int k);
int ButtonCommandWord(int k, ButtonCommand command, int button);
RfAddress ControlDeviceAddress(std::span<const uint16_t> record, int k);

class CDaliBridgeDlg : public devices::DeviceDialog {
 public:
  static constexpr int kRssiTimer = 1;
  static constexpr int kRssiMs = 5000;
  // While the store is confirmed: the next read of register 2.
  static constexpr int kConfirmTimer = 2;

  CDaliBridgeDlg(const DeviceDialogContext& context, devices::DeviceServices services);

  // The bridge is mains powered: no wait for its activation stops the time-out.
  void RestartOperationTimer() override {}

 protected:
  void InitDevice() override;
  void RefreshDevice(int first, int count) override;
  void CollectDevice() override;
  // The priorities of the two stored command rows fit their two bits.
  bool CheckEntries() override;
  std::vector<uint16_t> DefaultRecord() const override;
  void OnDeviceTimer(int id) override;
  std::span<const devices::FieldBinding> HeaderFields() const override;
  void ConfigureCycle(RegisterCycle::Target& target) const override;
  std::vector<RegisterRange> WriteRanges(bool eeprom) const override;
  int WriteTimeoutMs(bool eeprom) const override;
  devices::CloseRule Closing() const override {
    return devices::CloseRule::kAskWhenDiffersCopyLive;
  }
  uint16_t SettingMask(int word) const override;
  std::u16string_view OverwriteQuestion() const override;
  void Read() override;
  void ApplyButtonVisibility() override;
  void OnCommand(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnCancel() override;

 private:
  void ShowCommandRow(int row);
  void RebuildList();
  void ShowRssi(int k);
  void ShowEdges();
  // Writes one command word into registers 54..55 for the bridge to execute.
  void SendCommand(uint32_t word);
  void WriteCommandRow();
  void ReadMemory();
  void OpenEditor(int row);
  void OpenControlDevice(int k);
  bool modbus_id_shown_ = false;
  bool polling_ = false;
};

}  // namespace corvane::lighting
