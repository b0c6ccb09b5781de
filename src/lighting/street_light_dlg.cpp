#include "lighting/street_light_dlg.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "app/project_devices.h"
#include "gateway/routed_devices.h"
#include "lighting/ballast_report.h"
#include "lighting/dali_command.h"
#include "lighting/dali_edit.h"
#include "lighting/street_light_ctrl_dlg.h"
#include "lighting/street_light_template.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::lighting {

using devices::FieldBinding;
using devices::RecordByte;
using devices::SetRecordByte;
using ui::Format;
using ui::SourceState;
using namespace sl_word;
using namespace devices;

namespace {

constexpr std::u16string_view kPirStateNames[] = {
    u"Vacant",       u"Vacant, movement",       u"Occupied",       u"Occupied, movement",
    u"Still vacant", u"Still vacant, movement", u"Still occupied", u"Still occupied, movement"};

constexpr int kMaxLevel = 254;

// Fields shown and collected by the table. Those the node gathers after its coordinates
// (calibration, PIR, DALI address offset) are only shown here and collected in CollectDevice,
// so that an invalid coordinate stops them too.
const FieldBinding kFields[] = {
    Unsigned(ui::kSlEepromWrites, kEepromWrites),
    Seconds32(ui::kSlUptime, kUptime),
    Suffixed(SignedByte(ui::kSlBkRssi, kBackgroundRssi, 0), u" dBm"),
    FlagText(ui::kSlPrg, kPrg, 0x0100, u"PRG"),
    UnsignedEdit(ui::kSlSystemMode, kSystemMode, 0),
    Suffixed(Hundredths(ui::kSlCpuTemp, kCpuTemp, false), u" \u00B0C"),
    UnsignedEdit(ui::kSlReadPeriod, kReadPeriod, 0),
    Decimal(ui::kSlRefX, kRefFirst, 0, true),
    Decimal(ui::kSlRefY, kRefFirst + 1, 0, true),
    Decimal(ui::kSlRefZ, kRefFirst + 2, 0, true),
    Decimal(ui::kSlActX, kActFirst, 0, false),
    Decimal(ui::kSlActY, kActFirst + 1, 0, false),
    Decimal(ui::kSlActZ, kActFirst + 2, 0, false),
    Suffixed(Unsigned(ui::kSlAngle, kAngle), u"\u00B0"),
    Decimal(ui::kSlCalibration, kCalibration, 0, false),
    UnsignedEdit(ui::kSlStep, kStep, 0),
    UnsignedEdit(ui::kSlMinIntensity, kStep, 1),
    ComboIndex(ui::kSlDaliBallast, kDaliBallast, 0, 0),
    Unsigned(ui::kSlGwTimeout, kGwTimeout),
    Unsigned(ui::kSlDaliAddrOffset, kDaliAddrOffset),
    Suffixed(Unsigned(ui::kSlRisingEdge, kRisingEdge), u" us"),
    Suffixed(Unsigned(ui::kSlFallingEdge, kFallingEdge), u" us"),
    Suffixed(SignedByte(ui::kSlGwToSl, kGwSignal, 0), u" dBm"),
    Suffixed(SignedByte(ui::kSlSlToGw, kGwSignal, 1), u" dBm"),
    Suffixed(SignedByte(ui::kSlPcToSl, kPcSignal, 0), u" dBm"),
    Suffixed(SignedByte(ui::kSlSlToPc, kPcSignal, 1), u" dBm"),
    LowBytes(ui::kSlFreeField, kFreeField, 32),
    Unsigned(ui::kSlPirWhite, kPirLevels, 0),
    Unsigned(ui::kSlPirOrange, kPirLevels, 1),
    Unsigned(ui::kSlPirDelay, kPirDelay),
    Unsigned(ui::kSlPirFadeIn, kPirFades, 0),
    Unsigned(ui::kSlPirFadeOut, kPirFades, 1),
    Unsigned(ui::kSlPirActWhite, kPirState2, 1),
    Unsigned(ui::kSlPirActOrange, kPirActOrange, 0),
    Unsigned(ui::kSlAmbientLight, kAmbientLight),
};

uint32_t Word32(std::span<const uint16_t> r, int w) {
  return static_cast<uint32_t>(r[static_cast<size_t>(w)]) |
         static_cast<uint32_t>(r[static_cast<size_t>(w + 1)]) << 16;
}
void SetWord32(std::span<uint16_t> r, int w, uint32_t v) {
  r[static_cast<size_t>(w)] = static_cast<uint16_t>(v);
  r[static_cast<size_t>(w + 1)] = static_cast<uint16_t>(v >> 16);
}
float FloatAt(std::span<const uint16_t> r, int w) { return std::bit_cast<float>(Word32(r, w)); }
void SetFloat(std::span<uint16_t> r, int w, float v) {
  SetWord32(r, w, std::bit_cast<uint32_t>(v));
}

std::u16string ClockOfDay(uint32_t seconds) {
  return Format("%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

std::u16string Dbm(uint8_t byte) { return Format("%d dBm", static_cast<int8_t>(byte)); }

// "%d:%d": hours and minutes; nullopt when either number is missing.
std::optional<int> ScanClock(std::u16string_view text) {
  const size_t colon = text.find(u':');
  if (colon == std::u16string_view::npos) return std::nullopt;
  const auto hours = ui::ScanInt(text.substr(0, colon));
  const auto minutes = ui::ScanInt(text.substr(colon + 1));
  if (!hours || !minutes) return std::nullopt;
  return *hours * 60 + *minutes;
}

std::u16string_view DaliStatusText(uint16_t status) {
  switch (status) {
    case 0:
      return u"DALI_OK";
    case 1:
      return u"TX_COLLISION";
    case 2:
      return u"BUS_SHORT";
    case 3:
      return u"BUS_POWER_OFF";
    case 4:
      return u"VIOLATION";
    default:
      return u"";
  }
}

}  // namespace

SchedulePoint DecodePoint(uint16_t first, uint16_t second) {
  return SchedulePoint{.minutes = first & 0x0FFF,
                       .fade_white = (first & 0x4000) != 0,
                       .fade_red = (first & 0x8000) != 0,
                       .white = second & 0xFF,
                       .red = second >> 8};
}

std::array<uint16_t, 2> EncodePoint(const SchedulePoint& p) {
  const uint16_t first = static_cast<uint16_t>((p.minutes & 0x0FFF) | (p.fade_white ? 0x4000 : 0) |
                                               (p.fade_red ? 0x8000 : 0));
  const uint16_t second = static_cast<uint16_t>((p.white & 0xFF) | (p.red & 0xFF) << 8);
  return {first, second};
}

std::optional<RfAddress> ParseGwAddress(std::u16string_view text) {
  const size_t x = text.find_first_of(u"xX");
  if (x != std::u16string_view::npos && x >= 1) {
    return ui::ScanHex(text.substr(x + 1));
  }
  if (const auto value = subdevice::ScanSigned(text)) {
    if (*value < INT32_MIN || *value > UINT32_MAX) return std::nullopt;
    return static_cast<RfAddress>(static_cast<uint32_t>(*value));
  }
  return std::nullopt;
}

CStreetLightDlg::CStreetLightDlg(const DeviceDialogContext& context, DeviceServices services,
                                 DeviceOpener& opener)
    : DeviceDialog(ui::StreetLightTemplate(), context, std::move(services),
                   RecordLayout{.words = kStreetLightWords,
                                .ram_last = 331,
                                .eeprom_last = 331,
                                .read_flush = true,
                                .shows_time = true},
                   kFields),
      opener_(opener) {}

CStreetLightDlg::~CStreetLightDlg() { log_.Close(); }

std::span<const FieldBinding> CStreetLightDlg::HeaderFields() const {
  return ByteNameHeaderFields(false);  // no model code shown
}

std::u16string_view CStreetLightDlg::OverwriteQuestion() const {
  return u"Data are from project, write can replace data in device.\nStill want to write?";
}

void CStreetLightDlg::InitDevice() {
  SetText(ui::kSlDaliCommand, u"FF00");
  SetText(ui::kSlDaliLength, u"16");
  SetText(ui::kSlDaliPriority, u"0");
  SetText(ui::kSlClockSource, u"SW");
  SetText(ui::kSlWord909, u"0000");
  SetRowCount(ui::kSlControlDevices, kControlCount);
  SetRowCount(ui::kSlRoutedDevices, kRoutedDevices);
}

void CStreetLightDlg::StartDevice() {
  if (!log_.Open()) MessageBox(u"Not possible to create folder \\SNIFF");
  SetTimer(kClockTimer, kClockMs);
}

// --- Operations ---------------------------------------------------------------------------------

namespace {

// Older firmware lacks the newer registers; an operation neither asks for nor waits for them.
std::vector<RegisterRange> ForFirmware(std::span<const RegisterRange> ranges, int firmware) {
  RegisterSet set;
  set.Add(ranges);
  if (firmware < 343) set.Remove(723, 300);
  if (firmware < 355) set.Remove(916, 30);
  return {set.ranges().begin(), set.ranges().end()};
}

}  // namespace

void CStreetLightDlg::ConfigureCycle(RegisterCycle::Target& target) const {
  // The node keeps no cached copy of itself: register numbers go as they are, also through a
  // routing device, and the store follows the RAM write.
  target.routed_base = 0;
  target.eeprom = EepromStep::kAfterRam;
  target.progress_id = ui::kSlProgress;
}

std::vector<RegisterRange> CStreetLightDlg::ReadRanges() const {
  return ForFirmware(kReadRanges, record()[1]);
}

std::vector<RegisterRange> CStreetLightDlg::WriteRanges(bool /*eeprom*/) const {
  return ForFirmware(kRamRanges, record()[1]);
}

int CStreetLightDlg::WriteTimeoutMs(bool eeprom) const {
  if (!eeprom) return kTimeoutMs;
  // The slower radio channels take longer for the record and the store.
  const uint32_t channel = project().FrequencyIndex();
  return channel == 1 || channel == 4 ? 6000 : 4000;
}

uint16_t CStreetLightDlg::SettingMask(int word) const {
  // The settings; measurements, state, the clock and the commands sent at once follow the node
  // without a question. Bit 3 of the external PIR word is set by every gather.
  static constexpr RegisterRange kSettings[] = {{8, 8},    {18, 9},    {50, 1},  {54, 1},
                                                {56, 3},   {69, 1},    {72, 1},  {79, 22},
                                                {102, 14}, {132, 200}, {856, 52}};
  if (word == kExternalPir) return static_cast<uint16_t>(~8u);
  for (const RegisterRange& r : kSettings) {
    if (r.first <= word && word < r.first + r.count) return 0xFFFF;
  }
  return 0;
}

void CStreetLightDlg::WriteWords(int first, int count) {
  services().queues.QueueWrite(route(), address(), static_cast<uint16_t>(first), count,
                               record().data() + first, 0, false);
}

void CStreetLightDlg::ReadWords(int first, int count) {
  services().queues.QueueRead(route(), address(), static_cast<uint16_t>(first), count, 0, false);
}

void CStreetLightDlg::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address()) return;
  if (memory_next_ >= 0 && first <= kDaliCommand && kDaliCommand < first + count) {
    SetTimer(kMemoryTimer, kMemoryAfterWriteMs);
  }
  DeviceDialog::OnWriteAck(source, first, count, from_cache);
}

