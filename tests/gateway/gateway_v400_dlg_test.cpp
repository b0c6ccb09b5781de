// The gateway configuration window on blocks handed to it as the fan-out would: completion by
// map size, the write ranges by version and the EEPROM confirmation, the time-out, the clock,
// the RF power list, what reaches the project, the version check and the transmit request.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <tuple>

#include "device_fixture.h"
#include "gateway/fifo_templates.h"
#include "gateway/gateway_dlg.h"
#include "gateway/gw_device_editors.h"
#include "gateway/gw_device_editors_template.h"
#include "sim/demo_network.h"

namespace corvane {
namespace {

using devices::testing::DeviceTest;
using State = Pending;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class GatewayDlgTest : public DeviceTest {
 protected:
  void TearDown() override {
    if (gw_) {
      dlg->dialog_slots().Release(gw_.get());
      host.Forget(*gw_);
      gw_.reset();
    }
    DeviceTest::TearDown();
  }

  // The demo gateway, silent, with `prepare` applied to its project blob first.
  CGatewayV400Dlg& OpenGateway(const std::function<void(std::span<uint16_t>)>& prepare = {},
                               RfAddress address = demo::kGateway) {
    return Open<CGatewayV400Dlg>(DialogClass::kGatewayV400, prepare, address);
  }
  // The older window on a silent gateway whose blob says `version`.
  // A second main window in one test would find the dongle taken: later windows reuse the first.
  CGatewayDlg& OpenOlder(uint16_t version,
                         const std::function<void(std::span<uint16_t>)>& prepare = {},
                         bool fresh = true) {
    return Open<CGatewayDlg>(
        DialogClass::kGateway,
        [&](std::span<uint16_t> blob) {
          blob[1] = version;
          if (prepare) prepare(blob);
        },
        demo::kOlderGateway, fresh);
  }
  template <class D>
  D& Open(DialogClass cls, const std::function<void(std::span<uint16_t>)>& prepare,
          RfAddress address, bool fresh = true) {
    if (fresh) {
      StartWithProject({address});
      sim.SetMute(address, true);
      MarkHeard({address});
    }
    if (prepare) prepare(dlg->project().Record(0));
    auto dialog = std::make_unique<D>(DeviceDialogContext{host, address, 0, dlg->project(), 0},
                                      Services(), dlg->opener());
    D& d = *dialog;
    gw_ = std::move(dialog);
    EXPECT_TRUE(dlg->dialog_slots().Occupy(cls, gw_.get()));
    host.Open(*gw_);
    return d;
  }
  void CloseGateway() {
    dlg->dialog_slots().Release(gw_.get());
    host.Forget(*gw_);
    gw_.reset();
  }
  // Through the fan-out, so the version check runs as in the program.
  void Deliver(uint16_t first, std::vector<uint16_t> words) {
    dlg->dialog_slots().OnRegisterData(gw_->address(), first, static_cast<int>(words.size()),
                                       words.data(), false);
  }
  void DeliverRange(int first, int count, uint16_t version) {
    std::vector<uint16_t> words(static_cast<size_t>(count), 0);
    if (first <= 1 && 1 < first + count) words[static_cast<size_t>(1 - first)] = version;
    for (int at = 0; at < count; at += 250) {
      Deliver(static_cast<uint16_t>(first + at),
              {words.begin() + at, words.begin() + std::min(count, at + 250)});
    }
  }
  void Ack(int first, int count) {
    dlg->dialog_slots().OnWriteAck(gw_->address(), static_cast<uint16_t>(first), count, false);
  }
  std::span<uint16_t> Blob() { return dlg->project().Record(0); }

  std::unique_ptr<GatewayDialog> gw_;
};

TEST_F(GatewayDlgTest, ReadOfAV400GatewayCompletesWithoutTheRegistersItsMapLacks) {
  auto& d = OpenGateway();
  EXPECT_EQ(d.source(), SourceState::kProject);
  host.Click(d, kGwRead);
  EXPECT_EQ(d.pending(), State::kRead);
  EXPECT_TRUE(d.IsVisible(kGwProgress));
  EXPECT_EQ(d.pending_reads(), 1634 + 54 + 2 + 18);
  EXPECT_EQ(d.RangeHigh(kGwProgress), 1708);
  // Pressing Read again while reading changes nothing.
  host.Click(d, kGwRead);
  EXPECT_EQ(d.pending_reads(), 1708);

  DeliverRange(0, 1634, 400);
  EXPECT_EQ(d.Text(kGwFwNum), u"4.00");
  // 19500.. and 19600.. are beyond a 4.00 map.
  EXPECT_EQ(d.pending_reads(), 54);
  EXPECT_EQ(d.Pos(kGwProgress), 1708 - 54);
  EXPECT_EQ(d.pending(), State::kRead);
  DeliverRange(19292, 54, 0);
  EXPECT_EQ(d.pending(), State::kNone);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_FALSE(d.IsVisible(kGwProgress));
  EXPECT_FALSE(host.TimerRunning(d, CGatewayV400Dlg::kTimeoutTimer));
  // The reported version is not older: the window stays.
  EXPECT_FALSE(d.ended());
}

TEST_F(GatewayDlgTest, TimeoutTellsTheFailureAndLateDataStillComplete) {
  auto& d = OpenGateway();
  host.Click(d, kGwRead);
  DeliverRange(0, 250, 424);
  // Progress restarts the time-out: 4.9 s later it has not expired.
  host.Advance(4900);
  DeliverRange(250, 250, 424);
  host.Advance(4900);
  EXPECT_EQ(d.source(), SourceState::kRead);
  host.Advance(200);
  EXPECT_EQ(d.source(), SourceState::kError);
  ASSERT_EQ(BoxTexts(), std::vector<std::u16string>{u"Read unsuccessfull"});
  DeliverRange(500, 1134, 424);
  DeliverRange(33, 1, 424);
  DeliverRange(19292, 54, 424);
  DeliverRange(19500, 2, 424);
  EXPECT_EQ(d.source(), SourceState::kError);
  DeliverRange(19600, 18, 424);
  EXPECT_EQ(d.source(), SourceState::kDevice);
}

TEST_F(GatewayDlgTest, WriteRangesFollowTheVersionAndEepromIsConfirmed) {
  auto& d = OpenGateway();
  for (uint16_t version : {uint16_t{422}, uint16_t{423}, uint16_t{424}}) {
    Deliver(1, {version});
    // Only the first write comes from the project's data and asks.
    if (d.source() != SourceState::kDevice) host.QueueAnswer(kIdYes);
    host.Click(d, kGwWriteEeprom);
    ASSERT_EQ(d.pending(), State::kEepromWrite);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    const int expected = 1634 + 54 + (version >= 423 ? 2 : 0) + (version >= 424 ? 18 : 0);
    EXPECT_EQ(d.pending_writes(), expected) << version;
    Ack(0, 1634);
    Ack(19292, 54);
    if (version >= 423) Ack(19500, 2);
    if (version >= 424) Ack(19600, 18);
    EXPECT_EQ(d.pending_writes(), 0);
    // The store request went into register 2.
    EXPECT_EQ(d.image().Word(2) & 0x0300, 0x0100);
    EXPECT_EQ(d.pending(), State::kEepromStore);
    Ack(2, 1);
    EXPECT_EQ(d.pending(), State::kEepromConfirm);
    Deliver(2, {0x0200});
    EXPECT_EQ(d.pending(), State::kNone);
    EXPECT_EQ(d.source(), SourceState::kDevice);
  }
  EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(GatewayDlgTest, MissingEepromConfirmationIsReported) {
  auto& d = OpenGateway();
  host.QueueAnswer(kIdYes);
  host.Click(d, kGwWriteEeprom);
  Ack(0, 1634);
  Ack(19292, 54);
  Ack(2, 1);
  host.Advance(2000);
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(BoxTexts().back(), u"Write to EEPROM ack not received");
  // Answering No to the overwrite question writes nothing.
  host.QueueAnswer(kIdNo);
  host.Click(d, kGwWriteRam);
  EXPECT_EQ(d.pending(), State::kNone);
  // The store request that was never confirmed is not written again with the RAM image.
  host.QueueAnswer(kIdYes);
  host.Click(d, kGwWriteRam);
  EXPECT_EQ(d.pending(), State::kRamWrite);
  EXPECT_EQ(d.image().Word(2) & 0x0100, 0);
}

// A Write started after "Read unsuccessfull": the read's late answers are still taken into the
// image, but they complete nothing of the write.
TEST_F(GatewayDlgTest, LateAnswersOfAFailedReadDoNotEndALaterWrite) {
  auto& d = OpenGateway();
  host.Click(d, kGwRead);
  host.Advance(5000);
  EXPECT_EQ(BoxTexts().back(), u"Read unsuccessfull");
  host.QueueAnswer(kIdYes);
  host.Click(d, kGwWriteEeprom);
  ASSERT_EQ(d.pending(), State::kEepromWrite);
  DeliverRange(0, 1634, 424);
  DeliverRange(19292, 54, 424);
  DeliverRange(19500, 2, 424);
  DeliverRange(19600, 18, 424);
  EXPECT_EQ(d.pending(), State::kEepromWrite);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  EXPECT_TRUE(d.IsVisible(kGwProgress));
  Ack(0, 1634);
  Ack(19292, 54);
  Ack(19500, 2);
  Ack(19600, 18);
  EXPECT_EQ(d.image().Word(2) & 0x0300, 0x0100);
  Ack(2, 1);
  Deliver(2, {0x0200});
  EXPECT_EQ(d.pending(), State::kNone);
  EXPECT_EQ(d.source(), SourceState::kDevice);
}

// A list that shows no entry (a register value beyond it) keeps the register when gathered.
TEST_F(GatewayDlgTest, ListsWithoutASelectionKeepTheirRegisters) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) {
    blob[1] = 424;
    blob[26] = 9 | (2 << 8);  // frequency 9: no entry
  });
  ASSERT_EQ(d.CurSel(kGwFrequency), -1);
  host.Click(d, kGwSave);
  EXPECT_EQ(Blob()[26], 9 | (2 << 8));
}

