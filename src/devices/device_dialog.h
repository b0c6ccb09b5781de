// DeviceDialog: the life cycle every device configuration dialog shares. The dialog holds a copy
// of the device's record, shows it through its field bindings, reads it from the device, writes
// it to RAM or EEPROM, keeps it in the project and moves it through register text files. The
// data-source indicator tells where the data on screen came from.
//
// A device dialog derives from it, passes its template, record layout and field table, and
// overrides the hooks for what its device makes special.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "access/device_access.h"
#include "access/dialog_slots.h"
#include "access/register_cycle.h"
#include "access/request_queues.h"
#include "app/heard_frames.h"
#include "devices/device_controls.h"
#include "devices/field_binding.h"
#include "link/dongle_link.h"
#include "ui/dialog.h"

namespace corvane::devices {

// What the device dialogs use of the main window. The functions are optional: an empty one
// makes its button do nothing.
struct DeviceServices {
  RequestQueues& queues;
  DeviceLog& log;
  HeardFrames& heard;
  DongleLink& dongle;
  // Runs the firmware update of `address` (reached through `route`, 0 = direct) modally above
  // `owner`.
  std::function<void(ui::Dialog& owner, RfAddress address, RfAddress route)> firmware_update;
  // Writes `words` to a register text file; the user picks the file, `proposed_name` is offered.
  // Shows its own messages; the words are not changed.
  std::function<void(ui::Dialog& owner, std::span<const uint16_t> words,
                     std::u16string_view proposed_name)>
      export_words;
  // Loads a register text file into `words` (registers it does not name keep their values) and
  // returns the number of registers taken; 0 or less when nothing was loaded.
  std::function<int(ui::Dialog& owner, std::span<uint16_t> words)> import_words;
  // Sends one message to `address`, through `route` when it is not 0 (the test presses imitate
  // a control device).
  std::function<void(RfAddress route, RfAddress address, std::span<const uint8_t> message)>
      send_message;
};

// How a dialog class reads and writes its record.
struct RecordLayout {
  int words = 0;        // N
  int ram_last = 0;     // Write To RAM: words 8..ram_last
  int eeprom_last = 0;  // Write to EEPROM: words 2..eeprom_last
  bool read_flush = true;
  // Whether the template has the field for the local time of the last reception.
  bool shows_time = true;
};

using ::corvane::EepromStep;
using ::corvane::Pending;
using ::corvane::RegisterRange;
using ::corvane::RegisterSet;

// What closing the window does with the record.
enum class CloseRule : uint8_t {
  // Shown from the device: kept in the project at once; otherwise a question when the user
  // changed a setting since the window showed it.
  kSaveInDevice,
  // A question whenever a setting differs from the project's record.
  kAskWhenDiffers,
  // The same, and what is not a setting (live values, counters) goes to the project silently.
  kAskWhenDiffersCopyLive,
};

// The header fields every device record shares: Modbus ID, FW ID, Device ID, HW num, Name,
// Password, Frequency and RF power.
std::span<const FieldBinding> CommonHeaderFields();
// The header of the nodes that show the name byte by byte like the password and keep the RF
// power list position itself in the high byte of word 26 (output node, lighting-bus bridge,
// street light); with or without the model code of word 0.
std::span<const FieldBinding> ByteNameHeaderFields(bool with_model_code);
// The start of a default record of the nodes with the common header: zeros, the identity words
// kept (model code, firmware and device ID each with the type's fixed value when 0, hardware
// number, words 16..17), `name` as device text, the default network password, frequency index 0
// and RF power code 2.
std::vector<uint16_t> DefaultRecordBase(std::span<const uint16_t> current, uint16_t model,
                                        uint16_t device_id, std::u16string_view name);
// The same for the nodes that keep their name byte by byte: the name as 8-bit characters, and
// the hardware number replaced by `hw_fallback` when it is 0 (0: kept as it is).
std::vector<uint16_t> ByteNameDefaultRecordBase(std::span<const uint16_t> current, uint16_t model,
                                                uint16_t device_id, uint16_t hw_fallback,
                                                std::u16string_view name);
// The RF power list of the output node and the lighting-bus bridge.
inline constexpr std::u16string_view kPlainRfPowerNames[] = {
    u"+20dBm", u"+15 dBm", u"+10 dBm", u"+5dBm", u"0 dBm", u"-5dBm", u"-10dBm", u"-20dBm"};

class DeviceDialog : public ui::Dialog, public DeviceDialogPort {
 public:
  static constexpr int kTimeoutTimer = RegisterCycle::kTimeoutTimer;
  static constexpr int kTimeoutMs = RegisterCycle::kTimeoutMs;
  static constexpr uint16_t kCacheBase = 4000;
  static constexpr int kWordEepromControl = RegisterCycle::kWordEepromControl;
  static constexpr uint16_t kStoreRequest = RegisterCycle::kStoreRequest;
  static constexpr uint16_t kStored = RegisterCycle::kStored;
  // The words that say which device the record belongs to (model code, firmware version, device
  // ID, hardware number and two words not shown); Default and Import keep them.
  static constexpr int kIdentityWords[] = {0, 1, 5, 6, 16, 17};

  DeviceDialog(const ui::DialogTemplate& tpl, const DeviceDialogContext& context,
               DeviceServices services, RecordLayout layout, std::span<const FieldBinding> fields);

  // DeviceDialogPort.
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override;
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;
  void OnInRange() override { ApplyButtonVisibility(); }
  void StopOperationTimer() override { KillTimer(kTimeoutTimer); }
  void RestartOperationTimer() override;
  void OnTimer(int id) override;

