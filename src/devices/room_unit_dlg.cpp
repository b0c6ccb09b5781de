#include "devices/room_unit_dlg.h"

#include <algorithm>
#include <array>
#include <optional>

#include "devices/room_unit_template.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using ui::Format;
namespace rw = room_word;
namespace cw = room_c_word;

// Bytes of the device clock within the record.
constexpr int kByteSeconds = 170;
constexpr int kByteWeekday = 173;

// What the Calidor shows without code of its own: values the device reports.
const std::vector<FieldBinding>& RoomUnitShownFields() {
  static const std::vector<FieldBinding> fields = {
      Unsigned(ui::kRuEepWrites, rw::kEepWrites),
      Seconds32(ui::kRuUptime, rw::kUptime),
      Suffixed(SignedByte(ui::kRuBkRssi, rw::kBackgroundRssi, 0), u" dBm"),
      Battery(ui::kRuBatVoltage, rw::kBattery, 0),
      Suffixed(NibbleTens(ui::kRuBatState, rw::kBattery, 1), u"%"),
      Suffixed(Hundredths(ui::kRuActualTemp, rw::kActualTemp, false), u" \u00B0C"),
      Suffixed(Hundredths(ui::kRuActualHeat, rw::kActualHeat, false), u" \u00B0C"),
      Suffixed(Hundredths(ui::kRuActualCool, rw::kActualCool, false), u" \u00B0C"),
      Suffixed(Hundredths(ui::kRuActualRh, rw::kActualRh, false), u" %"),
      Suffixed(Unsigned(ui::kRuActualCo2, rw::kActualCo2), u" ppm"),
  };
  return fields;
}

// The Calidor's plain edits. They are collected only after "Temp correction" has passed its
// check, so they are kept apart from the table the dialog pattern collects on its own.
const std::vector<FieldBinding>& RoomUnitEditFields() {
  static const std::vector<FieldBinding> fields = {
      Hundredths(ui::kRuCorrectionMax, rw::kCorrectionMax, true),
      Hundredths(ui::kRuCorrectionMin, rw::kCorrectionMin, true),
      Hundredths(ui::kRuOutsideTemp, rw::kOutsideTemp, true),
      ComboIndex(ui::kRuContrast, rw::kContrastCo2Period, 0, 0),
      UnsignedEdit(ui::kRuCo2MeasPeriod, rw::kContrastCo2Period, 1),
      UnsignedEdit(ui::kRuCo2AbcPeriod, rw::kCo2AbcPeriod),
      ComboIndex(ui::kRuQuickEdit, rw::kEditReturn, 1, 0),
      DecimalByte(ui::kRuStepTemp, rw::kStep, 0, 2),
      UnsignedEdit(ui::kRuStepMinutes, rw::kStep, 1),
      DecimalByte(ui::kRuShowTime, rw::kShow, 1, 1),
      ZeroWhenBad(UnsignedEdit(ui::kRuEditReturnTime, rw::kEditReturn, 0)),
      DecimalByte(ui::kRuLongPushTime, rw::kPushTimes, 0, 1),
      DecimalByte(ui::kRuSuperLongPushTime, rw::kPushTimes, 1, 1),
      Hundredths(ui::kRuSetDayTemp, rw::kSetPoints, true),
      Hundredths(ui::kRuSetNightTemp, rw::kSetPoints + 1, true),
      Hundredths(ui::kRuSetAttTemp, rw::kSetPoints + 2, true),
      Hundredths(ui::kRuSetDayCool, rw::kSetPoints + 3, true),
      Hundredths(ui::kRuSetNightCool, rw::kSetPoints + 4, true),
      Hundredths(ui::kRuSetAttCool, rw::kSetPoints + 5, true),
      Hundredths(ui::kRuMinDnaTemp, rw::kMinDna, true),
      Hundredths(ui::kRuMaxDnaTemp, rw::kMaxDna, true),
      Hundredths(ui::kRuCorrectionTemp, rw::kCorrectionTemp, true),
      Hundredths(ui::kRuCorrectionRh, rw::kCorrectionRh, true),
      // A signed ppm offset: an integer with its sign.
      Decimal(ui::kRuCorrectionCo2, rw::kCorrectionCo2, 0, true),
      HexEdit(ui::kRuSymbolControl, rw::kSymbolControl),
  };
  return fields;
}

