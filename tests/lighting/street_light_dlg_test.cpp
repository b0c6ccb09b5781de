// The street-light dialog on the headless host with the node silent, fed the blocks a node would
// send: the read over its ranges, the EEPROM store sequence and its time-outs, the gather rules,
// the commands written at once, the firmware check, the clock display and the close question.
#include "lighting/street_light_dlg.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>

#include "device_fixture.h"
#include "lighting/dali_edit.h"
#include "lighting/dali_edit_template.h"
#include "lighting/street_light_ctrl_dlg.h"
#include "lighting/street_light_ctrl_template.h"
#include "lighting/street_light_template.h"
#include "ui/text.h"

namespace corvane::lighting {
namespace {

using devices::testing::DeviceTest;
using ui::SourceState;
using namespace ui;
using namespace devices;
using namespace sl_word;
namespace demo = sim::demo;

class StreetLightTest : public DeviceTest {
 protected:
  // The node in a project whose record says firmware `firmware`, silent, in the heard list.
  CStreetLightDlg& OpenNode(uint16_t firmware = 402, uint32_t channel = 0) {
    StartWithProject({demo::kStreetLight});
    dlg->project().SetFrequencyIndex(channel);
    auto blob = dlg->project().Record(0);
    blob[1] = firmware;
    StoreLowBytes(u"Mast 7", blob.subspan(8, 8));
    sim.SetMute(demo::kStreetLight, true);
    MarkHeard({demo::kStreetLight});
    return OpenAgain();
  }
  // Another dialog on the same project entry.
  CStreetLightDlg& OpenAgain() {
    auto d = std::make_unique<CStreetLightDlg>(
        DeviceDialogContext{host, demo::kStreetLight, 0, dlg->project(), 0}, Services(),
        dlg->opener());
    CStreetLightDlg& ref = *d;
    EXPECT_TRUE(dlg->dialog_slots().Occupy(DialogClass::kStreetLight, d.get()));
    host.Open(ref);
    dialogs_.push_back(std::move(d));
    return ref;
  }
  void TearDown() override {
    for (auto& d : dialogs_) {
      dlg->dialog_slots().Release(d.get());
      host.Forget(*d);
    }
    dialogs_.clear();
    DeviceTest::TearDown();
  }
  // Delivers the record as it stands, as a node answering a read would.
  void AnswerRead(CStreetLightDlg& d) {
    std::vector<uint16_t> rec(d.record().begin(), d.record().end());
    for (const auto& [first, count] :
         {std::pair{0, 250}, {250, 250}, {500, 164}, {856, 60}, {917, 3}}) {
      Deliver(d, static_cast<uint16_t>(first),
              std::vector<uint16_t>(rec.begin() + first, rec.begin() + first + count));
    }
  }
  void ReadToDevice(CStreetLightDlg& d) {
    host.Click(d, kDevRead);
    AnswerRead(d);
    ASSERT_EQ(d.source(), SourceState::kDevice);
  }
  std::span<const uint16_t> Blob() { return dlg->project().Record(0); }
  static uint32_t Word32(const CStreetLightDlg& d, int w) {
    return d.record()[static_cast<size_t>(w)] |
           static_cast<uint32_t>(d.record()[static_cast<size_t>(w + 1)]) << 16;
  }

  std::vector<std::unique_ptr<CStreetLightDlg>> dialogs_;
};

TEST_F(StreetLightTest, ReadCompletesOverItsRangesWithoutWhatOldFirmwareLacks) {
  // Firmware 3.50 has no registers 916..945: the read is done without 917..919.
  auto& d = OpenNode(350);
  EXPECT_TRUE(host.boxes().empty());
  host.Click(d, kDevRead);
  EXPECT_EQ(d.source(), SourceState::kRead);
  EXPECT_TRUE(d.IsVisible(kSlProgress));
  EXPECT_EQ(d.RangeHigh(kSlProgress), 664 + 60);
  std::vector<uint16_t> rec(d.record().begin(), d.record().end());
  Deliver(d, 0, std::vector<uint16_t>(rec.begin(), rec.begin() + 250));
  Deliver(d, 250, std::vector<uint16_t>(rec.begin() + 250, rec.begin() + 664));
  EXPECT_EQ(d.Pos(kSlProgress), 664);
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 856, std::vector<uint16_t>(rec.begin() + 856, rec.begin() + 916));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_FALSE(d.IsVisible(kSlProgress));
  EXPECT_EQ(d.pending(), Pending::kNone);

