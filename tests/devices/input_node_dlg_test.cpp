// The input-node dialogs: their fields and encodings, the button configuration byte per type,
// the indicator squares, the layout by type, the Default records, the firmware quirk and the
// RSSI fields of the Quadrel-B.
#include "devices/input_node_dlg.h"

#include <gtest/gtest.h>

#include "device_fixture.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::DeviceTest;
using ui::SourceState;
namespace demo = sim::demo;
using namespace ui;

class InputNodeTest : public DeviceTest {
 protected:
  // Temperature corr; the threshold follows it.
  static constexpr int kTemperatureCorrWord = input_word::kTemperatureCorr;

  template <class D = CInputNodeDlg>
  D& OpenDevice(RfAddress address, DialogClass cls = DialogClass::kInputNode) {
    StartWithProject({address});
    sim.SetMute(address, true);
    MarkHeard({address});
    return Open<D>(address, 0, cls);
  }
  static uint16_t Record(const DeviceDialog& d, int word) {
    return d.record()[static_cast<size_t>(word)];
  }
};

TEST_F(InputNodeTest, TimesAreStoredInTheirUnits) {
  auto& d = OpenDevice(demo::kInputX);
  struct Case {
    const char16_t* typed;
    uint8_t code;
    const char16_t* shown;
  };
  for (const Case& c : {Case{u"1000", 4, u"1000"}, Case{u"1100", 4, u"1000"}, Case{u"249", 0, u"0"},
                        Case{u"90000", 255, u"63750"}}) {
    host.Type(d, kInLongpress, c.typed);
    host.Type(d, kInLongpressRepeat, c.typed);
    host.Click(d, kDevSave);
    EXPECT_EQ(Record(d, 52), c.code | (c.code << 8)) << ui::Utf16ToUtf8(c.typed);
    Deliver(d, 52, {Record(d, 52)});
    EXPECT_EQ(d.Text(kInLongpress), c.shown);
    EXPECT_EQ(d.Text(kInLongpressRepeat), c.shown);
  }
  for (const Case& c : {Case{u"1", 0, u"2"}, Case{u"600", 255, u"512"}, Case{u"3", 0, u"2"},
                        Case{u"52", 25, u"52"}}) {
    host.Type(d, kInMinPress, c.typed);
    host.Click(d, kDevSave);
    EXPECT_EQ(Record(d, 53) >> 8, c.code) << ui::Utf16ToUtf8(c.typed);
    Deliver(d, 53, {Record(d, 53)});
    EXPECT_EQ(d.Text(kInMinPress), c.shown);
  }
  // A text that is no number keeps the old byte.
  host.Type(d, kInLongpress, u"soon");
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 52) & 0xFF, 255);
}

TEST_F(InputNodeTest, ButtonByteOfTheSixInputTypeDropsItsTopBits) {
  auto& d = OpenDevice(demo::kInputX);
  Deliver(d, 53, {0x00FF});
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(d.IsChecked(InOneButton(i))) << i;
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 53) & 0xFF, 0x3F);
  host.Toggle(d, InOneButton(6));
  host.Toggle(d, InOneButton(1));
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 53) & 0xFF, 0x1E);
}

TEST_F(InputNodeTest, QuadrelAKeepsHiddenSwitchBits) {
  auto& d = OpenDevice(demo::kGatewayInput);
  Deliver(d, 53, {0x0031});
  EXPECT_FALSE(d.IsVisible(InSwitch(1)));
  EXPECT_TRUE(d.IsChecked(InSwitch(1)));
  host.Toggle(d, InSwitch(4));
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 53) & 0xFF, 0xB1);
}

TEST_F(InputNodeTest, KeypadWritesOnlyItsFourKeys) {
  auto& d = OpenDevice(demo::kKeypad);
  Deliver(d, 53, {0x00F5});
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 53) & 0xFF, 0x05);
  EXPECT_EQ(AssembleButtonByte(0x014, {true, false, false, false, false, false},
                               {false, true, false, true}),
            0xA1);
}