const FieldBinding kTempCorrectionField =
    Hundredths(ui::kRuTempCorrection, rw::kTempCorrection, true);
const FieldBinding kTimeProgramField = ComboIndex(ui::kRuTpgNum, rw::kTimeProgram, -1, 0);

// A check box standing for one bit of a word (or of one byte of it).
struct BitBox {
  int control;
  int bit;
};
struct BitRow {
  int word;
  int byte;  // -1 = the whole word
  std::vector<BitBox> boxes;
};

std::vector<BitBox> Consecutive(int first_control, int bits) {
  std::vector<BitBox> boxes;
  for (int bit = 0; bit < bits; ++bit) boxes.push_back({first_control + bit, bit});
  return boxes;
}

// Each row is written whole from its boxes: bits without a box become 0.
const std::vector<BitRow>& RoomUnitBitRows() {
  static const std::vector<BitRow> rows = {
      {rw::kShow, 0, Consecutive(ui::kRuShow1, 6)},
      {rw::kAllowed, -1, Consecutive(ui::kRuAllowed1, 12)},
      {rw::kPresenceMask, -1, Consecutive(ui::kRuPresence1, 5)},
      {rw::kFanModeMask, -1, Consecutive(ui::kRuFanMask1, 5)},
      {rw::kShowSymbol,
       -1,
       {{ui::RuShowSymbol(0), 0},
        {ui::RuShowSymbol(1), 1},
        {ui::RuShowSymbol(2), 3},
        {ui::RuShowSymbol(3), 4}}},
  };
  return rows;
}

// Unit options (word 68).
constexpr uint16_t kOptResidential = 0x0001;
constexpr uint16_t kOptAbsolute = 0x0002;
constexpr uint16_t kOptFanSpeedBits = 0x0030;
constexpr uint16_t kOptResetFan = 0x0100;
constexpr uint16_t kOptResetTempCorr = 0x0800;
constexpr uint16_t kFanSpeedCode[] = {0x20, 0x10,
                                      0x00};  // "Fan 1 speed", "Fan 2 speed", "Fan 3 speed"

constexpr uint8_t kLastCooling = 0x10;

// The controls of the CO2 sensor, shown only for a unit that has one.
constexpr int kCo2Controls[] = {
    ui::kRuActualCo2Label, ui::kRuActualCo2,         ui::kRuCorrectionCo2Label,
    ui::kRuCorrectionCo2,  ui::kRuCorrectionCo2Unit, ui::kRuCo2MeasPeriodLabel,
    ui::kRuCo2MeasPeriod,  ui::kRuCo2MeasPeriodUnit, ui::kRuCo2AbcPeriodLabel,
    ui::kRuCo2AbcPeriod,   ui::kRuCo2AbcPeriodUnit,  ui::RuShow(5)};

// The drop-down of a one-hot mode word: the lowest set bit the list knows, else the first item.
int OneHotIndex(uint16_t value, int items) {
  for (int bit = 0; bit < items; ++bit) {
    if (value & (1u << bit)) return bit;
  }
  return 0;
}

}  // namespace

// --- The device clock ----------------------------------------------------------------------------

uint8_t ToBcd(int value) {
  value = ((value % 100) + 100) % 100;
  return static_cast<uint8_t>(((value / 10) << 4) | (value % 10));
}

int FromBcd(uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }

int IsoWeekday(int year, int month, int day) {
  // Sakamoto's method with all four leap-year terms, so that it holds for every Gregorian year
  // (the short form without the century terms drifts from 2100-03-01 on).
  static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  month = std::clamp(month, 1, 12);
  const int y = month < 3 ? year - 1 : year;
  const int sum = y + y / 4 - y / 100 + y / 400 + kMonthOffset[month - 1] + day;
  const int sunday_based = (sum % 7 + 7) % 7;  // 0 = Sunday
  return sunday_based == 0 ? 7 : sunday_based;
}

