#include "devices/output_node_dlg.h"

#include <algorithm>

#include "app/project_devices.h"
#include "devices/control_press.h"
#include "devices/output_node_template.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/entry_problem.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using namespace output_word;
using ui::Format;
using ui::OutId;
using ui::SourceState;

const FieldBinding kFields[] = {
    Seconds32(ui::kOutUptime, kUptime),
    Suffixed(SignedByte(ui::kOutBkRssi, kBackgroundRssi, 0), u" dBm"),
    CheckWord(ui::kOutCacheable, kCacheable, 0xFFFF),
    CheckWord(ui::kOutSystemMode, kSystemMode, 0xFFFF),
    ZeroWhenBad(UnsignedEdit(ui::kOutMaxOnTime, kPressTimes, 1)),
    Hundredths(ui::kOutHysteresis, kHysteresis, true),
    Hundredths(ui::kOutRhOn, kRhOn, true),
    Hundredths(ui::kOutRhOff, kRhOff, true),
    Unsigned(ui::kOutExtInput, kExtInput),
    Unsigned(ui::kOutCnt, kCounter),
    ZeroWhenBad(Decimal(ui::kOutBlockTime, kBlockTime, 1, true)),
};

// Block option bits and their boxes.
constexpr std::pair<uint16_t, int> kBlockBoxes[] = {
    {0x01, ui::kOutBlockInverted}, {0x02, ui::kOutBlockOut1}, {0x04, ui::kOutBlockOut2},
    {0x08, ui::kOutPullUp},        {0x10, ui::kOutPullDown},
};

// The command boxes and their bits.
constexpr std::pair<int, uint8_t> kCommandBoxes[] = {
    {OutId(ui::kOutOn1, 1), kCommandOn1},
    {OutId(ui::kOutOff1, 1), kCommandOff1},
    {OutId(ui::kOutLongPress1, 1), kCommandLongPress1},
    {OutId(ui::kOutOn1, 2), kCommandOn2},
    {OutId(ui::kOutOff1, 2), kCommandOff2},
    {OutId(ui::kOutLongPress1, 2), kCommandLongPress2},
};

// Firmware that lacks the registers from `missing_from` on (word 1 = version x 100).
struct FirmwareRange {
  uint16_t version;
  int last;          // last word of both writes
  int missing_from;  // first register the device does not have
};
constexpr FirmwareRange kFirmwareRanges[] = {
    {202, 131, 132}, {204, 149, 150}, {307, 151, 152}, {308, 151, 152}};
constexpr int kMissingCount = 100;

const FirmwareRange* RangeOf(uint16_t version) {
  for (const FirmwareRange& r : kFirmwareRanges) {
    if (r.version == version) return &r;
  }
  return nullptr;
}

std::u16string Hundredths2(int value) { return Format("%.2f", value / 100.0); }

