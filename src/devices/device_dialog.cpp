#include "devices/device_dialog.h"

#include <algorithm>

#include "app/project_devices.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::devices {

using ui::SourceState;

std::span<const FieldBinding> CommonHeaderFields() {
  static const FieldBinding fields[] = {
      Hex16(kDevModbusId, 0),
      Version(kDevFwId, 1),
      Unsigned(kDevDeviceId, 5),
      Unsigned(kDevHwNum, 6),
      DeviceText(kDevName, 8),
      LowBytes(kDevPassword, 18, 8),
      ComboIndex(kDevFrequency, 26, 0, 0),
      // RF power code = position + 1; a code of 0 shows the first entry.
      ComboIndex(kDevRfPower, 26, 1, 1),
  };
  return fields;
}

std::span<const FieldBinding> ByteNameHeaderFields(bool with_model_code) {
  static const FieldBinding fields[] = {
      Hex16(kDevModbusId, 0),
      Version(kDevFwId, 1),
      Unsigned(kDevDeviceId, 5),
      Unsigned(kDevHwNum, 6),
      LowBytes(kDevName, 8, 8),
      LowBytes(kDevPassword, 18, 8),
      ComboIndex(kDevFrequency, 26, 0, 0),
      ComboIndex(kDevRfPower, 26, 1, 0),
  };
  return std::span<const FieldBinding>(fields).subspan(with_model_code ? 0 : 1);
}

std::vector<uint16_t> DefaultRecordBase(std::span<const uint16_t> current, uint16_t model,
                                        uint16_t device_id, std::u16string_view name) {
  std::vector<uint16_t> d(current.size(), 0);
  auto keep = [&](int word, uint16_t fallback) {
    const uint16_t value = current[static_cast<size_t>(word)];
    d[static_cast<size_t>(word)] = value != 0 ? value : fallback;
  };
  keep(0, model);
  keep(1, 400);
  keep(5, device_id);
  d[6] = current[6];
  d[16] = current[16];
  d[17] = current[17];
  EncodeDeviceTextWords(name, std::span<uint16_t>(d).subspan(8).first<8>());
  ui::StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(d).subspan(18, 8));
  d[26] = 2 << 8;  // frequency index 0, RF power code 2
  return d;
}

std::vector<uint16_t> ByteNameDefaultRecordBase(std::span<const uint16_t> current, uint16_t model,
                                                uint16_t device_id, uint16_t hw_fallback,
                                                std::u16string_view name) {
  std::vector<uint16_t> d = DefaultRecordBase(current, model, device_id, u"");
  if (d[6] == 0) d[6] = hw_fallback;
  std::fill_n(d.begin() + 8, 8, 0);
  ui::StoreLowBytes(name, std::span<uint16_t>(d).subspan(8, 8));
  return d;
}

DeviceDialog::DeviceDialog(const ui::DialogTemplate& tpl, const DeviceDialogContext& context,
                           DeviceServices services, RecordLayout layout,
                           std::span<const FieldBinding> fields)
    : Dialog(tpl, context.host),
      services_(std::move(services)),
      layout_(layout),
      fields_(fields),
      project_(context.project),
      entry_(context.entry),
      address_(context.address),
      route_(context.route),
      record_(static_cast<size_t>(layout.words), 0) {}

void DeviceDialog::OnInit() {
  SetTitle(u"Configuration " + DisplayName(address_));
  ResetContent(kDevFrequency);
  for (std::u16string_view name : kFrequencyNames) AddString(kDevFrequency, name);
  if (Count(kDevRfPower) == 0) {
    for (std::u16string_view power : kRfPowerNames) AddString(kDevRfPower, power);
  }
  if (route_ != 0) Show(kDevFwUpdate, false);
  InitDevice();
  RegisterCycle::Target target =
      RegisterCycle::TargetFor(services_.queues, address_, route_, kDevSource);
  target.routed_base = kCacheBase;
  ConfigureCycle(target);
  cycle_.emplace(*this, target, std::span<uint16_t>(record_));

  // The project's record as if it had been read: a short one reads as zeros beyond its end.
  std::vector<uint16_t> blob(record_.size(), 0);
  const auto cached = project_.Record(entry_);
  std::copy_n(cached.begin(), std::min(cached.size(), blob.size()), blob.begin());
  Feed(blob, FeedsStoredAsCache());

  SetSource(kDevSource, SourceState::kProject);
  ApplyButtonVisibility();
  StartDevice();
  NoteShown();
}

void DeviceDialog::NoteShown() {
  // What the controls give back for the record as shown: a window may store a value of its own
  // for words the record leaves 0 (a one-hot mode, the service flag), which is no edit.
  const std::vector<uint16_t> record = record_;
  Collect();
  shown_ = record_;
  record_ = record;
}

