// The output-node dialog and its link dialogs: the output parameters per mode, the ranges by
// firmware, the hardware check, the command boxes, the close question, the link encodings and
// the test press bytes.
#include "devices/output_node_dlg.h"

#include <gtest/gtest.h>

#include "device_fixture.h"
#include "devices/output_node_template.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::DeviceTest;
using ui::SourceState;
namespace demo = sim::demo;
using namespace ui;
using namespace output_word;

class OutputNodeTest : public DeviceTest {
 protected:
  static constexpr int kDevHwNumWord = 6;
  COutputNodeDlg& OpenNode(RfAddress address, std::vector<RfAddress> others = {}) {
    others.insert(others.begin(), address);
    StartWithProject(others);
    sim.SetMute(address, true);
    MarkHeard({address});
    return Open<COutputNodeDlg>(address, 0, DialogClass::kOutputNode);
  }
  static uint16_t Word(const DeviceDialog& d, int word) {
    return d.record()[static_cast<size_t>(word)];
  }
  void SetMode(COutputNodeDlg& d, int output, int mode) {
    ASSERT_TRUE(host.Select(d, OutId(kOutMode1, output), mode));
  }
  // Ticks or unticks a box the way a user's click does.
  void Tick(ui::Dialog& d, int id, bool on) {
    if (d.IsChecked(id) != on) {
      EXPECT_TRUE(host.Toggle(d, id));
    }
  }
  std::span<const uint16_t> Blob(const DeviceDialog& d) {
    return dlg->project().Record(dlg->project().Find(d.address()));
  }
};

TEST_F(OutputNodeTest, OutputParametersByMode) {
  auto& d = OpenNode(demo::kOutputA);
  struct Case {
    int mode;
    const char16_t* typed;
    int parameter;
  };
  // Jalousie times are decimal seconds rounded to the tenth, at most 6.3 s; other timed modes
  // take whole seconds in 12 bits (more is refused, below).
  for (const Case& c : {Case{kModeJalousie, u"1.5", 15}, Case{kModeJalousie, u"7", 63},
                        Case{kModeJalousie, u"1.05", 11}, Case{kModeJalousie, u"1.25", 13},
                        Case{kModeJalousie, u"0.04", 0}, Case{kModeJalousie, u"soon", 0},
                        Case{kModeImpulse, u"12", 12}, Case{kModeProlonged, u"4095", 4095},
                        Case{kModeImpulse, u"x", 0}}) {
    SetMode(d, 1, c.mode);
    host.Type(d, OutId(kOutTime1, 1), c.typed);
    Tick(d, OutId(kOutInv1, 1), true);
    host.Click(d, kDevSave);
    EXPECT_EQ(Word(d, kOutput1), 0x8000 | c.mode << 12 | c.parameter) << Utf16ToUtf8(c.typed);
  }
  // Shown back: the Jalousie time with its tenth.
  Deliver(d, kOutput1, {static_cast<uint16_t>(kModeJalousie << 12 | 13)});
  EXPECT_EQ(d.Text(OutId(kOutTime1, 1)), u"1.3");
  EXPECT_FALSE(d.IsChecked(OutId(kOutInv1, 1)));

  // PWM periods: nothing usable is the shortest period, 409.5 s the longest.
  SetMode(d, 2, kModePwm);
  EXPECT_TRUE(d.IsVisible(kOutPwmGroup));
  EXPECT_FALSE(d.IsVisible(OutId(kOutTime1, 2)));
  for (const auto& [typed, tenths] : {std::pair{u"0", 1}, std::pair{u"none", 1},
                                      std::pair{u"100", 1000}, std::pair{u"409.5", 4095}}) {
    host.Type(d, kOutPwmPeriod, typed);
    host.Click(d, kDevSave);
    EXPECT_EQ(Word(d, kOutput2), kModePwm << 12 | tenths) << Utf16ToUtf8(typed);
  }
  Deliver(d, kOutput2, {kModePwm << 12 | 4095});
  EXPECT_EQ(d.Text(kOutPwmPeriod), u"409.5");
  // A longer period would wrap in 12 bits: refused before anything is sent or stored.
  host.Type(d, kOutPwmPeriod, u"409.6");
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(BoxTexts().back(), u"PWM periode must be between 0.1 and 409.5 s");
  EXPECT_EQ(d.source(), SourceState::kProject);
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, kOutput2), kModePwm << 12 | 4095);
  EXPECT_EQ(Blob(d)[kOutput2], kModePwm << 12 | 4095);
}