// --- Showing the record -------------------------------------------------------------------------

void CStreetLightDlg::RefreshDevice(int first, int count) {
  const auto rec = record();
  const bool device = !local_block() || feeding_default_;
  auto covers = [&](int word) { return first <= word && word < first + count; };
  auto overlaps = [&](int from, int to) { return first <= to && from < first + count; };

  if (covers(1) && device && route() == 0) CheckFirmware();
  if (covers(1)) {
    // Older firmware lacks the newer registers: a running read completes without them.
    const int firmware = rec[1];
    if (firmware < 343) RemoveFromAllPending(723, 300);
    if (firmware < 355) RemoveFromAllPending(916, 30);
  }
  if (overlaps(kGwAddress, kGwAddress + 1)) {
    SetText(ui::kSlGwAddress, Format("0x%08X", Word32(rec, kGwAddress)));
  }
  if (covers(kReadPeriod)) SetCheck(ui::kSlTwoBallasts, RecordByte(rec, kReadPeriod, 1) != 0);
  if (covers(kCommand)) {
    const uint16_t command = rec[kCommand];
    if (!local_block()) {
      // The node keeps its result bits until register 55 is written again: only the answer to
      // this window's own "Give Dali Addr" is reported, once.
      if ((command & kShortAddressOk) && addresses_requested_) {
        addresses_requested_ = false;
        MessageBox(u"DALI short address written OK");
      } else if ((command & kShortAddressError) && addresses_requested_) {
        addresses_requested_ = false;
        MessageBox(u"DALI short address written ERROR");
      } else if ((command & kBallastDataReady) && ballast_requested_) {
        // The node keeps its ready bit until register 55 is written again, so every later read
        // still carries it: only the answer to this window's own request fetches the data.
        ballast_requested_ = false;
        ReadWords(kBallastBlockFirst[0], kBallastBlockWords);
        report_armed_ = true;
      }
    }
    mutable_record()[kCommand] = static_cast<uint16_t>(
        command & ~(kShortAddressOk | kShortAddressError | kBallastDataReady));
  }
  if (overlaps(kClock, kClock + 2) && !time_held_) ShowClock();
  if (covers(kLevel1)) ShowLevel(0);
  if (covers(kLevel2)) ShowLevel(1);
  if (overlaps(73, 76)) TakeResponse();
  if (overlaps(kDaliCommand, kDaliCommand + 1)) ShowCommandWord();
  if (covers(kDaliStatus)) {
    const uint16_t status = rec[kDaliStatus];
    const std::u16string_view text = DaliStatusText(status);
    SetText(ui::kSlDaliStatus, text.empty() ? Format("%d", status) : std::u16string(text));
  }
  if (overlaps(kControlFirst, kControlFirst + kControlWords * kControlCount - 1) ||
      overlaps(kControlStatus, kControlStatus + 6 * kControlCount - 1)) {
    RebuildControlList();
  }
  if (overlaps(kLongitude, kTimeShift)) ShowPosition();
  if (covers(kClockSource)) {
    ShowClockSource();
    if (!local_block()) log_.Append(host().Now(), ClockSourceText(rec[kClockSource]));
  }
  if (overlaps(kSchedule, kSchedule + 2 * kSchedulePoints - 1)) ShowSchedule(first, count);
  for (const auto& [word, id] : {std::pair{kSunrise, ui::kSlSunrise}, {kSunset, ui::kSlSunset}}) {
    if (!covers(word)) continue;
    const int minutes = rec[static_cast<size_t>(word)] & 0x07FF;
    SetText(id, Format("%02d:%02d", minutes / 60, minutes % 60));
  }
  if (overlaps(kUnixTime, kUnixTime + 1)) {
    SetText(ui::kSlUnixTime, Format("%u", Word32(rec, kUnixTime)));
  }
  if (overlaps(kRoutedFirst, kRoutedFirst + 4 * kRoutedDevices - 1) ||
      overlaps(kRoutedStatus, kRoutedStatus + 6 * kRoutedDevices - 1)) {
    RebuildRoutedList();
  }
  if (!local_block()) ShowBallastReport(first, count);
  // The drift needs the node's reference time: a block that holds it (the "Read RTC cal"
  // answer, asked after the node's time) completes the figures.
  if (!local_block() && overlaps(kClockReference + 2, kClockReference + 3)) ShowDrift();
  for (int i = 0; i < 8; ++i) {
    if (overlaps(kPirDistribute + 2 * i, kPirDistribute + 2 * i + 1)) {
      SetText(ui::SlPirDistribute(i), Format("%08X", Word32(rec, kPirDistribute + 2 * i)));
    }
  }
  if (overlaps(kPirUse, kPirTimeout)) ShowPir();
  if (covers(kDbg)) SetText(ui::kSlDbg, Format("%02X", rec[kDbg]));
  if (covers(kBankError)) {
    SetText(ui::kSlBankError1, Format("%02X", RecordByte(rec, kBankError, 0)));
    SetText(ui::kSlBankError2, Format("%02X", RecordByte(rec, kBankError, 1)));
  }
  if (covers(kBankOk)) {
    SetText(ui::kSlBankOk1, Format("%02X", RecordByte(rec, kBankOk, 0)));
    SetText(ui::kSlBankOk2, Format("%02X", RecordByte(rec, kBankOk, 1)));
  }
}