  // A read nobody answers fully ends in Error with the read message.
  host.Click(d, kDevRead);
  Deliver(d, 0, std::vector<uint16_t>(rec.begin(), rec.begin() + 250));
  host.Advance(5000);
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Read unsuccessfull"});
  EXPECT_FALSE(d.IsVisible(kSlProgress));
}

TEST_F(StreetLightTest, EepromStoreIsRamWriteThenStoreRequestThenStoredBit) {
  auto& d = OpenNode();
  ReadToDevice(d);
  host.Click(d, kDevWriteEeprom);
  EXPECT_EQ(d.pending(), Pending::kEepromWrite);
  EXPECT_EQ(d.cycle().write_direct().size(), 324 + 53);
  d.OnWriteAck(d.address(), 8, 250, false);
  d.OnWriteAck(d.address(), 258, 74, false);
  EXPECT_EQ(d.pending(), Pending::kEepromWrite);
  d.OnWriteAck(d.address(), 856, 53, false);
  // Register 2 alone: store request set, stored bit cleared.
  EXPECT_EQ(d.pending(), Pending::kEepromStore);
  EXPECT_EQ(d.record()[2] & 0x0300, 0x0100);
  d.OnWriteAck(d.address(), 2, 1, false);
  EXPECT_EQ(d.pending(), Pending::kEepromConfirm);
  // The stored bit read back ends it in Device, without a message.
  Deliver(d, 2, {0x0200});
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_TRUE(host.boxes().empty());

  // No answer to the confirming read within 2000 ms.
  host.Click(d, kDevWriteEeprom);
  d.OnWriteAck(d.address(), 8, 324, false);
  d.OnWriteAck(d.address(), 856, 53, false);
  d.OnWriteAck(d.address(), 2, 1, false);
  host.Advance(1999);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  host.Advance(1);
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Write to EEPROM ack not received"});
}

TEST_F(StreetLightTest, EepromTimeoutFollowsTheRadioChannel) {
  OpenNode().EndDialog(kIdCancel);
  for (uint32_t channel : {1u, 2u}) {
    dlg->project().SetFrequencyIndex(channel);
    auto& d = OpenAgain();
    ReadToDevice(d);
    host.Click(d, kDevWriteEeprom);
    const int limit = channel == 1 ? 6000 : 4000;
    host.Advance(limit - 1);
    EXPECT_EQ(d.source(), SourceState::kWrite) << channel;
    host.Advance(1);
    EXPECT_EQ(d.source(), SourceState::kError) << channel;
    EXPECT_EQ(host.boxes().back().text, u"Write to EEPROM unsuccessfull");
    d.EndDialog(kIdCancel);
  }
}

TEST_F(StreetLightTest, GatherRulesAndCommandsWrittenAtOnce) {
  auto& d = OpenNode();
  // Schedule times: 25:00 is stored (and ignored by the node), 7:5 is 07:05.
  host.Type(d, SlPointTime(0), u"25:00");
  host.Type(d, SlPointTime(1), u"7:5");
  host.Type(d, SlPointTime(2), u"soon");
  const uint16_t before = d.record()[kSchedule + 4];
  host.Click(d, kDevSave);
  EXPECT_EQ(d.record()[kSchedule] & 0x0FFF, 1500);
  EXPECT_EQ(d.record()[kSchedule + 2] & 0x0FFF, 425);
  EXPECT_EQ(d.record()[kSchedule + 4], before);
  Deliver(d, kSchedule,
          {d.record()[kSchedule], d.record()[kSchedule + 1], d.record()[kSchedule + 2],
           d.record()[kSchedule + 3]});
  EXPECT_EQ(d.Text(SlPointTime(1)), u"07:05");

  // A light level above the outputs' range is corrected and written at once.
  host.Type(d, kSlLevel1, u"300");
  host.LeaveField(d, kSlLevel1);
  EXPECT_EQ(d.record()[kLevel1] & 0xFF, 254);
  EXPECT_EQ(d.Text(kSlLevel1), u"254");

  // The DALI row: a length past 28 loses its marker, an unreadable priority is 3, and "Twice"
  // sets bit 31.
  host.Type(d, kSlDaliCommand, u"FF00");
  host.Type(d, kSlDaliLength, u"40");
  host.Type(d, kSlDaliPriority, u"x");
  host.Toggle(d, kSlDaliTwice);
  host.Click(d, kSlDaliSend);
  EXPECT_EQ(Word32(d, kDaliCommand), 0xE000FF00u);
  EXPECT_EQ(d.Text(kSlResponse), u"");

  // Commands act once and are not kept for the next write of the record.
  host.Select(d, kSlDaliBallast, 1);
  host.Click(d, kSlGiveDaliAddr);
  EXPECT_EQ(d.record()[kDaliBallast], 1);
  EXPECT_EQ(d.record()[kCommand], 0);
  host.Select(d, kSlExternalPir, 2);
  EXPECT_EQ(d.record()[kExternalPir], 2 | 8);
  host.Select(d, kSlPreset, 6);  // Graz
  EXPECT_EQ(d.Text(kSlTimeShift), u"1");
  EXPECT_EQ(d.record()[kTimeShift], 1);

  // A decimal comma is a decimal point: 51,5 is stored as 51.5, not as 51.
  host.Type(d, kSlLatitude, u"51,5");
  host.Click(d, kDevSave);
  EXPECT_EQ(std::bit_cast<float>(Word32(d, kLatitude)), 51.5f);

  // A latitude that does not read stops the write before anything is sent.
  host.Type(d, kSlLatitude, u"north");
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(host.boxes().back().text, u"Invalid Latitude Value");
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.pending(), Pending::kNone);
}