// A value its byte cannot hold is refused with the field's name and range, before the overwrite
// question and before anything is sent; the field keeps what was typed. (300 s was written as
// 44 s, its low 8 bits.)
TEST_F(OutputNodeTest, ValuesTheFieldCannotHoldStopTheWriteAndTheSave) {
  auto& d = OpenNode(demo::kOutputB);
  const std::vector<uint16_t> before(d.record().begin(), d.record().end());
  host.Type(d, kOutMaxOnTime, u"300");
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(BoxTexts(),
            std::vector<std::u16string>{u"Maximal On Time must be between 0 and 255 s"});
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_EQ(d.Text(kOutMaxOnTime), u"300");
  host.ClearBoxes();
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(),
            std::vector<std::u16string>{u"Maximal On Time must be between 0 and 255 s"});
  EXPECT_TRUE(std::equal(before.begin(), before.end(), d.record().begin(), d.record().end()));
  // Within the byte it is taken.
  host.ClearBoxes();
  host.Type(d, kOutMaxOnTime, u"255");
  host.Click(d, kDevSave);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(Word(d, kPressTimes) >> 8, 255);
  // The press times are bytes of tenths: 25550 ms would wrap round to 0.
  host.Type(d, kOutLongpressTimeout, u"25550");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(),
            std::vector<std::u16string>{u"Longpress Timeout must be between 0 and 25549 ms"});
  host.ClearBoxes();
  host.Type(d, kOutLongpressTimeout, u"1000");
  host.Type(d, kOutSuperLongpress, u"99999");
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(BoxTexts(),
            std::vector<std::u16string>{u"Superlongpress Time must be between 0 and 25549 ms"});
  EXPECT_EQ(d.pending(), Pending::kNone);
  host.ClearBoxes();
  host.Type(d, kOutSuperLongpress, u"25549");
  host.Click(d, kDevSave);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(Word(d, kPressTimes) & 0xFF, 10);
  EXPECT_EQ(Word(d, kCommand) & 0xFF, 255);
  // An impulse time fills 12 bits: 5000 s would be kept as 904 s.
  host.Select(d, OutId(kOutMode1, 1), 3);
  host.Type(d, OutId(kOutTime1, 1), u"5000");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Time must be between 0 and 4095 s"});
  EXPECT_EQ(d.Text(OutId(kOutTime1, 1)), u"5000");
  host.ClearBoxes();
  host.Type(d, OutId(kOutTime1, 1), u"4095");
  host.Click(d, kDevSave);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(Word(d, kOutput1) & 0x0FFF, 4095);
}

TEST_F(OutputNodeTest, FirmwareRangesAndReadsThatKeepThePendingRead) {
  auto& d = OpenNode(demo::kOutputB);
  Deliver(d, 0, {1305, 204});
  host.Click(d, kDevRead);
  std::vector<uint16_t> words(150, 0);
  words[1] = 204;
  words[6] = 11;
  Deliver(d, 0, words);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kRead);
  EXPECT_FALSE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));

  // Write to RAM covers 8..149; the acknowledgement of exactly those completes it.
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  d.OnWriteAck(d.address(), 8, 142, false);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kNone);

  // Store timing by the project's channel.
  dlg->project().SetFrequencyIndex(4);
  host.Click(d, kDevWriteEeprom);
  EXPECT_EQ(host.TimerPeriod(d, DeviceDialog::kTimeoutTimer), 6000);
  // The stored bit alone does not complete the store: the acknowledgement does.
  Deliver(d, 2, {DeviceDialog::kStored});
  EXPECT_EQ(d.source(), SourceState::kWrite);
  d.OnWriteAck(d.address(), 2, 148, false);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  dlg->project().SetFrequencyIndex(2);
  host.Click(d, kDevWriteEeprom);
  EXPECT_EQ(host.TimerPeriod(d, DeviceDialog::kTimeoutTimer), 4000);
}