TEST_F(GatewayDlgTest, ClockTicksWithinTheDayAndMendsBadFields) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) {
    // 2026-13-05 23:59:59
    blob[19332] = 26 | (13 << 8);
    blob[19333] = 5 | (23 << 8);
    blob[19334] = 59 | (59 << 8);
    blob[19336] = 1000;
  });
  host.Advance(1000);
  EXPECT_EQ(d.GetDate(kGwDate), (Date{2026, 1, 5}));
  EXPECT_EQ(d.GetTime(kGwTime), (TimeOfDay{23, 59, 59}));
  const GwClock c = d.image().Clock();
  EXPECT_EQ(c.month, 1);
  EXPECT_EQ(c.day, 5);
  EXPECT_EQ(c.hour, 0);
  EXPECT_EQ(c.minute, 0);
  EXPECT_EQ(c.second, 0);
  EXPECT_EQ(d.Text(kGwUnixTime), u"1001");
  host.Advance(1000);
  EXPECT_EQ(d.GetTime(kGwTime), (TimeOfDay{0, 0, 0}));
}

TEST_F(GatewayDlgTest, RfPowerListFollowsTheFrequency) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) { blob[26] = 0 | (3 << 8); });
  EXPECT_EQ(d.rf_power_offset(), 1);
  EXPECT_EQ(d.Count(kGwRfPower), 6);
  EXPECT_EQ(d.Item(kGwRfPower, d.CurSel(kGwRfPower)), u"+10 dBm");
  // The channel that allows the full power: the list starts at code 0, the code is kept.
  host.Select(d, kGwFrequency, 3);
  EXPECT_EQ(d.rf_power_offset(), 0);
  EXPECT_EQ(d.Count(kGwRfPower), 7);
  EXPECT_EQ(d.Item(kGwRfPower, d.CurSel(kGwRfPower)), u"+10 dBm");
  host.Select(d, kGwRfPower, 0);
  host.Select(d, kGwFrequency, 1);
  // +27 dBm is not allowed there: the first entry.
  EXPECT_EQ(d.Item(kGwRfPower, d.CurSel(kGwRfPower)), u"+20 dBm");
  host.Click(d, kGwSave);
  EXPECT_EQ(Blob()[26], 1 | (1 << 8));
}