// Milliseconds shown for a byte in 100 ms, and the byte for typed milliseconds (rounded).
std::u16string TenthsAsMs(uint8_t byte) { return Format("%d", byte * 100); }
// The longest press time a byte of tenths holds, rounded as MsAsTenths rounds.
constexpr int kMaxPressMs = 25549;
uint8_t MsAsTenths(std::u16string_view text) {
  const int ms = ui::ScanInt(text).value_or(0);
  return static_cast<uint8_t>((ms + 50) / 100);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Record helpers

LinkRow DecodeLink(uint8_t byte) {
  return {byte & 3, (byte >> 2) & 3, (byte >> 4) & 3, (byte & 0x40) != 0, (byte & 0x80) != 0};
}

uint8_t EncodeLink(const LinkRow& row) {
  return static_cast<uint8_t>((row.on & 3) | (row.off & 3) << 2 | (row.long_press & 3) << 4 |
                              (row.o1 ? 0x40 : 0) | (row.o2 ? 0x80 : 0));
}

RfAddress EntryAddress(std::span<const uint16_t> record, int k) {
  const size_t w = static_cast<size_t>(kDevicesFirst + kEntryWords * k);
  return static_cast<RfAddress>(record[w]) | static_cast<RfAddress>(record[w + 1]) << 16;
}

void SetEntryAddress(std::span<uint16_t> record, int k, RfAddress address) {
  const size_t w = static_cast<size_t>(kDevicesFirst + kEntryWords * k);
  record[w] = static_cast<uint16_t>(address);
  record[w + 1] = static_cast<uint16_t>(address >> 16);
}

uint8_t EntryLink(std::span<const uint16_t> record, int k, int row) {
  return RecordByte(record, kDevicesFirst + kEntryWords * k + 2 + row / 2, row % 2);
}

void SetEntryLink(std::span<uint16_t> record, int k, int row, uint8_t byte) {
  SetRecordByte(record, kDevicesFirst + kEntryWords * k + 2 + row / 2, row % 2, byte);
}

bool PushPull(std::span<const uint16_t> record, int k, int row) {
  const int bit = 4 * k + row;
  return (record[static_cast<size_t>(kPushPull + bit / 16)] >> (bit % 16)) & 1;
}

void SetPushPull(std::span<uint16_t> record, int k, int row, bool on) {
  const int bit = 4 * k + row;
  uint16_t& w = record[static_cast<size_t>(kPushPull + bit / 16)];
  const auto mask = static_cast<uint16_t>(1u << (bit % 16));
  w = on ? static_cast<uint16_t>(w | mask) : static_cast<uint16_t>(w & ~mask);
}

std::u16string TemperatureText(int16_t value) {
  switch (value) {
    case -30000:
      return u"Error Temp CRC";
    case -30001:
      return u"No sensor";
    case -30002:
      return u"Error ROM";
    case -30003:
      return u"Error Scratch";
    case -30004:
      return u"Error Short";
    default:
      if (value < -30004) return u"Error Any";
      return Format("%.2f\u00B0C", value / 100.0);
  }
}

std::optional<int> ScanJalousieTenths(std::u16string_view text) {
  // Hundredths first, so the tenth is rounded from the digit after it: 1.25 s is 13 tenths,
  // 1.05 s is 11 (not 15, as reading whole and tenth as two integers would give).
  const auto hundredths = ui::ScanScaledDecimal(text, 2);
  if (!hundredths) return std::nullopt;
  const int64_t tenths = *hundredths <= 0 ? 0 : (*hundredths + 5) / 10;
  return static_cast<int>(std::min<int64_t>(tenths, 63));
}

std::optional<int> ScanPwmTenths(std::u16string_view text) {
  const auto tenths = ui::ScanScaledDecimal(text, 1);
  if (!tenths || *tenths == 0) return 1;  // nothing usable: the shortest period
  if (*tenths < 0 || *tenths > kPwmMaxTenths) return std::nullopt;
  return static_cast<int>(*tenths);
}

// ---------------------------------------------------------------------------------------------
// Link dialogs

OutputLinkDialog::Kind OutputLinkDialog::KindFor(uint16_t type) {
  switch (type) {
    case 0x002:
    case 0x011:
      return Kind::kRoom;
    case 0x00A:
      return Kind::kSensor;
    default:
      return Kind::kInput;
  }
}

namespace {
const ui::DialogTemplate& LinkTemplate(OutputLinkDialog::Kind kind) {
  switch (kind) {
    case OutputLinkDialog::Kind::kRoom:
      return ui::OutputRoomLinkTemplate();
    case OutputLinkDialog::Kind::kSensor:
      return ui::OutputSensorLinkTemplate();
    case OutputLinkDialog::Kind::kInput:
      break;
  }
  return ui::OutputInputLinkTemplate();
}

// The project devices that can control an output node.
constexpr uint16_t kControlTypes[] = {0x003, 0x00B, 0x002, 0x00A, 0x00E, 0x011, 0x012, 0x014};
}  // namespace

OutputLinkDialog::OutputLinkDialog(Kind kind, ui::Host& host, std::span<uint16_t> record, int k,
                                   const Project& project, RfAddress node, bool one_output,
                                   std::function<void(RfAddress, std::span<const uint8_t>)> send)
    : Dialog(LinkTemplate(kind), host),
      kind_(kind),
      record_(record),
      k_(k),
      project_(project),
      node_(node),
      one_output_(one_output),
      send_(std::move(send)) {}

bool OutputLinkDialog::HasRow(int row) const {
  return kind_ != Kind::kSensor || row == 0 || row == 3;
}

void OutputLinkDialog::OnInit() {
  SetTitle(Format("Duplon-A Control Device %d", k_ + 1));
  devices::FillControlDeviceList(*this, ui::kLinkAddress, project_, kControlTypes,
                                 EntryAddress(record_, k_));

  for (int r = 0; r < 4; ++r) {
    if (!HasRow(r)) continue;
    const LinkRow row = DecodeLink(EntryLink(record_, k_, r));
    SetCurSel(ui::LinkId(ui::kLinkOn0, r), row.on);
    SetCurSel(ui::LinkId(ui::kLinkOff0, r), row.off);
    SetCheck(ui::LinkId(ui::kLinkO1_0, r), row.o1);
    SetCheck(ui::LinkId(ui::kLinkO2_0, r), row.o2);
    if (kind_ == Kind::kInput) {
      SetCurSel(ui::LinkId(ui::kLinkLong0, r), row.long_press);
      SetCheck(ui::LinkId(ui::kLinkPushPull0, r), PushPull(record_, k_, r));
      // The one-output node has no output 2 to link.
      Show(ui::LinkId(ui::kLinkO2_0, r), !one_output_);
    }
  }
  ShowThresholdCaptions();
}

void OutputLinkDialog::ShowThresholdCaptions() {
  // The switching direction follows the order of the two thresholds: with Off below On the ON
  // report comes at or above On.
  auto captions = [&](int row, int on, int off, auto text) {
    const bool rising = off < on;
    SetText(ui::LinkId(ui::kLinkOnCaption0, row), text(rising ? ">=" : "<=", on));
    SetText(ui::LinkId(ui::kLinkOffCaption0, row), text(rising ? "<=" : ">=", off));
  };
  const auto word = [&](int w) { return static_cast<int16_t>(record_[static_cast<size_t>(w)]); };
  if (kind_ == Kind::kRoom) {
    captions(2, word(kThresholdOn), word(kThresholdOff),
             [](const char* op, int v) { return Format("CO2 %s %d ppm", op, v); });
  }
  if (kind_ != Kind::kInput) {
    captions(3, word(kRhOn), word(kRhOff),
             [](const char* op, int v) { return Format("rH %s %.2f %%", op, v / 100.0); });
  }
}

void OutputLinkDialog::OnCommand(int id) {
  for (int r = 0; r < 4; ++r) {
    if (id == ui::LinkId(ui::kLinkTest0, r) && HasRow(r)) TestPress(r);
  }
}

void OutputLinkDialog::TestPress(int row) {
  ++sequence_;
  const auto frame =
      ButtonPressFrame(EntryAddress(record_, k_), static_cast<uint8_t>(sequence_), row);
  if (send_) send_(node_, frame);
}

void OutputLinkDialog::OnOk() {
  if (const auto address = ParseHexAddress(Text(ui::kLinkAddress))) {
    SetEntryAddress(record_, k_, *address);
  }
  for (int r = 0; r < 4; ++r) {
    if (!HasRow(r)) continue;
    const uint8_t old = EntryLink(record_, k_, r);
    const LinkRow was = DecodeLink(old);
    // A list that shows no entry keeps the row's value.
    LinkRow row{.on = CurSelOr(ui::LinkId(ui::kLinkOn0, r), was.on),
                .off = CurSelOr(ui::LinkId(ui::kLinkOff0, r), was.off),
                .long_press = was.long_press,
                .o1 = IsChecked(ui::LinkId(ui::kLinkO1_0, r)),
                .o2 = IsChecked(ui::LinkId(ui::kLinkO2_0, r))};
    if (kind_ == Kind::kInput) {
      row.long_press = CurSelOr(ui::LinkId(ui::kLinkLong0, r), was.long_press);
      SetPushPull(record_, k_, r, IsChecked(ui::LinkId(ui::kLinkPushPull0, r)));
    }
    SetEntryLink(record_, k_, r, EncodeLink(row));
  }
  EndDialog(ui::kIdOk);
}

// ---------------------------------------------------------------------------------------------
// Node dialog

COutputNodeDlg::COutputNodeDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::OutputNodeTemplate(), context, std::move(services), kOutputNodeLayout,
                   kFields) {}