void DeviceDialog::Feed(std::span<const uint16_t> words, bool as_cache) {
  Take(0, static_cast<int>(words.size()), words.data(), as_cache, true);
}

bool DeviceDialog::InHeardList(RfAddress address) const {
  return IsHeard(services_.dongle, address);
}

void DeviceDialog::ApplyButtonVisibility() {
  if (route_ == 0) {
    const bool heard = InHeardList(address_);
    for (int id : {kDevFwUpdate, kDevRead, kDevReadLog, kDevWriteRam, kDevWriteEeprom}) {
      Show(id, heard);
    }
  } else {
    const bool heard = InHeardList(route_);
    for (int id : {kDevRead, kDevWriteRam, kDevWriteEeprom}) Show(id, heard);
    Show(kDevFwUpdate, false);
    Show(kDevReadLog, false);
  }
}

void DeviceDialog::OnCommand(int id) {
  switch (id) {
    case kDevRead:
      Read();
      return;
    case kDevWriteRam:
      Write(false);
      return;
    case kDevWriteEeprom:
      Write(true);
      return;
    case kDevSave:
      if (!CheckEntries()) return;
      Collect();
      SaveToProject();
      return;
    case kDevExport:
      Export();
      return;
    case kDevImport:
      Import();
      return;
    case kDevDefault:
      Feed(DefaultRecord());
      return;
    case kDevFwUpdate:
      if (services_.firmware_update) services_.firmware_update(*this, address_, route_);
      return;
    case kDevReadLog:
      services_.log.Request(route_, address_);
      return;
    default:
      return;
  }
}

void DeviceDialog::OnTimer(int id) {
  if (cycle_ && cycle_->OnTimer(id)) return;
  OnDeviceTimer(id);
}

void DeviceDialog::RestartOperationTimer() { cycle_->RestartTimeout(); }

void DeviceDialog::OnCancel() {
  if (Closing() != CloseRule::kSaveInDevice && !CheckEntries()) return;
  Collect();
  if (AskOnClose()) EndDialog(ui::kIdCancel);
}

bool DeviceDialog::AskOnClose() {
  const SourceState state = source();
  bool ask = false;
  if (Closing() == CloseRule::kSaveInDevice) {
    if (state == SourceState::kDevice) {
      SaveToProject();
      return true;
    }
    // Edits of the project's record (also after a Read that failed) would be lost without a
    // word: ask, as the output node does. A gateway's cached copy stays out of the project.
    ask =
        (state == SourceState::kProject || state == SourceState::kError) && !UnchangedSinceShown();
  } else {
    ask = DiffersFromProject();
    if (Closing() == CloseRule::kAskWhenDiffersCopyLive) {
      // Measurements and state follow the device without a question.
      std::vector<uint16_t> blob(project_.Record(entry_).begin(), project_.Record(entry_).end());
      blob.resize(std::max(blob.size(), record_.size()), 0);
      for (size_t w = 0; w < record_.size(); ++w) {
        const auto mask = SettingMask(static_cast<int>(w));
        blob[w] = static_cast<uint16_t>((blob[w] & mask) | (record_[w] & ~mask));
      }
      project_.SetRecord(entry_, std::move(blob));
    }
  }
  if (!ask) return true;
  const int answer = MessageBox(u"Save changes?", u"Unsaved changes",
                                {ui::Buttons::kYesNoCancel, ui::Icon::kWarning, 0});
  if (answer == ui::kIdCancel) return false;
  if (answer == ui::kIdYes) {
    if (!CheckEntries()) return false;
    SaveToProject();
  }
  return true;
}

bool DeviceDialog::UnchangedSinceShown() const {
  for (size_t w = 0; w < record_.size(); ++w) {
    const auto mask = SettingMask(static_cast<int>(w));
    if ((record_[w] & mask) != (shown_[w] & mask)) return false;
  }
  return true;
}

bool DeviceDialog::DiffersFromProject() const {
  const auto blob = project_.Record(entry_);
  for (size_t w = 0; w < record_.size(); ++w) {
    const auto mask = SettingMask(static_cast<int>(w));
    const uint16_t stored = w < blob.size() ? blob[w] : 0;
    if ((record_[w] & mask) != (stored & mask)) return true;
  }
  return false;
}

std::vector<RegisterRange> DeviceDialog::ReadRanges() const { return {{0, layout_.words}}; }

std::vector<RegisterRange> DeviceDialog::WriteRanges(bool eeprom) const {
  const RecordLayout layout = CurrentLayout();
  const int first = eeprom ? kWordEepromControl : 8;
  const int end = (eeprom ? layout.eeprom_last : layout.ram_last) + 1;
  // Runs of words that are written back: measurements the device keeps itself (a counter's
  // counts) are left out, whatever the record holds for them.
  std::vector<RegisterRange> runs;
  for (int at = first; at < end;) {
    if (!WrittenBack(at)) {
      ++at;
      continue;
    }
    int stop = at;
    while (stop < end && WrittenBack(stop)) ++stop;
    runs.push_back({at, stop - at});
    at = stop;
  }
  return runs;
}

