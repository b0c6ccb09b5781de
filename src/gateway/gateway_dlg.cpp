#include "gateway/gateway_dlg.h"

#include <algorithm>

#include "gateway/gateway_report.h"
#include "gateway/gw_device_editors.h"
#include "gateway/gw_window_parts.h"
#include "gateway/image_text.h"
#include "gateway/modbus_bridge_dlg.h"
#include "gateway/uni_monitor.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane {

using ui::Format;
using ui::SourceState;
using namespace corvane::ui;  // template ids

namespace {

constexpr int kImageWords = GatewayImage::kWords;

// Register ranges of the full read and of the write (4.00 layout; the older one is below).
constexpr int kMainFirst = 0;
constexpr int kMainCount = 1634;  // 0-1633
constexpr int kTableFirst = GatewayImage::kRegModbusTable;
constexpr int kTableCount = 19346 - 19292;  // 19292-19345
constexpr int kTimeoutFirst = GatewayImage::kRegModbusTimeout;
constexpr int kTimeoutCount = 2;  // 19500-19501
constexpr int kBridgeFirst = GatewayImage::kRegBridgeAddress;
constexpr int kBridgeCount = 18;  // 19600-19617
// Versions from which the gateway holds the Modbus timeouts and the bridge settings.
constexpr uint16_t kTimeoutVersion = 423;
constexpr uint16_t kBridgeVersion = 424;

constexpr int kFifo2Registers = 19436 - GatewayImage::kRegFifo2Control;  // 19370-19435
constexpr int kWriteLogRegisters = 8;                                    // 18484-18491
constexpr int kTxRegisters = GatewayImage::kRegTxTrigger + 1 - GatewayImage::kRegTxAddress;

// The older layout: the read covers 0-1353 and the Modbus table up to the key's end (19012-19051);
// the write leaves registers 0-2 out.
constexpr int kOldMainCount = kPre400Map.reg_output + 2;  // 0-1353
constexpr int kOldWriteFirst = 3;
constexpr int kOldTableCount = kPre400Map.reg_key + 8 - kPre400Map.reg_modbus_table;  // 40
// The 50-byte Modbus address table alone, without the clock and key after it.
constexpr int kOldModbusTableCount = 25;  // 19012-19036
// Firmware from which an older gateway has the wireless M-Bus key (registers 19044-19051) and
// takes the write of the table with the clock and the key.
constexpr uint16_t kOldKeyVersion = 312;
// Registers an older gateway without the key does not have.
constexpr int kOldMissingFirst = kPre400Map.reg_key;
constexpr int kOldMissingEnd = kOldMissingFirst + 100;

}  // namespace

std::array<std::u16string, 12> GwDeviceRow(const GatewayImage& image, int i) {
  const GwDeviceEntry e = image.Device(i);
  const GwDeviceStatus s = image.DeviceStatus(i);
  std::array<std::u16string, 12> row;
  row[kGwColPos] = Format("%03d", i + 1);
  row[kGwColAddress] = Format("0x%08X %d", e.address, static_cast<int>(e.address));
  row[kGwColCache] = e.Cached() ? u"o" : u"";
  row[kGwColMbStart] = Format("%d", e.mb_start);
  row[kGwColMbCount] = Format("%d", e.MbCount());
  row[kGwColRssiDevToGw] = Format("%d dBm", s.rssi_dev_to_gw);
  row[kGwColRssiGwToDev] = Format("%d dBm", s.rssi_gw_to_dev);
  row[kGwColAction] = e.Cached() ? u"read cache" : u"go to dev.";
  row[kGwColModbus] = Format("%d", image.ModbusAddress(i));
  row[kGwColHub] = Format("0x%08X", s.hub);
  row[kGwColTimestamp] = TimeOfDayText(s.last_comm, u"--:--:--");
  row[kGwColReadWrite] = Format("%d %d", s.ReadBit() ? 0 : 1, s.WriteBit() ? 0 : 1);
  return row;
}

std::array<std::u16string, 7> GwUniRow(const GatewayImage& image, int i) {
  const bool older = image.map() == kPre400Map;
  const GwUniEntry u = image.UniDevice(i);
  const GwUniStatus t = image.UniStatus(i);
  std::array<std::u16string, 7> row;
  row[kGwUniColPos] = Format("%03d", i + 1);
  row[kGwUniColAddress] = Format("0x%08X %d", u.address, static_cast<int>(u.address));
  row[kGwUniColReg1] = Format("%d", (older ? u.reg[0] : u.Register(0)) + 1);
  row[kGwUniColReg2] = Format("%d", (older ? u.reg[1] : u.Register(1)) + 1);
  row[kGwUniColRssi] = Format("%d dBm", t.rssi);
  row[kGwUniColTimestamp] = TimeOfDayText(t.last_reception, older ? u"" : u"--");
  if (!older) {
    row[kGwUniColFifo] =
        std::u16string{u.StoreInFifo(0) ? u'o' : u'-', u.StoreInFifo(1) ? u'o' : u'-'};
  }
  return row;
}

std::vector<uint8_t> ParseHexBytes(std::u16string_view text, size_t max_bytes) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (size_t i = 0; i < text.size() && bytes.size() < max_bytes; ++i) {
    const char16_t ch = text[i];
    if (ch == u'0' && i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
      ++i;
      continue;
    }
    int nibble = -1;
    if (ch >= u'0' && ch <= u'9') nibble = ch - u'0';
    if (ch >= u'a' && ch <= u'f') nibble = ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F') nibble = ch - u'A' + 10;
    if (nibble < 0) continue;
    if (high < 0) {
      high = nibble;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | nibble));
      high = -1;
    }
  }
  return bytes;
}