void CStreetLightDlg::CheckFirmware() {
  // The ballast telemetry follows the firmware the node reports, also after an update.
  const bool supported = record()[1] >= kMinimalFirmware;
  Enable(ui::kSlBallastData1, supported);
  Enable(ui::kSlBallastData2, supported);
  if (supported || firmware_reported_) return;
  firmware_reported_ = true;
  MessageBox(
      Format("Unsupported version,\nUpdate of Stralux necessary,\nminimal supported "
             "version %.2f,\nBallast telemetry data are not accessible,\nAstrodim not "
             "accessible",
             kMinimalFirmware / 100.0));
  // The update talks to the node alone: the running operation and the polls end first, so no
  // time-out message stands over the update window.
  mutable_cycle().Abandon();
  KillTimer(kPollTimer);
  KillTimer(kClockSourceTimer);
  polling_ = false;
  if (services().firmware_update) {
    services().firmware_update(*this, address(), route());
    // Ask which firmware the node runs now: its answer enables the ballast buttons again.
    ReadWords(1, 1);
  }
  // The poll starts again once the node is heard.
  ApplyButtonVisibility();
}

void CStreetLightDlg::ShowLevel(int output) {
  SetText(ui::kSlLevel1 + output, Format("%d", RecordByte(record(), kLevel1 + output, 0)));
}

