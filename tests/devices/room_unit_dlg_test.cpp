// The room-unit dialogs on the headless host: the Temp correction check that stops collecting,
// the drop-downs of one-hot words and unit options, the device clock and Synchronize, the CO2
// group by model code, the LED periods of the Calidor-C and both Default records.
#include "devices/room_unit_dlg.h"

#include <gtest/gtest.h>

#include <chrono>

#include "device_fixture.h"
#include "devices/room_unit_template.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::DeviceTest;
namespace demo = sim::demo;
namespace rw = room_word;
using namespace ui;

class RoomUnitTest : public DeviceTest {
 protected:
  template <class D = CRoomUnitDlg>
  D& OpenDevice(RfAddress address, DialogClass cls = DialogClass::kRoomUnit) {
    StartWithProject({address}, true);
    sim.SetMute(address, true);
    MarkHeard({address});
    return Open<D>(address, 0, cls);
  }
  CRoomUnitDlg& OpenWithDefault() {
    auto& d = OpenDevice(demo::kRoomUnit);
    host.Click(d, kDevDefault);
    return d;
  }
  static uint16_t Word(const DeviceDialog& d, int word) {
    return d.record()[static_cast<size_t>(word)];
  }
  static uint8_t Byte(const DeviceDialog& d, int byte) {
    return RecordByte(d.record(), byte / 2, byte % 2);
  }
  // The seven clock bytes 170..176.
  static std::vector<int> ClockBytes(const DeviceDialog& d) {
    std::vector<int> bytes;
    for (int b = 170; b <= 176; ++b) bytes.push_back(Byte(d, b));
    return bytes;
  }
};

TEST_F(RoomUnitTest, TempCorrectionWithinTheRecordLimitsOrTheCollectStops) {
  auto& d = OpenWithDefault();  // correction min and max 3.50
  for (const auto& [typed, stored] :
       {std::pair{u"-3.50", -350}, std::pair{u"3.50", 350}, std::pair{u"0.1", 10}}) {
    host.Type(d, kRuTempCorrection, typed);
    host.Click(d, kDevSave);
    EXPECT_EQ(static_cast<int16_t>(Word(d, rw::kTempCorrection)), stored);
  }
  EXPECT_TRUE(host.boxes().empty());

  // Refused: the save does not go ahead, nothing is collected, the project keeps its record;
  // Write is refused the same way, before the overwrite question and before anything is sent.
  const std::vector<uint16_t> saved(d.record().begin(), d.record().end());
  const auto blob = dlg->project().Record(dlg->project().Find(d.address()));
  const std::vector<uint16_t> stored(blob.begin(), blob.end());
  host.Type(d, kRuTempCorrection, u"-3.51");
  host.Type(d, kRuSetDayTemp, u"23.00");
  host.Type(d, kRuCorrectionMax, u"5.00");
  host.Toggle(d, RuAllowed(0));
  host.Type(d, kDevName, u"Lobby");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid value of Temp correction"});
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), d.record().begin(), d.record().end()));
  const auto after = dlg->project().Record(dlg->project().Find(d.address()));
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), after.begin(), after.end()));
  host.ClearBoxes();
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid value of Temp correction"});
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.pending(), Pending::kNone);
  host.Type(d, kRuTempCorrection, u"0.1");
  host.Click(d, kDevSave);
  EXPECT_EQ(DecodeDeviceTextWords(d.record().subspan(8, 8)), u"Lobby");
  EXPECT_EQ(Word(d, rw::kSetPoints), 2300);

  // A value far beyond a signed word is refused, not wrapped round into the range.
  host.ClearBoxes();
  host.Type(d, kRuTempCorrection, u"700");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid value of Temp correction"});

  host.ClearBoxes();
  host.Type(d, kRuTempCorrection, u"warm");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid format of Temp correction"});
  EXPECT_EQ(Word(d, rw::kSetPoints), 2300);  // as the last save that went ahead left it

  // The limits are the record's before this collect: a new maximum counts from the next one.
  host.ClearBoxes();
  host.Type(d, kRuTempCorrection, u"0");
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, rw::kCorrectionMax), 500);
  EXPECT_EQ(Word(d, rw::kSetPoints), 2300);
  host.Type(d, kRuTempCorrection, u"4.80");
  host.Click(d, kDevSave);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(Word(d, rw::kTempCorrection), 480);
}