std::span<const FieldBinding> COutputNodeDlg::HeaderFields() const {
  // The name byte by byte like the password, and the RF power list position itself.
  return ByteNameHeaderFields(true);
}

void COutputNodeDlg::InitDevice() {
  ResetContent(kDevRfPower);
  for (std::u16string_view power : kPlainRfPowerNames) AddString(kDevRfPower, power);
  ResetContent(ui::kOutDevices);
  SetRowCount(ui::kOutDevices, kControlDevices);
  if (one_output()) {
    for (int first :
         {ui::kOutLabel1, ui::kOutMode1, ui::kOutTimeLabel1, ui::kOutTime1, ui::kOutTimeUnit1,
          ui::kOutInv1, ui::kOutOn1, ui::kOutOff1, ui::kOutLongPress1}) {
      Show(OutId(first, 2), false);
    }
    Show(ui::kOutPwmGroup, false);
    Show(ui::kOutBlockOut2, false);
  }
  Show(ui::kOutTempGroup, one_output());
}

void COutputNodeDlg::ApplyButtonVisibility() {
  const bool heard = InHeardList(route() == 0 ? address() : route());
  for (int id : {kDevFwUpdate, kDevRead, kDevWriteRam, kDevWriteEeprom, kDevReadLog}) {
    Show(id, heard);
  }
  if (heard && !polling_) {
    SetTimer(kPollTimer, kPollMs);
    SetTimer(kRssiTimer, kRssiMs);
  } else if (!heard) {
    KillTimer(kPollTimer);
    KillTimer(kRssiTimer);
  }
  polling_ = heard;
}

