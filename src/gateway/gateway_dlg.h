// The configuration windows of the gateways: CGatewayV400Dlg for firmware 4.00 and later and
// CGatewayDlg for older firmware. Both show and edit the gateway's whole register image (its 78 or
// 50 paired and 200 unidirectional devices, the Modbus line, radio, clock and key), read it from
// the gateway and write it back to RAM or EEPROM, keep it in the project and open the paired
// devices' own windows through the gateway. The 4.00 window also polls the gateway's FIFOs into
// their views and sends transmit requests.
//
// One logic serves both (GatewayDialog): the layout of the register map (GatewayMap) gives the
// register numbers, and the few things the older firmware does differently (its read and write
// ranges, the version checks, the list columns) are decided by the layout.
//
// The read/write cycle is the one every device window runs (RegisterCycle), with the gateway's
// version-dependent ranges, its progress bar and the EEPROM store after the RAM write; what the
// gateway and fan-coil windows share beyond it is in gw_window_parts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "access/device_access.h"
#include "access/dialog_slots.h"
#include "access/register_cycle.h"
#include "app/project_devices.h"
#include "devices/device_dialog.h"
#include "gateway/fifo_views.h"
#include "gateway/gateway_template.h"
#include "model/gateway_image.h"
#include "ui/dialog.h"

namespace corvane {

// The texts of one row of the bidirectional list (entry i) and of the unidirectional list.
std::array<std::u16string, 12> GwDeviceRow(const GatewayImage& image, int i);
// In the older layout the list has no "FIFO" column (the seventh text is empty), shows the
// whole register values (bit 15 has no meaning there) and an empty time for a device never heard.
std::array<std::u16string, 7> GwUniRow(const GatewayImage& image, int i);

// Hexadecimal text to bytes: digits are paired (first digit high nibble), a "0" followed by "x"
// or "X" and every other character are skipped, a lone last digit is dropped; at most
// `max_bytes`.
std::vector<uint8_t> ParseHexBytes(std::u16string_view text, size_t max_bytes);

// The power texts of RF power codes 0..6.
inline constexpr std::array<std::u16string_view, 7> kGwRfPowerNames = {
    u"+27 dBm", u"+20 dBm", u"+14 dBm", u"+10 dBm", u"0 dBm", u"-10 dBm", u"-20 dBm"};

class CGWUniMonitor;

class GatewayDialog : public ui::Dialog, public DeviceDialogPort {
 public:
  static constexpr int kPendingBits = 64000;
  static constexpr int kKeepAliveTimer = 1;
  static constexpr int kKeepAliveMs = 5000;
  static constexpr int kRssiTimer = 2;
  static constexpr int kRssiMs = 2000;
  static constexpr int kTimeoutTimer = 15;
  static constexpr int kTimeoutMs = 5000;
  static constexpr int kUniFifoTimer = 33;
  static constexpr int kWmbusFifoTimer = 34;
  static constexpr int kUniFifo2Timer = 35;
  static constexpr int kFifoPollMs = 1000;
  static constexpr int kClockTimer = 40;
  static constexpr int kClockMs = 1000;
  // The firmware update an older gateway's version asks for runs after the block that told it.
  static constexpr int kUnsupportedTimer = 41;
  // Register 2 read again while the EEPROM store is not confirmed yet.
  static constexpr int kConfirmPollTimer = 42;
  // Below this an older gateway's firmware is not supported.
  static constexpr uint16_t kMinimalOlderVersion = 307;
  // Frequency index whose channel allows the strongest power code.
  static constexpr int kFullPowerFrequency = 3;

  ~GatewayDialog() override;

  // DeviceDialogPort: the register fan-out.
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override;
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;
  void OnInRange() override { ApplyButtonVisibility(); }
  // 0 means the gateway has not told its version yet: that is no version, not an older one.
  int RecordVersion() const override;
  void CloseForVersion(uint16_t version) override;
  void StopOperationTimer() override { KillTimer(kTimeoutTimer); }
  void RestartOperationTimer() override;

  RfAddress address() const { return address_; }
  RfAddress route() const { return route_; }
  const GatewayImage& image() const { return image_; }
  Pending pending() const { return cycle_.pending(); }
  const RegisterCycle& cycle() const { return cycle_; }
  ui::SourceState source() const { return Source(ui::kGwSource); }
  int pending_reads() const { return cycle_.read_direct().size(); }
  int pending_writes() const { return cycle_.write_direct().size(); }
  int rf_power_offset() const { return rf_power_offset_; }
  bool older() const { return older_; }
  CGWUniMonitor* uni_monitor() const { return uni_monitor_; }
  Cfifo* uni_fifo() const { return uni_fifo_.get(); }
  Cfifo2* uni_fifo2() const { return uni_fifo2_.get(); }
  CWmbusFifo* wmbus_fifo() const { return wmbus_fifo_.get(); }

