// CFanCoilDlg: the configuration window of a fan-coil controller (template 170). It shows and
// edits the controller's register image: the Modbus line and radio, the regulator's configuration
// and PID constants, the manual control values (sent to the controller as soon as they are set),
// the regulator's inputs and outputs, the 8 paired devices the controller routes to Modbus, the
// clock and the wireless M-Bus FIFO. It reads the configuration block (registers 0-217), writes it
// to RAM or EEPROM, keeps the image in the project and opens the paired devices' own windows
// through the controller.
//
// Like the gateway window it keeps its own pending set and operation state: the image has 16676
// registers, more than the device dialogs' record handling holds.
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
#include "gateway/fan_coil_template.h"
#include "gateway/fifo_views.h"
#include "model/fan_coil_image.h"
#include "ui/dialog.h"

namespace corvane {

// The texts of row i of the paired-device list, in FcDeviceColumn order.
std::array<std::u16string, ui::kFcDeviceColumns> FcDeviceRow(const FanCoilImage& image, int i);

// The report section of the controller's paired devices: an uncached entry has no copy in the
// controller, so its device and GW register columns stay blank.
std::u16string FanCoilReportText(const FanCoilImage& image);

class CFanCoilDlg final : public ui::Dialog, public DeviceDialogPort {
 public:
  static constexpr uint16_t kMinimalVersion = 306;
  static constexpr int kKeepAliveTimer = 1;
  static constexpr int kKeepAliveMs = 5000;
  static constexpr int kRssiTimer = 2;
  static constexpr int kRssiMs = 2000;
  // Time-outs (timer 15): Write To RAM, the whole EEPROM sequence, one read (asked twice).
  static constexpr int kRamMs = 5000;
  static constexpr int kEepromMs = 2500;
  static constexpr int kReadMs = 2500;
  static constexpr int kWmbusFifoTimer = 34;
  static constexpr int kFifoPollMs = 1000;
  static constexpr int kClockTimer = 40;
  static constexpr int kClockMs = 1000;
  // Register 2 read again while the controller has not confirmed the EEPROM store yet.
  static constexpr int kConfirmPollTimer = 42;
  // The write of the configuration block.
  static constexpr int kWriteFirst = 3;
  static constexpr int kWriteCount = FanCoilImage::kConfigWords - kWriteFirst;  // 215

  CFanCoilDlg(const DeviceDialogContext& context, devices::DeviceServices services,
              DeviceOpener& opener);
  ~CFanCoilDlg() override;

  // DeviceDialogPort: the register fan-out.
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override;
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;
  void OnInRange() override { ApplyButtonVisibility(); }

  RfAddress address() const { return address_; }
  RfAddress route() const { return route_; }
  const FanCoilImage& image() const { return image_; }
  Pending pending() const { return cycle_.pending(); }
  ui::SourceState source() const { return Source(ui::kFcSource); }
  int pending_reads() const { return cycle_.read_direct().size(); }
  CWmbusFifo* wmbus_fifo() const { return wmbus_fifo_.get(); }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnCheck(int id) override;
  void OnSelChange(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnTimer(int id) override;
  // Escape and the close box: a changed image is offered for saving.
  void OnCancel() override;
  // Enter while typing a value must not close the window and drop what was typed.
  void OnOk() override {}

 private:
  // Applies a block; `local` for words the dialog feeds itself (project, Default, Import): they
  // complete no read and no EEPROM store and serve no FIFO view.
  void Apply(int first, int count, const uint16_t* words, bool from_cache, bool local);
  void ApplyWhole(const FanCoilImage& image, bool from_cache);
  void RefreshFields(int s, int e);
  void RefreshRows();
  void ApplyEnableRules();
  void ServeWmbusFifo(int s, int e);
  void CloseForOldFirmware();

  void Gather();
  void StoreIntoProject();
  std::span<uint16_t> ProjectBlob();
  bool SameAsProject() const;

  static RegisterCycle::Target CycleTarget(RequestQueues& queues,
                                           const DeviceDialogContext& context);
  void Read();
  void Write(bool eeprom);
  void QueueRead(int first, int count, bool flush);
  void QueueWrite(int first, int count, bool flush);
  void SendWord(int reg);
  void SendOutput(int edit, bool high);

  void ApplyButtonVisibility();
  std::vector<HeardEntry> HeardList() const;

  // Shows the device clock as the image holds it (impossible values corrected) and returns it.
  GwClock ShowClock();
  void ShowRadioLevels();
  void ClockTick();
  void Synchronize();
  void OpenWmbusFifo();
  void EditDevice(int row);
  void PlaceCacheAndCheck(bool compress);
  void Import();
  void FirmwareUpdate();

  devices::DeviceServices services_;
  DeviceOpener& opener_;
  Project& project_;
  int entry_;
  RfAddress address_;
  RfAddress route_;
  FanCoilImage image_;
  RegisterCycle cycle_;
  bool closed_for_version_ = false;
  std::unique_ptr<CWmbusFifo> wmbus_fifo_;
  WmbusFifoReader wmbus_reader_;
};

}  // namespace corvane