  RfAddress address() const { return address_; }
  RfAddress route() const { return route_; }
  std::span<const uint16_t> record() const { return record_; }
  const RecordLayout& layout() const { return layout_; }
  ui::SourceState source() const { return Source(kDevSource); }
  Pending pending() const { return cycle_ ? cycle_->pending() : Pending::kNone; }
  // The read / write cycle (after the window opened).
  const RegisterCycle& cycle() const { return *cycle_; }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnCancel() override;
  // Enter while typing a value must not close the dialog.
  void OnOk() override {}

  // Hooks for the device classes.
  // Opening, before the project record is shown: layout by type and the like.
  virtual void InitDevice() {}
  // Opening, last step: periodic timers.
  virtual void StartDevice() {}
  // A block [first, first + count) was taken: fields that need code of their own. During the
  // call, local_block() tells whether the words came from the dialog itself (the project,
  // Import, Default) rather than from the device.
  virtual void RefreshDevice(int /*first*/, int /*count*/) {}
  // Collecting, after the bound fields.
  virtual void CollectDevice() {}
  // The type's default record, built from the current one.
  virtual std::vector<uint16_t> DefaultRecord() const = 0;
  // Timers other than the time-out.
  virtual void OnDeviceTimer(int /*id*/) {}
  // The ranges the writes use now; a device whose ranges depend on its firmware version (held
  // in the record) overrides this.
  virtual RecordLayout CurrentLayout() const { return layout_; }

  // Hooks for the device classes that deviate from the common life cycle.
  // The header fields (Modbus ID to RF power) as this type shows them.
  virtual std::span<const FieldBinding> HeaderFields() const { return CommonHeaderFields(); }
  // Whether the project's record and an imported one are taken as the gateway's cached copy
  // (which skips checks meant for answers of the device itself).
  virtual bool FeedsStoredAsCache() const { return false; }
  // Called with every block once the header fields show it; false ends the register-data
  // procedure there (no further fields, no completion).
  virtual bool AcceptBlock(int /*first*/, int /*count*/, bool /*from_cache*/) { return true; }
  // How the cycle reaches and books the device: routed register base, EEPROM step, progress
  // bar, whether the stored bit completes, whether a read keeps its pending operation.
  virtual void ConfigureCycle(RegisterCycle::Target& /*target*/) const {}
  // The ranges a Read asks for; the base reads the whole record.
  virtual std::vector<RegisterRange> ReadRanges() const;
  // The ranges a write sends: Write To RAM words 8..ram_last, Write to EEPROM 2..eeprom_last,
  // less the words that are not written back. A window that stores after a RAM write gives its
  // RAM ranges for both.
  virtual std::vector<RegisterRange> WriteRanges(bool eeprom) const;
  virtual int WriteTimeoutMs(bool /*eeprom*/) const { return kTimeoutMs; }
  // What closing does, and which bits of a word are a setting worth the question (0: a live
  // value, a counter, the clock or a command the window sends at once).
  virtual CloseRule Closing() const { return CloseRule::kSaveInDevice; }
  virtual uint16_t SettingMask(int /*word*/) const { return 0xFFFF; }
  virtual std::u16string_view OverwriteQuestion() const {
    return u"Data are from project or cache, write can replace data in device.\nStill want to "
           u"write?";
  }
  // Checks typed values that cannot be stored as they stand, before a write or a save; false,
  // after telling the user, stops the operation. The base checks the bound fields (a value
  // beyond what the field holds, no number where one is required); a window with checks of its
  // own runs these first.
  virtual bool CheckEntries();
  // Whether Write sends the word: measurements the device keeps itself are not written back.
  virtual bool WrittenBack(int /*word*/) const { return true; }

  std::span<uint16_t> mutable_record() { return record_; }
  // Whether the block being taken was fed by the dialog, not received from the device.
  bool local_block() const { return local_block_; }
  // Takes registers the device does not have out of every pending read and write, so that the
  // operation completes without them.
  void RemoveFromAllPending(int first, int count) { cycle_->Drop(first, count); }
  RegisterCycle& mutable_cycle() { return *cycle_; }
  DeviceServices& services() { return services_; }
  // Sends messages the way the device is reached: its own through the route.
  std::function<void(RfAddress address, std::span<const uint8_t> message)> PressSender();

  // Controls into the record: the bound fields, then the device's own.
  void Collect();
  // Read, ignored while a read or write runs; StartRead without that gate.
  virtual void Read();
  void StartRead();
  // Write To RAM or Write to EEPROM; false when it did not start (refused, declined, a check
  // failed).
  virtual bool Write(bool eeprom);
  virtual void ApplyButtonVisibility();
  bool InHeardList(RfAddress address) const;
  void SaveToProject();
  // The collected record against what the window showed from the project (or last saved into
  // it): whether the user changed a setting.
  bool UnchangedSinceShown() const;
  // Whether a setting of the collected record differs from the project's record.
  bool DiffersFromProject() const;
  // The close question and what it keeps; false when the user chose to stay.
  bool AskOnClose();
  Project& project() const { return project_; }
  int entry() const { return entry_; }
  // Runs the register-data procedure on `words` as if they had arrived from the device.
  void Feed(std::span<const uint16_t> words, bool as_cache = false);

 private:
  // The register-data procedure; `local` for words the dialog feeds itself.
  void Take(int first, int count, const uint16_t* words, bool from_cache, bool local);
  // Notes the record as the controls give it back now, for the close comparison.
  void NoteShown();
  void Export();
  void Import();

  DeviceServices services_;
  RecordLayout layout_;
  std::span<const FieldBinding> fields_;
  Project& project_;
  int entry_;
  RfAddress address_;
  RfAddress route_;
  std::vector<uint16_t> record_;
  std::vector<uint16_t> shown_;
  bool local_block_ = false;
  std::optional<RegisterCycle> cycle_;
};

}  // namespace corvane::devices