// What a word or byte cannot hold stops Save and Write with the field's name and range, in both
// room units; the record keeps its values and the field what was typed.
void ExpectRefused(TestHost& host, DeviceDialog& d, int id, std::u16string_view typed,
                   std::u16string_view message) {
  SCOPED_TRACE(Utf16ToUtf8(message));
  const std::vector<uint16_t> saved(d.record().begin(), d.record().end());
  host.ClearBoxes();
  host.Type(d, id, typed);
  host.Click(d, kDevSave);
  host.Click(d, kDevWriteRam);
  ASSERT_EQ(host.boxes().size(), 2u);
  for (const auto& box : host.boxes()) {
    EXPECT_EQ(box.text, message);
    EXPECT_EQ(box.caption, u"Invalid value");
  }
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_EQ(d.Text(id), typed);
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), d.record().begin(), d.record().end()));
}

TEST_F(RoomUnitTest, CalidorRefusesValuesBeyondTheirWordByName) {
  auto& d = OpenWithDefault();
  ExpectRefused(host, d, kRuStepMinutes, u"300", u"Step minutes must be between 0 and 255 min");
  host.Type(d, kRuStepMinutes, u"10");
  ExpectRefused(host, d, kRuEditReturnTime, u"256",
                u"Edit return time must be between 0 and 255 s");
  host.Type(d, kRuEditReturnTime, u"30");
  // A set point beyond what its word holds is refused, not stored as 327.67.
  ExpectRefused(host, d, kRuSetDayTemp, u"400",
                u"Set day temp must be between -327.68 and 327.67 \u00B0C");
}

TEST_F(RoomUnitTest, CalidorCRefusesValuesBeyondTheirWordByName) {
  auto& d = OpenDevice<CRoomUnitCDlg>(demo::kFanCoilRoomUnit, DialogClass::kRoomUnitC);
  host.Click(d, kDevDefault);
  ExpectRefused(host, d, kRcRedOn, u"99999", u"Red ON must be between 0 and 65535 ppm");
}

TEST_F(RoomUnitTest, ModeDropDownsUnitOptionsAndBitRows) {
  auto& d = OpenWithDefault();
  // No mode bit: "Day", written back as bit 0. The lowest bit wins.
  Deliver(d, rw::kSetMode, {0x0000, 0x0018});
  EXPECT_EQ(d.CurSel(kRuSetMode), 0);
  EXPECT_EQ(d.Text(kRuSetModeHex), u"0x0000");
  EXPECT_EQ(d.CurSel(kRuFanMode), 3);  // "Fan manual 2"

  // Fan speed from bits 4..5; both set leaves the drop-down as it was.
  Deliver(d, rw::kUnitOptions, {0x0812});
  EXPECT_EQ(d.CurSel(kRuFanSpeed), 1);
  EXPECT_EQ(d.CurSel(kRuHotelResidential), 0);
  EXPECT_EQ(d.CurSel(kRuRelativeAbsolute), 1);
  EXPECT_TRUE(d.IsChecked(kRuResTempCorr));
  EXPECT_FALSE(d.IsChecked(kRuResetFan));
  Deliver(d, rw::kUnitOptions, {0x0131});
  EXPECT_EQ(d.CurSel(kRuFanSpeed), 1);
  EXPECT_TRUE(d.IsChecked(kRuResetFan));

  // Bit 4 of the input byte: last heating or cooling; the other bits stay.
  Deliver(d, rw::kInput, {0xAB05});
  EXPECT_EQ(d.Text(kRuInput), u"0x05");
  EXPECT_EQ(d.CurSel(kRuLastHeatCool), 0);
  host.Select(d, kRuLastHeatCool, 1);

  // Shown values with bits 6..7 set, symbols with bit 2 set: only the boxes' bits come back.
  Deliver(d, rw::kShow, {0x1EC1});
  Deliver(d, rw::kShowSymbol, {0x001C});
  EXPECT_TRUE(d.IsChecked(RuShow(0)));
  EXPECT_FALSE(d.IsChecked(RuShowSymbol(1)));
  EXPECT_TRUE(d.IsChecked(RuShowSymbol(2)));  // bit 3, "Heat"

  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, rw::kSetMode), 0x0001);
  EXPECT_EQ(Word(d, rw::kFanMode), 0x0008);
  EXPECT_EQ(Word(d, rw::kUnitOptions), 0x0111);  // fan 2 speed, residential, reset fan
  EXPECT_EQ(Word(d, rw::kInput), 0xAB15);
  EXPECT_EQ(Word(d, rw::kShow), 0x1E01);
  EXPECT_EQ(Word(d, rw::kShowSymbol), 0x0018);

  host.Select(d, kRuFanSpeed, 2);
  host.Select(d, kRuSetMode, 4);
  host.Select(d, kRuTpgNum, 5);
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, rw::kUnitOptions), 0x0101);
  EXPECT_EQ(Word(d, rw::kSetMode), 0x0010);
  EXPECT_EQ(Word(d, rw::kTimeProgram), 5);

  // Byte fields in tenths and hundredths; a text that is not a number keeps its byte, except
  // the edit return time, which becomes 0.
  host.Type(d, kRuStepTemp, u"0.25");
  host.Type(d, kRuShowTime, u"4.5");
  host.Type(d, kRuSuperLongPushTime, u"-");
  host.Type(d, kRuEditReturnTime, u"-");
  host.Click(d, kDevSave);
  EXPECT_EQ(Byte(d, 152), 25);
  EXPECT_EQ(Byte(d, 155), 45);
  EXPECT_EQ(Byte(d, 159), 50);
  EXPECT_EQ(Byte(d, 156), 0);
}