void COutputNodeDlg::StartDevice() { ShowRssi(); }

void COutputNodeDlg::OnDeviceTimer(int id) {
  if (id == kPollTimer) {
    services().queues.QueueRead(route(), address(), kBackgroundRssi, 1, 0, false);
  } else if (id == kRssiTimer) {
    ShowRssi();
  }
}

void COutputNodeDlg::ShowRssi() {
  SetText(ui::kOutDToPc, Format("%d dBm", services().heard.RssiOf(address())));
  SetText(ui::kOutPcToD, Format("%d dBm", services().heard.device_rssi()));
}

RecordLayout COutputNodeDlg::CurrentLayout() const {
  RecordLayout layout = kOutputNodeLayout;
  if (const FirmwareRange* r = RangeOf(record()[1])) {
    layout.ram_last = r->last;
    layout.eeprom_last = r->last;
  }
  return layout;
}

int COutputNodeDlg::WriteTimeoutMs(bool eeprom) const {
  if (!eeprom) return kTimeoutMs;
  // The slower radio channels take longer for the store and its report.
  const uint32_t frequency = project().FrequencyIndex();
  return frequency == 1 || frequency == 4 ? 6000 : 4000;
}

std::u16string_view COutputNodeDlg::OverwriteQuestion() const {
  return u"Data are from project, write can replace data in device.\nStill want to write?";
}

void COutputNodeDlg::ConfigureCycle(RegisterCycle::Target& target) const {
  // Plain register numbers through a router; the stored bit plays no part, and a completed read
  // keeps its pending operation.
  target.routed_base = 0;
  target.stored_bit_completes = false;
  target.read_keeps_pending = true;
}