TEST_F(GatewayDlgTest, LampiroGatewayStartsItsPowerListAtCodeTwo) {
  auto& d =
      OpenGateway([](std::span<uint16_t> blob) { blob[26] = 3 | (0 << 8); }, demo::kGatewayLampiro);
  EXPECT_EQ(d.rf_power_offset(), 2);
  EXPECT_EQ(d.Item(kGwRfPower, 0), u"+14 dBm");
  // A stored code below the list is raised to its first entry.
  EXPECT_EQ(d.CurSel(kGwRfPower), 0);
  host.Click(d, kGwSave);
  EXPECT_EQ(Blob()[26] >> 8, 2);
}

TEST_F(GatewayDlgTest, ClosingWithoutChangesLeavesTheBlobAndEnterDoesNotClose) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) {
    blob[1] = 410;
    blob[3] = 0x0D05;
    blob[33] = 0x0101;
  });
  const std::vector<uint16_t> before(Blob().begin(), Blob().end());
  host.PressKey(d, vk::kReturn, kGwName);
  EXPECT_FALSE(d.ended());
  // The clock the window runs on is no change of the user's.
  host.Advance(3000);
  host.CloseBox(d);
  EXPECT_TRUE(d.ended());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), Blob().begin()));
}

TEST_F(GatewayDlgTest, DefaultReachesTheProjectOnClosing) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) { blob[1] = 410; });
  host.Click(d, kGwDefault);
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.Text(kGwName), u"RS485 Gateway");
  EXPECT_EQ(Blob()[0], 0);
  host.CloseBox(d);
  EXPECT_EQ(Blob()[0], 1293);
  EXPECT_EQ(Blob()[1], 410);
}

// Two devices on one Modbus address: compressing the cache moves cache ranges only, so it runs no
// collision check and shows nothing.
TEST_F(GatewayDlgTest, CompressCacheRunsNoCollisionCheck) {
  auto prepare = [](std::span<uint16_t> blob) {
    GatewayImage g(blob);
    for (int i = 0; i < 2; ++i) {
      GwDeviceEntry e;
      e.address = 0x00300010u + static_cast<RfAddress>(i);
      e.SetMbCount(10);
      e.SetCached(true);
      g.SetDevice(i, e);
      g.SetModbusAddress(i, 7);
    }
    const auto words = g.words();
    std::copy_n(words.begin(), std::min(words.size(), blob.size()), blob.begin());
  };
  auto& d = OpenGateway([&](std::span<uint16_t> blob) {
    blob[1] = 424;
    prepare(blob);
  });
  host.Click(d, kGwCompressCache);
  EXPECT_TRUE(host.boxes().empty()) << Utf16ToUtf8(host.boxes().front().text);
  EXPECT_EQ(d.image().Device(0).mb_start, GatewayImage::kRegCacheFirst);
  EXPECT_EQ(d.image().Device(1).mb_start, GatewayImage::kRegCacheFirst + 10);
  host.CloseBox(d);
}