RoomClock ReadRoomClock(std::span<const uint16_t> record) {
  auto byte = [&](int b) { return FromBcd(RecordByte(record, b / 2, b % 2)); };
  RoomClock c;
  c.second = byte(kByteSeconds);
  c.minute = byte(kByteSeconds + 1);
  c.hour = byte(kByteSeconds + 2);
  c.weekday = byte(kByteWeekday);
  c.day = byte(kByteSeconds + 4);
  c.month = byte(kByteSeconds + 5);
  c.year = 2000 + byte(kByteSeconds + 6);
  if (c.month < 1 || c.month > 12) c.month = 1;
  if (c.day < 1 || c.day > 31) c.day = 1;
  return c;
}

RoomClock NextSecond(RoomClock c) {
  // A field beyond its range (a clock never set, a damaged record) wraps like its limit.
  if (++c.second >= 60) {
    c.second = 0;
    if (++c.minute >= 60) {
      c.minute = 0;
      if (++c.hour >= 24) c.hour = 0;
    }
  }
  return c;
}

void WriteRoomClock(std::span<uint16_t> record, const RoomClock& c, bool weekday) {
  auto put = [&](int b, int value) { SetRecordByte(record, b / 2, b % 2, ToBcd(value)); };
  put(kByteSeconds, c.second);
  put(kByteSeconds + 1, c.minute);
  put(kByteSeconds + 2, c.hour);
  if (weekday) put(kByteWeekday, c.weekday);
  put(kByteSeconds + 4, c.day);
  put(kByteSeconds + 5, c.month);
  put(kByteSeconds + 6, c.year - 2000);
}

std::optional<bool> RoomUnitHasCo2(uint16_t modbus_id) {
  switch (modbus_id) {
    case 0x0515:
    case 0x0516:
      return true;
    case 0x050E:
    case 0x0517:
      return false;
    default:
      return std::nullopt;
  }
}

// --- CRoomUnitDlg --------------------------------------------------------------------------------

CRoomUnitDlg::CRoomUnitDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::RoomUnitTemplate(), context, std::move(services), kRoomUnitLayout,
                   RoomUnitShownFields()) {}

void CRoomUnitDlg::InitDevice() { ShowCo2Group(false); }

void CRoomUnitDlg::StartDevice() {
  // The device time is on screen from the record already; the PC time joins it at once.
  const ui::LocalTime now = host().Now();
  SetDate(ui::kRuPcDate, {now.year, now.month, now.day});
  SetTime(ui::kRuPcTime, {now.hour, now.minute, now.second});
  SetTimer(kClockTimer, kClockMs);
}

void CRoomUnitDlg::ShowCo2Group(bool shown) {
  co2_shown_ = shown;
  for (int id : kCo2Controls) Show(id, shown);
}