uint16_t COutputNodeDlg::SettingMask(int word) const {
  // What the node measures and reports, and the command byte the switching boxes send at once,
  // are no settings: a Read alone must not make closing ask.
  if (word == kWordEepromControl || (word >= kUptime && word <= kOutputState)) return 0;
  if (word >= kRssiFirst && word < kSystemMode) return 0;
  if (word == kTemperature && one_output()) return 0;
  if (word == kCommand) return 0x00FF;
  if (word >= kLiveFirst && word <= kBlockTimer) return 0;
  return 0xFFFF;
}

bool COutputNodeDlg::AcceptBlock(int first, int count, bool from_cache) {
  const bool covers_hw = first <= 6 && 6 < first + count;
  if (covers_hw && !from_cache && record()[6] < 10) {
    MessageBox(
        u"This harware is not supported,\nplease contact your distributor to replace the product");
    return false;
  }
  return true;
}

void COutputNodeDlg::RefreshDevice(int first, int count) {
  const auto rec = record();
  auto covers = [&](int word) { return first <= word && word < first + count; };
  auto overlaps = [&](int from, int to) { return first <= to && from < first + count; };

  // Firmware without the newer registers: reads and writes complete without them.
  if (covers(1)) {
    if (const FirmwareRange* r = RangeOf(rec[1])) {
      RemoveFromAllPending(r->missing_from, kMissingCount);
    }
  }
  if (covers(kOutputState)) {
    SetText(ui::kOutOutputState, Format("%02X", RecordByte(rec, kOutputState, 1)));
  }
  for (int k = 0; k < kControlDevices; ++k) {
    if (covers(kRssiFirst + k / 2)) {
      SetCell(ui::kOutDevices, k, 2,
              Format("%d dBm", static_cast<int8_t>(RecordByte(rec, kRssiFirst + k / 2, k % 2))));
    }
  }
  if (covers(kOutput1)) ShowOutput(1);
  if (one_output()) {
    if (covers(kTemperature)) {
      SetText(ui::kOutTemperature, TemperatureText(static_cast<int16_t>(rec[kTemperature])));
    }
  } else if (covers(kOutput2)) {
    ShowOutput(2);
  }
  if (covers(kPressTimes)) {
    SetText(ui::kOutLongpressTimeout, TenthsAsMs(RecordByte(rec, kPressTimes, 0)));
  }
  if (covers(kCommand)) {
    SetText(ui::kOutSuperLongpress, TenthsAsMs(RecordByte(rec, kCommand, 0)));
  }
  if (overlaps(kThresholdOn, kThresholdOff)) ShowThresholds();
  if (covers(kBlockTimer)) {
    const int tenths = rec[kBlockTimer];
    SetText(ui::kOutBlockTimer, Format("%d.%d", tenths / 10, tenths % 10));
  }
  if (covers(kBlockOptions)) {
    for (const auto& [bit, box] : kBlockBoxes) SetCheck(box, (rec[kBlockOptions] & bit) != 0);
  }
  if (covers(kWord157)) {
    const uint16_t w = rec[kWord157];
    if (one_output()) {
      SetText(ui::kOutCommTimeout, Format("%d", w & 0x0FFF));
      if (const int after = (w >> 12) & 3; after < Count(ui::kOutAfterTimeout)) {
        SetCurSel(ui::kOutAfterTimeout, after);
      }
      SetCurSel(ui::kOutAfterReset, (w >> 14) & 1);
    } else {
      SetText(ui::kOutPwm, Format("%d", w));
    }
  }
  if (first < kOutput1) RebuildList();
  ShowLiveData();
}