TEST_F(OutputNodeTest, OldHardwareIsRefusedOnlyInTheDevicesOwnAnswers) {
  StartWithProject({demo::kOutputB});
  auto blob = dlg->project().Record(0);
  blob[6] = 5;
  sim.SetMute(demo::kOutputB, true);
  MarkHeard({demo::kOutputB});
  auto& d = Open<COutputNodeDlg>(demo::kOutputB, 0, DialogClass::kOutputNode);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(d.Text(kDevHwNum), u"5");

  host.Click(d, kDevRead);
  std::vector<uint16_t> words(158, 0);
  words[6] = 5;
  words[kCounter] = 77;
  Deliver(d, 0, words);
  EXPECT_EQ(BoxTexts().back(),
            u"This harware is not supported,\nplease contact your distributor to replace the "
            u"product");
  // Nothing further is shown, and the read does not complete.
  EXPECT_EQ(d.Text(kOutCnt), u"0");
  EXPECT_EQ(d.source(), SourceState::kRead);
  host.Advance(5000);
  EXPECT_EQ(BoxTexts().back(), u"Read unsuccessfull");
}

TEST_F(OutputNodeTest, CommandsGoOutAtOnceAndUntickOnTheAcknowledgement) {
  auto& d = OpenNode(demo::kOutputA);
  transport.Take();
  Tick(d, OutId(kOutOn1, 2), true);
  Tick(d, OutId(kOutLongPress1, 1), true);
  host.Advance(50);
  const auto sent = transport.Take();
  // Register 127 with the command in its high byte: On of output 2, then LongPress of output 1
  // (the super long press time travels in the low byte).
  EXPECT_TRUE(AnySent(sent, "83 04 7F 00 00 08")) << ::testing::PrintToString(sent);
  EXPECT_TRUE(AnySent(sent, "83 04 7F 00 00 04")) << ::testing::PrintToString(sent);
  // The command byte never stays in the record.
  EXPECT_EQ(Word(d, kCommand) >> 8, 0);
  d.OnWriteAck(d.address(), kCommand, 1, false);
  EXPECT_FALSE(d.IsChecked(OutId(kOutOn1, 2)));
  EXPECT_TRUE(d.IsChecked(OutId(kOutLongPress1, 1)));
  // Unticking sends nothing.
  Tick(d, OutId(kOutLongPress1, 1), false);
  host.Advance(50);
  EXPECT_TRUE(transport.Take().empty());
}

TEST_F(OutputNodeTest, ClosingAsksOnlyWhenTheRecordDiffersFromTheProject) {
  auto& d = OpenNode(demo::kOutputB);
  dlg->project().Record(0)[kDevHwNumWord] = 11;
  const std::vector<uint16_t> blob(Blob(d).begin(), Blob(d).end());
  host.Click(d, kDevRead);
  Deliver(d, 0, blob);
  // What the node measures differs at every read: no question for it.
  Deliver(d, kUptime, {900, 0, 0xFFC4});
  Deliver(d, kLiveFirst, {2150, 0, 0, 4500});
  host.CloseBox(d);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_FALSE(host.IsOpen(d));
  dlg->dialog_slots().Release(&d);

  auto& e = Open<COutputNodeDlg>(demo::kOutputB, 0, DialogClass::kOutputNode);
  host.Type(e, kOutMaxOnTime, u"45");
  host.QueueAnswer(kIdCancel);
  host.CloseBox(e);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Save changes?");
  EXPECT_EQ(host.boxes()[0].caption, u"Unsaved changes");
  EXPECT_TRUE(host.IsOpen(e));
  host.QueueAnswer(kIdYes);
  host.CloseBox(e);
  EXPECT_FALSE(host.IsOpen(e));
  EXPECT_EQ(Blob(e)[kPressTimes] >> 8, 45);
}