void CRoomUnitDlg::RefreshDevice(int first, int count) {
  const auto record = this->record();
  auto covers = [&](int word) { return first <= word && word < first + count; };
  RefreshFields(*this, RoomUnitEditFields(), record, first, count);
  RefreshFields(*this, std::span(&kTempCorrectionField, 1), record, first, count);

  for (const BitRow& row : RoomUnitBitRows()) {
    if (!covers(row.word)) continue;
    const int value = row.byte < 0 ? record[static_cast<size_t>(row.word)]
                                   : RecordByte(record, row.word, row.byte);
    for (const BitBox& box : row.boxes) SetCheck(box.control, (value >> box.bit) & 1);
  }
  if (covers(rw::kUnitOptions)) {
    const uint16_t options = record[rw::kUnitOptions];
    switch (options & kOptFanSpeedBits) {
      case 0x20:
        SetCurSel(ui::kRuFanSpeed, 0);
        break;
      case 0x10:
        SetCurSel(ui::kRuFanSpeed, 1);
        break;
      case 0x00:
        SetCurSel(ui::kRuFanSpeed, 2);
        break;
      default:
        break;  // both bits: no speed the list knows, the selection stays
    }
    SetCurSel(ui::kRuHotelResidential, (options & kOptResidential) ? 1 : 0);
    SetCurSel(ui::kRuRelativeAbsolute, (options & kOptAbsolute) ? 1 : 0);
    SetCheck(ui::kRuResetFan, (options & kOptResetFan) != 0);
    SetCheck(ui::kRuResTempCorr, (options & kOptResetTempCorr) != 0);
  }
  if (covers(rw::kSetMode)) {
    SetCurSel(ui::kRuSetMode, OneHotIndex(record[rw::kSetMode], Count(ui::kRuSetMode)));
  }
  if (covers(rw::kFanMode)) {
    SetCurSel(ui::kRuFanMode, OneHotIndex(record[rw::kFanMode], Count(ui::kRuFanMode)));
  }
  const uint8_t input = RecordByte(record, rw::kInput, 0);
  if (covers(rw::kInput)) SetCurSel(ui::kRuLastHeatCool, (input & kLastCooling) ? 1 : 0);
  if (first <= rw::kClock + 3 && rw::kClock < first + count) {
    const RoomClock clock = ReadRoomClock(record);
    SetDate(ui::kRuDeviceDate, {clock.year, clock.month, clock.day});
    SetTime(ui::kRuDeviceTime, {clock.hour, clock.minute, clock.second});
  }

  // What the unit reports about its state follows every block.
  SetText(ui::kRuInput, Format("0x%02X", input));
  SetText(ui::kRuSetModeHex, Format("0x%04X", record[rw::kSetMode]));
  SetText(ui::kRuActMode, Format("0x%04X", record[rw::kActMode]));
  const int vcpu = record[rw::kVcpu];
  SetText(ui::kRuVcpu, Format("%d.%02dV", vcpu / 100, vcpu % 100));
  SetText(ui::kRuCo2Fails, Format("%d", record[rw::kCo2Fails]));
  RefreshFields(*this, std::span(&kTimeProgramField, 1), record, 0,
                static_cast<int>(record.size()));
  SetText(ui::kRuRssi, Format("%d dBm", services().heard.RssiOf(address())));
  SetText(ui::kRuRxRssi, Format("%d dBm", services().heard.device_rssi()));

  // The model code says whether the unit has a CO2 sensor; a code of neither kind (a block of
  // another layout, a unit not known yet) keeps what was decided before.
  if (first == 0 && count > 0) {
    if (const auto co2 = RoomUnitHasCo2(record[0])) ShowCo2Group(*co2);
  }
}

std::optional<int16_t> CRoomUnitDlg::TempCorrection(std::u16string_view* problem) const {
  const auto scaled = ui::ScanScaledDecimal(Text(ui::kRuTempCorrection), 2);
  if (!scaled) {
    if (problem != nullptr) *problem = u"Invalid format of Temp correction";
    return std::nullopt;
  }
  // Beyond a signed word it is out of range in any case; wrapping it around would let 700 pass
  // as 44.64.
  const int v = static_cast<int>(std::clamp<int64_t>(*scaled, -32768, 32767));
  const auto record = this->record();
  const int low = -static_cast<int>(record[rw::kCorrectionMin]);
  const int high = record[rw::kCorrectionMax];
  if (v < low || v > high) {
    if (problem != nullptr) *problem = u"Invalid value of Temp correction";
    return std::nullopt;
  }
  return static_cast<int16_t>(v);
}

bool CRoomUnitDlg::CheckEntries() {
  if (!DeviceDialog::CheckEntries()) return false;
  // The plain edits are collected by hand, after the correction: a number they cannot hold is
  // refused here the same way. A text that is no number keeps the field's value.
  for (const FieldBinding& field : RoomUnitEditFields()) {
    const auto problem = CheckFieldEntries(*this, std::span(&field, 1), record().size());
    if (problem && ui::ScanScaledDecimal(Text(field.control), 0) &&
        !ui::AcceptEntries(*this, problem)) {
      return false;
    }
  }
  // Refused before anything is collected: a write or a save does not go ahead with the old
  // values of the fields after it.
  std::u16string_view problem;
  if (TempCorrection(&problem)) return true;
  MessageBox(problem);
  return false;
}