TEST_F(InputNodeTest, LayoutFollowsTheType) {
  {
    auto& a = OpenDevice(demo::kGatewayInput);
    EXPECT_TRUE(a.IsVisible(kInSwitchCaption));
    EXPECT_FALSE(a.IsVisible(InSwitch(1)));
    EXPECT_FALSE(a.IsVisible(InSwitch(2)));
    EXPECT_TRUE(a.IsVisible(InSwitch(3)));
    EXPECT_TRUE(a.IsVisible(InSwitch(4)));
    for (int i : {5, 6}) {
      EXPECT_FALSE(a.IsVisible(InOneButton(i)));
      EXPECT_FALSE(a.IsVisible(InButtonLabel(i)));
      EXPECT_FALSE(a.IsVisible(InSquare(i)));
    }
    EXPECT_TRUE(a.IsVisible(kInTempCorr));
    EXPECT_EQ(a.unknown_id_uses(), 0);
  }
}

TEST_F(InputNodeTest, LayoutOfTheSixInputAndKeypadTypes) {
  StartWithProject({demo::kInputX, demo::kKeypad});
  auto& x = Open<CInputNodeDlg>(demo::kInputX);
  EXPECT_FALSE(x.IsVisible(kInSwitchCaption));
  for (int i = 1; i <= 4; ++i) EXPECT_FALSE(x.IsVisible(InSwitch(i)));
  for (int i : {5, 6}) {
    EXPECT_TRUE(x.IsVisible(InOneButton(i)));
    EXPECT_TRUE(x.IsVisible(InButtonLabel(i)));
    EXPECT_TRUE(x.IsVisible(InSquare(i)));
  }
  dlg->dialog_slots().Release(&x);
  auto& k = Open<CInputNodeDlg>(demo::kKeypad);
  EXPECT_FALSE(k.IsVisible(kInSwitchCaption));
  for (int id : std::initializer_list<int>{kInTempGroup, kInTempLabel, kInTempCorrLabel,
                                           kInTempThresholdLabel, kInTempUnit, kInTempCorrUnit,
                                           kInTempThresholdUnit, kInTemperature, kInTempCorr,
                                           kInTempThreshold, InSquare(5), InOneButton(6)}) {
    EXPECT_FALSE(k.IsVisible(id)) << id;
  }
}

TEST_F(InputNodeTest, QuadrelBShowsItsSwitchRowAndFourSquares) {
  auto& b = OpenDevice<CInputNodeBDlg>(demo::kInputB, DialogClass::kInputNodeB);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_TRUE(b.IsVisible(InSwitch(i)));
    EXPECT_TRUE(b.IsVisible(InSquare(i)));
  }
  EXPECT_FALSE(b.Has(InSquare(5)));
  EXPECT_EQ(b.unknown_id_uses(), 0);
}

TEST_F(InputNodeTest, SquaresFollowTheIndicationPriorities) {
  auto& d = OpenDevice(demo::kInputX);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(d.Color(InSquare(i)), kSquareWhite);
  // A = 0x01 and D = 0x01: D wins; nothing else changes.
  Deliver(d, 50, {0x0001, 0x0100});
  EXPECT_EQ(d.Color(InSquare(1)), kSquareYellow);
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(d.Color(InSquare(i)), kSquareWhite);
  host.Advance(999);
  EXPECT_EQ(d.Color(InSquare(1)), kSquareYellow);
  host.Advance(1);
  EXPECT_EQ(d.Color(InSquare(1)), kSquareWhite);

  // A steady on input 2, C red on 3 (and on 2, where A wins), B timed green on 4 and 3.
  Deliver(d, 50, {0x0C02 /*A=02, B=0C*/, 0x0006 /*C=06*/});
  EXPECT_EQ(d.Color(InSquare(2)), kSquareGreen);
  EXPECT_EQ(d.Color(InSquare(3)), kSquareRed);
  EXPECT_EQ(d.Color(InSquare(4)), kSquareGreen);
  host.Advance(1000);
  EXPECT_EQ(d.Color(InSquare(2)), kSquareGreen);
  EXPECT_EQ(d.Color(InSquare(3)), kSquareWhite);
  EXPECT_EQ(d.Color(InSquare(4)), kSquareWhite);

  // A steady colour cancels a pending clear; a new colour restarts it.
  Deliver(d, 51, {0x2000});
  host.Advance(500);
  Deliver(d, 50, {0x0020, 0x0000});
  host.Advance(1000);
  EXPECT_EQ(d.Color(InSquare(6)), kSquareGreen);
  Deliver(d, 50, {0x0000, 0x0008});
  host.Advance(600);
  Deliver(d, 50, {0x0000, 0x0008});
  host.Advance(600);
  EXPECT_EQ(d.Color(InSquare(4)), kSquareRed);
  host.Advance(400);
  EXPECT_EQ(d.Color(InSquare(4)), kSquareWhite);
  // A block without word 51 paints nothing.
  Deliver(d, 50, {0x00FF});
  EXPECT_EQ(d.Color(InSquare(5)), kSquareWhite);
}

