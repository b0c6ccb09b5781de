#include "lighting/dali_bridge_dlg.h"

#include <algorithm>
#include <optional>

#include "lighting/dali_bridge_template.h"
#include "lighting/dali_command.h"
#include "lighting/dali_edit.h"
#include "lighting/light_control_dev_dlg.h"
#include "model/radio_settings.h"
#include "ui/text.h"

namespace corvane::lighting {
namespace {

using namespace dali_word;
using devices::FieldBinding;
using devices::Pending;
using ui::DaliRowId;
using ui::Format;
using ui::SourceState;

const FieldBinding kFields[] = {
    devices::Seconds32(ui::kDaliUptime, kUptime),
    devices::Suffixed(devices::SignedByte(ui::kDaliBkRssi, kBackgroundRssi, 0), u" dBm"),
    devices::FlagText(ui::kDaliPrg, kProgramming, 0xFF00, u"PRG"),
    devices::Unsigned(ui::kDaliActualValue, kActualValue),
};

// Record words of the three command rows.
constexpr int kRowWords[] = {kCommand, kGetActual, kTrigger};

// The memory read: the bank into DTR1, the location into DTR0, then READ MEMORY LOCATION of
// short address 0; the bridge answers the byte in the response registers.
constexpr uint32_t kSetDtr1 = 0x0001C300;
constexpr uint32_t kSetDtr0 = 0x0001A300;
constexpr uint32_t kReadMemoryLocation = 0x000101C5;
constexpr uint32_t kBroadcastOff = 0x0001FF00;

}  // namespace

uint32_t RecordWord32(std::span<const uint16_t> record, int word) {
  const auto w = static_cast<size_t>(word);
  return static_cast<uint32_t>(record[w]) | static_cast<uint32_t>(record[w + 1]) << 16;
}

void SetRecordWord32(std::span<uint16_t> record, int word, uint32_t value) {
  const auto w = static_cast<size_t>(word);
  record[w] = static_cast<uint16_t>(value);
  record[w + 1] = static_cast<uint16_t>(value >> 16);
}

int ControlDeviceWord(int k) { return kDevicesFirst + kDeviceWords * k; }

int ButtonCommandWord(int k, ButtonCommand command, int button) {
  return ControlDeviceWord(k) + 2 + 8 * static_cast<int>(command) + 2 * button;
}

RfAddress ControlDeviceAddress(std::span<const uint16_t> record, int k) {
  return RecordWord32(record, ControlDeviceWord(k));
}

CDaliBridgeDlg::CDaliBridgeDlg(const DeviceDialogContext& context, devices::DeviceServices services)
    : DeviceDialog(ui::DaliBridgeTemplate(), context, std::move(services), kDaliBridgeLayout,
                   kFields) {}

std::span<const FieldBinding> CDaliBridgeDlg::HeaderFields() const {
  // The Modbus ID is shown by code (register 27 once it is there).
  return devices::ByteNameHeaderFields(false);
}

std::u16string_view CDaliBridgeDlg::OverwriteQuestion() const {
  return u"Data are from project, write can replace data in device.\nStill want to write?";
}

void CDaliBridgeDlg::InitDevice() {
  ResetContent(devices::kDevRfPower);
  for (std::u16string_view power : devices::kPlainRfPowerNames)
    AddString(devices::kDevRfPower, power);
  SetRowCount(ui::kDaliDevices, kDaliControlDevices);
  modbus_id_shown_ = false;
}

// ---------------------------------------------------------------------------------------------
// Showing the record

void CDaliBridgeDlg::RefreshDevice(int first, int count) {
  const auto rec = record();
  auto covers = [&](int word) { return first <= word && word < first + count; };
  auto overlaps = [&](int from, int to) { return first <= to && from < first + count; };

  // The Modbus ID is register 27; before that has come, word 0 stands in for it.
  if (covers(kModbusId)) {
    modbus_id_shown_ = true;
    SetText(devices::kDevModbusId, Format("%d", rec[kModbusId]));
  } else if (covers(0) && !modbus_id_shown_) {
    SetText(devices::kDevModbusId, Format("0x%04X", rec[0]));
  }
  if (overlaps(kInfo, kInfo + 1)) {
    SetText(ui::kDaliInfo, Format("%02X%02X%02X%02X", rec[kInfo] & 0xFF, rec[kInfo] >> 8,
                                  rec[kInfo + 1] & 0xFF, rec[kInfo + 1] >> 8));
  }
  if (covers(kSystem)) {
    SetCheck(ui::kDaliSystemMode, (rec[kSystem] & 0xFF) != 0);
    SetText(ui::kDaliAdvance, Format("%d", static_cast<int8_t>(rec[kSystem] >> 8)));
  }
  if (overlaps(kResponse, kResponse + 1)) {
    SetText(ui::kDaliResponse, Format("0x%08X", RecordWord32(rec, kResponse)));
  }
  for (int row = 0; row < 3; ++row) {
    if (overlaps(kRowWords[row], kRowWords[row] + 1)) ShowCommandRow(row);
  }
  if (overlaps(kDevicesFirst, kDevicesLast)) {
    RebuildList();
  } else {
    for (int k = 0; k < kDaliControlDevices; ++k) {
      if (covers(kRssiFirst + k / 2)) ShowRssi(k);
    }
  }
  ShowEdges();
}

void CDaliBridgeDlg::ShowEdges() {
  const auto rec = record();
  if (rec[1] < kDaliEdgeFirmware) {
    // Older firmware has no registers from 484 on: the read completes without them.
    RemoveFromAllPending(kRisingEdge, kDaliBridgeWords - kRisingEdge);
    for (int id : {ui::kDaliGwAddress, ui::kDaliRisingEdge, ui::kDaliFallingEdge}) {
      SetText(id, u"--");
    }
    return;
  }
  SetText(ui::kDaliRisingEdge, Format("%d us", rec[kRisingEdge]));
  SetText(ui::kDaliFallingEdge, Format("%d us", rec[kFallingEdge]));
  SetText(ui::kDaliGwAddress, Format("0x%08X", RecordWord32(rec, kGatewayAddress)));
}

void CDaliBridgeDlg::ShowCommandRow(int row) {
  const DaliCommandText text = DaliCommandTexts(RecordWord32(record(), kRowWords[row]));
  SetText(DaliRowId(ui::kDaliCmd0, row), text.command);
  SetText(DaliRowId(ui::kDaliLen0, row), text.length);
  SetText(DaliRowId(ui::kDaliPrio0, row), text.priority);
}

void CDaliBridgeDlg::ShowRssi(int k) {
  const auto rssi = static_cast<int8_t>(devices::RecordByte(record(), kRssiFirst + k / 2, k % 2));
  SetCell(ui::kDaliDevices, k, 2, Format("%d dBm", rssi));
}

void CDaliBridgeDlg::RebuildList() {
  SetRowCount(ui::kDaliDevices, kDaliControlDevices);
  for (int k = 0; k < kDaliControlDevices; ++k) {
    const RfAddress a = ControlDeviceAddress(record(), k);
    SetCell(ui::kDaliDevices, k, 0, Format("%03d", k + 1));
    SetCell(ui::kDaliDevices, k, 1, Format("0x%08X %d", a, static_cast<int32_t>(a)));
    ShowRssi(k);
  }
}

// ---------------------------------------------------------------------------------------------
// Controls into the record

bool CDaliBridgeDlg::CheckEntries() {
  if (!DeviceDialog::CheckEntries()) return false;
  for (int row : {ui::kDaliRowGetActual, ui::kDaliRowTrigger}) {
    if (!ui::AcceptEntries(*this, DaliPriorityProblem(*this, DaliRowId(ui::kDaliPrio0, row)))) {
      return false;
    }
  }
  return true;
}

void CDaliBridgeDlg::CollectDevice() {
  auto rec = mutable_record();
  uint16_t& system = rec[kSystem];
  int advance = static_cast<int8_t>(system >> 8);
  if (const auto typed = ui::ScanInt(Text(ui::kDaliAdvance))) {
    // A signed byte: what it cannot hold stops at its ends rather than wrapping around.
    advance = std::clamp(*typed, -128, 127);
  }
  system = static_cast<uint16_t>((static_cast<uint8_t>(advance) << 8) |
                                 (IsChecked(ui::kDaliSystemMode) ? 1 : 0));
  for (int row : {ui::kDaliRowGetActual, ui::kDaliRowTrigger}) {
    const auto command = ui::ScanHex(Text(DaliRowId(ui::kDaliCmd0, row)));
    const auto length = ui::ScanInt(Text(DaliRowId(ui::kDaliLen0, row)));
    if (!command || !length) continue;
    const int priority = ui::ScanInt(Text(DaliRowId(ui::kDaliPrio0, row))).value_or(3);
    SetRecordWord32(
        rec, kRowWords[row],
        EncodeDaliCommand(RecordWord32(rec, kRowWords[row]), *command, *length, priority));
  }
}

std::vector<uint16_t> CDaliBridgeDlg::DefaultRecord() const {
  // Frequency index 0, RF power "+10 dBm".
  std::vector<uint16_t> d =
      devices::ByteNameDefaultRecordBase(record(), 1296, 1128, 0, u"DALI interface");
  d[kSystem] = static_cast<uint16_t>(static_cast<uint8_t>(-2) << 8);
  return d;
}

// ---------------------------------------------------------------------------------------------
// Reading and writing

void CDaliBridgeDlg::ApplyButtonVisibility() {
  const bool heard = InHeardList(route() == 0 ? address() : route());
  for (int id : {devices::kDevRead, devices::kDevWriteRam, devices::kDevWriteEeprom,
                 devices::kDevFwUpdate, devices::kDevReadLog}) {
    Show(id, heard);
  }
  if (heard && !polling_) {
    SetTimer(kRssiTimer, kRssiMs);
  } else if (!heard) {
    KillTimer(kRssiTimer);
  }
  polling_ = heard;
}

void CDaliBridgeDlg::OnDeviceTimer(int id) {
  if (id == kRssiTimer) {
    services().queues.QueueRead(route(), address(), kBackgroundRssi, 1, 0, false);
  }
}

void CDaliBridgeDlg::ConfigureCycle(RegisterCycle::Target& target) const {
  // Through a routing device the bridge is asked with its own register numbers, and the store
  // follows the RAM write.
  target.routed_base = 0;
  target.eeprom = devices::EepromStep::kAfterRam;
  target.confirm_timer = kConfirmTimer;
}

void CDaliBridgeDlg::Read() {
  if (cycle().Busy()) return;
  StartRead();
  // Older firmware is known from the record already: its read never waits for what it lacks.
  ShowEdges();
}

std::vector<RegisterRange> CDaliBridgeDlg::WriteRanges(bool /*eeprom*/) const {
  return DeviceDialog::WriteRanges(false);
}

int CDaliBridgeDlg::WriteTimeoutMs(bool eeprom) const {
  if (!eeprom) return kTimeoutMs;
  // The slower radio channels take longer for the write and the store.
  const uint32_t frequency = project().FrequencyIndex();
  return frequency == 1 || frequency == 4 ? 6000 : 4000;
}

uint16_t CDaliBridgeDlg::SettingMask(int word) const {
  // The settings; the command run at once, the actual value, the edges and the status word
  // follow the bridge without a question.
  static constexpr RegisterRange kSettings[] = {
      {8, 8}, {18, 9}, {50, 1}, {kTrigger, 4}, {kDevicesFirst, kRisingEdge - kDevicesFirst}};
  for (const RegisterRange& r : kSettings) {
    if (r.first <= word && word < r.first + r.count) return 0xFFFF;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Commands executed now

void CDaliBridgeDlg::SendCommand(uint32_t word) {
  SetRecordWord32(mutable_record(), kCommand, word);
  ShowCommandRow(ui::kDaliRowCommand);
  // Behind whatever is queued: a command must not drop the rest of a write, nor the commands
  // sent just before it (a memory read is three in a row).
  services().queues.QueueWrite(route(), address(), kCommand, 2, record().data() + kCommand, 0,
                               false);
}

void CDaliBridgeDlg::WriteCommandRow() {
  // Without a frame and its length there is no command to execute: the user hears which field
  // does not read, and nothing is sent (the bridge would run the previous command again).
  const auto entry = ReadDaliCommandEntry(*this, DaliRowId(ui::kDaliCmd0, ui::kDaliRowCommand),
                                          DaliRowId(ui::kDaliLen0, ui::kDaliRowCommand),
                                          DaliRowId(ui::kDaliPrio0, ui::kDaliRowCommand));
  if (!entry) return;
  SetText(ui::kDaliResponse, u"");
  SendCommand(EncodeDaliCommand(RecordWord32(record(), kCommand), entry->command, entry->length,
                                entry->priority));
}

void CDaliBridgeDlg::ReadMemory() {
  const auto number = ui::ScanInt(Text(ui::kDaliMemNumber));
  if (!number || *number < 0 || *number > 0xFFFF) return;
  const auto m = static_cast<uint32_t>(*number);
  SetText(ui::kDaliResponse, u"");
  for (uint32_t frame :
       {kSetDtr1 | (m & 0xFF), kSetDtr0 | ((m >> 8) & 0xFF), kReadMemoryLocation}) {
    const uint32_t kept = RecordWord32(record(), kCommand) & kDaliPushPullBit;
    SendCommand(kept | frame);
  }
}

void CDaliBridgeDlg::OnCommand(int id) {
  switch (id) {
    case ui::kDaliWriteCmd:
      WriteCommandRow();
      return;
    case ui::kDaliLightOff:
      SendCommand((RecordWord32(record(), kCommand) & kDaliPushPullBit) | kBroadcastOff);
      return;
    case ui::kDaliReadMem:
      ReadMemory();
      return;
    case DaliRowId(ui::kDaliEdit0, ui::kDaliRowCommand):
    case DaliRowId(ui::kDaliEdit0, ui::kDaliRowGetActual):
    case DaliRowId(ui::kDaliEdit0, ui::kDaliRowTrigger):
      OpenEditor(id - ui::kDaliEdit0);
      return;
    case devices::kDevFwUpdate:
      // The update talks to the bridge alone; the polls start again afterwards.
      KillTimer(kRssiTimer);
      polling_ = false;
      DeviceDialog::OnCommand(id);
      ApplyButtonVisibility();
      return;
    default:
      DeviceDialog::OnCommand(id);
      return;
  }
}

void CDaliBridgeDlg::OnDoubleClick(int id, int row, int /*column*/) {
  if (id == ui::kDaliDevices) {
    if (row >= 0 && row < kDaliControlDevices) OpenControlDevice(row);
    return;
  }
  for (int r = 0; r < 3; ++r) {
    if (id == DaliRowId(ui::kDaliCmd0, r)) OpenEditor(r);
  }
}

void CDaliBridgeDlg::OpenEditor(int row) {
  const int command = DaliRowId(ui::kDaliCmd0, row);
  CDaliEdit editor(host(), ui::ScanHex(Text(command)).value_or(0));
  if (RunModal(editor) != ui::kIdOk || !editor.changed()) return;
  SetText(command, Format("%08X", static_cast<unsigned>(editor.value())));
  SetText(DaliRowId(ui::kDaliLen0, row), Format("%d", editor.length()));
  SetText(DaliRowId(ui::kDaliPrio0, row), u"0");
}

void CDaliBridgeDlg::OpenControlDevice(int k) {
  CLightControlDevDlg device(host(), mutable_record(), k, project(), address(), PressSender());
  RunModal(device);
  RebuildList();
}

// ---------------------------------------------------------------------------------------------
// Closing

void CDaliBridgeDlg::OnCancel() {
  if (!CheckEntries()) return;
  Collect();
  if (!AskOnClose()) return;
  KillTimer(kRssiTimer);
  KillTimer(kConfirmTimer);
  EndDialog(ui::kIdCancel);
}

}  // namespace corvane::lighting