 protected:
  // `opener` opens the paired devices' own dialogs (double-click on "Action"); `map` is the
  // layout of the gateway's register map.
  GatewayDialog(const ui::DialogTemplate& tpl, const GatewayMap& map,
                const DeviceDialogContext& context, devices::DeviceServices services,
                DeviceOpener& opener);

  static RegisterCycle::Target CycleTarget(RequestQueues& queues,
                                           const DeviceDialogContext& context);

  void OnInit() override;
  void OnCommand(int id) override;
  void OnSelChange(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnTimer(int id) override;
  // Escape and the close box: gather, keep a changed image in the project, close.
  void OnCancel() override;
  // Enter while typing a value must not close the window and drop what was typed.
  void OnOk() override {}

 private:
  // Applies a block; `local` for words the dialog feeds itself (project, Default, Import):
  // they complete no operation, are not "Last Comm" and serve no FIFO view.
  void Apply(int first, int count, const uint16_t* words, bool local, bool from_cache = false);
  void CheckVersion(bool from_cache);
  // Settings whose registers the firmware lacks are disabled, with the reason as their hint.
  void EnableForVersion();
  // False (after saying which field and its range) when a typed number cannot be stored.
  bool CheckEntries();
  void UnsupportedVersion();
  void ApplyWhole(bool local);
  void RefreshFields(int s, int e);
  void RefreshDeviceRows(int s, int e);
  void RefreshUniRows(int s, int e);
  void RefreshAllRows();
  void ServeFifos(int s, int e);

  void Gather();
  void StoreIntoProject();
  // The gathered image against the project's, but for the clock the window runs.
  bool SameAsProject() const;
  std::span<uint16_t> ProjectBlob();

  void Read();
  void Write(bool eeprom);
  void QueueRead(int first, int count, bool flush);
  void QueueWrite(int first, int count, bool flush);

  void ApplyButtonVisibility();
  std::vector<HeardEntry> HeardList() const;

  void SetRfPowerOffset(int offset);
  int OffsetForFrequency(int frequency_index) const;

  void ClockTick();
  void Synchronize();
  void Output(uint16_t bit);
  void Transmit();
  void OpenUniFifo();
  void OpenWmbusFifo();
  void OpenUniFifo2();
  void EditDevice(int row);
  void EditUniDevice(int row);
  void PlaceCacheAndCheck(bool compress);
  // No Read or Write in progress (nothing of the window's own is queued).
  bool Idle() const;
  // Asks before "Default" empties device tables that hold devices; true to go ahead.
  bool ConfirmDefault();
  void CheckCollision();
  void Import();
  void FirmwareUpdate();
  void OpenUniMonitor();

  devices::DeviceServices services_;
  DeviceOpener& opener_;
  Project& project_;
  int entry_;
  RfAddress address_;
  RfAddress route_;
  bool older_;
  GatewayImage image_;
  RegisterCycle cycle_;
  int rf_power_offset_ = -1;  // not filled yet
  bool closed_for_version_ = false;
  bool unsupported_shown_ = false;
  CGWUniMonitor* uni_monitor_ = nullptr;  // while it runs

  std::unique_ptr<Cfifo> uni_fifo_;
  std::unique_ptr<Cfifo2> uni_fifo2_;
  std::unique_ptr<CWmbusFifo> wmbus_fifo_;
  FifoHeadRequest log_entry_;
  std::vector<GwFifo2Entry> fifo2_listed_;  // the UNI FIFO2 table as the last poll had it
  WmbusFifoReader wmbus_reader_;
};

// Firmware 4.00 and later (template 175).
class CGatewayV400Dlg final : public GatewayDialog {
 public:
  CGatewayV400Dlg(const DeviceDialogContext& context, devices::DeviceServices services,
                  DeviceOpener& opener);
};

// Firmware before 4.00 (template 148).
class CGatewayDlg final : public GatewayDialog {
 public:
  CGatewayDlg(const DeviceDialogContext& context, devices::DeviceServices services,
              DeviceOpener& opener);
};

}  // namespace corvane