void CStreetLightDlg::ShowCommandWord() {
  const uint32_t word = Word32(record(), kDaliCommand);
  // An empty command keeps the row's starting texts, so a fresh record offers a broadcast OFF.
  if (word == 0 && local_block()) return;
  const DaliCommandText texts = DaliCommandTexts(word & ~kDaliTwiceBit);
  SetText(ui::kSlDaliCommand, texts.command);
  SetText(ui::kSlDaliLength, texts.length);
  SetText(ui::kSlDaliPriority, texts.priority);
  SetCheck(ui::kSlDaliTwice, (word & kDaliTwiceBit) != 0);
}

void CStreetLightDlg::TakeResponse() {
  const auto rec = record();
  if (memory_next_ >= 0 && !local_block()) {
    SetText(ui::SlMem(memory_next_), Format("%02X", RecordByte(rec, kResponse, 0)));
    if (++memory_next_ >= 16) {
      memory_next_ = -1;
      KillTimer(kMemoryTimer);
    } else {
      SetTimer(kMemoryTimer, kMemoryAfterResponseMs);
    }
    return;
  }
  SetText(ui::kSlResponse, Format("0x%08X", Word32(rec, kResponse)));
}

void CStreetLightDlg::ShowClock() {
  const auto rec = record();
  const int year = 2000 + RecordByte(rec, kClock, 0);
  int month = RecordByte(rec, kClock, 1);
  int day = RecordByte(rec, kClock + 1, 0);
  int hour = RecordByte(rec, kClock + 1, 1);
  int minute = RecordByte(rec, kClock + 2, 0);
  int second = RecordByte(rec, kClock + 2, 1);
  if (month < 1 || month > 12) month = 1;
  if (day < 1 || day > 31) day = 1;
  if (hour >= 24) hour = 0;
  if (minute >= 60) minute = 0;
  if (second >= 60) second = 0;
  SetDate(ui::kSlDate, {year, month, day});
  SetTime(ui::kSlTime, {hour, minute, second});
}

void CStreetLightDlg::TickClock() {
  auto rec = mutable_record();
  if (!time_held_) {
    int month = RecordByte(rec, kClock, 1);
    int day = RecordByte(rec, kClock + 1, 0);
    int hour = RecordByte(rec, kClock + 1, 1);
    int minute = RecordByte(rec, kClock + 2, 0);
    int second = RecordByte(rec, kClock + 2, 1);
    if (month < 1 || month > 12) month = 1;
    if (day < 1 || day > 31) day = 1;
    if (hour >= 24) hour = 0;
    if (minute >= 60) minute = 0;
    if (second >= 60) second = 0;
    SetRecordByte(rec, kClock, 1, static_cast<uint8_t>(month));
    SetRecordByte(rec, kClock + 1, 0, static_cast<uint8_t>(day));
    SetRecordByte(rec, kClock + 1, 1, static_cast<uint8_t>(hour));
    SetRecordByte(rec, kClock + 2, 0, static_cast<uint8_t>(minute));
    SetRecordByte(rec, kClock + 2, 1, static_cast<uint8_t>(second));
    ShowClock();
    // One second on; the hour wraps without touching the date (the node sets its own).
    if (++second == 60) {
      second = 0;
      if (++minute == 60) {
        minute = 0;
        if (++hour == 24) hour = 0;
      }
    }
    SetRecordByte(rec, kClock + 1, 1, static_cast<uint8_t>(hour));
    SetRecordByte(rec, kClock + 2, 0, static_cast<uint8_t>(minute));
    SetRecordByte(rec, kClock + 2, 1, static_cast<uint8_t>(second));
  }
  SetWord32(rec, kUnixTime, Word32(rec, kUnixTime) + 1);
  SetText(ui::kSlUnixTime, Format("%u", Word32(rec, kUnixTime)));
}

void CStreetLightDlg::ShowPosition() {
  const auto rec = record();
  const float latitude = FloatAt(rec, kLatitude);
  const float longitude = FloatAt(rec, kLongitude);
  const int shift = static_cast<int8_t>(RecordByte(rec, kTimeShift, 0));
  SetText(ui::kSlLatitude, Format("%f", static_cast<double>(latitude)));
  SetText(ui::kSlLongitude, Format("%f", static_cast<double>(longitude)));
  SetText(ui::kSlTimeShift, Format("%d", shift));
  SetCheck(ui::kSlSummerTime, RecordByte(rec, kTimeShift, 1) != 0);
  int preset = -1;
  for (int i = 0; i < static_cast<int>(std::size(kAstroPresets)); ++i) {
    const AstroPreset& p = kAstroPresets[i];
    if (static_cast<float>(p.latitude) == latitude &&
        static_cast<float>(p.longitude) == longitude && p.time_shift == shift) {
      preset = i;
    }
  }
  SetCurSel(ui::kSlPreset, preset);
}

void CStreetLightDlg::ShowSchedule(int first, int count) {
  const auto rec = record();
  for (int p = 0; p < kSchedulePoints; ++p) {
    const int w = kSchedule + 2 * p;
    if (w + 1 < first || w >= first + count) continue;
    const SchedulePoint point =
        DecodePoint(rec[static_cast<size_t>(w)], rec[static_cast<size_t>(w + 1)]);
    SetText(ui::SlPointTime(p), Format("%02d:%02d", point.minutes / 60, point.minutes % 60));
    SetCheck(ui::SlPointFadeWhite(p), point.fade_white);
    SetText(ui::SlPointWhite(p), Format("%d", point.white));
    SetCheck(ui::SlPointFadeRed(p), point.fade_red);
    SetText(ui::SlPointRed(p), Format("%d", point.red));
  }
}

void CStreetLightDlg::ShowPir() {
  const auto rec = record();
  const uint16_t use = rec[kPirUse];
  SetCurSel(ui::kSlUsePir, use & 7);
  SetCheck(ui::kSlPirPriority, (use & 0x40) != 0);
  SetCheck(ui::kSlPirLightOff, (use & 0x80) != 0);
  SetCurSel(ui::kSlExternalPir, rec[kExternalPir] & 7);
  SetText(ui::kSlWord909, Format("%04X", rec[kWord909]));
  SetText(ui::kSlPirCombined, kPirStateNames[RecordByte(rec, kPirStates, 0) & 7]);
  SetText(ui::kSlPir1, kPirStateNames[RecordByte(rec, kPirStates, 1) & 7]);
  SetText(ui::kSlPir2, kPirStateNames[RecordByte(rec, kPirState2, 0) & 7]);
  SetText(ui::kSlPirTimeout, Format("%d", rec[kPirTimeout] / 4));
}