void CRoomUnitDlg::CollectDevice() {
  // A refused correction stops here: what follows keeps its record values (Write and Save have
  // refused it already; closing keeps what the record held).
  const std::optional<int16_t> correction = TempCorrection(nullptr);
  if (!correction) return;
  const std::span<uint16_t> record = mutable_record();
  record[rw::kTempCorrection] = static_cast<uint16_t>(*correction);
  CollectFields(*this, RoomUnitEditFields(), record);
  CollectFields(*this, std::span(&kTimeProgramField, 1), record);

  for (const BitRow& row : RoomUnitBitRows()) {
    int value = 0;
    for (const BitBox& box : row.boxes) value |= IsChecked(box.control) ? 1 << box.bit : 0;
    if (row.byte < 0) {
      record[static_cast<size_t>(row.word)] = static_cast<uint16_t>(value);
    } else {
      SetRecordByte(record, row.word, row.byte, static_cast<uint8_t>(value));
    }
  }

  const int speed = CurSel(ui::kRuFanSpeed);
  uint16_t options =
      speed >= 0 && speed < 3 ? kFanSpeedCode[speed] : record[rw::kUnitOptions] & kOptFanSpeedBits;
  if (CurSel(ui::kRuHotelResidential) == 1) options |= kOptResidential;
  if (CurSel(ui::kRuRelativeAbsolute) == 1) options |= kOptAbsolute;
  if (IsChecked(ui::kRuResetFan)) options |= kOptResetFan;
  if (IsChecked(ui::kRuResTempCorr)) options |= kOptResetTempCorr;
  record[rw::kUnitOptions] = options;

  if (const int mode = CurSel(ui::kRuSetMode); mode >= 0) {
    record[rw::kSetMode] = static_cast<uint16_t>(1 << mode);
  }
  if (const int fan = CurSel(ui::kRuFanMode); fan >= 0) {
    record[rw::kFanMode] = static_cast<uint16_t>(1 << fan);
  }
  if (const int last = CurSel(ui::kRuLastHeatCool); last >= 0) {
    const uint8_t input = RecordByte(record, rw::kInput, 0);
    SetRecordByte(record, rw::kInput, 0,
                  static_cast<uint8_t>(last == 1 ? input | kLastCooling : input & ~kLastCooling));
  }
}

void CRoomUnitDlg::OnCommand(int id) {
  if (id == ui::kRuSynchronize) {
    Synchronize();
    return;
  }
  DeviceDialog::OnCommand(id);
}

void CRoomUnitDlg::OnDeviceTimer(int id) {
  if (id == kClockTimer) Tick();
}

void CRoomUnitDlg::Tick() {
  // The unit's clock runs on between reads: the dialog keeps it going in the record.
  RoomClock clock = ReadRoomClock(record());
  SetDate(ui::kRuDeviceDate, {clock.year, clock.month, clock.day});
  SetTime(ui::kRuDeviceTime, {clock.hour, clock.minute, clock.second});
  clock = NextSecond(clock);
  WriteRoomClock(mutable_record(), clock, false);
  const ui::LocalTime now = host().Now();
  SetDate(ui::kRuPcDate, {now.year, now.month, now.day});
  SetTime(ui::kRuPcTime, {now.hour, now.minute, now.second});
}