void DeviceDialog::Read() {
  if (cycle_->Busy()) return;
  StartRead();
}

void DeviceDialog::StartRead() { cycle_->StartRead(ReadRanges(), layout_.read_flush); }

bool DeviceDialog::Write(bool eeprom) {
  if (cycle_->Busy()) return false;
  if (!CheckEntries()) return false;
  if (source() != SourceState::kDevice) {
    const int answer = MessageBox(OverwriteQuestion(), u"Possible overwrite",
                                  {ui::Buttons::kYesNoCancel, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) return false;
  }
  Collect();
  cycle_->StartWrite(eeprom, WriteRanges(eeprom), WriteTimeoutMs(eeprom));
  return true;
}

bool DeviceDialog::CheckEntries() {
  for (std::span<const FieldBinding> fields : {HeaderFields(), fields_}) {
    if (!ui::AcceptEntries(*this, CheckFieldEntries(*this, fields, record_.size()))) return false;
  }
  return true;
}

void DeviceDialog::Collect() {
  CollectFields(*this, HeaderFields(), record_);
  CollectFields(*this, fields_, record_);
  CollectDevice();
}

void DeviceDialog::SaveToProject() {
  std::span<uint16_t> blob = project_.Record(entry_);
  if (blob.size() < record_.size()) {
    // A record shorter than the dialog's (an old or damaged project) grows to hold it all.
    std::vector<uint16_t> grown(blob.begin(), blob.end());
    grown.resize(record_.size(), 0);
    project_.SetRecord(entry_, std::move(grown));
    blob = project_.Record(entry_);
  }
  std::copy(record_.begin(), record_.end(), blob.begin());
  shown_ = record_;
}

void DeviceDialog::OnRegisterData(RfAddress source, uint16_t first, int count,
                                  const uint16_t* words, bool from_cache) {
  if (source != address_ || count <= 0) return;
  Take(first, count, words, from_cache, false);
}

void DeviceDialog::Take(int first, int count, const uint16_t* words, bool from_cache, bool local) {
  const int n = layout_.words;
  if (first + count <= n) std::copy_n(words, count, record_.begin() + first);

  // Controls always show the record, so a block that was not taken shows what was there.
  RefreshFields(*this, HeaderFields(), record_, first, count);
  // A block the device class turns away shows nothing further and completes no read.
  local_block_ = local;
  const bool accepted = AcceptBlock(first, count, from_cache);
  if (accepted) {
    RefreshFields(*this, fields_, record_, first, count);
    RefreshDevice(first, count);
  }
  local_block_ = false;
  if (layout_.shows_time) {
    const ui::LocalTime now = host().Now();
    SetText(kDevTime, ui::Format("%02d:%02d:%02d", now.hour, now.minute, now.second));
  }
  // Words the dialog feeds itself (the project, Import, Default) come from no device: they
  // complete no pending operation, or Default during a read would pass for the device's data.
  // The cycle books after the controls show the block, so its message does not stand over
  // stale values.
  if (!local && cycle_) cycle_->OnData(first, count, from_cache, accepted);
}

void DeviceDialog::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address_ || !cycle_) return;
  cycle_->OnAck(first, count, from_cache);
}

std::function<void(RfAddress, std::span<const uint8_t>)> DeviceDialog::PressSender() {
  return [this](RfAddress address, std::span<const uint8_t> message) {
    if (services_.send_message) {
      services_.send_message(address == address_ ? route_ : 0, address, message);
    }
  };
}

void DeviceDialog::Export() {
  if (!services_.export_words) return;
  services_.export_words(*this, record_, u"Export_" + DisplayName(address_));
}

void DeviceDialog::Import() {
  if (!services_.import_words) return;
  std::vector<uint16_t> copy = record_;
  if (services_.import_words(*this, copy) <= 0) return;
  // A file exported from another model would put settings of another layout into this record.
  // A file that does not name word 0 left the copy's model code as it was.
  if (copy[0] != record_[0]) {
    const int answer = MessageBox(
        ui::Format("The file holds a device with model code 0x%04X, this device has 0x%04X.\n"
                   "Import the settings anyway?",
                   copy[0], record_[0]),
        u"Import", {ui::Buttons::kYesNo, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) return;
  }
  // The file may come from another device: its identity must not reach this one's record, or
  // the next write would hand this device the other's hardware number and device ID.
  for (int word : kIdentityWords) {
    if (static_cast<size_t>(word) < copy.size()) {
      copy[static_cast<size_t>(word)] = record_[static_cast<size_t>(word)];
    }
  }
  Feed(copy, FeedsStoredAsCache());
}

}  // namespace corvane::devices