TEST_F(StreetLightTest, OldFirmwareAnsweringDirectlyIsReportedOnce) {
  // The project's record says 3.30: no message for data that did not come from the node.
  auto& d = OpenNode(330);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_TRUE(firmware_calls.empty());
  Deliver(d, 1, {330});
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text.substr(0, 21), u"Unsupported version,\n");
  EXPECT_NE(host.boxes()[0].text.find(u"minimal supported version 3.33"), std::u16string::npos);
  EXPECT_EQ(firmware_calls.size(), 1u);
  EXPECT_FALSE(d.IsEnabled(kSlBallastData1));
  EXPECT_FALSE(d.IsEnabled(kSlBallastData2));
  Deliver(d, 1, {330});
  EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(StreetLightTest, BallastReportOnlyWhenAsked) {
  auto& d = OpenNode();
  std::vector<uint16_t> block(30, 0);
  block[24] = 2305;
  Deliver(d, 694, block);
  EXPECT_TRUE(host.boxes().empty());
  host.Click(d, kSlBallastData2);
  EXPECT_TRUE(d.report_armed());
  Deliver(d, 694, block);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, u"Ballast recalculated data 1");
  EXPECT_NE(host.boxes()[0].text.find(u"Input voltage(actual): 230.5 V\r\n"), std::u16string::npos);
  EXPECT_FALSE(d.report_armed());

  // Nothing read yet: a hint, not a report of zeros.
  host.Click(d, kSlBallastData1);
  Deliver(d, 664, std::vector<uint16_t>(30, 0));
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[1].text,
            u"The node holds no data of this ballast yet.\nPress \"Read Ballast Now\" and wait "
            u"until the node has read its ballasts.");
}

TEST_F(StreetLightTest, ClockRunsAndWrapsTheHourWithoutTheDate) {
  auto& d = OpenNode();
  Deliver(d, kClock, {26 | 3 << 8, 9 | 23 << 8, 59 | 59 << 8, 0});
  EXPECT_EQ(d.GetTime(kSlTime), (TimeOfDay{23, 59, 59}));
  host.Advance(2000);
  EXPECT_EQ(d.GetTime(kSlTime), (TimeOfDay{0, 0, 0}));
  EXPECT_EQ(d.GetDate(kSlDate), (Date{2026, 3, 9}));
  // "Read RTC cal" answered: node time equal to its reference shows ".." for the ppm.
  Deliver(d, kUnixTime, {0x5000, 0x6950});
  Deliver(d, kClockReference, {1, 0, 0x5000, 0x6950});
  EXPECT_EQ(d.Text(kSlLseSeconds), u"0");
  EXPECT_EQ(d.Text(kSlLsPcPpm), u"..");
}