// Default empties both device tables: with devices in them it asks first, and No keeps them.
TEST_F(GatewayDlgTest, DefaultAsksBeforeEmptyingTheDeviceTables) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) {
    blob[1] = 424;
    GatewayImage g(blob);
    GwDeviceEntry e;
    e.address = 0x00300010;
    g.SetDevice(3, e);
    GwUniEntry u;
    u.address = 0x00C00001;
    g.SetUniDevice(7, u);
    const auto words = g.words();
    std::copy_n(words.begin(), std::min(words.size(), blob.size()), blob.begin());
  });
  const SourceState before = d.source();
  host.QueueAnswer(kIdNo);
  host.Click(d, kGwDefault);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text,
            u"Default empties the device tables: 1 paired and 1 transmit-only devices are "
            u"removed.\nContinue?");
  EXPECT_EQ(host.boxes()[0].caption, u"Default");
  EXPECT_EQ(d.image().Device(3).address, 0x00300010u);
  EXPECT_EQ(d.image().UniDevice(7).address, 0x00C00001u);
  EXPECT_EQ(d.source(), before);
  host.QueueAnswer(kIdYes);
  host.Click(d, kGwDefault);
  EXPECT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(d.image().Device(3).address, 0u);
  EXPECT_EQ(d.image().UniDevice(7).address, 0u);
  EXPECT_EQ(d.Text(kGwName), u"RS485 Gateway");
  // Empty tables: nothing to lose, no question.
  host.Click(d, kGwDefault);
  EXPECT_EQ(host.boxes().size(), 2u);
  host.CloseBox(d);
}

TEST_F(GatewayDlgTest, FieldsAreGatheredAsTheGatewayStoresThem) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) { blob[1] = 424; });
  host.Type(d, kGwName, u"Hall B");
  host.Type(d, kGwPassword, u"secret");
  host.Type(d, kGwModbusAddress, u"17");
  host.Select(d, kGwBaudrate, 7);
  host.Select(d, kGwParity, 2);
  host.Select(d, kGwStopBits, 1);
  host.Toggle(d, kGwOneGatrix);
  host.Type(d, kGwAlarmLostTimeout, u"7200");
  host.Type(d, kGwKey, u"0x01 0X2f-A b c");
  host.Click(d, kGwSave);
  const auto blob = Blob();
  EXPECT_EQ(blob[3], 17 | (17 << 8));
  EXPECT_EQ(blob[4] & 0xFF, 2 + 4);
  EXPECT_EQ(blob[33], 0x0100);
  EXPECT_EQ(blob[19501], 7200);
  EXPECT_EQ(blob[8], 'H' | ('a' << 8));
  EXPECT_EQ(blob[11], 0);
  EXPECT_EQ(blob[18], 's' | ('e' << 8));
  // 01 2F AB, the lone "c" dropped, the rest zero.
  EXPECT_EQ(blob[19338], 0x2F01);
  EXPECT_EQ(blob[19339], 0x00AB);
  EXPECT_EQ(blob[19340], 0);
  // An address the byte cannot hold stops the save, says why and stays as typed; so does a
  // time-out beyond its word.
  for (const auto& [id, typed, message] :
       {std::tuple{kGwModbusAddress, u"300", u"MB Addr must be between 0 and 255"},
        std::tuple{kGwModbusAddress, u"abc", u"MB Addr must be between 0 and 255"},
        std::tuple{kGwAlarmLostTimeout, u"70000",
                   u"Alarm lost timeout must be between 0 and 65535 s"}}) {
    const std::u16string kept = d.Text(id);
    host.Type(d, id, typed);
    host.Click(d, kGwSave);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes().back().text, message);
    EXPECT_EQ(host.boxes().back().caption, u"Invalid value");
    host.ClearBoxes();
    EXPECT_EQ(d.Text(id), typed);
    EXPECT_EQ(Blob()[3] & 0xFF, 17);
    EXPECT_EQ(Blob()[19501], 7200);
    host.Type(d, id, kept);
  }
  Deliver(19338, {0x2F01, 0x00AB});
  EXPECT_EQ(d.Text(kGwKey).substr(0, 12), u"01 2F AB 00 ");
}