void CRoomUnitDlg::Synchronize() {
  const ui::LocalTime now = host().Now();
  // The unit counts years 2000..2099 in one BCD byte; another year would be stored as a
  // different one (2100 as 2000, with the wrong weekday), so the clock is left as it is.
  if (now.year < 2000 || now.year > 2099) {
    MessageBox(Format("The PC date %04d-%02d-%02d is outside the years 2000 to 2099 that the "
                      "device clock can hold.\nThe device time was not changed.",
                      now.year, now.month, now.day),
               u"Synchronize", {ui::Buttons::kOk, ui::Icon::kWarning, 0});
    return;
  }
  const RoomClock clock{.year = now.year,
                        .month = now.month,
                        .day = now.day,
                        .hour = now.hour,
                        .minute = now.minute,
                        .second = now.second,
                        .weekday = IsoWeekday(now.year, now.month, now.day)};
  WriteRoomClock(mutable_record(), clock, true);
  SetDate(ui::kRuDeviceDate, {clock.year, clock.month, clock.day});
  SetTime(ui::kRuDeviceTime, {clock.hour, clock.minute, clock.second});
}

std::vector<uint16_t> CRoomUnitDlg::DefaultRecord() const {
  std::vector<uint16_t> d = DefaultRecordBase(record(), 0x050E, 1082, u"Thermostat 1");
  const std::span<uint16_t> r(d);
  constexpr uint16_t kSetPoints[] = {2200, 1600, 1000, 2600, 2500, 3000};
  std::copy(std::begin(kSetPoints), std::end(kSetPoints), d.begin() + rw::kSetPoints);
  d[rw::kSetMode] = 0x0001;  // Day
  d[rw::kFanMode] = 0x0001;  // fan auto
  d[rw::kContrastCo2Period] = 3 | (60 << 8);
  d[rw::kUnitOptions] = kOptResidential | kOptAbsolute;  // fan 3 speed
  d[rw::kCorrectionMin] = 350;
  d[rw::kCorrectionMax] = 350;
  d[rw::kMinDna] = 1000;
  d[rw::kMaxDna] = 4000;
  d[rw::kStep] = 50 | (5 << 8);
  d[rw::kShow] = 0x35 | (30 << 8);     // Temperature, Time, Humidity, CO2; 3.0 s
  d[rw::kEditReturn] = 30 | (1 << 8);  // 30 s, quick edit presence
  d[rw::kPushTimes] = 15 | (50 << 8);  // 1.5 s, 5.0 s
  d[rw::kAllowed] = 0x0FFF;
  d[rw::kPresenceMask] = 0x001F;
  d[rw::kFanModeMask] = 0x001F;
  WriteRoomClock(
      r,
      RoomClock{
          .year = 2000, .month = 0, .day = 0, .hour = 12, .minute = 10, .second = 0, .weekday = 1},
      true);
  // Every day: 06:00 mode 0, 08:00 mode 1, 14:00 mode 0, 22:00 mode 1, two empty points.
  constexpr uint16_t kDay[] = {360, 0, 480, 1, 840, 0, 1320, 1, 1435, 0x8000, 1435, 0x8000};
  for (int day = 0; day < 7; ++day) {
    std::copy(std::begin(kDay), std::end(kDay), d.begin() + rw::kTimePrograms + day * 12);
  }
  return d;
}

// --- CRoomUnitCDlg -------------------------------------------------------------------------------