void CStreetLightDlg::ShowClockSource() {
  SetText(ui::kSlClockSource, ClockSourceText(record()[kClockSource]));
}

void CStreetLightDlg::ShowDrift() {
  const auto rec = record();
  const RtcDrift drift =
      ComputeDrift(Word32(rec, kUnixTime), Word32(rec, kClockReference + 2), host().Now());
  SetText(ui::kSlLseSeconds, Format("%lld", static_cast<long long>(drift.lse_seconds)));
  SetText(ui::kSlLsPcDifference, Format("%lld", static_cast<long long>(drift.difference)));
  SetText(ui::kSlLsPcPpm,
          drift.ppm ? Format("%lld", static_cast<long long>(*drift.ppm)) : std::u16string(u".."));
}

void CStreetLightDlg::ShowBallastReport(int first, int count) {
  if (!report_armed_) return;
  for (int k = 0; k < 2; ++k) {
    const int from = kBallastBlockFirst[k];
    if (first > from + kBallastBlockWords - 1 || first + count <= from) continue;
    const auto block = record().subspan(static_cast<size_t>(from), kBallastBlockWords);
    report_armed_ = false;
    if (std::all_of(block.begin(), block.end(), [](uint16_t w) { return w == 0; })) {
      // A report of zeros would pass for measurements.
      MessageBox(
          u"The node holds no data of this ballast yet.\nPress \"Read Ballast Now\" "
          u"and wait until the node has read its ballasts.",
          BallastCaption(k), {ui::Buttons::kOk, ui::Icon::kInformation, 0});
      return;
    }
    const BallastData data = DecodeBallast(block);
    // Its columns line up only in a fixed-width font.
    MessageBox(BallastReport(data), BallastCaption(k),
               {ui::Buttons::kOk, ui::Icon::kInformation, 0, true});
    return;
  }
}

void CStreetLightDlg::RebuildControlList() {
  const auto rec = record();
  SetRowCount(ui::kSlControlDevices, kControlCount);
  for (int k = 0; k < kControlCount; ++k) {
    const RfAddress a = ControlAddress(rec, k);
    const int s = kControlStatus + 6 * k;
    SetCell(ui::kSlControlDevices, k, 0, Format("%03d", k + 1));
    SetCell(ui::kSlControlDevices, k, 1, Format("0x%08X %d", a, static_cast<int32_t>(a)));
    SetCell(ui::kSlControlDevices, k, 2, Dbm(RecordByte(rec, s + 4, 0)));
    SetCell(ui::kSlControlDevices, k, 3, Dbm(RecordByte(rec, s + 4, 1)));
    SetCell(ui::kSlControlDevices, k, 4, ClockOfDay(Word32(rec, s)));
  }
}

void CStreetLightDlg::RebuildRoutedList() {
  const auto rec = record();
  SetRowCount(ui::kSlRoutedDevices, kRoutedDevices);
  for (int i = 0; i < kRoutedDevices; ++i) {
    const RfAddress a = Word32(rec, kRoutedFirst + 4 * i);
    const int s = kRoutedStatus + 6 * i;
    SetCell(ui::kSlRoutedDevices, i, 0, Format("%03d", i + 1));
    SetCell(ui::kSlRoutedDevices, i, 1, Format("0x%08X %d", a, static_cast<int32_t>(a)));
    SetCell(ui::kSlRoutedDevices, i, 2, u"goto dev.");
    SetCell(ui::kSlRoutedDevices, i, 3, Dbm(RecordByte(rec, s + 4, 0)));
    SetCell(ui::kSlRoutedDevices, i, 4, Dbm(RecordByte(rec, s + 4, 1)));
    SetCell(ui::kSlRoutedDevices, i, 5, Format("0x%08X", Word32(rec, s + 2)));
    SetCell(ui::kSlRoutedDevices, i, 6, ClockOfDay(Word32(rec, s)));
  }
}

// --- Collecting -----------------------------------------------------------------------------

bool CStreetLightDlg::CheckEntries() {
  // A coordinate that does not read would stop the gather half way and the write would send
  // the rest of the record as it was before the user's changes: refuse the operation instead.
  if (!ui::ScanScaledDecimal(Text(ui::kSlLatitude), 6)) {
    MessageBox(u"Invalid Latitude Value");
    return false;
  }
  if (!ui::ScanScaledDecimal(Text(ui::kSlLongitude), 6)) {
    MessageBox(u"Invalid Longitude Value");
    return false;
  }
  // The time shift is a signed byte: more would be stored as its low bits.
  if (const auto shift = ui::ScanInt(Text(ui::kSlTimeShift))) {
    if (!ui::AcceptEntries(*this, ui::RangeProblem(ui::kSlTimeShift, *shift, -128, 127))) {
      return false;
    }
  }
  return DeviceDialog::CheckEntries();
}

bool CStreetLightDlg::GatherLatitudeLongitude() {
  auto rec = mutable_record();
  const auto latitude = ui::ScanScaledDecimal(Text(ui::kSlLatitude), 6);
  if (!latitude) {
    MessageBox(u"Invalid Latitude Value");
    return false;
  }
  SetFloat(rec, kLatitude, static_cast<float>(static_cast<double>(*latitude) / 1e6));
  const auto longitude = ui::ScanScaledDecimal(Text(ui::kSlLongitude), 6);
  if (!longitude) {
    MessageBox(u"Invalid Longitude Value");
    return false;
  }
  SetFloat(rec, kLongitude, static_cast<float>(static_cast<double>(*longitude) / 1e6));
  return true;
}

