// The fan-coil window on the headless host: what it does with blocks, its own buttons and its
// closing, with the demo controller in the project; and the controller image's cache placement.
#include "gateway/fan_coil_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "devices/device_fixture.h"
#include "gateway/fan_coil_template.h"
#include "gateway/fc_devices.h"
#include "gateway/gw_device_editors_template.h"
#include "sim/demo_network.h"
#include "sim/fan_coil_node.h"

namespace corvane {
namespace {

using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;
using F = FanCoilImage;

class FanCoilDlgTest : public devices::testing::DeviceTest {
 protected:
  void TearDown() override {
    if (dialog_) {
      dlg->dialog_slots().Release(dialog_.get());
      host.Forget(*dialog_);
      dialog_.reset();
    }
    DeviceTest::TearDown();
  }
  // The controller in the project with `blob` (16676 words), heard, its window open.
  CFanCoilDlg& OpenWith(std::vector<uint16_t> blob) {
    StartWithProject({demo::kFanCoil});
    blob.resize(F::kWords, 0);
    dlg->project().SetRecord(dlg->project().Find(demo::kFanCoil), std::move(blob));
    MarkHeard({demo::kFanCoil});
    const int entry = dlg->project().Find(demo::kFanCoil);
    dialog_ = std::make_unique<CFanCoilDlg>(
        DeviceDialogContext{host, demo::kFanCoil, 0, dlg->project(), entry}, Services(),
        dlg->opener());
    EXPECT_TRUE(dlg->dialog_slots().Occupy(DialogClass::kFanCoil, dialog_.get()));
    host.Open(*dialog_);
    return *dialog_;
  }
  static std::vector<uint16_t> Blob(uint16_t version) {
    std::vector<uint16_t> b(F::kWords, 0);
    b[F::kRegVersion] = version;
    b[F::kRegModbusLine] = 0x1101;
    b[F::kRegFanMode] = 1;
    return b;
  }
  void Deliver(uint16_t first, std::vector<uint16_t> words, bool from_cache = false) {
    dialog_->OnRegisterData(demo::kFanCoil, first, static_cast<int>(words.size()), words.data(),
                            from_cache);
  }
  std::span<const uint16_t> Stored() {
    return dlg->project().Record(dlg->project().Find(demo::kFanCoil));
  }
  int Count(const std::u16string& text) const {
    return static_cast<int>(std::count_if(host.boxes().begin(), host.boxes().end(),
                                          [&](const auto& b) { return b.text == text; }));
  }
  sim::FanCoilNode& Node() { return *sim.FindNodeAs<sim::FanCoilNode>(demo::kFanCoil); }

  std::unique_ptr<CFanCoilDlg> dialog_;
};

constexpr char16_t kVersion305[] =
    u"Ventora Update necessary, expected version 306, device version 305";

TEST_F(FanCoilDlgTest, OnlyAVersionTheControllerReportsItselfClosesTheWindow) {
  // The project's copy, a gateway's cache and an imported file may be older than the firmware.
  CFanCoilDlg& d = OpenWith(Blob(305));
  Deliver(0, {1292, 305}, /*from_cache=*/true);
  import_file = {{2, 305}};
  host.Click(d, kFcImport);
  EXPECT_FALSE(d.ended());
  EXPECT_EQ(d.Text(kFcFwNum), u"305");
  // "Default" keeps the working version and is checked like an answer of the device.
  host.Click(d, kFcDefault);
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(Count(kVersion305), 1);
  EXPECT_EQ(Stored()[F::kRegName], 0);  // nothing stored
}

TEST_F(FanCoilDlgTest, DirectBlockWithAnOldVersionClosesWithoutStoring) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  host.Type(d, kFcName, u"Changed");
  Deliver(0, {1292, 305});
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(Count(kVersion305), 1);
  EXPECT_EQ(Stored()[F::kRegVersion], 312);
}

TEST_F(FanCoilDlgTest, DefaultOnAControllerWithoutVersionCarries400) {
  CFanCoilDlg& d = OpenWith(Blob(0));
  host.Click(d, kFcDefault);
  EXPECT_FALSE(d.ended());
  EXPECT_EQ(d.image().Version(), 400);
  EXPECT_EQ(d.image().Word(F::kRegRegulator), 0x8040);
  EXPECT_EQ(d.Text(kFcName), u"Fancoil 1");
  EXPECT_EQ(d.Text(kFcPBand), u"20");
  EXPECT_EQ(d.source(), SourceState::kProject);  // nothing sent, indicator as it was
}

TEST_F(FanCoilDlgTest, FanListFollowsTheHighestBitAndAnUnknownBitIsKept) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  Deliver(F::kRegFanMode, {0});
  EXPECT_EQ(d.Item(kFcFanMode, d.CurSel(kFcFanMode)), u"Fan OFF");
  Deliver(F::kRegFanMode, {8});
  EXPECT_EQ(d.Item(kFcFanMode, d.CurSel(kFcFanMode)), u"Fan Manual 2");
  // Bit 5 names no entry: the list shows none, and saving keeps the register.
  Deliver(F::kRegFanMode, {0x20});
  EXPECT_EQ(d.CurSel(kFcFanMode), -1);
  host.Click(d, kFcSave);
  EXPECT_EQ(Stored()[F::kRegFanMode], 0x20);
}

