#include "devices/device_dialog.h"

#include <algorithm>

#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::devices {

using ui::SourceState;

void WordSet::AddRange(int first, int count) {
  for (int r = std::max(first, 0); r < std::min(first + count, kBits); ++r) {
    bits_.set(static_cast<size_t>(r));
  }
}

void WordSet::RemoveRange(int first, int count) {
  for (int r = std::max(first, 0); r < std::min(first + count, kBits); ++r) {
    bits_.reset(static_cast<size_t>(r));
  }
}

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

  // The project's record as if it had been read: a short one reads as zeros beyond its end.
  std::vector<uint16_t> blob(record_.size(), 0);
  const auto cached = project_.Record(entry_);
  std::copy_n(cached.begin(), std::min(cached.size(), blob.size()), blob.begin());
  Feed(blob, FeedsStoredAsCache());

  SetSource(kDevSource, SourceState::kProject);
  pending_ = Pending::kNone;
  read_direct_.Clear();
  read_cache_.Clear();
  write_direct_.Clear();
  write_cache_.Clear();
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
  const DongleLink& dongle = services_.dongle;
  const int count = std::min<int>(dongle.Register(DongleLink::kRegHeardList), 100);
  for (int i = 0; i < count; ++i) {
    const int reg = DongleLink::kRegHeardList + 1 + 4 * i;
    const RfAddress heard = static_cast<RfAddress>(dongle.Register(reg)) |
                            (static_cast<RfAddress>(dongle.Register(reg + 1)) << 16);
    if (heard == address) return true;
  }
  return false;
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
  if (id != kTimeoutTimer) {
    OnDeviceTimer(id);
    return;
  }
  KillTimer(kTimeoutTimer);
  SetSource(kDevSource, SourceState::kError);
  const Pending failed = pending_;
  pending_ = Pending::kNone;
  switch (failed) {
    case Pending::kRead:
      MessageBox(u"Read unsuccessfull");
      break;
    case Pending::kRamWrite:
      MessageBox(u"Write to RAM unsuccessfull");
      break;
    case Pending::kEepromWrite:
      MessageBox(u"Write to EEPROM unsuccessfull");
      break;
    case Pending::kNone:
      break;
  }
}

void DeviceDialog::RestartOperationTimer() {
  if (pending_ != Pending::kNone) SetTimer(kTimeoutTimer, kTimeoutMs);
}

void DeviceDialog::OnCancel() {
  Collect();
  const SourceState state = source();
  if (state == SourceState::kDevice) {
    SaveToProject();
  } else if ((state == SourceState::kProject || state == SourceState::kError) &&
             !UnchangedSinceShown()) {
    // Edits of the project's record (also after a Read that failed) would be lost without a
    // word: ask, as the output node does. A gateway's cached copy stays out of the project.
    const int answer = MessageBox(u"Save changes?", u"Unsaved changes",
                                  {ui::Buttons::kYesNoCancel, ui::Icon::kWarning, 0});
    if (answer == ui::kIdCancel) return;
    if (answer == ui::kIdYes) {
      if (!CheckEntries()) return;
      SaveToProject();
    }
  }
  EndDialog(ui::kIdCancel);
}

bool DeviceDialog::UnchangedSinceShown() const { return record_ == shown_; }

void DeviceDialog::Read() {
  const SourceState state = source();
  if (state == SourceState::kRead || state == SourceState::kWrite) return;
  pending_ = Pending::kRead;
  SetTimer(kTimeoutTimer, kTimeoutMs);
  SetSource(kDevSource, SourceState::kRead);
  const int n = layout_.words;
  read_direct_.Clear();
  read_direct_.AddRange(0, n);
  if (route_ == 0) {
    services_.queues.QueueRead(0, address_, 0, n, 0, layout_.read_flush);
  } else {
    read_cache_.Clear();
    read_cache_.AddRange(0, n);
    services_.queues.QueueRead(route_, address_, kCacheBase, n, 0, layout_.read_flush);
  }
}