TEST_F(InputNodeTest, SquaresStartWhiteAndShowOnlyWhatTheDeviceSends) {
  StartWithProject({demo::kInputX});
  sim.SetMute(demo::kInputX, true);
  auto record = dlg->project().Record(0);
  record[50] = 0x3F3F;  // every indication of every input
  record[51] = 0x3F3F;
  auto& d = Open<CInputNodeDlg>(demo::kInputX);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(d.Color(InSquare(i)), kSquareWhite) << i;
  // Words fed by the dialog itself paint nothing either.
  import_file = {{51, 0x0101}, {52, 0x0101}};
  host.Click(d, kDevImport);
  ASSERT_EQ(Record(d, 51), 0x0101);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(d.Color(InSquare(i)), kSquareWhite) << i;
  // The device's own block does.
  Deliver(d, 50, {0x0001, 0x0400});
  EXPECT_EQ(d.Color(InSquare(1)), kSquareGreen);
  EXPECT_EQ(d.Color(InSquare(3)), kSquareYellow);
  EXPECT_EQ(d.Color(InSquare(2)), kSquareWhite);
}

TEST_F(InputNodeTest, EveryTemperatureWordShowsAndCollectsBackToItself) {
  auto& d = OpenDevice(demo::kInputX);
  std::vector<int> wrong;
  for (int v = 0; v <= 0xFFFF; ++v) {
    const auto word = static_cast<uint16_t>(v);
    Deliver(d, kTemperatureCorrWord, {word, static_cast<uint16_t>(~word)});
    host.Click(d, kDevSave);
    if (Record(d, kTemperatureCorrWord) != word ||
        Record(d, kTemperatureCorrWord + 1) != static_cast<uint16_t>(~word)) {
      wrong.push_back(v);
    }
  }
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " values drift, the first " << wrong.front();
  Deliver(d, kTemperatureCorrWord, {201, static_cast<uint16_t>(-32768)});
  EXPECT_EQ(d.Text(kInTempCorr), u"2.01");
  EXPECT_EQ(d.Text(kInTempThreshold), u"-327.68");
}

TEST_F(InputNodeTest, TypedTemperaturesAreReadDigitByDigit) {
  auto& d = OpenDevice(demo::kInputX);
  struct Case {
    const char16_t* typed;
    int16_t stored;
    bool refused = false;  // beyond what the word holds: the save stops, the record stays
  };
  for (const Case& c :
       {Case{u"2.01", 201}, Case{u"-0.5", -50}, Case{u"  3.999xyz", 399}, Case{u"-0.009", 0},
        Case{u"2.5e1", 2500}, Case{u"400", 2500, true}, Case{u"-1e9", 2500, true},
        Case{u"-327.68", -32768}, Case{u"abc", -32768, true}, Case{u"", -32768, true}}) {
    host.ClearBoxes();
    host.Type(d, kInTempCorr, c.typed);
    host.Type(d, kInTempThreshold, c.typed);
    host.Click(d, kDevSave);
    EXPECT_EQ(static_cast<int16_t>(Record(d, kTemperatureCorrWord)), c.stored)
        << ui::Utf16ToUtf8(c.typed);
    EXPECT_EQ(static_cast<int16_t>(Record(d, kTemperatureCorrWord + 1)), c.stored)
        << ui::Utf16ToUtf8(c.typed);
    EXPECT_EQ(BoxTexts().size(), c.refused ? 1u : 0u) << ui::Utf16ToUtf8(c.typed);
    if (c.refused && !BoxTexts().empty()) {
      EXPECT_NE(BoxTexts()[0].find(u"between -327.68 and 327.67"), std::u16string::npos);
    }
  }
}