TEST_F(OutputNodeTest, OneOutputTypeShowsItsTemperatureAndTimeoutBehaviour) {
  auto& d = OpenNode(demo::kDoor);
  EXPECT_FALSE(d.IsVisible(OutId(kOutMode1, 2)));
  EXPECT_FALSE(d.IsVisible(kOutPwmGroup));
  EXPECT_FALSE(d.IsVisible(kOutBlockOut2));
  EXPECT_TRUE(d.IsVisible(kOutTempGroup));
  for (const auto& [value, text] : {std::pair<int16_t, const char16_t*>{2150, u"21.50\u00B0C"},
                                    {-30000, u"Error Temp CRC"},
                                    {-30001, u"No sensor"},
                                    {-30004, u"Error Short"},
                                    {-30005, u"Error Any"},
                                    {-5, u"-0.05\u00B0C"}}) {
    Deliver(d, kTemperature, {static_cast<uint16_t>(value)});
    EXPECT_EQ(d.Text(kOutTemperature), text);
  }
  host.Type(d, kOutCommTimeout, u"5000");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Comm Timeout must be between 0 and 4095"});
  host.ClearBoxes();
  host.Type(d, kOutCommTimeout, u"600");
  host.Select(d, kOutAfterTimeout, 2);
  host.Select(d, kOutAfterReset, 1);
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, kWord157), 600 | 2 << 12 | 1 << 14);
  // The temperature word is not an output setting of this type.
  Deliver(d, kTemperature, {2150});
  host.Click(d, kDevSave);
  EXPECT_EQ(Word(d, kTemperature), 2150);
}

TEST_F(OutputNodeTest, ThresholdsInBothModesAndTheDefaultRecord) {
  auto& d = OpenNode(demo::kOutputB);
  Deliver(d, kThresholdOn, {1000, 800});
  EXPECT_EQ(d.Text(kOutThresholdOn), u"1000");
  host.Click(d, kOutTempCo2);
  EXPECT_EQ(d.Text(kOutThresholdOnLabel), u"t On");
  EXPECT_EQ(d.Text(kOutThresholdOn), u"10.00");
  host.Type(d, kOutThresholdOff, u"-2.5");
  host.Click(d, kDevSave);
  EXPECT_EQ(static_cast<int16_t>(Word(d, kThresholdOff)), -250);

  host.Click(d, kDevDefault);
  EXPECT_EQ(Word(d, kOutput1), 0x1003);
  EXPECT_EQ(Word(d, kPressTimes), 10 | 30 << 8);
  EXPECT_EQ(Word(d, kCommand), 50);
  EXPECT_EQ(Word(d, kBlockTime), 300);
  EXPECT_EQ(Word(d, 62), 0x41 | 0x42 << 8);
  EXPECT_EQ(Word(d, 66), 0x81 | 0x82 << 8);
  EXPECT_EQ(Word(d, 26), 2 << 8);
  EXPECT_EQ(d.Text(kDevRfPower), u"+10 dBm");
  EXPECT_EQ(d.Text(kDevName), u"Output 1");
  EXPECT_EQ(d.Text(kOutLongpressTimeout), u"1000");
  EXPECT_EQ(d.Text(kOutBlockTime), u"30.0");
}

// The link dialogs on a record of their own.
class OutputLinkTest : public OutputNodeTest {
 protected:
  std::vector<uint16_t> record = std::vector<uint16_t>(158, 0);
  std::vector<std::vector<uint8_t>> sent;
  RfAddress sent_to = 0;

  std::unique_ptr<OutputLinkDialog> Link(OutputLinkDialog::Kind kind, int k, bool one = false) {
    auto link = std::make_unique<OutputLinkDialog>(
        kind, host, std::span<uint16_t>(record), k, dlg->project(), demo::kOutputA, one,
        [this](RfAddress to, std::span<const uint8_t> bytes) {
          sent_to = to;
          sent.emplace_back(bytes.begin(), bytes.end());
        });
    host.Open(*link);
    return link;
  }
};