// What the firmware has no register for is disabled, with the reason as its hint, once the
// gateway has told its version.
TEST_F(GatewayDlgTest, SettingsTheFirmwareLacksAreDisabledWithTheReason) {
  // A project never read holds no version: nothing is known to be missing.
  auto& d = OpenGateway([](std::span<uint16_t> blob) { blob[1] = 0; });
  EXPECT_TRUE(d.IsEnabled(kGwAlarmLostTimeout));
  EXPECT_TRUE(d.IsEnabled(kGwConfigBridge));
  Deliver(1, {410});
  EXPECT_FALSE(d.IsEnabled(kGwAlarmLostTimeout));
  EXPECT_EQ(d.ToolTip(kGwAlarmLostTimeout), u"Needs firmware 4.23 or later; this gateway has 4.10");
  EXPECT_FALSE(d.IsEnabled(kGwConfigBridge));
  EXPECT_EQ(d.ToolTip(kGwConfigBridge), u"Needs firmware 4.24 or later; this gateway has 4.10");
  // A disabled time-out is not checked: what it shows is not written.
  host.Type(d, kGwModbusAddress, u"18");
  host.Click(d, kGwSave);
  EXPECT_TRUE(host.boxes().empty());
  Deliver(1, {423});
  EXPECT_TRUE(d.IsEnabled(kGwAlarmLostTimeout));
  EXPECT_EQ(d.ToolTip(kGwAlarmLostTimeout), u"");
  EXPECT_FALSE(d.IsEnabled(kGwConfigBridge));
  EXPECT_EQ(d.ToolTip(kGwConfigBridge), u"Needs firmware 4.24 or later; this gateway has 4.23");
  Deliver(1, {424});
  EXPECT_TRUE(d.IsEnabled(kGwConfigBridge));
  EXPECT_EQ(d.ToolTip(kGwConfigBridge), u"");
}

TEST_F(GatewayDlgTest, OlderWindowWithoutTheKeyDisablesIt) {
  auto& d = OpenOlder(311);
  EXPECT_FALSE(d.IsEnabled(kGwKey));
  EXPECT_EQ(d.ToolTip(kGwKey), u"Needs firmware 3.12 or later; this gateway has 3.11");
}

TEST_F(GatewayDlgTest, ListsShowEveryColumnAndOnlyTouchedRowsChange) {
  auto& d = OpenGateway();
  EXPECT_EQ(d.RowCount(kGwDevices), 78);
  EXPECT_EQ(d.RowCount(kGwUniDevices), 200);
  EXPECT_EQ(d.Cell(kGwDevices, 77, kGwColPos), u"078");
  EXPECT_EQ(d.Cell(kGwDevices, 0, kGwColTimestamp), u"--:--:--");
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColTimestamp), u"--");
  // Entry 1: cached at 2034, 59 registers; status heard at 12:34:56 UTC, -71/-65 dBm through a
  // hub, read state bit set.
  Deliver(56, {0x0101, 0x0030, 2034, static_cast<uint16_t>(0x8000 | 59)});
  const uint32_t t = 1700000000 - 1700000000 % 86400 + 12 * 3600 + 34 * 60 + 56;
  Deliver(1170, {static_cast<uint16_t>(t), static_cast<uint16_t>(t >> 16), 0x0103, 0x00A0,
                 static_cast<uint16_t>(static_cast<uint8_t>(-71) << 8),
                 static_cast<uint16_t>(0x0100 | static_cast<uint8_t>(-65))});
  Deliver(19292, {static_cast<uint16_t>(7 << 8)});
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColAddress), u"0x00300101 3145985");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColCache), u"o");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColMbStart), u"2034");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColMbCount), u"59");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColRssiDevToGw), u"-71 dBm");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColRssiGwToDev), u"-65 dBm");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColAction), u"read cache");
  EXPECT_EQ(d.Cell(kGwDevices, 0, kGwColAction), u"go to dev.");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColModbus), u"7");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColHub), u"0x00A00103");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColTimestamp), u"12:34:56");
  EXPECT_EQ(d.Cell(kGwDevices, 1, kGwColReadWrite), u"0 1");

  Deliver(364 + 4 * 2, {0x0005, 0x0040, 0x8000 | 9, 3});
  Deliver(18492 + 4 * 2, {static_cast<uint16_t>(t), static_cast<uint16_t>(t >> 16),
                          static_cast<uint16_t>(static_cast<uint8_t>(-80)), 0});
  EXPECT_EQ(d.Cell(kGwUniDevices, 2, kGwUniColReg1), u"10");
  EXPECT_EQ(d.Cell(kGwUniDevices, 2, kGwUniColReg2), u"4");
  EXPECT_EQ(d.Cell(kGwUniDevices, 2, kGwUniColRssi), u"-80 dBm");
  EXPECT_EQ(d.Cell(kGwUniDevices, 2, kGwUniColTimestamp), u"12:34:56");
  EXPECT_EQ(d.Cell(kGwUniDevices, 2, kGwUniColFifo), u"o-");
}