TEST_F(StreetLightTest, ClosingAsksOnlyForChangedSettings) {
  auto& d = OpenNode();
  // Measurements follow the node without a question.
  Deliver(d, kUptime, {0x1234, 0});
  host.CloseBox(d);
  for (const auto& b : host.boxes()) ADD_FAILURE() << Utf16ToUtf8(b.text);
  EXPECT_EQ(Blob()[kUptime], 0x1234);

  auto& e = OpenAgain();
  Deliver(e, kUptime, {0x4321, 0});
  host.Type(e, kDevName, u"Renamed");
  host.QueueAnswer(kIdCancel);
  host.CloseBox(e);
  EXPECT_EQ(host.boxes().back().text, u"Save changes?");
  EXPECT_FALSE(e.ended());
  host.QueueAnswer(kIdNo);
  host.CloseBox(e);
  EXPECT_TRUE(e.ended());
  EXPECT_EQ(LoadLowBytes(Blob().subspan(8, 8)), u"Mast 7");
  EXPECT_EQ(Blob()[kUptime], 0x4321);
}

TEST_F(StreetLightTest, ControlDeviceIsEditedInPlaceAndItsTestPressNamesTheButton) {
  auto& d = OpenNode();
  bool ran = false;
  host.OnModal<CStreetLightCtrlDlg>([&](CStreetLightCtrlDlg& c) {
    ran = true;
    EXPECT_EQ(c.Title(), u"Stralux-C Control Device 2");
    host.Type(c, kSlcAddress, u"0x00E00602");
    host.Select(c, SlcId(kSlcOn0, 2), 3);  // "Plus"
    host.Select(c, SlcId(kSlcLong0, 2), 4);
    host.Select(c, SlcId(kSlcBallast0, 2), 1);
    host.Toggle(c, SlcId(kSlcPushPull0, 2));
    host.Click(c, kIdOk);
  });
  host.DoubleClick(d, kSlControlDevices, 1);
  ASSERT_TRUE(ran);
  EXPECT_EQ(ControlAddress(d.record(), 1), demo::kKeypad);
  EXPECT_EQ(ControlButtonOf(d.record(), 1, 2), (ControlButton{3, 0, 4, 1, true}));
  EXPECT_EQ(d.record()[80 + 8 + 3] & 0xFF, 0x80 | 0x08 | 3);  // ON byte of button 3
  EXPECT_EQ(d.Cell(kSlControlDevices, 1, 1).substr(0, 10), u"0x00E00602");

  std::vector<uint16_t> record(kStreetLightWords);
  SetControlAddress(record, 0, demo::kKeypad);
  RfAddress to = 0;
  std::vector<uint8_t> sent;
  CStreetLightCtrlDlg c(host, record, 0, dlg->project(), demo::kStreetLight,
                        [&](RfAddress a, std::span<const uint8_t> m) {
                          to = a;
                          sent.assign(m.begin(), m.end());
                        });
  host.Open(c);
  host.Click(c, SlcId(kSlcTest0, 2));
  EXPECT_EQ(to, demo::kStreetLight);
  EXPECT_EQ(sent, (std::vector<uint8_t>{0x90, 16, 0x02, 0x06, 0xE0, 0x00, 1, 0xC1, 9, 9, 0, 3, 0x19,
                                        0x80, 0x00, 0x04, 0, 0}));
  host.Click(c, kIdCancel);
  host.Forget(c);
}

// An unreadable coordinate keeps the window open on closing, with every edit in it.
TEST_F(StreetLightTest, ClosingWithAnUnreadableCoordinateKeepsTheWindowAndItsEdits) {
  auto& d = OpenNode();
  host.Type(d, SlPointTime(3), u"17:15");
  host.Type(d, kSlCalibration, u"-12");
  host.Type(d, kSlLongitude, u"east");
  host.CloseBox(d);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid Longitude Value"});
  EXPECT_FALSE(d.ended());
  EXPECT_EQ(d.Text(SlPointTime(3)), u"17:15");
  EXPECT_NE(Blob()[kSchedule + 6] & 0x0FFF, 17 * 60 + 15);

  host.Type(d, kSlLongitude, u"14.5");
  host.QueueAnswer(kIdYes);
  host.CloseBox(d);
  EXPECT_EQ(host.boxes().back().text, u"Save changes?");
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(Blob()[kSchedule + 6] & 0x0FFF, 17 * 60 + 15);
  EXPECT_EQ(Blob()[kCalibration], static_cast<uint16_t>(-12));
}