GatewayDialog::GatewayDialog(const ui::DialogTemplate& tpl, const GatewayMap& map,
                             const DeviceDialogContext& context, devices::DeviceServices services,
                             DeviceOpener& opener)
    : Dialog(tpl, context.host),
      services_(std::move(services)),
      opener_(opener),
      project_(context.project),
      entry_(context.entry),
      address_(context.address),
      route_(context.route),
      older_(map == kPre400Map),
      image_(map),
      cycle_(*this, CycleTarget(services_.queues, context), [this] { return image_.words(); }),
      wmbus_reader_(GatewayImage::kRegWmbusHead, GatewayImage::kRegWmbusStatus,
                    [this](int first, int count, bool flush) { QueueRead(first, count, flush); }) {}

RegisterCycle::Target GatewayDialog::CycleTarget(RequestQueues& queues,
                                                 const DeviceDialogContext& context) {
  RegisterCycle::Target target =
      RegisterCycle::TargetFor(queues, context.address, context.route, kGwSource);
  target.progress_id = kGwProgress;
  target.confirm_timer = kConfirmPollTimer;
  // The image is long: every register that arrives starts the time-out anew.
  target.progress_restarts_timeout = true;
  target.eeprom = EepromStep::kAfterRam;
  return target;
}

// The views go with the window; their timers are the dialog's and die with it.
GatewayDialog::~GatewayDialog() = default;

CGatewayV400Dlg::CGatewayV400Dlg(const DeviceDialogContext& context,
                                 devices::DeviceServices services, DeviceOpener& opener)
    : GatewayDialog(GatewayV400Template(), kV400Map, context, std::move(services), opener) {}

CGatewayDlg::CGatewayDlg(const DeviceDialogContext& context, devices::DeviceServices services,
                         DeviceOpener& opener)
    : GatewayDialog(GatewayTemplate(), kPre400Map, context, std::move(services), opener) {}

std::span<uint16_t> GatewayDialog::ProjectBlob() {
  std::span<uint16_t> blob = project_.Record(entry_);
  if (blob.size() < static_cast<size_t>(kImageWords)) {
    // A record shorter than the image (an old or damaged project) grows to hold it all.
    std::vector<uint16_t> grown(blob.begin(), blob.end());
    grown.resize(kImageWords, 0);
    project_.SetRecord(entry_, std::move(grown));
    blob = project_.Record(entry_);
  }
  return blob;
}

void GatewayDialog::OnInit() {
  // A blob in the older layout (the older dialog's mark 399, or an older file) is converted
  // once; a blob that already holds this layout, version 0 included, never is.
  if (!older_) {
    std::span<uint16_t> stored = project_.Record(entry_);
    if (LayoutOf(stored) == GatewayLayout::kPre400) ConvertPre400Image(ProjectBlob());
  }
  SetTitle((older_ ? u"Configuration for FW < 4.00 " : u"Configuration ") + DisplayName(address_));
  ResetContent(kGwFrequency);
  for (std::u16string_view name : kFrequencyNames) AddString(kGwFrequency, name);
  rf_power_offset_ = -1;
  SetRfPowerOffset(OffsetForFrequency(-1));
  SetRowCount(kGwDevices, image_.map().devices);
  SetRowCount(kGwUniDevices, GatewayImage::kUniDevices);

  const std::span<const uint16_t> blob = project_.Record(entry_);
  image_ = GatewayImage(blob, image_.map());
  ApplyWhole(true);

  SetSource(kGwSource, SourceState::kProject);
  ApplyButtonVisibility();
  if (route_ != 0) {
    Show(kGwRssiLabel, false);
    Show(kGwRssi, false);
  }
  SetTimer(kClockTimer, kClockMs);
  SetTimer(kRssiTimer, kRssiMs);
  Show(kGwProgress, false);
}

// ---------------------------------------------------------------------------------------------
// Register data

void GatewayDialog::OnRegisterData(RfAddress source, uint16_t first, int count,
                                   const uint16_t* words, bool from_cache) {
  if (source != address_ || count <= 0 || closed_for_version_) return;
  // The monitor sees the answers to its own requests before the window takes them.
  if (uni_monitor_ != nullptr) uni_monitor_->OnBlock(first, count, words);
  Apply(first, count, words, false, from_cache);
}

void GatewayDialog::ApplyWhole(bool local) {
  // The image is its own source: copy it so Apply can write it back over itself.
  const std::vector<uint16_t> words(image_.words().begin(), image_.words().end());
  Apply(0, static_cast<int>(words.size()), words.data(), local);
  RefreshAllRows();
}

void GatewayDialog::Apply(int s, int count, const uint16_t* words, bool local, bool from_cache) {
  const int e = s + count;
  if (e <= image_.map().words) std::copy_n(words, count, image_.words().begin() + s);

  RefreshFields(s, e);
  if (Covers(s, e, GatewayImage::kRegVersion)) EnableForVersion();
  if (!local && Covers(s, e, GatewayImage::kRegVersion)) CheckVersion(from_cache);
  if (!local) {
    RefreshDeviceRows(s, e);
    RefreshUniRows(s, e);
    ServeFifos(s, e);
    const LocalTime now = host().Now();
    SetText(kGwLastComm, Format("%02d:%02d:%02d", now.hour, now.minute, now.second));
    cycle_.OnData(s, count, from_cache);
  }
  SetText(kGwOwnAddress, Format("0x%08X", image_.OwnAddress()));
}