TEST_F(RoomUnitTest, ClockTicksInTheRecordWithoutMovingTheDate) {
  auto& d = OpenWithDefault();
  host.Advance(5);
  // 23:59:59, weekday 3, day 31, month 0x13 (no month), year 26.
  Deliver(d, rw::kClock, {0x5959, 0x0323, 0x1331, 0x0026});
  host.Advance(1000);
  EXPECT_EQ(d.GetDate(kRuDeviceDate), (Date{2026, 1, 31}));
  EXPECT_EQ(d.GetTime(kRuDeviceTime), (TimeOfDay{23, 59, 59}));
  EXPECT_EQ(ClockBytes(d), (std::vector<int>{0x00, 0x00, 0x00, 0x03, 0x31, 0x01, 0x26}));
  host.Advance(1000);
  EXPECT_EQ(d.GetTime(kRuDeviceTime), (TimeOfDay{0, 0, 0}));
  EXPECT_EQ(d.GetDate(kRuDeviceDate), (Date{2026, 1, 31}));
  EXPECT_EQ(Byte(d, 170), 0x01);
  // The PC time goes along.
  host.SetLocalTime({2026, 7, 4, 10, 0, 0, 0});
  host.Advance(1000);
  EXPECT_EQ(d.GetDate(kRuPcDate), (Date{2026, 7, 4}));
  EXPECT_EQ(d.GetTime(kRuPcTime), (TimeOfDay{10, 0, 0}));
  EXPECT_EQ(host.TimerPeriod(d, CRoomUnitDlg::kClockTimer), 1000);
}

