// Street lights end to end on the simulated demo network: the user opens the node from the main
// window's list, reads it, changes the schedule and stores it in EEPROM, reads a ballast's
// memory and its telemetry, opens a device the node routes for, and the clock-source log grows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "devices/input_node_dlg.h"
#include "dialogs/register_dialogs.h"
#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "firmware/fw_update_template.h"
#include "lighting/ballast_report.h"
#include "lighting/street_light_dlg.h"
#include "lighting/street_light_template.h"
#include "sim/bootloader.h"
#include "sim/street_light_node.h"
#include "site_fixture.h"

namespace corvane::lighting {
namespace {

using devices::testing::SiteTest;
using ui::SourceState;
using namespace ui;
using namespace devices;
namespace demo = sim::demo;

class StreetLightFlowTest : public SiteTest {
 protected:
  sim::StreetLightNode& Node(RfAddress address = demo::kStreetLight) {
    return *static_cast<sim::StreetLightNode*>(sim.FindNode(address));
  }
  void ReadNode(CStreetLightDlg& d) {
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    EXPECT_TRUE(d.IsVisible(kSlProgress));
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
    EXPECT_FALSE(d.IsVisible(kSlProgress));
  }
};

TEST_F(StreetLightFlowTest, ScheduleWrittenToEepromReachesTheNode) {
  StartSite({demo::kStreetLight, demo::kKeypad});
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    ReadNode(d);
    EXPECT_EQ(d.Text(SlPointTime(0)), u"05:00");
    EXPECT_EQ(d.Cell(kSlControlDevices, 0, 1).substr(0, 10), FormatAddress(demo::kKeypad));
    // The node computed its sunrise from its coordinates: a time of the morning.
    EXPECT_LT(d.Text(kSlSunrise), u"09:00");
    EXPECT_GT(d.Text(kSlSunrise), u"03:00");

    host.Type(d, SlPointTime(2), u"9:45");
    host.Type(d, SlPointWhite(2), u"120");
    host.Toggle(d, SlPointFadeWhite(2));
    host.Type(d, kDevName, u"Lamp Vinohrady");
    host.Click(d, kDevWriteEeprom);
    EXPECT_EQ(d.pending(), Pending::kEepromWrite);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == Pending::kNone; }, 8000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    for (const auto& b : host.boxes()) ADD_FAILURE() << Utf16ToUtf8(b.text);
    // Changed settings: closing asks before they replace the project's.
    host.QueueAnswer(kIdYes);
    host.CloseBox(d);
    EXPECT_TRUE(Shown(u"Save changes?"));
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
  const auto eeprom = Node().eeprom();
  const SchedulePoint point = DecodePoint(eeprom[102 + 4], eeprom[102 + 5]);
  EXPECT_EQ(point, (SchedulePoint{9 * 60 + 45, true, false, 120, 0}));
  EXPECT_EQ(ui::LoadLowBytes(eeprom.subspan(8, 8)), u"Lamp Vinohrady");
  EXPECT_EQ(Blob(dlg->project(), demo::kStreetLight)[102 + 4], (9 * 60 + 45) | 0x4000);
}

TEST_F(StreetLightFlowTest, MemoryReadAndBallastReportComeFromTheBallast) {
  StartSite({demo::kStreetLight});
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    ReadNode(d);
    // Bank 1 from location 2: sixteen bytes in a row.
    host.Type(d, kSlMemNumber, Format("%d", 1 | 2 << 8));
    host.Click(d, kSlReadMem);
    EXPECT_TRUE(d.collecting_memory());
    ASSERT_TRUE(host.AdvanceUntil([&] { return !d.collecting_memory(); }, 10000));
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(d.Text(SlMem(i)), Format("%02X", Node().Memory(0, 1, 2 + i))) << i;
    }