void COutputNodeDlg::ShowOutput(int output) {
  const uint16_t w = record()[static_cast<size_t>(kOutput1 + output - 1)];
  const int mode = (w >> 12) & 7;
  const int combo = OutId(ui::kOutMode1, output);
  if (mode < Count(combo)) SetCurSel(combo, mode);
  SetCheck(OutId(ui::kOutInv1, output), (w & 0x8000) != 0);
  const bool pwm = output == 2 && mode == kModePwm;
  const bool timed = mode >= kModeImpulse && mode <= kModePwm && !pwm;
  for (int first : {ui::kOutTimeLabel1, ui::kOutTime1, ui::kOutTimeUnit1}) {
    Show(OutId(first, output), timed);
  }
  if (output == 2) Show(ui::kOutPwmGroup, pwm);
  const int parameter = w & 0x0FFF;
  if (mode == kModeJalousie) {
    const int tenths = w & 0x3F;
    SetText(OutId(ui::kOutTime1, output), Format("%d.%01d", tenths / 10, tenths % 10));
  } else {
    SetText(OutId(ui::kOutTime1, output), Format("%d", parameter));
  }
  // The whole 12-bit period, so what was stored is what is shown.
  if (pwm) SetText(ui::kOutPwmPeriod, Format("%d.%d", parameter / 10, parameter % 10));
}

void COutputNodeDlg::ShowThresholds() {
  const auto rec = record();
  const int on = static_cast<int16_t>(rec[kThresholdOn]);
  const int off = static_cast<int16_t>(rec[kThresholdOff]);
  SetText(ui::kOutThresholdOnLabel, co2_mode_ ? u"CO2 On" : u"t On");
  SetText(ui::kOutThresholdOffLabel, co2_mode_ ? u"CO2 Off" : u"t Off");
  SetText(ui::kOutThresholdOnUnit, co2_mode_ ? u"ppm" : u"\u00B0C");
  SetText(ui::kOutThresholdOffUnit, co2_mode_ ? u"ppm" : u"\u00B0C");
  SetText(ui::kOutThresholdOn, co2_mode_ ? Format("%d", on) : Hundredths2(on));
  SetText(ui::kOutThresholdOff, co2_mode_ ? Format("%d", off) : Hundredths2(off));
}

void COutputNodeDlg::RebuildList() {
  const auto rec = record();
  SetRowCount(ui::kOutDevices, kControlDevices);
  for (int k = 0; k < kControlDevices; ++k) {
    const RfAddress a = EntryAddress(rec, k);
    SetCell(ui::kOutDevices, k, 0, Format("%03d", k + 1));
    SetCell(ui::kOutDevices, k, 1, Format("0x%08X %d", a, static_cast<int32_t>(a)));
    SetCell(ui::kOutDevices, k, 2,
            Format("%d dBm", static_cast<int8_t>(RecordByte(rec, kRssiFirst + k / 2, k % 2))));
  }
}

void COutputNodeDlg::ShowLiveData() {
  const auto rec = record();
  for (int k = 0; k < 2; ++k) {
    const int w = kLiveFirst + 6 * k;
    const int temperature = static_cast<int16_t>(rec[static_cast<size_t>(w)]);
    const int humidity = static_cast<int16_t>(rec[static_cast<size_t>(w + 3)]);
    switch (TypeOf(EntryAddress(rec, k))) {
      case 0x002:
        SetCell(ui::kOutDevices, k, 3,
                Format("%.2f\u00B0C, %.2f%%, %dppm", temperature / 100.0, humidity / 100.0,
                       rec[static_cast<size_t>(w + 4)]));
        break;
      case 0x00A:
        SetCell(ui::kOutDevices, k, 3,
                Format("%.2f\u00B0C, %.2f%%", temperature / 100.0, humidity / 100.0));
        break;
      default:
        break;
    }
  }
}