TEST_F(OutputLinkTest, PushButtonRowsEncodeTheirActionsAndPushPull) {
  StartWithProject({demo::kOutputA, demo::kKeypad, demo::kRoomUnit, demo::kCounter});
  auto link = Link(OutputLinkDialog::KindFor(0), 2);
  EXPECT_EQ(link->Title(), u"Duplon-A Control Device 3");
  // The choices: "disable" and the project's control devices (not the counter).
  ASSERT_EQ(link->Count(kLinkAddress), 3);
  EXPECT_EQ(link->Text(kLinkAddress), u"0x00000000");
  host.Select(*link, kLinkAddress, 1);
  host.Select(*link, LinkId(kLinkOn0, 1), 1);
  host.Select(*link, LinkId(kLinkOff0, 1), 2);
  host.Select(*link, LinkId(kLinkLong0, 1), 3);
  Tick(*link, LinkId(kLinkO2_0, 1), true);
  Tick(*link, LinkId(kLinkPushPull0, 3), true);
  EXPECT_EQ(link->Text(kLinkAddress).substr(0, 11), u"0x00200608 ");
  host.Click(*link, kIdOk);
  EXPECT_EQ(EntryAddress(record, 2), demo::kRoomUnit);
  EXPECT_EQ(EntryLink(record, 2, 1), 1 | 2 << 2 | 3 << 4 | 0x80);
  EXPECT_EQ(record[kPushPull], 1u << (4 * 2 + 3));

  // A one-output node has no O2 to choose.
  auto again = Link(OutputLinkDialog::Kind::kInput, 2, true);
  EXPECT_FALSE(again->IsVisible(LinkId(kLinkO2_0, 0)));
  EXPECT_EQ(again->CurSel(LinkId(kLinkLong0, 1)), 3);
  // Lists that show no entry keep the row's actions: nobody chose "nothing".
  again->SetCurSel(LinkId(kLinkOn0, 1), -1);
  again->SetCurSel(LinkId(kLinkOff0, 1), -1);
  again->SetCurSel(LinkId(kLinkLong0, 1), -1);
  host.Select(*again, kLinkAddress, 0);
  host.Click(*again, kIdOk);
  EXPECT_EQ(EntryAddress(record, 2), 0u);
  EXPECT_EQ(EntryLink(record, 2, 1) & 0x3F, 1 | 2 << 2 | 3 << 4);
}

TEST_F(OutputLinkTest, RoomAndSensorRowsKeepTheLongPressBitsAndNameTheThresholds) {
  StartWithProject({demo::kOutputA});
  record[kThresholdOn] = 1000;
  record[kThresholdOff] = 800;
  record[kRhOn] = 4000;
  record[kRhOff] = 6000;
  SetEntryLink(record, 0, 2, 0x30);
  SetEntryLink(record, 0, 1, 0x07);
  auto room = Link(OutputLinkDialog::KindFor(0x002), 0);
  EXPECT_EQ(room->kind(), OutputLinkDialog::Kind::kRoom);
  EXPECT_EQ(room->Text(LinkId(kLinkOnCaption0, 2)), u"CO2 >= 1000 ppm");
  EXPECT_EQ(room->Text(LinkId(kLinkOffCaption0, 2)), u"CO2 <= 800 ppm");
  EXPECT_EQ(room->Text(LinkId(kLinkOnCaption0, 3)), u"rH <= 40.00 %");
  EXPECT_EQ(room->Text(LinkId(kLinkOffCaption0, 3)), u"rH >= 60.00 %");
  EXPECT_EQ(room->CurSel(LinkId(kLinkOn0, 1)), 3);
  EXPECT_EQ(room->CurSel(LinkId(kLinkOff0, 1)), 1);
  host.Select(*room, LinkId(kLinkOn0, 2), 1);
  Tick(*room, LinkId(kLinkO1_0, 2), true);
  host.Click(*room, kIdOk);
  EXPECT_EQ(EntryLink(record, 0, 2), 0x30 | 1 | 0x40);

  // The climate sensor's dialog edits rows Heating and rH only.
  auto sensor = Link(OutputLinkDialog::KindFor(0x00A), 0);
  EXPECT_EQ(sensor->kind(), OutputLinkDialog::Kind::kSensor);
  host.Select(*sensor, LinkId(kLinkOn0, 3), 2);
  host.Click(*sensor, kIdOk);
  EXPECT_EQ(EntryLink(record, 0, 3), 2);
  EXPECT_EQ(EntryLink(record, 0, 2), 0x30 | 1 | 0x40);
  EXPECT_EQ(EntryLink(record, 0, 1), 0x07);
}

TEST_F(OutputLinkTest, TestPressImitatesTheControlDevicesFrame) {
  StartWithProject({demo::kOutputA});
  SetEntryAddress(record, 4, 0x00E00602);
  auto link = Link(OutputLinkDialog::Kind::kInput, 4);
  host.Click(*link, LinkId(kLinkTest0, 2));
  host.Click(*link, LinkId(kLinkTest0, 0));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent_to, demo::kOutputA);
  EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x90, 16, 0x02, 0x06, 0xE0, 0x00, 1, 0xC1, 9, 0x09, 0x00,
                                           3, 0x19, 0x80, 0, 0x04, 0, 0}));
  EXPECT_EQ(sent[1][6], 2);
  EXPECT_EQ(sent[1][15], 0x01);
}

}  // namespace
}  // namespace corvane::devices