// Lists that show no entry keep their fields: nobody chose "3 speed Fan" or channel 0.
TEST_F(FanCoilDlgTest, ListsWithoutASelectionKeepTheirRegisters) {
  std::vector<uint16_t> blob = Blob(312);
  blob[F::kRegRegulator] = 3 << F::kFanTypeShift;
  blob[F::kRegRadio] = 9 | (7 << 8);
  CFanCoilDlg& d = OpenWith(blob);
  ASSERT_EQ(d.CurSel(kFcFanType), -1);
  ASSERT_EQ(d.CurSel(kFcFrequency), -1);
  host.Click(d, kFcSave);
  EXPECT_EQ(Stored()[F::kRegRegulator] & F::kFanTypeMask, 3 << F::kFanTypeShift);
  EXPECT_EQ(Stored()[F::kRegRadio], 9 | (7 << 8));
}

// A Write started after "Read unsuccessfull": the read's late answers do not turn the
// indicator to Device while the write runs.
TEST_F(FanCoilDlgTest, LateAnswersOfAFailedReadDoNotEndALaterWrite) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  Node().set_mute(true);
  host.Click(d, kFcRead);
  host.Advance(5100);
  ASSERT_EQ(Count(u"Read unsuccessfull"), 1);
  host.QueueAnswer(kIdYes);
  host.Click(d, kFcWriteRam);
  ASSERT_EQ(d.pending(), Pending::kRamWrite);
  std::vector<uint16_t> late = Blob(312);
  late.resize(F::kConfigWords);
  Deliver(0, late);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  EXPECT_EQ(d.pending(), Pending::kRamWrite);
}

TEST_F(FanCoilDlgTest, TemperaturesAreGatheredAsHundredthsAndBadTextKeepsTheRegister) {
  std::vector<uint16_t> blob = Blob(312);
  blob[F::kRegSetpointHeat] = 2050;
  CFanCoilDlg& d = OpenWith(blob);
  // Only values under manual control can be typed.
  EXPECT_FALSE(d.IsEnabled(kFcActualTemp));
  EXPECT_FALSE(d.IsEnabled(kFcSetpointHeat));
  host.Toggle(d, kFcEnableTemperature);
  host.Toggle(d, kFcEnableSetpoints);
  host.Type(d, kFcActualTemp, u"21.5");
  host.Type(d, kFcSetpointHeat, u"warm");
  host.Type(d, kFcSetpointCool, u"-0.07");
  host.Click(d, kFcSave);
  EXPECT_EQ(Stored()[F::kRegActualTemp], 2150);
  EXPECT_EQ(Stored()[F::kRegSetpointHeat], 2050);
  EXPECT_EQ(static_cast<int16_t>(Stored()[F::kRegSetpointCool]), -7);
  EXPECT_EQ(Stored()[F::kRegManual] & 0xFF, F::kManualTemperature | F::kManualSetpoints);
}

TEST_F(FanCoilDlgTest, ClosingAChangedImageAsksAndCancelKeepsTheChange) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  host.Advance(3000);  // the clock ticks in the window: no change of the user's
  // Nor are the controller's measurements and its paired devices' status.
  Deliver(F::kRegUptime, {1200, 0, 0xFFB5});
  Deliver(F::kRegRoomInputs, {0x0003, 0, 0x0005, 0x2040, 30});
  Deliver(F::kRegDeviceStatus, {0x1234, 0x5678});
  host.CloseBox(d);  // unchanged: closes without asking
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(host.boxes().size(), 0u);
  d.ResetEnded();
  host.Open(d);
  host.Type(d, kFcPBand, u"35");
  host.QueueAnswer(kIdCancel);
  host.CloseBox(d);
  EXPECT_FALSE(d.ended());
  EXPECT_EQ(host.boxes().back().text, u"Save changes?");
  EXPECT_EQ(d.Text(kFcPBand), u"35");
  host.QueueAnswer(kIdNo);
  host.CloseBox(d);
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(Stored()[F::kRegPBand], 0);
}

TEST_F(FanCoilDlgTest, RefusedRamWriteStartsNoEepromSequence) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  host.QueueAnswer(kIdNo);  // "Possible overwrite"
  host.Click(d, kFcWriteEeprom);
  EXPECT_EQ(d.pending(), Pending::kNone);
  host.Advance(6000);
  EXPECT_EQ(Count(u"Write to EEPROM unsuccessfull"), 0);
  EXPECT_EQ(d.source(), SourceState::kProject);
}