void GatewayDialog::CheckVersion(bool from_cache) {
  const uint16_t version = image_.Version();
  // Registers the gateway's map does not have are no longer awaited.
  int first = MapSize(version);
  int end = std::min(first + 1000, kPendingBits);
  if (older_) {
    // Only what the gateway itself reports asks for an update, and only once per window; the
    // update dialog runs after this block is done with, not inside the delivery of it.
    // Version 0 is no version (nothing reported yet), not a firmware too old.
    if (version != 0 && version < kMinimalOlderVersion && !from_cache && !unsupported_shown_) {
      unsupported_shown_ = true;
      SetTimer(kUnsupportedTimer, 0);
    }
    // Without the key the map ends where the key would begin.
    first = version < kOldKeyVersion ? kOldMissingFirst : kPendingBits;
    end = std::min(kOldMissingEnd, kPendingBits);
  }
  if (first < end) cycle_.Drop(first, end - first);
  // Nor asked for: the gateway does not answer them, and each would hold up the requests
  // behind it (a store confirmation among them) through all its retries.
  if (!from_cache && version != 0 && first < end) {
    services_.queues.DropReadsOf(address_, first, end);
    if (older_) {
      // The table's read asks for the key too: answered short, it would be asked again until
      // its retries ran out. It goes again without the key, if its registers are still awaited.
      const int table = kPre400Map.reg_modbus_table;
      if (services_.queues.DropReadsOf(address_, table, end) > 0 &&
          cycle_.read_direct().Has(table)) {
        QueueRead(table, first - table, false);
      }
    }
  }
}

void GatewayDialog::EnableForVersion() {
  const uint16_t version = image_.Version();
  // A setting the firmware has no register for would be accepted and never written.
  auto needs = [&](int id, uint16_t since) {
    // Version 0 is no version yet (a project not read): the settings stay open for editing.
    const bool has = version == 0 || version >= since;
    Enable(id, has);
    SetToolTip(id, has ? std::u16string()
                       : Format("Needs firmware %.2f or later; this gateway has %.2f",
                                since / 100.0, version / 100.0));
  };
  if (older_) {
    needs(kGwKey, kOldKeyVersion);
  } else {
    needs(kGwAlarmLostTimeout, kTimeoutVersion);
    needs(kGwConfigBridge, kBridgeVersion);
  }
}

void GatewayDialog::UnsupportedVersion() {
  // The update talks to the gateway alone: the running Read ends here, so Read and Write work
  // again afterwards and no time-out stands over the update window.
  cycle_.Abandon();
  MessageBox(
      Format("Unsupported version,\nUpdate of Gatrix necessary, minimal supported version "
             "%.2f\nTimestamps are invalid\nCommunication with cached subdevices does not "
             "work",
             kMinimalOlderVersion / 100.0));
  FirmwareUpdate();
}

void GatewayDialog::RefreshFields(int s, int e) {
  const GatewayImage& g = image_;
  auto covers = [&](int reg) { return Covers(s, e, reg); };
  if (covers(GatewayImage::kRegVersion)) {
    SetText(kGwFwNum, Format("%d.%02d", g.Version() / 100, g.Version() % 100));
  }
  if (covers(GatewayImage::kRegModbusLine)) {
    const uint16_t line = g.Word(GatewayImage::kRegModbusLine);
    SetText(kGwModbusAddress, Format("%d", line & 0xFF));
    const int code = line >> 8;
    SetCurSel(kGwBaudrate, code < 10 || code > 17 ? 3 : code - 10);
  }
  if (covers(GatewayImage::kRegSerialFormat)) {
    const uint16_t format = g.Word(GatewayImage::kRegSerialFormat);
    SetCurSel(kGwParity, format & 0x03);
    SetCurSel(kGwStopBits, (format >> 2) & 0x01);
  }
  if (covers(GatewayImage::kRegDeviceId)) {
    SetText(kGwDeviceId, Format("%u", g.Word(GatewayImage::kRegDeviceId)));
  }
  if (covers(GatewayImage::kRegHardware)) {
    SetText(kGwHwNum, Format("%u", g.Word(GatewayImage::kRegHardware)));
  }
  if (covers(GatewayImage::kRegName)) {
    SetText(kGwName, DecodeDeviceTextWords(g.words().subspan(GatewayImage::kRegName, 8)));
  }
  if (Overlaps(s, e, GatewayImage::kRegPassword, GatewayImage::kRegPassword + 7)) {
    SetText(kGwPassword, LoadLowBytes(g.Bytes(GatewayImage::kRegPassword, 16)));
  }
  if (covers(GatewayImage::kRegRadio)) {
    const uint16_t radio = g.Word(GatewayImage::kRegRadio);
    const int frequency = radio & 0xFF;
    SetCurSel(kGwFrequency, frequency < static_cast<int>(kFrequencyNames.size()) ? frequency : -1);
    SetRfPowerOffset(OffsetForFrequency(CurSel(kGwFrequency)));
    // A code below the list's first one shows the first (and is raised to it when gathered).
    SetCurSel(kGwRfPower, std::clamp((radio >> 8) - rf_power_offset_, 0, Count(kGwRfPower) - 1));
  }
  if (covers(GatewayImage::kRegEepromWrites)) {
    SetText(kGwEepromWrites, Format("%u", g.Word(GatewayImage::kRegEepromWrites)));
  }
  if (covers(GatewayImage::kRegUptime) && e >= GatewayImage::kRegUptime + 2) {
    SetText(kGwUptime, Format("%u s", g.U32(GatewayImage::kRegUptime)));
  }
  if (covers(GatewayImage::kRegBackgroundRssi)) {
    SetText(kGwBackgroundRssi,
            Format("%d dBm", static_cast<int8_t>(g.Word(GatewayImage::kRegBackgroundRssi))));
  }
  if (covers(GatewayImage::kRegIndicators)) {
    const int high = g.Word(GatewayImage::kRegIndicators) >> 8;
    SetText(kGwPrg, (high & 0x01) != 0 ? u"PRG" : u"");
    SetText(kGwOut, (high & 0x80) != 0 ? u"OUT" : u"");
  }
  if (covers(GatewayImage::kRegCpuTemperature) && !older_) {
    SetText(kGwCpuTemperature,
            Hundredths(static_cast<int16_t>(g.Word(GatewayImage::kRegCpuTemperature))));
  }
  if (covers(GatewayImage::kRegOptions)) {
    const uint16_t options = g.Word(GatewayImage::kRegOptions);
    SetCheck(kGwSystemMode, (options & 0xFF) != 0);
    if (!older_) SetCheck(kGwOneGatrix, (options & 0x0100) != 0);
  }
  const GatewayMap& map = g.map();
  if (older_) {
    // The older map ends before the 4.00 map's other fields.
    if (covers(map.reg_unix_time) && e >= map.reg_unix_time + 2) {
      SetText(kGwUnixTime, Format("%u", g.UnixTime()));
    }
  } else {
    if (covers(GatewayImage::kRegRfReinits)) {
      SetText(kGwRfReinits, Format("%u", g.Word(GatewayImage::kRegRfReinits)));
    }
    if (covers(map.reg_unix_time) && e >= map.reg_unix_time + 2) {
      SetText(kGwUnixTime, Format("%u", g.UnixTime()));
    }
  }
  if (Overlaps(s, e, map.reg_key, map.reg_key + 7)) {
    std::u16string key;
    for (uint8_t b : g.Key()) AppendFormat(key, "%02X ", b);
    SetText(kGwKey, key);
  }
  if (covers(GatewayImage::kRegAlarmLostTimeout) && !older_) {
    SetText(kGwAlarmLostTimeout, Format("%u", g.Word(GatewayImage::kRegAlarmLostTimeout)));
  }
}