TEST_F(GatewayDlgTest, ReportedVersionZeroIsNoVersionAndAnOlderOneCloses) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) { blob[1] = 410; });
  Deliver(0, {1293, 0});
  EXPECT_FALSE(d.ended());
  EXPECT_EQ(Blob()[1], 410);
  host.Type(d, kGwName, u"not stored");
  Deliver(1, {312});
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(Blob()[1], 312);
  EXPECT_NE(Blob()[8], 'n' | ('o' << 8));
}

TEST_F(GatewayDlgTest, TransmitRequestTakesTheAddressWithOrWithoutPrefix) {
  auto& d = OpenGateway();
  for (const char16_t* text : {u"0x00A00103", u"00A00103", u"x 0x00a00103"}) {
    host.Type(d, kGwTxAddress, text);
    host.Type(d, kGwTxData, u"0x11 22 33");
    host.Click(d, kGwTxSend);
    EXPECT_EQ(d.image().U32(19346), 0x00A00103u) << Utf16ToUtf8(text);
    EXPECT_EQ(d.image().Word(19348), 0x2211);
    EXPECT_EQ(d.image().Word(19368), 3);
    EXPECT_EQ(d.image().Word(19369), 1);
  }
  EXPECT_TRUE(host.boxes().empty());
  host.Type(d, kGwTxAddress, u"zz");
  host.Click(d, kGwTxSend);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Invalid Addr"});
  // 41 bytes would run into the length and the trigger: refused, nothing changed.
  host.ClearBoxes();
  host.Type(d, kGwTxAddress, u"1234");
  host.Type(d, kGwTxData, std::u16string(82, u'A'));
  host.Click(d, kGwTxSend);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(d.image().U32(19346), 0x00A00103u);
  EXPECT_EQ(d.image().Word(19368), 3);
}

TEST_F(GatewayDlgTest, OlderLayoutInTheProjectIsConvertedOnceAtOpening) {
  auto& d = OpenGateway([](std::span<uint16_t> blob) {
    blob[1] = 399;
    // Old entry 0 at 52, old Modbus table at 19012.
    blob[52] = 0x0101;
    blob[53] = 0x0030;
    blob[19012] = 9;
  });
  EXPECT_EQ(d.image().Version(), 400);
  EXPECT_EQ(d.image().Device(0).address, 0x00300101u);
  EXPECT_EQ(d.image().ModbusAddress(0), 9);
  EXPECT_EQ(Blob()[1], 400);
  EXPECT_EQ(d.Cell(kGwDevices, 0, kGwColModbus), u"9");
}