    // The node reads its ballasts and says so; the tool fetches the first block and reports it.
    host.Click(d, kSlReadBallastNow);
    ASSERT_TRUE(host.AdvanceUntil([&] { return !host.boxes().empty(); }, 5000));
    const auto& box = host.boxes().back();
    EXPECT_EQ(box.caption, u"Ballast recalculated data 0");
    const auto block = Node().registers().subspan(kBallastBlockFirst[0], kBallastBlockWords);
    EXPECT_EQ(box.text, BallastReport(DecodeBallast(block)));
    EXPECT_NE(box.text.find(u"Power factor(actual) : 0.95\r\n"), std::u16string::npos);
    EXPECT_FALSE(d.report_armed());
    // The command went once: the record does not carry it into the next write.
    EXPECT_EQ(d.record()[sl_word::kCommand], 0);
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
}

TEST_F(StreetLightFlowTest, RoutedDeviceOpensThroughTheNodeCacheFirstThenTheDevice) {
  StartSite({demo::kStreetLight, demo::kInputB});
  bool ran = false;
  bool device_ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    ReadNode(d);
    int row = -1;
    for (int i = 0; i < kRoutedDevices; ++i) {
      if (d.Cell(kSlRoutedDevices, i, 1).rfind(FormatAddress(demo::kInputB), 0) == 0) row = i;
    }
    ASSERT_GE(row, 0);
    host.OnModal<CInputNodeBDlg>([&](CInputNodeBDlg& node) {
      device_ran = true;
      EXPECT_EQ(node.route(), demo::kStreetLight);
      EXPECT_FALSE(node.IsVisible(kDevFwUpdate));
      host.Click(node, kDevRead);
      ASSERT_TRUE(host.AdvanceUntil([&] { return node.source() == SourceState::kCache; }, 5000));
      // The node's own answer, asked through the street light.
      dlg->queues().QueueRead(demo::kStreetLight, demo::kInputB, 0, 59, 0, false);
      ASSERT_TRUE(host.AdvanceUntil([&] { return node.source() == SourceState::kDevice; }, 5000));
      host.CloseBox(node);
    });
    host.DoubleClick(d, kSlRoutedDevices, row, kSlColAction);
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
  EXPECT_TRUE(device_ran);
}

TEST_F(StreetLightFlowTest, StreetLightBeyondTheDongleIsReadThroughTheOtherAsItIs) {
  StartSite({demo::kStreetLight, demo::kStreetLightFar});
  bool ran = false;
  // One hook for both windows (the near node's opens the far one's).
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    if (d.address() == demo::kStreetLight) {
      ReadNode(d);
      host.DoubleClick(d, kSlRoutedDevices, 0, kSlColAction);
      host.CloseBox(d);
      return;
    }
    ran = true;
    EXPECT_EQ(d.address(), demo::kStreetLightFar);
    EXPECT_EQ(d.route(), demo::kStreetLight);
    // The first hop is heard, so the node can be read; no cached copy is asked for.
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
    EXPECT_EQ(d.Text(kSlLatitude), u"49.195061");
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  EXPECT_TRUE(ran);
}

TEST_F(StreetLightFlowTest, ClockSourcePollsGrowTheLog) {
  const std::filesystem::path log = std::filesystem::path("SNIFF") / "sniff_rtc.txt";
  std::filesystem::remove(log);
  StartSite({demo::kStreetLight});
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    EXPECT_TRUE(d.log_open());
    // Three polls, nothing else asked.
    host.Advance(3 * CStreetLightDlg::kClockSourceMs + 500);
    EXPECT_EQ(d.Text(kSlClockSource), u"LSE");
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
  std::ifstream in(log, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
  std::u16string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  int lines = 0;
  for (size_t at = text.find(u"\r\n"); at != std::u16string::npos;
       at = text.find(u"\r\n", at + 2)) {
    ++lines;
    EXPECT_EQ(text.substr(at + 2 + 19, 4), u" LSE");
  }
  EXPECT_EQ(lines, 3);
}

// A DALI command whose Command or Len does not read is named and not sent.
TEST_F(StreetLightFlowTest, DaliCommandThatDoesNotReadIsNotSent) {
  StartSite({demo::kStreetLight});
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    ReadNode(d);
    auto word = [&] {
      return std::vector<uint16_t>(d.record().begin() + sl_word::kDaliCommand,
                                   d.record().begin() + sl_word::kDaliCommand + 2);
    };
    host.Type(d, kSlDaliCommand, u"FF05");  // broadcast RECALL MAX
    host.Type(d, kSlDaliLength, u"16");
    host.Click(d, kSlDaliSend);
    host.Advance(1000);
    const int sent = Node().dali_commands();
    host.Type(d, kSlDaliCommand, u"off");
    host.Click(d, kSlDaliSend);
    host.Type(d, kSlDaliCommand, u"FF00");
    host.Type(d, kSlDaliLength, u"");
    host.Click(d, kSlDaliSend);
    host.Advance(1000);
    EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{
                              u"Invalid DALI command: Command must be a hexadecimal number",
                              u"Invalid DALI command: Len must be a whole number"}));
    EXPECT_EQ(Node().dali_commands(), sent);
    EXPECT_EQ(word(), (std::vector<uint16_t>{0xFF05, 0x0001}));
    EXPECT_EQ(Node().level(0), 254);
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
}