// A date picked by the user survives the running clock until ">" sends it.
TEST_F(StreetLightTest, PickedDateIsWhatTheClockButtonWrites) {
  auto& d = OpenNode();
  Deliver(d, kClock, {26 | 3 << 8, 9 | 10 << 8, 30 << 8, 0});  // 2026-03-09 10:00:30
  d.SetDate(kSlDate, {2026, 4, 20});
  d.Deliver(Event{.kind = Event::Kind::kEditChange, .id = kSlDate});  // as the picker reports it
  host.Advance(3000);
  EXPECT_EQ(d.GetDate(kSlDate), (Date{2026, 4, 20}));
  host.Click(d, kSlSetTime);
  const std::vector<uint16_t> clock(d.record().begin() + kClock, d.record().begin() + kClock + 4);
  EXPECT_EQ(clock, (std::vector<uint16_t>{26 | 4 << 8, 20 | 10 << 8, 30 << 8, 1}));
}

// The editor shows what its lists can and keeps a command they cannot show.
TEST_F(StreetLightTest, DaliEditorKeepsACommandItsListsCannotShowUnlessTheUserPicks) {
  auto& d = OpenNode();
  struct Row {
    std::u16string command, length, priority;
    bool operator==(const Row&) const = default;
  };
  auto row = [&] {
    return Row{d.Text(kSlDaliCommand), d.Text(kSlDaliLength), d.Text(kSlDaliPriority)};
  };
  auto edit = [&](std::u16string_view command, std::function<void(CDaliEdit&)> user) {
    host.Type(d, kSlDaliCommand, command);
    host.Type(d, kSlDaliPriority, u"1");
    host.OnModal<CDaliEdit>([&](CDaliEdit& e) {
      user(e);
      host.Click(e, kIdOk);
    });
    d.Deliver(Event{.kind = Event::Kind::kDoubleClick, .id = kSlDaliCommand});
  };
  // Short address 25 "Off": no address entry, the command shown, OK changes nothing.
  edit(u"3300", [&](CDaliEdit& e) {
    EXPECT_EQ(e.CurSel(kDaliEditAddress), -1);
    EXPECT_EQ(e.CurSel(kDaliEditCommand), 1);
  });
  EXPECT_EQ(row(), (Row{u"3300", u"16", u"1"}));
  // Picking a command keeps the address the list lacks; picking an address takes it.
  edit(u"3300", [&](CDaliEdit& e) { host.Select(e, kDaliEditCommand, 2); });
  EXPECT_EQ(row(), (Row{u"00003305", u"16", u"0"}));
  edit(u"3300", [&](CDaliEdit& e) { host.Select(e, kDaliEditAddress, 3); });
  EXPECT_EQ(row(), (Row{u"00008500", u"16", u"0"}));
  // The whole command word of a broadcast OFF is shown as such.
  edit(u"0001FF00", [&](CDaliEdit& e) {
    EXPECT_EQ(e.CurSel(kDaliEditAddress), 0);
    EXPECT_EQ(e.CurSel(kDaliEditCommand), 1);
  });
  EXPECT_EQ(row(), (Row{u"0000FF00", u"16", u"0"}));
  // A longer frame with the same low bits is not that command: kept.
  edit(u"0011FF00", [&](CDaliEdit&) {});
  EXPECT_EQ(row(), (Row{u"0011FF00", u"16", u"1"}));
}

}  // namespace
}  // namespace corvane::lighting