namespace {

const std::vector<FieldBinding>& RoomUnitCFields() {
  static const std::vector<FieldBinding> fields = {
      Unsigned(ui::kRcEepWrites, 27),
      Seconds32(ui::kRcUptime, 28),
      Suffixed(SignedByte(ui::kRcBkRssi, 30, 0), u" dBm"),
      Suffixed(NibbleTens(ui::kRcBatState, 31, 1), u" %"),
      Suffixed(Hundredths(ui::kRcActualTemp, cw::kActualTemp, false), u" \u00B0C"),
      Suffixed(Hundredths(ui::kRcActualRh, cw::kActualRh, false), u" %"),
      Suffixed(Unsigned(ui::kRcActualCo2, cw::kActualCo2), u" ppm"),
      Hundredths(ui::kRcTempCorr, cw::kTempCorr, true),
      Hundredths(ui::kRcRhCorr, cw::kRhCorr, true),
      Hundredths(ui::kRcCo2Corr, cw::kCo2Corr, true),
      CheckWord(ui::kRcLock, cw::kLock, 0x0001),
      ZeroWhenBad(UnsignedEdit(ui::kRcCo2ReadPeriod, cw::kCo2ReadPeriod)),
      ZeroWhenBad(UnsignedEdit(ui::kRcYellowOff, cw::kYellowOff)),
      ZeroWhenBad(UnsignedEdit(ui::kRcYellowOn, cw::kYellowOn)),
      ZeroWhenBad(UnsignedEdit(ui::kRcRedOff, cw::kRedOff)),
      ZeroWhenBad(UnsignedEdit(ui::kRcRedOn, cw::kRedOn)),
      FlagText(ui::kRcPrg, cw::kStatus, 0x0001, u"PRG"),
      ZeroWhenBad(UnsignedEdit(ui::kRcCo2AbcPeriod, cw::kCo2AbcPeriod)),
      Unsigned(ui::kRcCo2Fails, cw::kCo2Fails),
      Suffixed(Hundredths(ui::kRcCpuVolt, cw::kCpuVolt, false), u" V"),
      Unsigned(ui::kRcAdcFails, cw::kAdcFails, 0),
  };
  return fields;
}

// The three LED period bytes: 128 green, 129 yellow, 130 red.
struct LedByte {
  int control;
  int word;
  int byte;
};
constexpr LedByte kLedBytes[] = {{ui::kRcGreenPeriod, cw::kLedPeriods, 0},
                                 {ui::kRcYellowPeriod, cw::kLedPeriods, 1},
                                 {ui::kRcRedPeriod, cw::kLedPeriods + 1, 0}};

}  // namespace

uint8_t LedPeriodByte(std::u16string_view text) {
  // Quarter seconds in a byte: 63 s is the longest whole period it holds; more would wrap
  // around to a short blink.
  const int seconds = std::clamp(ui::ScanInt(text).value_or(0), 0, 63);
  return static_cast<uint8_t>(seconds * 4);
}

int LedPeriodSeconds(uint8_t quarters) { return (quarters + 3) / 4; }

CRoomUnitCDlg::CRoomUnitCDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::RoomUnitCTemplate(), context, std::move(services), kRoomUnitCLayout,
                   RoomUnitCFields()) {}

void CRoomUnitCDlg::RefreshDevice(int first, int count) {
  const auto record = this->record();
  auto covers = [&](int word) { return first <= word && word < first + count; };
  if (covers(31)) {
    const int tenths = RecordByte(record, 31, 0);
    SetText(ui::kRcBatVoltage, Format("%d.%01d V", tenths / 10, tenths % 10));
  }
  for (const LedByte& led : kLedBytes) {
    if (covers(led.word)) {
      SetText(led.control, Format("%d", LedPeriodSeconds(RecordByte(record, led.word, led.byte))));
    }
  }
}

void CRoomUnitCDlg::CollectDevice() {
  const std::span<uint16_t> record = mutable_record();
  for (const LedByte& led : kLedBytes) {
    SetRecordByte(record, led.word, led.byte, LedPeriodByte(Text(led.control)));
  }
  record[cw::kServiceB] = 1;
}

std::vector<uint16_t> CRoomUnitCDlg::DefaultRecord() const {
  std::vector<uint16_t> d = DefaultRecordBase(record(), 0x051A, 1207, u"CO2 meter");
  const std::span<uint16_t> r(d);
  d[cw::kCo2ReadPeriod] = 30;
  d[cw::kYellowOff] = 800;
  d[cw::kYellowOn] = 1000;
  d[cw::kRedOff] = 1500;
  d[cw::kRedOn] = 2000;
  d[cw::kLedPeriods] = 40 | (20 << 8);  // 10 s green, 5 s yellow
  d[cw::kLedPeriods + 1] = 4;           // 1 s red
  d[cw::kCo2AbcPeriod] = 180;
  // Bytes 139..142.
  SetRecordByte(r, 69, 1, 5);
  SetRecordByte(r, 70, 0, 1);
  SetRecordByte(r, 70, 1, 1);
  SetRecordByte(r, 71, 0, 10);
  return d;
}

}  // namespace corvane::devices