// The node keeps its ready bit after "Read Ballast Now"; the report still comes once
// per request, not with every later read.
TEST_F(StreetLightFlowTest, BallastReportComesOncePerRequest) {
  StartSite({demo::kStreetLight});
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    ReadNode(d);
    host.Click(d, kSlReadBallastNow);
    ASSERT_TRUE(host.AdvanceUntil([&] { return !host.boxes().empty(); }, 5000));
    ReadNode(d);
    ReadNode(d);
    host.Advance(2000);
    ASSERT_EQ(host.boxes().size(), 1u);
    host.Click(d, kSlReadBallastNow);
    ASSERT_TRUE(host.AdvanceUntil([&] { return host.boxes().size() > 1; }, 5000));
    EXPECT_EQ(host.boxes().back().caption, u"Ballast recalculated data 0");
    ReadNode(d);
    host.Advance(2000);
    EXPECT_EQ(host.boxes().size(), 2u);
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
}

// The firmware update the version check opens brings the ballast buttons back once the
// node reports the new version.
TEST_F(StreetLightFlowTest, BallastButtonsReturnWithTheFirmwareTheCheckInstalled) {
  StartSite({demo::kStreetLight});
  RegisterDeviceDialogs(*dlg);  // the program's own firmware update
  sim::StreetLightNode& node = Node();
  node.registers()[1] = 330;
  node.bootloader().Setup(node.bootloader().identity(), 330);
  const uint8_t hw = static_cast<uint8_t>(100 + (TypeOf(demo::kStreetLight) & 0xFF));
  const std::vector<uint8_t> file =
      MakeContainer({static_cast<uint16_t>(demo::kStreetLight & 0xFFFF), hw, hw, 402},
                    sim::MakeFirmwareImage(402, 4096, 7));
  const std::filesystem::path path = std::filesystem::current_path() / "stralux.bin";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  bool updated = false;
  host.OnModal<CFwUpdate>([&](CFwUpdate& fw) {
    ASSERT_TRUE(host.AdvanceUntil([&] { return fw.IsEnabled(kFwUpdateStart); }, 5000));
    EXPECT_EQ(fw.Text(kFwUpdateFwNum), u"3.30");
    host.QueueFileResult(Utf8ToUtf16(path.string()));
    host.Click(fw, kFwUpdateStart);
    ASSERT_TRUE(host.AdvanceUntil([&] { return Shown(u"Update Complete"); }, 60000));
    host.Advance(2000);
    updated = true;
    host.Click(fw, kIdOk);
  });
  bool ran = false;
  host.OnModal<CStreetLightDlg>([&](CStreetLightDlg& d) {
    ran = true;
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return updated; }, 5000));
    EXPECT_FALSE(d.IsEnabled(kSlBallastData1));
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.IsEnabled(kSlBallastData1); }, 5000));
    EXPECT_TRUE(d.IsEnabled(kSlBallastData2));
    EXPECT_EQ(d.Text(kDevFwId), u"4.02");
    host.CloseBox(d);
  });
  OpenFromList(demo::kStreetLight);
  ASSERT_TRUE(ran);
  EXPECT_EQ(host.boxes().front().text.substr(0, 21), u"Unsupported version,\n");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace corvane::lighting