namespace corvane::lighting {
namespace {

TEST_F(StreetLightTest, TheOperationEndsBeforeTheFirmwareUpdateOpens) {
  auto& d = OpenNode(330);
  host.Click(d, kDevRead);
  ASSERT_TRUE(host.TimerRunning(d, CStreetLightDlg::kTimeoutTimer));
  // The node reports firmware too old in the middle of the read.
  Deliver(d, 0, std::vector<uint16_t>{0, 330});
  ASSERT_EQ(firmware_calls.size(), 1u);
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_FALSE(host.TimerRunning(d, CStreetLightDlg::kTimeoutTimer));
  EXPECT_FALSE(d.IsVisible(kSlProgress));
  host.Advance(6000);
  EXPECT_EQ(BoxTexts().size(), 1u);  // the version message only, no "Read unsuccessfull"
  // Read is not left ignored.
  host.Click(d, kDevRead);
  EXPECT_EQ(d.source(), SourceState::kRead);
}

TEST_F(StreetLightTest, LateAnswersCompleteAReadAndTheStoreIsPolledUntilStored) {
  auto& d = OpenNode();
  host.Click(d, kDevRead);
  host.Advance(5000);
  ASSERT_EQ(d.source(), SourceState::kError);
  // The node's answers after the time-out still complete the read.
  AnswerRead(d);
  EXPECT_EQ(d.source(), SourceState::kDevice);

  host.Click(d, kDevWriteEeprom);
  d.OnWriteAck(d.address(), 8, 324, false);
  d.OnWriteAck(d.address(), 856, 53, false);
  d.OnWriteAck(d.address(), 2, 1, false);
  ASSERT_EQ(d.pending(), Pending::kEepromConfirm);
  // Not stored yet: register 2 is asked again 200 ms later, not back to back.
  Deliver(d, 2, {0x0100});
  EXPECT_TRUE(host.TimerRunning(d, RegisterCycle::Target{}.confirm_timer));
  host.Advance(199);
  EXPECT_EQ(d.pending(), Pending::kEepromConfirm);
  host.Advance(1);
  Deliver(d, 2, {0x0200});
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_EQ(d.source(), SourceState::kDevice);
}

TEST_F(StreetLightTest, ClosingAfterAReadAsksOnlyWhenASettingDiffers) {
  auto& d = OpenNode();
  host.Click(d, kDevRead);
  // The node's live values differ from the project's: uptime, temperature, the clock, levels.
  auto rec = std::vector<uint16_t>(d.record().begin(), d.record().end());
  rec[kUptime] = 12345;
  rec[kCpuTemp] = 2150;
  rec[kClock + 2] = 0x0C1E;
  rec[kLevel1] = 200;
  rec[2] = 0x0200;
  for (const auto& [first, count] :
       {std::pair{0, 250}, {250, 250}, {500, 164}, {856, 60}, {917, 3}}) {
    Deliver(d, static_cast<uint16_t>(first),
            std::vector<uint16_t>(rec.begin() + first, rec.begin() + first + count));
  }
  ASSERT_EQ(d.source(), SourceState::kDevice);
  host.CloseBox(d);
  EXPECT_TRUE(d.ended());
  EXPECT_TRUE(host.boxes().empty());
  // The live values went to the project without a question.
  EXPECT_EQ(Blob()[kUptime], 12345);
  EXPECT_EQ(Blob()[kCpuTemp], 2150);

  // A setting the node holds otherwise than the project asks.
  auto& again = OpenAgain();
  Deliver(again, 8, {0x4142});
  host.QueueAnswer(kIdNo);
  host.CloseBox(again);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Save changes?"});
  EXPECT_TRUE(again.ended());
  EXPECT_NE(Blob()[8], 0x4142);
}

}  // namespace
}  // namespace corvane::lighting

namespace corvane::lighting {
namespace {

// The node keeps its short-address result bits: they are reported once, to the press that asked.
TEST_F(StreetLightTest, ShortAddressResultIsReportedOnceToItsRequest) {
  auto& d = OpenNode();
  Deliver(d, kCommand, {kShortAddressOk});
  EXPECT_TRUE(host.boxes().empty());
  host.Click(d, kSlGiveDaliAddr);
  Deliver(d, kCommand, {kShortAddressOk});
  Deliver(d, kCommand, {kShortAddressOk});
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"DALI short address written OK"});
}

// A time shift beyond its signed byte is refused, not stored as its low bits.
TEST_F(StreetLightTest, TimeShiftBeyondItsByteIsRefused) {
  auto& d = OpenNode();
  const uint16_t before = d.record()[kTimeShift];
  host.Type(d, kSlTimeShift, u"300");
  host.Click(d, kDevSave);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_NE(host.boxes()[0].text.find(u"must be between -128 and 127"), std::u16string::npos);
  EXPECT_EQ(Blob()[kTimeShift], before);
  EXPECT_EQ(d.Text(kSlTimeShift), u"300");
}

// A drop-down that shows no entry is no choice of entry 0: the record keeps its field.
TEST_F(StreetLightTest, ListsWithoutASelectionKeepTheirFields) {
  StartWithProject({demo::kStreetLight});
  auto blob = dlg->project().Record(0);
  blob[kPirUse] = 0x0043;       // PIR on I/O... index 3, highest priority
  blob[kExternalPir] = 0x000A;  // "Occupied", with the write bit
  auto& d = OpenAgain();
  d.SetCurSel(kSlUsePir, -1);
  d.SetCurSel(kSlExternalPir, -1);
  host.Click(d, kDevSave);
  EXPECT_EQ(Blob()[kPirUse], 0x0043);
  EXPECT_EQ(Blob()[kExternalPir], 0x000A);
}

}  // namespace
}  // namespace corvane::lighting