TEST_F(InputNodeTest, StatusFieldsAndUptime) {
  auto& d = OpenDevice(demo::kInputX);
  Deliver(d, 28, {100, 0, 0, 0x0826});  // uptime 100 s, battery 3.8 V, 80 %
  EXPECT_EQ(d.Text(kInUptime), u"100 s");
  EXPECT_EQ(d.Text(kInBatteryVoltage), u"3.8V");
  EXPECT_EQ(d.Text(kInBatteryState), u"80");
  Deliver(d, 28, {200});
  EXPECT_EQ(d.Text(kInUptime), u"100 s");
  Deliver(d, 29, {1});
  EXPECT_EQ(d.Text(kInUptime), u"100 s");
  Deliver(d, 28, {0, 1});
  EXPECT_EQ(d.Text(kInUptime), u"65536 s");
  Deliver(d, 54, {static_cast<uint16_t>(-250), 15, 200, 3, 1});
  EXPECT_EQ(d.Text(kInTemperature), u"-2.50");
  EXPECT_EQ(d.Text(kInTempCorr), u"0.15");
  EXPECT_EQ(d.Text(kInTempThreshold), u"2.00");
  EXPECT_EQ(d.Text(kInPrg), u"PRG");
  EXPECT_EQ(d.Text(kInUni), u"UNI");
  EXPECT_TRUE(d.IsChecked(kInLock));
  Deliver(d, 57, {2, 0});
  EXPECT_EQ(d.Text(kInPrg), u"");
  EXPECT_FALSE(d.IsChecked(kInLock));
  host.Toggle(d, kInLock);
  host.Type(d, kInTempCorr, u"-0.5");
  host.Type(d, kInTempThreshold, u"1.999");
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 58), 1);
  EXPECT_EQ(static_cast<int16_t>(Record(d, 55)), -50);
  EXPECT_EQ(Record(d, 56), 199);
}