bool COutputNodeDlg::CheckEntries() {
  if (!DeviceDialog::CheckEntries()) return false;
  // The press times are bytes of tenths of a second: more than 25549 ms would wrap round to a
  // short time. (A text that is no number is 0.)
  for (int id : {ui::kOutLongpressTimeout, ui::kOutSuperLongpress}) {
    const int ms = ui::ScanInt(Text(id)).value_or(0);
    if (ms < 0 || (ms + 50) / 100 > 0xFF) {
      MessageBox(EntryProblemText(Template(), {id, 0, kMaxPressMs, 0}), u"Invalid value",
                 {ui::Buttons::kOk, ui::Icon::kWarning, 0});
      return false;
    }
  }
  // Times in seconds and the communication time-out fill 12 bits: more would wrap round. (A
  // time that is no number is 0.)
  for (int output = 1; output <= (one_output() ? 1 : 2); ++output) {
    const int mode = CurSel(OutId(ui::kOutMode1, output));
    const int time = OutId(ui::kOutTime1, output);
    if (mode == kModePwm || mode == kModeJalousie || !IsVisible(time)) continue;
    const int64_t value = ui::ScanInt(Text(time)).value_or(0);
    if (!ui::AcceptEntries(*this, ui::RangeProblem(time, value, 0, 0x0FFF))) return false;
  }
  if (one_output()) {
    if (const auto timeout = ui::ScanInt(Text(ui::kOutCommTimeout))) {
      if (!ui::AcceptEntries(*this, ui::RangeProblem(ui::kOutCommTimeout, *timeout, 0, 0x0FFF))) {
        return false;
      }
    }
    return true;
  }
  if (CurSel(OutId(ui::kOutMode1, 2)) != kModePwm) return true;
  if (ScanPwmTenths(Text(ui::kOutPwmPeriod))) return true;
  // The period is a 12-bit count of tenths: more would wrap to a short period.
  MessageBox(u"PWM periode must be between 0.1 and 409.5 s");
  return false;
}

void COutputNodeDlg::CollectDevice() {
  auto rec = mutable_record();
  for (int output = 1; output <= (one_output() ? 1 : 2); ++output) {
    uint16_t& w = rec[static_cast<size_t>(kOutput1 + output - 1)];
    const int sel = CurSel(OutId(ui::kOutMode1, output));
    const int mode = sel >= 0 ? sel : (w >> 12) & 7;
    const std::u16string& time = Text(OutId(ui::kOutTime1, output));
    int parameter = w & 0x0FFF;
    switch (mode) {
      case kModePwm:
        // A period the parameter cannot hold keeps the stored one (the write was refused).
        parameter = ScanPwmTenths(Text(ui::kOutPwmPeriod)).value_or(parameter);
        break;
      case kModeJalousie:
        parameter = ScanJalousieTenths(time).value_or(0);
        break;
      default:
        parameter = ui::ScanInt(time).value_or(0) & 0x0FFF;
        break;
    }
    w = static_cast<uint16_t>((IsChecked(OutId(ui::kOutInv1, output)) ? 0x8000 : 0) |
                              (mode & 7) << 12 | parameter);
  }

  uint16_t& w157 = rec[kWord157];
  if (one_output()) {
    const int timeout = ui::ScanInt(Text(ui::kOutCommTimeout)).value_or(w157 & 0x0FFF) & 0x0FFF;
    const int after = CurSelOr(ui::kOutAfterTimeout, (w157 >> 12) & 3) & 3;
    const int reset = CurSelOr(ui::kOutAfterReset, (w157 >> 14) & 1) & 1;
    w157 = static_cast<uint16_t>(timeout | after << 12 | reset << 14);
  } else if (const auto duty = ui::ScanInt(Text(ui::kOutPwm))) {
    w157 = static_cast<uint16_t>(*duty);
  }

  SetRecordByte(rec, kPressTimes, 0, MsAsTenths(Text(ui::kOutLongpressTimeout)));
  SetRecordByte(rec, kCommand, 0, MsAsTenths(Text(ui::kOutSuperLongpress)));

  const std::u16string& on = Text(ui::kOutThresholdOn);
  const std::u16string& off = Text(ui::kOutThresholdOff);
  for (const auto& [text, word] : {std::pair{&on, kThresholdOn}, std::pair{&off, kThresholdOff}}) {
    if (co2_mode_) {
      if (const auto v = ui::ScanInt(*text))
        rec[static_cast<size_t>(word)] = static_cast<uint16_t>(*v);
    } else if (const auto v = ui::ScanScaledDecimal(*text, 2)) {
      rec[static_cast<size_t>(word)] =
          static_cast<uint16_t>(static_cast<int16_t>(std::clamp<int64_t>(*v, -32768, 32767)));
    }
  }

  uint16_t options = 0;
  for (const auto& [bit, box] : kBlockBoxes) options |= IsChecked(box) ? bit : 0;
  rec[kBlockOptions] = options;
}