void GatewayDialog::RefreshDeviceRows(int s, int e) {
  // Only the rows whose entry, status or Modbus address the block holds.
  const GatewayMap& map = image_.map();
  for (int i = 0; i < map.devices; ++i) {
    const int entry = map.reg_devices + GwDeviceEntry::kWords * i;
    const int status = map.reg_device_status + GwDeviceStatus::kWords * i;
    const int modbus = map.reg_modbus_table + i / 2;
    if (!Overlaps(s, e, entry, entry + GwDeviceEntry::kWords - 1) &&
        !Overlaps(s, e, status, status + GwDeviceStatus::kWords - 1) && !Covers(s, e, modbus)) {
      continue;
    }
    const auto row = GwDeviceRow(image_, i);
    for (int c = 0; c < kGwDeviceColumns; ++c) SetCell(kGwDevices, i, c, row[c]);
  }
}

void GatewayDialog::RefreshUniRows(int s, int e) {
  const GatewayMap& map = image_.map();
  const int columns = older_ ? kGwUniColFifo : kGwUniColumns;
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    const int entry = map.reg_uni_devices + GwUniEntry::kWords * i;
    const int status = map.reg_uni_status + GwUniStatus::kWords * i;
    if (!Overlaps(s, e, entry, entry + GwUniEntry::kWords - 1) &&
        !Overlaps(s, e, status, status + GwUniStatus::kWords - 1)) {
      continue;
    }
    const auto row = GwUniRow(image_, i);
    for (int c = 0; c < columns; ++c) SetCell(kGwUniDevices, i, c, row[c]);
  }
}

void GatewayDialog::RefreshAllRows() {
  RefreshDeviceRows(0, kImageWords);
  RefreshUniRows(0, kImageWords);
}