TEST_F(InputNodeTest, CompactNamesSurviveSaveAndWriteUntilEdited) {
  // "K\u00FCche" with its u-umlaut in two bytes, and the Greek capitals alpha and beta in the
  // offset form (0x11, offset 0x0350).
  const std::vector<uint8_t> kuche = {'K', 0xC3, 0xBC, 'c', 'h', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<uint8_t> alpha_beta = {0x11, 0x50, 0x03, 0x41, 0x42, 0, 0, 0,
                                           0,    0,    0,    0,    0,    0, 0, 0};
  auto words_of = [](const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> words(8);
    for (size_t i = 0; i < 8; ++i) words[i] = bytes[2 * i] | (bytes[2 * i + 1] << 8);
    return words;
  };
  auto name_in = [](std::span<const uint16_t> record) {
    return std::vector<uint16_t>(record.begin() + 8, record.begin() + 16);
  };
  StartWithProject({demo::kInputB});
  MarkHeard({demo::kInputB});
  auto record = dlg->project().Record(0);
  const auto stored = words_of(kuche);
  std::copy(stored.begin(), stored.end(), record.begin() + 8);
  auto& d = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  EXPECT_EQ(d.Text(kDevName), u"K\u00FCche");
  host.Click(d, kDevSave);
  EXPECT_EQ(name_in(dlg->project().Record(0)), stored);
  // The node answers at once: the name reaches it as it was read.
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
  EXPECT_EQ(name_in(sim.FindNode(demo::kInputB)->registers()), stored);

  // The same in the offset form, as received from the device.
  Deliver(d, 8, words_of(alpha_beta));
  EXPECT_EQ(d.Text(kDevName), u"\u0391\u0392");
  host.Click(d, kDevWriteRam);
  ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
  EXPECT_EQ(name_in(sim.FindNode(demo::kInputB)->registers()), words_of(alpha_beta));
  host.CloseBox(d);
  EXPECT_EQ(name_in(dlg->project().Record(0)), words_of(alpha_beta));

  // An edited name is written as low bytes, NUL and zeros.
  d.ResetEnded();
  host.Open(d);
  host.Type(d, kDevName, u"K\u00FCchen");
  host.Click(d, kDevSave);
  EXPECT_EQ(name_in(dlg->project().Record(0)),
            words_of({'K', 0xFC, 'c', 'h', 'e', 'n', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(InputNodeTest, DefaultKeepsIdentityWithFallbacks) {
  StartWithProject({demo::kInputX, demo::kInputB}, true);
  auto record = dlg->project().Record(0);
  record[1] = 123;
  record[6] = 77;
  record[16] = 0xAAAA;
  record[17] = 0xBBBB;
  record[40] = 0x5555;
  auto& d = Open<CInputNodeDlg>(demo::kInputX);
  host.Click(d, kDevDefault);
  EXPECT_EQ(Record(d, 0), 1295);
  EXPECT_EQ(Record(d, 1), 123);
  EXPECT_EQ(Record(d, 5), 1115);
  EXPECT_EQ(Record(d, 6), 77);
  EXPECT_EQ(Record(d, 16), 0xAAAA);
  EXPECT_EQ(Record(d, 17), 0xBBBB);
  EXPECT_EQ(Record(d, 40), 0);
  EXPECT_EQ(d.Text(kDevName), u"IN4 1");
  EXPECT_EQ(Record(d, 10), '1');  // "IN4 1", NUL, zeros
  EXPECT_EQ(Record(d, 11), 0);
  EXPECT_EQ(d.Text(kDevPassword), u"TARVELONIX4817QD");
  EXPECT_EQ(Record(d, 26), 0x0200);
  EXPECT_EQ(d.Text(kInLongpress), u"1500");
  EXPECT_EQ(d.Text(kInLongpressRepeat), u"500");
  EXPECT_EQ(d.Text(kInMinPress), u"52");
  EXPECT_EQ(d.Text(kInTempThreshold), u"2.00");
  EXPECT_EQ(d.source(), SourceState::kProject);
  dlg->dialog_slots().Release(&d);

  auto& b = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  host.Click(b, kDevDefault);
  EXPECT_EQ(Record(b, 0), 0xF047);
  EXPECT_EQ(Record(b, 1), 400);
  EXPECT_EQ(Record(b, 5), 1268);
  EXPECT_EQ(b.Text(kDevName), u"IN4 51");
}

TEST_F(InputNodeTest, OldFirmwareReadCompletesWithoutItsMissingRegisters) {
  auto& d = OpenDevice(demo::kInputX);
  host.Click(d, kDevRead);
  std::vector<uint16_t> head(53, 0);
  head[1] = 99;
  head[5] = 1170;
  Deliver(d, 0, head);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  // Other hardware on old firmware waits for every register.
  host.Click(d, kDevRead);
  head[5] = 1171;
  Deliver(d, 0, head);
  EXPECT_EQ(d.source(), SourceState::kRead);
}

TEST_F(InputNodeTest, QuadrelBShowsRssiEveryTwoSeconds) {
  auto& b = OpenDevice<CInputNodeBDlg>(demo::kInputB, DialogClass::kInputNodeB);
  EXPECT_EQ(host.TimerPeriod(b, CInputNodeBDlg::kRssiTimer), 2000);
  EXPECT_EQ(b.Text(kInRssi), u"0 dBm");
  // Two frames from the node put it into the in-range table.
  sim.PressButton(demo::kInputB);
  sim.PressButton(demo::kInputB);
  host.Advance(2000);
  const int rssi = dlg->heard_frames().RssiOf(demo::kInputB);
  EXPECT_NE(rssi, 0);
  EXPECT_EQ(b.Text(kInRssi), ui::Format("%d dBm", rssi));
  EXPECT_EQ(b.Text(kInRxRssi), ui::Format("%d dBm", dlg->heard_frames().device_rssi()));
  Deliver(b, 30, {0x00A6});
  EXPECT_EQ(b.Text(kInBkRssi), u"-90");
}

}  // namespace
}  // namespace corvane::devices