TEST_F(RoomUnitTest, SynchronizeStoresThePcTimeAndWeekday) {
  auto& d = OpenWithDefault();
  // Across a month end: the PC clock runs from January into February, a Sunday.
  host.SetLocalTime({2026, 1, 31, 23, 59, 59, 500});
  host.Advance(600);
  host.Click(d, kRuSynchronize);
  EXPECT_EQ(ClockBytes(d), (std::vector<int>{0x00, 0x00, 0x00, 7, 0x01, 0x02, 0x26}));
  EXPECT_EQ(d.GetDate(kRuDeviceDate), (Date{2026, 2, 1}));
  // A Monday, and a leap day (a Tuesday).
  host.SetLocalTime({2026, 2, 2, 8, 30, 5, 0});
  host.Click(d, kRuSynchronize);
  EXPECT_EQ(Byte(d, 173), 1);
  host.SetLocalTime({2028, 2, 29, 12, 0, 0, 0});
  host.Click(d, kRuSynchronize);
  EXPECT_EQ(ClockBytes(d), (std::vector<int>{0x00, 0x00, 0x12, 2, 0x29, 0x02, 0x28}));
  // The last year the byte holds.
  host.SetLocalTime({2099, 12, 31, 23, 59, 59, 0});
  host.Click(d, kRuSynchronize);
  EXPECT_EQ(ClockBytes(d), (std::vector<int>{0x59, 0x59, 0x23, 4, 0x31, 0x12, 0x99}));
  EXPECT_TRUE(host.boxes().empty());
  // A year the byte cannot hold leaves the clock alone and says why.
  const std::vector<int> before = ClockBytes(d);
  host.SetLocalTime({2100, 3, 1, 9, 0, 0, 0});
  host.Click(d, kRuSynchronize);
  EXPECT_EQ(ClockBytes(d), before);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_NE(host.boxes()[0].text.find(u"2100-03-01"), std::u16string::npos);
  // Nothing was sent.
  EXPECT_EQ(d.source(), SourceState::kProject);
}

TEST(RoomUnitClock, WeekdayHoldsForEveryGregorianDate) {
  using namespace std::chrono;
  // Against the standard library's calendar, over the years the clock holds and past 2100,
  // where dropping the century terms first goes wrong.
  for (sys_days day = sys_days(2000y / 1 / 1); day <= sys_days(2101y / 12 / 31); day += days(1)) {
    const year_month_day ymd(day);
    ASSERT_EQ(IsoWeekday(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                         static_cast<int>(unsigned(ymd.day()))),
              static_cast<int>(weekday(day).iso_encoding()))
        << static_cast<int>(ymd.year()) << "-" << unsigned(ymd.month()) << "-"
        << unsigned(ymd.day());
  }
  EXPECT_EQ(IsoWeekday(2100, 3, 1), 1);
  EXPECT_EQ(IsoWeekday(2100, 2, 28), 7);
}

TEST_F(RoomUnitTest, Co2GroupFollowsTheModelCodeOfBlocksFromWordZero) {
  auto& d = OpenDevice(demo::kRoomUnit);
  EXPECT_FALSE(d.IsVisible(kRuActualCo2));  // model code 0: not known, hidden
  Deliver(d, 0, {0x0515});
  for (int id : std::initializer_list<int>{kRuActualCo2, kRuActualCo2Label, kRuCorrectionCo2,
                                           kRuCo2MeasPeriod, kRuCo2AbcPeriodUnit, RuShow(5)}) {
    EXPECT_TRUE(d.IsVisible(id)) << id;
  }
  Deliver(d, 0, {0x050E});
  EXPECT_FALSE(d.IsVisible(kRuCorrectionCo2Label));
  EXPECT_FALSE(d.IsVisible(RuShow(5)));
  Deliver(d, 0, {0x0516});
  Deliver(d, 0, {0x0520});
  EXPECT_TRUE(d.IsVisible(kRuActualCo2));
  // Only a block that starts at word 0 decides.
  Deliver(d, 0, {0x0517});
  d.OnRegisterData(d.address(), 1, 1, std::vector<uint16_t>{402}.data(), false);
  EXPECT_FALSE(d.IsVisible(kRuActualCo2));
  EXPECT_EQ(d.unknown_id_uses(), 0);
}