void DeviceDialog::Write(bool eeprom) {
  const SourceState state = source();
  if (state == SourceState::kRead || state == SourceState::kWrite) return;
  if (!CheckEntries()) return;
  if (state != SourceState::kDevice) {
    const int answer = MessageBox(OverwriteQuestion(), u"Possible overwrite",
                                  {ui::Buttons::kYesNoCancel, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) return;
  }
  pending_ = eeprom ? Pending::kEepromWrite : Pending::kRamWrite;
  SetTimer(kTimeoutTimer, WriteTimeoutMs(eeprom));
  SetSource(kDevSource, SourceState::kWrite);
  Collect();
  const RecordLayout layout = CurrentLayout();
  int first = 8;
  int count = layout.ram_last - 7;
  if (eeprom) {
    uint16_t& control = record_[kWordEepromControl];
    control = static_cast<uint16_t>((control & 0x00FF) | kStoreRequest);
    first = kWordEepromControl;
    count = layout.eeprom_last - 1;
  }
  write_direct_.Clear();
  write_cache_.Clear();
  // The range in runs of words that are written back: measurements the device keeps itself (a
  // counter's counts) are left out, whatever the record holds for them. The run that holds the
  // store request goes last, so that the device stores only once it has every word.
  std::vector<std::pair<int, int>> runs;
  for (int at = first; at < first + count;) {
    if (!WrittenBack(at)) {
      ++at;
      continue;
    }
    int end = at;
    while (end < first + count && WrittenBack(end)) ++end;
    runs.emplace_back(at, end - at);
    at = end;
  }
  if (eeprom && runs.size() > 1) std::rotate(runs.begin(), runs.begin() + 1, runs.end());
  bool flush = true;
  for (const auto& [at, n] : runs) {
    const uint16_t* words = record_.data() + at;
    write_direct_.AddRange(at, n);
    if (route_ == 0) {
      services_.queues.QueueWrite(0, address_, static_cast<uint16_t>(at), n, words, 0, flush);
    } else {
      write_cache_.AddRange(at, n);
      services_.queues.QueueWrite(
          route_, address_, static_cast<uint16_t>(at + RoutedRegisterBase()), n, words, 0, flush);
    }
    flush = false;
  }
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

void DeviceDialog::Complete(SourceState state, bool keep_pending) {
  KillTimer(kTimeoutTimer);
  if (!keep_pending) pending_ = Pending::kNone;
  SetSource(kDevSource, state);
}

void DeviceDialog::OnRegisterData(RfAddress source, uint16_t first, int count,
                                  const uint16_t* words, bool from_cache) {
  if (source != address_ || count <= 0) return;
  Take(first, count, words, from_cache, false);
}

void DeviceDialog::Take(int first, int count, const uint16_t* words, bool from_cache, bool local) {
  const int n = layout_.words;
  if (first + count <= n) std::copy_n(words, count, record_.begin() + first);

  // Words the dialog feeds itself (the project, Import, Default) come from no device: they
  // complete no pending operation, or Default during a read would pass for the device's data.
  const bool stored = !local && StoredBitCompletes() && first <= kWordEepromControl &&
                      kWordEepromControl < first + count && pending_ == Pending::kEepromWrite &&
                      (record_[kWordEepromControl] & kStored) != 0;
  if (stored) Complete(SourceState::kDevice, false);

  // Controls always show the record, so a block that was not taken shows what was there.
  RefreshFields(*this, HeaderFields(), record_, first, count);
  // A block the device class turns away shows nothing further and completes nothing.
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
  // The message waits for the controls, so the box does not stand over stale values.
  if (stored) MessageBox(u"Write to EEPROM successfull");

  if (local || !accepted) return;
  WordSet& set = from_cache ? read_cache_ : read_direct_;
  if (!set.empty()) {
    set.RemoveRange(first, count);
    if (set.empty()) {
      Complete(from_cache ? SourceState::kCache : SourceState::kDevice,
               ReadCompletionKeepsPending(from_cache));
    }
  }
}

void DeviceDialog::RemoveFromAllPending(int first, int count) {
  for (WordSet* set : {&read_direct_, &read_cache_, &write_direct_, &write_cache_}) {
    set->RemoveRange(first, count);
  }
}

void DeviceDialog::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address_) return;
  if (pending_ != Pending::kRamWrite && pending_ != Pending::kEepromWrite) return;
  WordSet& set = from_cache ? write_cache_ : write_direct_;
  if (set.empty()) return;
  set.RemoveRange(first, count);
  if (set.empty()) Complete(from_cache ? SourceState::kCache : SourceState::kDevice, from_cache);
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