// FIFO2 starts recording when its view opens, and its table is listed up to the end marker; a
// wireless M-Bus status of length 7 asks for the 6 registers of its frame.
TEST_F(GatewayDlgTest, Fifo2TableAndTheWmbusFrameLength) {
  auto& d = OpenGateway();
  host.Advance(100);
  transport.Take();
  ASSERT_TRUE(host.Click(d, kGwUniFifo2));
  host.Advance(50);
  auto sent = transport.Take();
  // Register 19370 := 0x8000, then the read of 19370..19435 (66 registers), through the route
  // to the gateway.
  EXPECT_TRUE(AnySent(sent, "83 04 AA 4B 00 80")) << ::testing::PrintToString(sent);
  ASSERT_NE(d.uni_fifo2(), nullptr);
  std::vector<uint16_t> table(66, 0);
  table[2] = 1 | 5 << 8;  // index 1, tdif 5
  table[3] = 0x0102;
  table[4] = 2 | 7 << 8;
  table[5] = 0x0304;
  table[6] = 0xFF;  // the end
  table[8] = 3 | 9 << 8;
  Deliver(GatewayImage::kRegFifo2Control, table);
  const Cfifo2& fifo2 = *d.uni_fifo2();
  ASSERT_EQ(fifo2.Count(kFifoList), 2);
  EXPECT_EQ(fifo2.Item(kFifoList, 0), u"index=1,reg=258 0x0102 tdif=5");
  EXPECT_EQ(fifo2.Item(kFifoList, 1), u"index=2,reg=772 0x0304 tdif=7");
  EXPECT_TRUE(host.TimerRunning(d, CGatewayV400Dlg::kUniFifo2Timer));
  // The next poll finds the same two and one more: only the new one is added.
  Deliver(GatewayImage::kRegFifo2Control, table);
  table[6] = 3 | 9 << 8;
  table[7] = 0x0506;
  table[8] = 0xFF;
  Deliver(GatewayImage::kRegFifo2Control, table);
  ASSERT_EQ(fifo2.Count(kFifoList), 3);
  EXPECT_EQ(fifo2.Item(kFifoList, 2), u"index=3,reg=1286 0x0506 tdif=9");

  ASSERT_TRUE(host.Click(d, kGwWmbusFifo));
  host.Advance(50);
  transport.Take();
  Deliver(GatewayImage::kRegWmbusStatus, {static_cast<uint16_t>(7 | 0xB5 << 8)});
  // The silent gateway never answers the status read itself: the queue sends the frame's read
  // once it has given that one up.
  host.Advance(5000);
  sent = transport.Take();
  // Read of 6 registers from 18418 (0x47F2).
  EXPECT_TRUE(AnySent(sent, "6A 03 F2 47 06")) << ::testing::PrintToString(sent);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The window of firmware before 4.00: the same logic on the older map.
TEST_F(GatewayDlgTest, OlderReadAwaitsTheKeyOnlyFromFirmware312) {
  for (uint16_t version : {uint16_t{310}, uint16_t{312}}) {
    auto& d = OpenOlder(version, {}, version == 310);
    host.Click(d, kGwRead);
    // 0-1353 (register 33 among them) and 19012-19051.
    EXPECT_EQ(d.pending_reads(), 1354 + 40);
    DeliverRange(0, 1354, version);
    EXPECT_EQ(d.Text(kGwFwNum), version == 310 ? u"3.10" : u"3.12");
    DeliverRange(19012, 32, 0);
    EXPECT_EQ(d.pending() == State::kNone, version == 310) << version;
    if (version == 312) {
      DeliverRange(19044, 8, 0);
      EXPECT_EQ(d.pending(), State::kNone);
    }
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_TRUE(host.boxes().empty())
        << (host.boxes().empty() ? "" : ui::Utf16ToUtf8(host.boxes()[0].text));
    CloseGateway();
  }
}

TEST_F(GatewayDlgTest, OlderWriteLeavesOutRegisters0To2AndWritesTheWholeModbusTable) {
  for (uint16_t version : {uint16_t{311}, uint16_t{312}}) {
    auto& d = OpenOlder(version, {}, version == 311);
    host.QueueAnswer(kIdYes);
    host.Click(d, kGwWriteEeprom);
    // 3-1353, and the table: 25 registers (entries 48 and 49 in 19036) without the key, 40 with.
    const int table = version == 311 ? 25 : 40;
    EXPECT_EQ(d.pending_writes(), 1351 + table) << version;
    Ack(3, 1351);
    Ack(19012, table);
    EXPECT_EQ(d.pending_writes(), 0);
    Ack(2, 1);
    Deliver(2, {0x0200});
    EXPECT_EQ(d.pending(), State::kNone);
    CloseGateway();
  }
}

TEST_F(GatewayDlgTest, OlderWindowShowsItsOwnFieldsAndLists) {
  auto& d = OpenOlder(311, [](std::span<uint16_t> blob) {
    blob[26] = 0 | (5 << 8);  // power code 5 is "-10 dBm" on every channel
    blob[252] = 0x0106;       // unidirectional entry 0, its registers with bit 15 set
    blob[253] = 0x00C0;
    blob[254] = 0x8005;
    blob[255] = 7;
    blob[1352] = 0;
    blob[19042] = 1234;  // Unix time
  });
  EXPECT_EQ(d.Title(), u"Configuration for FW < 4.00 " + DisplayName(demo::kOlderGateway));
  EXPECT_EQ(d.Count(kGwRfPower), 7);
  EXPECT_EQ(d.Item(kGwRfPower, d.CurSel(kGwRfPower)), u"-10 dBm");
  EXPECT_EQ(d.RowCount(kGwDevices), 50);
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColReg1), u"32774");
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColReg2), u"8");
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColTimestamp), u"");
  // The transmit-only editor of the older layout: no FIFO, the whole word is the register.
  bool edited = false;
  host.OnModal<CGwDevicesUni>([&](CGwDevicesUni& editor) {
    edited = true;
    EXPECT_FALSE(editor.IsVisible(kSubFifo1));
    EXPECT_FALSE(editor.IsVisible(kSubFifo2));
    EXPECT_EQ(editor.Text(kSubRegister1), u"32774");
    host.Type(editor, kSubRegister2, u"40000");
    host.Click(editor, kIdOk);
  });
  host.DoubleClick(d, kGwUniDevices, 0, kGwUniColReg1);
  ASSERT_TRUE(edited);
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColReg1), u"32774");
  EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColReg2), u"40000");
  EXPECT_EQ(d.image().UniDevice(0).reg[1], 39999);
  EXPECT_EQ(d.Text(kGwUnixTime), u"1234");
  for (int id : {kGwCpuTemperature, kGwRfReinits, kGwAlarmLostTimeout, kGwOneGatrix, kGwDefault,
                 kGwImport, kGwConfigBridge, kGwUniFifo, kGwUniFifo2, kGwWmbusFifo, kGwTxSend}) {
    EXPECT_FALSE(d.Has(id)) << id;
  }
  host.Click(d, kGwOutOn);
  host.Advance(100);
  host.Click(d, kGwSave);
  // Only the first 19053 registers are the older image's.
  EXPECT_EQ(Blob()[26], 5 << 8);
  EXPECT_EQ(d.unknown_id_uses(), 0);
}