void CStreetLightDlg::CollectDevice() {
  auto rec = mutable_record();
  if (const auto gw = ParseGwAddress(Text(ui::kSlGwAddress))) SetWord32(rec, kGwAddress, *gw);
  SetRecordByte(rec, kReadPeriod, 1, IsChecked(ui::kSlTwoBallasts) ? 1 : 0);
  if (!GatherLatitudeLongitude()) return;

  for (int p = 0; p < kSchedulePoints; ++p) {
    const int w = kSchedule + 2 * p;
    const auto minutes = ScanClock(Text(ui::SlPointTime(p)));
    if (!minutes) continue;
    SchedulePoint point = DecodePoint(rec[static_cast<size_t>(w)], rec[static_cast<size_t>(w + 1)]);
    point.minutes = *minutes;
    point.fade_white = IsChecked(ui::SlPointFadeWhite(p));
    point.fade_red = IsChecked(ui::SlPointFadeRed(p));
    point.white = ui::ScanInt(Text(ui::SlPointWhite(p))).value_or(point.white);
    point.red = ui::ScanInt(Text(ui::SlPointRed(p))).value_or(point.red);
    const auto words = EncodePoint(point);
    rec[static_cast<size_t>(w)] = words[0];
    rec[static_cast<size_t>(w + 1)] = words[1];
  }
  if (const auto shift = ui::ScanInt(Text(ui::kSlTimeShift))) {
    SetRecordByte(rec, kTimeShift, 0, static_cast<uint8_t>(*shift));
  }
  SetRecordByte(rec, kTimeShift, 1, IsChecked(ui::kSlSummerTime) ? 1 : 0);
  if (const auto ppm = ui::ScanInt(Text(ui::kSlCalibration))) {
    rec[kCalibration] = static_cast<uint16_t>(*ppm);
  }
  auto byte = [&](int id, int word, int which) {
    if (const auto v = ui::ScanInt(Text(id)))
      SetRecordByte(rec, word, which, static_cast<uint8_t>(*v));
  };
  byte(ui::kSlPirWhite, kPirLevels, 0);
  byte(ui::kSlPirOrange, kPirLevels, 1);
  if (const auto delay = ui::ScanInt(Text(ui::kSlPirDelay))) {
    rec[kPirDelay] = static_cast<uint16_t>(*delay);
  }
  byte(ui::kSlPirFadeIn, kPirFades, 0);
  byte(ui::kSlPirFadeOut, kPirFades, 1);
  // A list that shows no entry keeps what the record holds.
  rec[kExternalPir] =
      static_cast<uint16_t>((CurSelOr(ui::kSlExternalPir, rec[kExternalPir] & 7) & 7) | 8);
  rec[kPirUse] = static_cast<uint16_t>((CurSelOr(ui::kSlUsePir, rec[kPirUse] & 7) & 7) |
                                       (IsChecked(ui::kSlPirPriority) ? 0x40 : 0) |
                                       (IsChecked(ui::kSlPirLightOff) ? 0x80 : 0));
  for (int i = 0; i < 8; ++i) {
    const std::u16string& text = Text(ui::SlPirDistribute(i));
    if (text.empty()) continue;
    if (const auto a = ui::ScanHex(text)) SetWord32(rec, kPirDistribute + 2 * i, *a);
  }
  if (const auto offset = ui::ScanInt(Text(ui::kSlDaliAddrOffset))) {
    rec[kDaliAddrOffset] = static_cast<uint16_t>(*offset);
  }
}

std::vector<uint16_t> CStreetLightDlg::DefaultRecord() const {
  const auto current = record();
  std::vector<uint16_t> d(current.size(), 0);
  auto keep = [&](int word, uint16_t fallback) {
    const uint16_t value = current[static_cast<size_t>(word)];
    d[static_cast<size_t>(word)] = value != 0 || fallback == 0 ? value : fallback;
  };
  keep(0, 61470);
  keep(1, 400);
  keep(5, 1164);
  keep(6, 0);
  d[16] = current[16];
  d[17] = current[17];
  std::span<uint16_t> r(d);
  ui::StoreLowBytes(u"Street Light 1", r.subspan(8, 8));
  ui::StoreLowBytes(kDefaultNetworkPassword, r.subspan(18, 8));
  d[26] = 3;  // channel index 3, RF power "+27 dBm"
  d[kSystemMode] = 1;
  d[kReadPeriod] = 15;
  d[kRefFirst + 2] = 1000;
  d[kStep] = 5 | 160 << 8;
  SetFloat(r, kLongitude, 14.433271f);
  SetFloat(r, kLatitude, 50.069817f);
  d[kTimeShift] = 1;
  d[kPirLevels] = 254;
  d[kPirDelay] = 20;
  d[kPirFades] = 5 | 5 << 8;
  const SchedulePoint schedule[kSchedulePoints] = {
      {5 * 60, true, true, 0, 254},    {5 * 60 + 30, false, false, 178, 0},
      {10 * 60, false, false, 0, 0},   {16 * 60, false, false, 178, 0},
      {21 * 60, false, false, 254, 0}, {22 * 60 + 30, true, true, 254, 0},
      {23 * 60, false, false, 0, 254},
  };
  for (int p = 0; p < kSchedulePoints; ++p) {
    const auto words = EncodePoint(schedule[p]);
    d[static_cast<size_t>(kSchedule + 2 * p)] = words[0];
    d[static_cast<size_t>(kSchedule + 2 * p + 1)] = words[1];
  }
  return d;
}

// --- User actions -------------------------------------------------------------------------------

void CStreetLightDlg::ApplyButtonVisibility() {
  // Register numbers go as they are through a routing device, so what counts is whether the
  // first hop, the routing device or the node itself, is in radio contact.
  const bool heard = InHeardList(route() != 0 ? route() : address());
  for (int id : {kDevFwUpdate, kDevRead, kDevReadLog, kDevWriteRam, kDevWriteEeprom}) {
    Show(id, heard);
  }
  if (heard && !polling_) {
    SetTimer(kPollTimer, kPollMs);
    SetTimer(kClockSourceTimer, kClockSourceMs);
  } else if (!heard) {
    KillTimer(kPollTimer);
    KillTimer(kClockSourceTimer);
  }
  polling_ = heard;
}