TEST_F(RoomUnitTest, DefaultRecordOfTheCalidor) {
  auto& d = OpenDevice(demo::kRoomUnit);
  Deliver(d, 5, {0, 77});  // device ID 0, HW num 77
  host.Click(d, kDevDefault);
  std::vector<uint16_t> expected(190, 0);
  expected[0] = 0x050E;
  expected[1] = 400;
  expected[5] = 1082;
  expected[6] = 77;
  EncodeDeviceTextWords(u"Thermostat 1", std::span<uint16_t>(expected).subspan(8).first<8>());
  ui::StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(expected).subspan(18, 8));
  expected[26] = 0x0200;
  const uint16_t tail[] = {2200,   1600,   1000,   2600,   2500,   3000,   0,      0x0001,
                           0x0001, 0x3C03, 0x0003, 350,    350,    1000,   4000,   0,
                           0,      0,      0x0532, 0x1E35, 0x011E, 0x320F, 0x0FFF, 0x001F,
                           0x001F, 0,      0,      0x1000, 0x0112, 0,      0};
  std::copy(std::begin(tail), std::end(tail), expected.begin() + 58);
  for (int day = 0; day < 7; ++day) {
    const uint16_t points[] = {360, 0, 480, 1, 840, 0, 1320, 1, 1435, 0x8000, 1435, 0x8000};
    std::copy(std::begin(points), std::end(points), expected.begin() + 89 + 12 * day);
  }
  EXPECT_EQ(std::vector<uint16_t>(d.record().begin(), d.record().end()), expected);
  EXPECT_EQ(d.Text(kRuShowTime), u"3.0");
  EXPECT_EQ(d.Text(kRuStepTemp), u"0.50");
  EXPECT_EQ(d.CurSel(kRuQuickEdit), 1);
  // Default keeps a model code the unit has.
  Deliver(d, 0, {0x0515});
  host.Click(d, kDevDefault);
  EXPECT_EQ(Word(d, 0), 0x0515);
  EXPECT_TRUE(d.IsVisible(kRuActualCo2));
}

TEST_F(RoomUnitTest, CalidorCLedPeriodsDefaultAndServiceWord) {
  auto& d = OpenDevice<CRoomUnitCDlg>(demo::kFanCoilRoomUnit, DialogClass::kRoomUnitC);
  EXPECT_FALSE(d.IsVisible(kDevDeviceId));
  EXPECT_FALSE(d.IsVisible(kDevHwNum));
  host.Click(d, kDevDefault);
  std::vector<uint16_t> expected(78, 0);
  expected[0] = 0x051A;
  expected[1] = 400;
  expected[5] = 1207;
  EncodeDeviceTextWords(u"CO2 meter", std::span<uint16_t>(expected).subspan(8).first<8>());
  ui::StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(expected).subspan(18, 8));
  expected[26] = 0x0200;
  expected[59] = 30;
  expected[60] = 800;
  expected[61] = 1000;
  expected[62] = 1500;
  expected[63] = 2000;
  expected[64] = 0x1428;
  expected[65] = 0x0004;
  expected[67] = 180;
  expected[69] = 0x0500;
  expected[70] = 0x0101;
  expected[71] = 0x000A;
  EXPECT_EQ(std::vector<uint16_t>(d.record().begin(), d.record().end()), expected);
  EXPECT_EQ(d.Text(kRcGreenPeriod), u"10");
  EXPECT_EQ(d.Text(kRcRedPeriod), u"1");

  // Whole seconds in quarter-second bytes; a stored 13 quarters shows as 4 s.
  host.Type(d, kRcGreenPeriod, u"3");
  host.Type(d, kRcYellowPeriod, u"soon");
  host.Type(d, kRcRedPeriod, u"100");  // beyond the byte: the longest period it holds
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, 64), 12);
  EXPECT_EQ(Word(d, 65) & 0xFF, 252);
  EXPECT_EQ(Word(d, room_c_word::kServiceB), 1);
  Deliver(d, 64, {static_cast<uint16_t>(12 | (13 << 8))});
  EXPECT_EQ(d.Text(kRcGreenPeriod), u"3");
  EXPECT_EQ(d.Text(kRcYellowPeriod), u"4");

  // Thresholds that are not numbers become 0; the reception time is shown.
  host.Type(d, kRcYellowOn, u"");
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, 61), 0);
  host.SetLocalTime({2026, 5, 6, 7, 8, 9, 0});
  Deliver(d, 66, {0x0001});
  EXPECT_EQ(d.Text(kRcPrg), u"PRG");
  EXPECT_EQ(d.Text(kDevTime), u"07:08:09");
  EXPECT_EQ(d.unknown_id_uses(), 0);
}

}  // namespace
}  // namespace corvane::devices