TEST_F(FanCoilDlgTest, UnansweredEepromWriteIsReportedOnce) {
  CFanCoilDlg& d = OpenWith(Blob(312));
  Node().set_mute(true);
  host.QueueAnswer(kIdYes);
  host.Click(d, kFcWriteEeprom);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  host.Advance(7000);
  EXPECT_EQ(Count(u"Write to EEPROM unsuccessfull"), 1);
  EXPECT_EQ(Count(u"Write to RAM unsuccessfull"), 0);
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(d.pending(), Pending::kNone);
}

TEST_F(FanCoilDlgTest, EditedEntryIsPlacedAndACollisionIsReported) {
  std::vector<uint16_t> blob = Blob(312);
  F stored(blob);
  GwDeviceEntry first{.address = 0x01100202};
  first.SetCached(true);
  first.SetMbCount(59);
  stored.SetDevice(0, first);
  stored.SetModbusAddress(0, 5);
  CFanCoilDlg& d = OpenWith({stored.words().begin(), stored.words().end()});
  host.OnModal<CFcDevices>([&](CFcDevices& editor) {
    EXPECT_EQ(editor.Title(), u"GW Configuration of subdevice " + DisplayName(0));
    host.Type(editor, kSubAddress, u"17826307");  // 0x01100203, typed in decimal
    host.Type(editor, kSubMapLength, u"20");
    host.Type(editor, kSubModbusAddress, u"5");
    host.Type(editor, kSubInputNumber, u"4");
    if (!editor.IsChecked(kSubCached)) host.Toggle(editor, kSubCached);
    host.Click(editor, kIdOk);
  });
  host.DoubleClick(d, kFcDevices, 2, kFcColAddress);
  // The first entry is placed at the start of the area, the new one behind it.
  EXPECT_EQ(d.image().Device(0).mb_start, 218);
  EXPECT_EQ(d.image().Device(2).address, 0x01100203u);
  EXPECT_EQ(d.image().Device(2).mb_start, 277);
  EXPECT_EQ(d.image().InputNumber(2), 4);
  EXPECT_EQ(d.Cell(kFcDevices, 2, kFcColInputNumber), u"4");
  EXPECT_EQ(host.boxes().back().text,
            u"Modbus address collision modbus address 5 added to "
            u"device 0x01100202 and 0x01100203");
}

TEST_F(FanCoilDlgTest, ReportPrintsUncachedEntriesBlank) {
  F image;
  GwDeviceEntry cached{.address = 0x01100202, .mb_start = 218};
  cached.SetCached(true);
  cached.SetMbCount(78);
  image.SetDevice(0, cached);
  image.SetModbusAddress(0, 2);
  image.SetDevice(3, GwDeviceEntry{.address = 0x00300104});
  image.SetModbusAddress(3, 7);
  const std::u16string text = FanCoilReportText(image);
  EXPECT_NE(text.find(u"0x01100202 |   2     | 1          | 219\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"0x00300104 |   7     |            |   \r\n"), std::u16string::npos);
}

TEST(FanCoilImage, PlacementKeepsUncachedStartsAndNeverPassesTheArea) {
  F image;
  const auto entry = [](RfAddress address, int count, bool cached, uint16_t start = 0) {
    GwDeviceEntry e{.address = address, .mb_start = start};
    e.SetMbCount(static_cast<uint16_t>(count));
    e.SetCached(cached);
    return e;
  };
  image.SetDevice(0, entry(0x01100202, 59, true));
  image.SetDevice(1, entry(0x01100203, 40, false, 5000));
  image.SetDevice(2, entry(0x01100204, 20, true));
  EXPECT_TRUE(PlaceFanCoilCache(image).empty());
  EXPECT_EQ(image.Device(0).mb_start, 218);
  EXPECT_EQ(image.Device(1).mb_start, 5000);
  EXPECT_EQ(image.Device(2).mb_start, 277);
  // Four ranges of 4095 registers do not all fit 218..14553: the fourth loses its place.
  for (int i = 3; i < 7; ++i) image.SetDevice(i, entry(0x01100210 + i, 4095, true));
  const std::vector<int> unfit = PlaceFanCoilCache(image);
  EXPECT_EQ(unfit, std::vector<int>{6});
  EXPECT_FALSE(image.Device(6).Cached());
  for (int i = 0; i < F::kDevices; ++i) {
    const GwDeviceEntry e = image.Device(i);
    if (e.Cached()) {
      EXPECT_LE(e.mb_start + e.MbCount(), F::kRegCacheLast + 1);
    }
  }
  EXPECT_TRUE(CompressFanCoilCache(image).empty());
  EXPECT_EQ(image.Device(2).mb_start, 277);
  EXPECT_EQ(image.Device(1).mb_start, 5000);
}

}  // namespace
}  // namespace corvane