void CStreetLightDlg::OnDeviceTimer(int id) {
  switch (id) {
    case kPollTimer:
      ReadWords(kBackgroundRssi, 1);
      return;
    case kClockSourceTimer:
      ReadWords(kClockSource, 1);
      return;
    case kClockTimer:
      TickClock();
      return;
    case kMemoryTimer:
      KillTimer(kMemoryTimer);
      memory_next_ = -1;
      return;
    default:
      return;
  }
}

void CStreetLightDlg::SetLevel(int output, int level) {
  level = std::clamp(level, 0, kMaxLevel);
  SetRecordByte(mutable_record(), kLevel1 + output, 0, static_cast<uint8_t>(level));
  ShowLevel(output);
  level_dirty_[static_cast<size_t>(output)] = false;
  WriteWords(kLevel1 + output, 1);
}

void CStreetLightDlg::SendDaliCommand() {
  const auto entry =
      ReadDaliCommandEntry(*this, ui::kSlDaliCommand, ui::kSlDaliLength, ui::kSlDaliPriority);
  if (!entry) return;
  auto rec = mutable_record();
  uint32_t word =
      EncodeDaliCommand(Word32(rec, kDaliCommand), entry->command, entry->length, entry->priority);
  word = IsChecked(ui::kSlDaliTwice) ? word | kDaliTwiceBit : word & ~kDaliTwiceBit;
  SetWord32(rec, kDaliCommand, word);
  SetText(ui::kSlResponse, u"");
  WriteWords(kDaliCommand, 2);
}

void CStreetLightDlg::OpenDaliEditor() {
  const uint32_t value = ui::ScanHex(Text(ui::kSlDaliCommand)).value_or(0);
  CDaliEdit editor(host(), value);
  if (RunModal(editor) != ui::kIdOk || !editor.changed()) return;
  SetText(ui::kSlDaliCommand, Format("%08X", editor.value()));
  SetText(ui::kSlDaliLength, Format("%d", editor.length()));
  SetText(ui::kSlDaliPriority, u"0");
}

void CStreetLightDlg::ReadMemory() {
  const int m = ui::ScanInt(Text(ui::kSlMemNumber)).value_or(0) & 0xFFFF;
  for (int i = 0; i < 16; ++i) SetText(ui::SlMem(i), u"");
  auto rec = mutable_record();
  // Bank into DTR1, location into DTR0, then sixteen reads of the location, which the ballast
  // counts on by itself; the push/pull bit stays, priority and "twice" are cleared.
  auto send = [&](uint32_t frame) {
    SetWord32(rec, kDaliCommand, (Word32(rec, kDaliCommand) & kDaliPushPullBit) | frame);
    WriteWords(kDaliCommand, 2);
  };
  send(0x0001C300u | static_cast<uint32_t>(m & 0xFF));
  send(0x0001A300u | static_cast<uint32_t>((m >> 8) & 0xFF));
  for (int i = 0; i < 16; ++i) send(0x000101C5u);
  memory_next_ = 0;
  SetTimer(kMemoryTimer, kMemoryAfterWriteMs);
}

void CStreetLightDlg::SetClockFromPickers() {
  auto rec = mutable_record();
  const ui::Date date = GetDate(ui::kSlDate);
  const ui::TimeOfDay time = GetTime(ui::kSlTime);
  SetRecordByte(rec, kClock, 0, static_cast<uint8_t>(date.year - 2000));
  SetRecordByte(rec, kClock, 1, static_cast<uint8_t>(date.month));
  SetRecordByte(rec, kClock + 1, 0, static_cast<uint8_t>(date.day));
  SetRecordByte(rec, kClock + 1, 1, static_cast<uint8_t>(time.hour));
  SetRecordByte(rec, kClock + 2, 0, static_cast<uint8_t>(time.minute));
  SetRecordByte(rec, kClock + 2, 1, static_cast<uint8_t>(time.second));
  SetRecordByte(rec, kClock + 3, 0, 1);
  time_held_ = false;
  WriteWords(kClock, 4);
  ReadWords(kSunrise, 2);
}

void CStreetLightDlg::UsePcTime() {
  auto rec = mutable_record();
  const ui::LocalTime now = host().Now();
  SetRecordByte(rec, kClock, 0, static_cast<uint8_t>(now.year - 2000));
  SetRecordByte(rec, kClock, 1, static_cast<uint8_t>(now.month));
  SetRecordByte(rec, kClock + 1, 0, static_cast<uint8_t>(now.day));
  SetRecordByte(rec, kClock + 1, 1, static_cast<uint8_t>(now.hour));
  SetRecordByte(rec, kClock + 2, 0, static_cast<uint8_t>(now.minute));
  SetRecordByte(rec, kClock + 2, 1, static_cast<uint8_t>(now.second));
  SetRecordByte(rec, kClock + 3, 0, 1);
  time_held_ = false;
  ShowClock();
  WriteWords(kClock, 4);
}

void CStreetLightDlg::ApplyPreset(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kAstroPresets))) return;
  const AstroPreset& p = kAstroPresets[index];
  auto rec = mutable_record();
  SetFloat(rec, kLatitude, static_cast<float>(p.latitude));
  SetFloat(rec, kLongitude, static_cast<float>(p.longitude));
  rec[kTimeShift] = static_cast<uint8_t>(static_cast<int8_t>(p.time_shift));
  ShowPosition();
  SetCurSel(ui::kSlPreset, index);
  WriteWords(kLongitude, 5);
  ReadWords(kSunrise, 2);
}

void CStreetLightDlg::OpenControlDevice(int k) {
  CStreetLightCtrlDlg editor(host(), mutable_record(), k, project(), address(), PressSender());
  RunModal(editor);
  RebuildControlList();
}