TEST_F(GatewayDlgTest, UnsupportedOlderVersionFromTheGatewayAsksForAnUpdateOnce) {
  // From the project: nothing.
  auto& d = OpenOlder(305);
  host.Advance(10);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_TRUE(firmware_calls.empty());
  // Version 0 from the gateway is no version: nothing either.
  Deliver(0, {1293, 0});
  host.Advance(10);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_TRUE(firmware_calls.empty());
  Deliver(1, {305});
  Deliver(0, {1293, 305});
  host.Advance(10);
  ASSERT_EQ(BoxTexts(), std::vector<std::u16string>{
                            u"Unsupported version,\nUpdate of Gatrix necessary, minimal supported "
                            u"version 3.07\nTimestamps are invalid\nCommunication with cached "
                            u"subdevices does not work"});
  ASSERT_EQ(firmware_calls.size(), 1u);
  EXPECT_EQ(firmware_calls[0].first, demo::kOlderGateway);
  EXPECT_TRUE(host.TimerRunning(d, GatewayDialog::kKeepAliveTimer));
}

TEST_F(GatewayDlgTest, LayoutFollowsTheGatewayBothWays) {
  // An older gateway updated to 4.00: the older window closes, the project keeps 399, and the
  // 4.00 window converts the blob (cache starts move by 280).
  auto& older = OpenOlder(312, [](std::span<uint16_t> blob) {
    blob[52] = 0x0702;
    blob[53] = 0x0030;
    blob[54] = 1754;
    blob[55] = 0x8000 | 59;
    blob[19012] = 30;
  });
  Deliver(1, {400});
  EXPECT_TRUE(older.ended());
  EXPECT_EQ(BoxTexts().back(),
            u"In Gatrix is newer version than expected, it is necessary Window reopen");
  EXPECT_EQ(Blob()[1], 399);
  CloseGateway();
  auto& v400 = Open<CGatewayV400Dlg>(DialogClass::kGatewayV400, {}, demo::kOlderGateway, false);
  EXPECT_EQ(v400.image().Device(0).mb_start, 2034);
  EXPECT_EQ(v400.image().ModbusAddress(0), 30);
  EXPECT_EQ(v400.Cell(kGwDevices, 0, kGwColMbStart), u"2034");

  // And back: a gateway found to run 3.12 again takes the blob back to the older layout, so the
  // older window shows each field from its own registers.
  Deliver(1, {312});
  EXPECT_TRUE(v400.ended());
  CloseGateway();
  auto& again = Open<CGatewayDlg>(DialogClass::kGateway, {}, demo::kOlderGateway, false);
  EXPECT_EQ(again.image().Version(), 312);
  EXPECT_EQ(again.image().Device(0).address, 0x00300702u);
  EXPECT_EQ(again.image().Device(0).mb_start, 1754);
  EXPECT_EQ(again.image().ModbusAddress(0), 30);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A gateway the dongle has not heard: its radio buttons go, and the window says why and what
// brings them back; once a scan has heard it, the buttons are there and the hint is gone.
TEST_F(GatewayDlgTest, AGatewayNotHeardSaysThatAScanMakesItReachable) {
  auto& d = OpenGateway();
  EXPECT_TRUE(d.IsVisible(kGwRead));
  EXPECT_FALSE(d.IsVisible(kGwNotHeard));
  MarkHeard({});
  d.OnInRange();
  EXPECT_FALSE(d.IsVisible(kGwRead));
  EXPECT_FALSE(d.IsVisible(kGwFwUpdate));
  EXPECT_TRUE(d.IsVisible(kGwNotHeard));
  EXPECT_EQ(d.Text(kGwNotHeard),
            u"Not in the dongle's heard list: a Scan in the main window makes the gateway "
            u"reachable for Read, Write and its firmware update.");
  MarkHeard({demo::kGateway});
  d.OnInRange();
  EXPECT_TRUE(d.IsVisible(kGwRead));
  EXPECT_FALSE(d.IsVisible(kGwNotHeard));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The version that asks for the update arrives during a Read: the Read ends before the update
// opens, so no time-out follows it and Read works again afterwards.
TEST_F(GatewayDlgTest, AReadThatMeetsAnUnsupportedVersionEndsBeforeTheUpdate) {
  auto& d = OpenOlder(311);
  host.Click(d, kGwRead);
  ASSERT_EQ(d.pending(), State::kRead);
  Deliver(0, {1293, 305});
  host.Advance(10);
  ASSERT_EQ(firmware_calls.size(), 1u);
  EXPECT_EQ(d.pending(), State::kNone);
  EXPECT_FALSE(host.TimerRunning(d, GatewayDialog::kTimeoutTimer));
  EXPECT_FALSE(d.IsVisible(kGwProgress));
  host.Advance(GatewayDialog::kTimeoutMs + 1000);
  EXPECT_EQ(BoxTexts().size(), 1u);  // the version message, no "Read unsuccessfull"
  host.Click(d, kGwRead);
  EXPECT_EQ(d.pending(), State::kRead);
}

}  // namespace
}  // namespace corvane