void COutputNodeDlg::OnCommand(int id) {
  switch (id) {
    case ui::kOutPwmSend:
      SendPwm();
      return;
    case ui::kOutTempCo2:
      co2_mode_ = !co2_mode_;
      ShowThresholds();
      return;
    case kDevFwUpdate:
      // The update talks to the node alone; the polls start again afterwards.
      KillTimer(kPollTimer);
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

void COutputNodeDlg::OnCheck(int id) {
  for (const auto& [box, bit] : kCommandBoxes) {
    if (id == box && IsChecked(box)) SendCommand(bit);
  }
}

void COutputNodeDlg::SendCommand(uint8_t bit) {
  auto rec = mutable_record();
  SetRecordByte(rec, kCommand, 1, static_cast<uint8_t>(RecordByte(rec, kCommand, 1) | bit));
  services().queues.QueueWrite(route(), address(), kCommand, 1, &rec[kCommand], 0, true);
  // A command acts once; it must not travel with the next write of the record.
  SetRecordByte(rec, kCommand, 1, 0);
}

void COutputNodeDlg::SendPwm() {
  auto rec = mutable_record();
  if (const auto duty = ui::ScanInt(Text(ui::kOutPwm))) {
    rec[kWord157] = static_cast<uint16_t>(*duty);
  }
  services().queues.QueueWrite(route(), address(), kWord157, 1, &rec[kWord157], 0, true);
}

void COutputNodeDlg::OnSelChange(int id) {
  for (int output = 1; output <= 2; ++output) {
    if (id != OutId(ui::kOutMode1, output)) continue;
    const int sel = CurSel(id);
    if (sel < 0) return;
    uint16_t& w = mutable_record()[static_cast<size_t>(kOutput1 + output - 1)];
    w = static_cast<uint16_t>((w & ~0x7000) | (sel & 7) << 12);
    ShowOutput(output);
  }
}

void COutputNodeDlg::OnDoubleClick(int id, int row, int /*column*/) {
  if (id == ui::kOutDevices && row >= 0 && row < kControlDevices) OpenLink(row);
}

void COutputNodeDlg::OpenLink(int k) {
  const auto kind = OutputLinkDialog::KindFor(TypeOf(EntryAddress(record(), k)));
  OutputLinkDialog link(kind, host(), mutable_record(), k, project(), address(), one_output(),
                        PressSender());
  if (RunModal(link) == ui::kIdOk) {
    RebuildList();
    ShowLiveData();
  }
}

void COutputNodeDlg::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address()) return;
  if (first == kCommand) {
    // The node took the command: the switching boxes are free again; a long press stays shown.
    for (int output = 1; output <= 2; ++output) {
      SetCheck(OutId(ui::kOutOn1, output), false);
      SetCheck(OutId(ui::kOutOff1, output), false);
    }
  }
  DeviceDialog::OnWriteAck(source, first, count, from_cache);
}

std::vector<uint16_t> COutputNodeDlg::DefaultRecord() const {
  // Frequency index 0, RF power "+10 dBm".
  std::vector<uint16_t> d = ByteNameDefaultRecordBase(record(), 1305, 1147, 11, u"Output 1");
  d[kOutput1] = 0x1003;
  d[kOutput2] = 0x1003;
  d[kPressTimes] = 10 | 30 << 8;  // long press 1000 ms, on at most 30 s
  d[kCommand] = 50;               // super long press 5000 ms
  d[kBlockTime] = 300;            // 30.0 s
  // Control device 1 switches output 1, control device 2 output 2: ON of button 1 on, of
  // button 2 off.
  SetEntryLink(d, 0, 0, 0x41);
  SetEntryLink(d, 0, 1, 0x42);
  SetEntryLink(d, 1, 0, 0x81);
  SetEntryLink(d, 1, 1, 0x82);
  return d;
}

}  // namespace corvane::devices