void CStreetLightDlg::OpenRoutedDevice(int row, int column) {
  auto rec = mutable_record();
  const std::span<uint16_t> words = rec.subspan(static_cast<size_t>(kRoutedFirst + 4 * row), 4);
  RoutedDeviceEntry entry = RoutedDeviceEntry::FromWords(words);
  if (column == ui::kSlColAction) {
    // The routed device's own dialog, reached through this node (or through the device this
    // node is itself reached by).
    if (entry.address != 0) {
      opener_.OpenDialogFor(*this, entry.address, route() != 0 ? route() : address());
    }
  } else {
    CRoutedDevices editor(host(), entry, address(), project(), HeardListOf(services().dongle));
    if (RunModal(editor) == ui::kIdOk) entry.ToWords(words);
  }
  RebuildRoutedList();
}

void CStreetLightDlg::OnCommand(int id) {
  auto rec = mutable_record();
  switch (id) {
    case kDevDefault:
      // The default record stands for what a fresh node reports: the firmware check applies.
      feeding_default_ = true;
      DeviceDialog::OnCommand(id);
      feeding_default_ = false;
      return;
    case kDevFwUpdate:
      KillTimer(kPollTimer);
      KillTimer(kClockSourceTimer);
      polling_ = false;
      DeviceDialog::OnCommand(id);
      ApplyButtonVisibility();
      return;
    case ui::kSlLevelOff1:
    case ui::kSlLevelOff2:
      SetLevel(id - ui::kSlLevelOff1, 0);
      return;
    case ui::kSlLevelOn1:
    case ui::kSlLevelOn2:
      SetLevel(id - ui::kSlLevelOn1, kMaxLevel);
      return;
    case ui::kSlDaliSend:
      SendDaliCommand();
      return;
    case ui::kSlDaliEditor:
      OpenDaliEditor();
      return;
    case ui::kSlReadMem:
      ReadMemory();
      return;
    case ui::kSlGiveDaliAddr:
      rec[kDaliBallast] = static_cast<uint16_t>(CurSelOr(ui::kSlDaliBallast, rec[kDaliBallast]));
      WriteWords(kDaliBallast, 1);
      rec[kCommand] = 2;
      WriteWords(kCommand, 1);
      addresses_requested_ = true;
      // A command acts once: it must not travel again with the next write of the record.
      rec[kCommand] = 0;
      return;
    case ui::kSlReadBallastNow:
      rec[kCommand] = 1;
      WriteWords(kCommand, 1);
      rec[kCommand] = 0;
      ballast_requested_ = true;
      return;
    case ui::kSlBallastData1:
    case ui::kSlBallastData2: {
      const int k = id == ui::kSlBallastData1 ? 0 : 1;
      ReadWords(kBallastBlockFirst[k], kBallastBlockWords);
      report_armed_ = true;
      return;
    }
    case ui::kSlUsePcTime:
      UsePcTime();
      return;
    case ui::kSlSetTime:
      SetClockFromPickers();
      return;
    case ui::kSlClean:
      rec[kClean] = 1;
      WriteWords(kClean, 1);
      rec[kClean] = 0;
      return;
    case ui::kSlFixPos:
      for (int a = 0; a < 3; ++a) SetText(ui::kSlRefX + a, Text(ui::kSlActX + a));
      return;
    case ui::kSlReadRtcCal:
      ReadWords(kUptime, 2);
      ReadWords(kClock, 3);
      ReadWords(kUnixTime, 2);
      ReadWords(kClockReference, 4);
      return;
    default:
      DeviceDialog::OnCommand(id);
      return;
  }
}

void CStreetLightDlg::OnCheck(int id) {
  if (id != ui::kSlSummerTime) return;
  SetRecordByte(mutable_record(), kTimeShift, 1, IsChecked(id) ? 1 : 0);
  WriteWords(kTimeShift, 1);
  ReadWords(kSunrise, 2);
}

void CStreetLightDlg::OnSelChange(int id) {
  if (id == ui::kSlPreset) {
    ApplyPreset(CurSel(id));
  } else if (id == ui::kSlExternalPir) {
    const int sel = CurSel(id);
    if (sel < 0) return;
    mutable_record()[kExternalPir] = static_cast<uint16_t>((sel & 7) | 8);
    WriteWords(kExternalPir, 1);
  }
}

void CStreetLightDlg::OnEditChange(int id) {
  if (id == ui::kSlLevel1 || id == ui::kSlLevel2) {
    level_dirty_[static_cast<size_t>(id - ui::kSlLevel1)] = true;
  } else if (id == ui::kSlTime || id == ui::kSlDate) {
    // Either picker being set by the user stops the running clock, or the next tick would put
    // the node's date back before ">" sends the new one.
    time_held_ = true;
  }
}

void CStreetLightDlg::OnKillFocus(int id) {
  if (id != ui::kSlLevel1 && id != ui::kSlLevel2) return;
  const int output = id - ui::kSlLevel1;
  if (!level_dirty_[static_cast<size_t>(output)]) return;
  if (const auto level = ui::ScanInt(Text(id))) {
    SetLevel(output, *level);
  } else {
    ShowLevel(output);
    level_dirty_[static_cast<size_t>(output)] = false;
  }
}

void CStreetLightDlg::OnOk() {
  // Enter in a light level sends it, as leaving the field does; the dialog stays open.
  OnKillFocus(ui::kSlLevel1);
  OnKillFocus(ui::kSlLevel2);
}

void CStreetLightDlg::OnDoubleClick(int id, int row, int column) {
  if (id == ui::kSlDaliCommand) {
    OpenDaliEditor();
  } else if (id == ui::kSlControlDevices && row >= 0 && row < kControlCount) {
    OpenControlDevice(row);
  } else if (id == ui::kSlRoutedDevices && row >= 0 && row < kRoutedDevices) {
    OpenRoutedDevice(row, column);
  }
}

void CStreetLightDlg::OnCancel() {
  // A coordinate that does not read would stop the gather before the schedule, PIR and
  // calibration fields: closing then would lose those edits. Stay open, as Write and Save do.
  if (!CheckEntries()) return;
  Collect();
  if (!AskOnClose()) return;
  log_.Close();
  EndDialog(ui::kIdCancel);
}

}  // namespace corvane::lighting