// The FIFO heads are served only for a view that is open, and only with data the gateway sent:
// a stale count in a stored or imported image must not drain the gateway's write log (the
// entries taken out would be lost, with no view to show them).
void GatewayDialog::ServeFifos(int s, int e) {
  const GatewayImage& g = image_;
  if (uni_fifo_ && uni_fifo_->is_open() &&
      Overlaps(s, e, GatewayImage::kRegWriteLog, GatewayImage::kRegWriteLog + 7)) {
    // The requested entry is the whole head; a poll of the count alone is not it.
    const bool whole_head =
        s <= GatewayImage::kRegWriteLog && e >= GatewayImage::kRegWriteLog + kWriteLogRegisters;
    if (whole_head) {
      // The entry asked for (a late one that was given up is left to the next poll).
      if (log_entry_.outstanding()) {
        log_entry_.Clear();
        // The entry first: the count is part of it, and writing 0 takes the entry out of the log.
        const GwWriteLogHead head = g.WriteLogHead();
        image_.SetWord(GatewayImage::kRegWriteLogCount, 0);
        QueueWrite(GatewayImage::kRegWriteLogCount, 1, false);
        QueueRead(GatewayImage::kRegWriteLogCount, 1, false);
        log_entry_.PollQueued();
        uni_fifo_->AddLine(UniFifoLine(head.address, head.reg, head.values));
      }
    } else if (log_entry_.PollAnswered() && g.Word(GatewayImage::kRegWriteLogCount) != 0) {
      QueueRead(GatewayImage::kRegWriteLog, kWriteLogRegisters, false);
      log_entry_.Ask();
    }
    SetTimer(kUniFifoTimer, kFifoPollMs);
  }
  if (wmbus_fifo_ && wmbus_fifo_->is_open())
    wmbus_reader_.OnBlock(s, e, g.WmbusHead(), *wmbus_fifo_);
  if (uni_fifo2_ && Overlaps(s, e, GatewayImage::kRegFifo2Control, 19435)) {
    KillTimer(kUniFifo2Timer);
    if (uni_fifo2_->is_open()) {
      // The table is polled whole: an entry listed at the last poll (same index and contents)
      // is not added again.
      std::vector<GwFifo2Entry> table = g.Fifo2Table();
      for (const GwFifo2Entry& entry : table) {
        if (std::find(fifo2_listed_.begin(), fifo2_listed_.end(), entry) != fifo2_listed_.end()) {
          continue;
        }
        uni_fifo2_->AddLine(UniFifo2Line(entry.index, entry.reg, entry.tdif));
      }
      fifo2_listed_ = std::move(table);
      SetTimer(kUniFifo2Timer, kFifoPollMs);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Read and write

void GatewayDialog::QueueRead(int first, int count, bool flush) {
  services_.queues.QueueRead(route_, address_, static_cast<uint16_t>(first), count, 0, flush);
}

void GatewayDialog::QueueWrite(int first, int count, bool flush) {
  services_.queues.QueueWrite(route_, address_, static_cast<uint16_t>(first), count,
                              image_.words().data() + first, 0, flush);
}

void GatewayDialog::Read() {
  if (cycle_.Busy()) return;
  KillTimer(kKeepAliveTimer);
  std::vector<RegisterRange> ranges;
  if (older_) {
    ranges = {{kMainFirst, kOldMainCount},
              {GatewayImage::kRegOptions, 1},
              {kPre400Map.reg_modbus_table, kOldTableCount}};
  } else {
    ranges = {{kMainFirst, kMainCount},
              {GatewayImage::kRegOptions, 1},
              {kTableFirst, kTableCount},
              {kTimeoutFirst, kTimeoutCount},
              {kBridgeFirst, kBridgeCount}};
  }
  cycle_.StartRead(ranges, true);
}

void GatewayDialog::Write(bool eeprom) {
  if (cycle_.Busy()) return;
  if (source() != SourceState::kDevice) {
    const int answer = MessageBox(
        u"Data are from project, write can replace data in device.\nStill want to write?",
        u"Possible overwrite", {ui::Buttons::kYesNoCancel, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) return;
  }
  if (!CheckEntries()) return;
  Gather();
  std::vector<RegisterRange> ranges;
  const uint16_t version = image_.Version();
  if (older_) {
    // Without the key the table goes alone: all 25 registers of it, so the Modbus addresses of
    // entries 48 and 49 (register 19036) are written too.
    ranges = {{kOldWriteFirst, kOldMainCount - kOldWriteFirst},
              {kPre400Map.reg_modbus_table,
               version < kOldKeyVersion ? kOldModbusTableCount : kOldTableCount}};
  } else {
    ranges = {{kMainFirst, kMainCount}, {kTableFirst, kTableCount}};
    if (version >= kTimeoutVersion) ranges.push_back({kTimeoutFirst, kTimeoutCount});
    if (version >= kBridgeVersion) ranges.push_back({kBridgeFirst, kBridgeCount});
  }
  cycle_.StartWrite(eeprom, ranges, kTimeoutMs);
}

void GatewayDialog::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address_ || closed_for_version_) return;
  cycle_.OnAck(first, count, from_cache);
}

void GatewayDialog::RestartOperationTimer() { cycle_.RestartTimeout(); }

int GatewayDialog::RecordVersion() const {
  const uint16_t version = image_.Version();
  return version == 0 ? -1 : version;
}

void GatewayDialog::CloseForVersion(uint16_t version) {
  std::span<uint16_t> blob = ProjectBlob();
  if (older_) {
    // The 4.00 window opens next time and converts the stored blob (399 marks the older layout);
    // the working image is not stored.
    image_.SetWord(GatewayImage::kRegVersion, version);
  } else {
    // The older window opens next time: the stored blob goes back to the older layout, so that
    // window shows each field from its own registers; only the version is learnt.
    ConvertToPre400Image(blob);
  }
  blob[GatewayImage::kRegVersion] = version;
  closed_for_version_ = true;
  KillTimer(kTimeoutTimer);
  EndDialog(ui::kIdCancel);
}

// ---------------------------------------------------------------------------------------------
// Controls into the image

void GatewayDialog::Gather() {
  GatewayImage& g = image_;
  std::array<uint16_t, 8> text{};
  StoreLowBytes(Text(kGwPassword), text);
  std::copy(text.begin(), text.end(), g.words().begin() + GatewayImage::kRegPassword);
  text.fill(0);
  StoreLowBytes(Text(kGwName), text);
  std::copy(text.begin(), text.end(), g.words().begin() + GatewayImage::kRegName);

  // A list that shows no entry keeps the register's field: nobody chose entry 0.
  const uint16_t radio = g.Word(GatewayImage::kRegRadio);
  const int frequency = CurSelOr(kGwFrequency, radio & 0xFF);
  const int power_sel = CurSel(kGwRfPower);
  const int power = power_sel >= 0 ? power_sel + std::max(rf_power_offset_, 0) : radio >> 8;
  g.SetWord(GatewayImage::kRegRadio, static_cast<uint16_t>(frequency | power << 8));

  // Before 4.00 only the low byte means something ("System mode").
  g.SetWord(GatewayImage::kRegOptions,
            static_cast<uint16_t>((IsChecked(kGwSystemMode) ? 1 : 0) |
                                  (!older_ && IsChecked(kGwOneGatrix) ? 0x100 : 0)));
  // A Modbus address or a time-out that is not a number in range keeps the image's value
  // rather than storing a truncated one.
  const uint16_t old_line = g.Word(GatewayImage::kRegModbusLine);
  uint16_t line = old_line & 0x00FF;
  if (auto mb = ScanInt(Text(kGwModbusAddress)); mb && *mb >= 0 && *mb <= 255) {
    line = static_cast<uint16_t>(*mb);
  }
  const int baud_sel = CurSel(kGwBaudrate);
  const int baud_code = baud_sel >= 0 ? baud_sel + 10 : old_line >> 8;
  g.SetWord(GatewayImage::kRegModbusLine, static_cast<uint16_t>(line | baud_code << 8));
  const uint16_t format = g.Word(GatewayImage::kRegSerialFormat);
  const int parity = CurSelOr(kGwParity, format & 0x03);
  const int stop_bits = CurSelOr(kGwStopBits, (format >> 2) & 0x01);
  g.SetWord(GatewayImage::kRegSerialFormat,
            static_cast<uint16_t>((format & 0xFF00) | (parity + 4 * stop_bits)));
  if (auto timeout = older_ ? std::nullopt : ScanInt(Text(kGwAlarmLostTimeout));
      timeout && *timeout >= 0 && *timeout <= 0xFFFF) {
    g.SetWord(GatewayImage::kRegAlarmLostTimeout, static_cast<uint16_t>(*timeout));
  }
  std::array<uint8_t, GatewayImage::kTextBytes> key{};
  const std::vector<uint8_t> bytes = ParseHexBytes(Text(kGwKey), key.size());
  std::copy(bytes.begin(), bytes.end(), key.begin());
  g.SetKey(key);
}

bool GatewayDialog::CheckEntries() {
  struct Entry {
    int id;
    const char* caption;
    int max;
    const char* unit;
  };
  std::vector<Entry> entries = {{kGwModbusAddress, "MB Addr", 255, ""}};
  if (!older_ && IsEnabled(kGwAlarmLostTimeout)) {
    entries.push_back({kGwAlarmLostTimeout, "Alarm lost timeout", 0xFFFF, " s"});
  }
  for (const Entry& entry : entries) {
    const std::optional<int> value = ScanInt(Text(entry.id));
    if (value && *value >= 0 && *value <= entry.max) continue;
    MessageBox(Format("%s must be between 0 and %d%s", entry.caption, entry.max, entry.unit),
               u"Invalid value", {ui::Buttons::kOk, ui::Icon::kWarning, 0});
    return false;
  }
  return true;
}

void GatewayDialog::StoreIntoProject() {
  std::span<uint16_t> blob = ProjectBlob();
  std::copy(image_.words().begin(), image_.words().end(), blob.begin());
}

bool GatewayDialog::SameAsProject() const {
  const std::span<const uint16_t> blob = project_.Record(entry_);
  const std::span<const uint16_t> words = image_.words();
  if (blob.size() < words.size()) return false;
  // The clock runs on in the window every second: its ticking alone is no change.
  const GatewayMap& map = image_.map();
  for (size_t r = 0; r < words.size(); ++r) {
    const int reg = static_cast<int>(r);
    if ((reg >= map.reg_clock && reg < map.reg_clock + 4) ||
        (reg >= map.reg_unix_time && reg < map.reg_unix_time + 2)) {
      continue;
    }
    if (words[r] != blob[r]) return false;
  }
  return true;
}

void GatewayDialog::OnCancel() {
  if (!CheckEntries()) return;
  Gather();
  if (!SameAsProject()) StoreIntoProject();
  EndDialog(ui::kIdCancel);
}

// ---------------------------------------------------------------------------------------------
// Buttons and lists

void GatewayDialog::OnCommand(int id) {
  switch (id) {
    case kGwRead:
      Read();
      return;
    case kGwWriteRam:
      Write(false);
      return;
    case kGwWriteEeprom:
      Write(true);
      return;
    case kGwSave:
      if (!CheckEntries()) return;
      Gather();
      StoreIntoProject();
      return;
    case kGwDefault:
      if (!ConfirmDefault()) return;
      image_ = DefaultGatewayImage(image_);
      ApplyWhole(true);
      return;
    case kGwExport:
      if (services_.export_words) {
        services_.export_words(*this, image_.words(), u"Export_" + DisplayName(address_));
      }
      return;
    case kGwImport:
      Import();
      return;
    case kGwFwUpdate:
      FirmwareUpdate();
      return;
    case kGwReadLog:
      services_.log.Request(route_, address_);
      return;
    case kGwSynchronize:
      Synchronize();
      return;
    case kGwOutOn:
      Output(GatewayImage::kOutputOnBit);
      return;
    case kGwOutOff:
      Output(GatewayImage::kOutputOffBit);
      return;
    case kGwCompressCache:
      PlaceCacheAndCheck(true);
      return;
    case kGwUniFifo:
      OpenUniFifo();
      return;
    case kGwWmbusFifo:
      OpenWmbusFifo();
      return;
    case kGwUniFifo2:
      OpenUniFifo2();
      return;
    case kGwTxSend:
      Transmit();
      return;
    case kGwCreateReport:
      // From the working image as it stands: the controls are not gathered first.
      WriteReport(*this, GatewayReportText(image_));
      return;
    case kGwUniMonitor:
      OpenUniMonitor();
      return;
    case kGwConfigBridge: {
      // Edits the working image; the next write takes the settings to the gateway.
      CModbusBridgeDlg bridge(host(), image_, address_, project_);
      RunModal(bridge);
      return;
    }
    default:
      return;
  }
}

void GatewayDialog::OnSelChange(int id) {
  if (id == kGwFrequency) SetRfPowerOffset(OffsetForFrequency(CurSel(kGwFrequency)));
}

int GatewayDialog::OffsetForFrequency(int frequency_index) const {
  // Before 4.00 the power code is the list index itself, on every channel.
  if (older_) return 0;
  if (TypeOf(address_) == 0x015) return 2;
  return frequency_index == kFullPowerFrequency ? 0 : 1;
}

void GatewayDialog::SetRfPowerOffset(int offset) {
  if (offset == rf_power_offset_) return;
  const int absolute = std::max(rf_power_offset_, 0) + std::max(CurSel(kGwRfPower), 0);
  rf_power_offset_ = offset;
  ResetContent(kGwRfPower);
  for (int code = offset; code < static_cast<int>(kGwRfPowerNames.size()); ++code) {
    AddString(kGwRfPower, kGwRfPowerNames[static_cast<size_t>(code)]);
  }
  SetCurSel(kGwRfPower, absolute < offset ? 0 : absolute - offset);
}

void GatewayDialog::OnDoubleClick(int id, int row, int column) {
  if (id == kGwDevices && row >= 0 && row < image_.map().devices) {
    if (column == kGwColAction) {
      const RfAddress device = image_.Device(row).address;
      // The device's registers are reached through this gateway (or its own route).
      if (device != 0) opener_.OpenDialogFor(*this, device, route_ != 0 ? route_ : address_);
    } else {
      EditDevice(row);
    }
    RefreshDeviceRows(0, kImageWords);
  } else if (id == kGwUniDevices && row >= 0 && row < GatewayImage::kUniDevices) {
    EditUniDevice(row);
    RefreshUniRows(0, kImageWords);
  }
}

void GatewayDialog::EditDevice(int row) {
  GwDeviceEntry entry = image_.Device(row);
  uint8_t modbus = image_.ModbusAddress(row);
  CGwDevices editor(host(), entry, modbus, address_, project_, HeardList());
  if (RunModal(editor) != ui::kIdOk) return;
  image_.SetDevice(row, entry);
  image_.SetModbusAddress(row, modbus);
  PlaceCacheAndCheck(false);
}

void GatewayDialog::EditUniDevice(int row) {
  GwUniEntry entry = image_.UniDevice(row);
  CGwDevicesUni editor(host(), entry, address_, project_, HeardList(), !older_);
  if (RunModal(editor) != ui::kIdOk) return;
  image_.SetUniDevice(row, entry);
  CheckCollision();
}

// The defaults hold no devices: with devices in the tables, one click would empty both, and the
// indicator stays as it was, so the next Write would send the empty tables without a question.
bool GatewayDialog::ConfirmDefault() {
  int paired = 0;
  for (RfAddress a : image_.DeviceAddresses()) paired += a != 0;
  int transmit_only = 0;
  for (int i = 0; i < GatewayImage::kUniDevices; ++i)
    transmit_only += image_.UniDevice(i).address != 0;
  if (paired == 0 && transmit_only == 0) return true;
  return MessageBox(Format("Default empties the device tables: %d paired and %d transmit-only "
                           "devices are removed.\nContinue?",
                           paired, transmit_only),
                    u"Default", {ui::Buttons::kYesNo, ui::Icon::kQuestion, 1}) == ui::kIdYes;
}

void GatewayDialog::PlaceCacheAndCheck(bool compress) {
  const std::vector<int> left_out = compress ? CompressCache(image_) : PlaceCache(image_);
  RefreshDeviceRows(0, kImageWords);
  gw_window::ReportCacheFull(*this, left_out, [this](int i) { return image_.Device(i); });
  // Compression moves cache ranges only; the Modbus addresses it leaves as they were.
  if (compress) return;
  CheckCollision();
}

void GatewayDialog::CheckCollision() {
  if (auto collision = FindModbusCollision(image_)) MessageBox(CollisionMessage(*collision));
}

void GatewayDialog::Import() {
  if (!services_.import_words) return;
  GatewayImage copy = image_;
  if (services_.import_words(*this, copy.words()) <= 0) return;
  // A file in the older layout is converted; one in this layout (version 0 too) never is.
  ConvertPre400Image(copy.words());
  image_ = copy;
  ApplyWhole(true);
}

void GatewayDialog::OpenUniMonitor() {
  CGWUniMonitor monitor(host(), services_.queues, address_, route_, image_);
  uni_monitor_ = &monitor;
  RunModal(monitor);
  uni_monitor_ = nullptr;
}

void GatewayDialog::FirmwareUpdate() {
  gw_window::FirmwareUpdate(*this, services_, address_, route_, kKeepAliveTimer, kKeepAliveMs);
}

std::vector<HeardEntry> GatewayDialog::HeardList() const { return HeardListOf(services_.dongle); }

void GatewayDialog::ApplyButtonVisibility() {
  const bool heard = gw_window::ApplyHeardList(
      *this, services_.dongle, address_,
      {kGwFwUpdate, kGwRead, kGwReadLog, kGwWriteRam, kGwWriteEeprom, kGwUniMonitor},
      kKeepAliveTimer, kKeepAliveMs);
  // Why the buttons are gone, and what brings them back.
  Show(kGwNotHeard, !heard && !IsVisible(kGwProgress));
}

// ---------------------------------------------------------------------------------------------
// Timers

void GatewayDialog::OnTimer(int id) {
  if (cycle_.OnTimer(id)) return;
  switch (id) {
    case kKeepAliveTimer:
      QueueRead(GatewayImage::kRegBackgroundRssi, 1, false);
      return;
    case kRssiTimer:
      SetText(kGwRssi, Format("%d dBm", services_.heard.RssiOf(address_)));
      SetText(kGwRxRssi, Format("%d dBm", services_.heard.device_rssi()));
      return;
    case kUniFifoTimer:
      if (uni_fifo_ && uni_fifo_->is_open()) {
        QueueRead(GatewayImage::kRegWriteLogCount, 1, false);
        log_entry_.PollQueued();
      } else {
        KillTimer(kUniFifoTimer);
      }
      return;
    case kWmbusFifoTimer:
      if (wmbus_fifo_ && wmbus_fifo_->is_open()) {
        wmbus_reader_.Poll();
      } else {
        KillTimer(kWmbusFifoTimer);
      }
      return;
    case kUniFifo2Timer:
      if (uni_fifo2_ && uni_fifo2_->is_open()) {
        QueueRead(GatewayImage::kRegFifo2Control, kFifo2Registers, false);
      } else {
        KillTimer(kUniFifo2Timer);
      }
      return;
    case kClockTimer:
      ClockTick();
      return;
    case kUnsupportedTimer:
      KillTimer(kUnsupportedTimer);
      UnsupportedVersion();
      return;
    default:
      return;
  }
}

void GatewayDialog::ClockTick() {
  image_.SetClock(
      gw_window::NextSecond(gw_window::ShowClock(*this, kGwDate, kGwTime, image_.Clock())));
  image_.SetUnixTime(image_.UnixTime() + 1);
  SetText(kGwUnixTime, Format("%u", image_.UnixTime()));
}

void GatewayDialog::Synchronize() {
  image_.SetClock(gw_window::ClockOf(host().Now(), image_.Clock()));
  QueueWrite(image_.map().reg_clock, 4, false);
}

void GatewayDialog::Output(uint16_t bit) {
  const int reg = image_.map().reg_output;
  const uint16_t before = image_.Word(reg);
  image_.SetWord(reg, static_cast<uint16_t>(before | bit));
  QueueWrite(reg, 1, false);  // the words are copied when queued
  image_.SetWord(reg, static_cast<uint16_t>(before & ~bit));
}

void GatewayDialog::Transmit() {
  std::u16string_view text = Text(kGwTxAddress);
  if (const size_t at = text.find(u"0x"); at != std::u16string_view::npos) {
    text = text.substr(at + 2);
  }
  const std::optional<uint32_t> address = ScanHex(text);
  if (!address) {
    MessageBox(u"Invalid Addr");
    return;
  }
  const std::vector<uint8_t> data = ParseHexBytes(Text(kGwTxData), 128);
  // The data area ends where the length and the trigger are: longer data has no place.
  if (!image_.SetTransmitRequest(*address, data)) {
    MessageBox(Format("Tx Data holds %d bytes; the gateway transmits at most %d.",
                      static_cast<int>(data.size()), GatewayImage::kTxDataBytes),
               u"Tx Data", {ui::Buttons::kOk, ui::Icon::kWarning, 0});
    return;
  }
  QueueWrite(GatewayImage::kRegTxAddress, kTxRegisters, Idle());
}

// The tools start with a flushed queue only when no Read or Write runs: a flush would drop the
// operation's requests, and it would end with "Read unsuccessfull". Otherwise they queue behind.
bool GatewayDialog::Idle() const { return cycle_.Idle(); }

void GatewayDialog::OpenUniFifo() {
  if (!uni_fifo_) uni_fifo_ = std::make_unique<Cfifo>(host());
  log_entry_.Restart();
  QueueRead(GatewayImage::kRegWriteLogCount, 1, Idle());
  log_entry_.PollQueued();
  uni_fifo_->ShowFor(*this);
  SetTimer(kUniFifoTimer, kFifoPollMs);
}

void GatewayDialog::OpenWmbusFifo() {
  if (!wmbus_fifo_) wmbus_fifo_ = std::make_unique<CWmbusFifo>(host());
  wmbus_reader_.Start(Idle());
  wmbus_fifo_->ShowFor(*this);
  SetTimer(kWmbusFifoTimer, kFifoPollMs);
}

void GatewayDialog::OpenUniFifo2() {
  if (!uni_fifo2_) uni_fifo2_ = std::make_unique<Cfifo2>(host());
  fifo2_listed_.clear();
  image_.SetWord(GatewayImage::kRegFifo2Control, GatewayImage::kFifo2Start);
  QueueWrite(GatewayImage::kRegFifo2Control, 1, Idle());
  QueueRead(GatewayImage::kRegFifo2Control, kFifo2Registers, Idle());
  uni_fifo2_->ShowFor(*this);
  SetTimer(kUniFifo2Timer, kFifoPollMs);
}

}  // namespace corvane
