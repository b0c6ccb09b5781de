// The application shell: service codes, keyboard shortcuts, help, the RF monitor and the
// frames the dongle hears.
#include <gtest/gtest.h>

#include <fstream>

#include "app/heard_frames.h"
#include "app/main_template.h"
#include "app/shell_dialogs.h"
#include "app/shell_templates.h"
#include "app_harness.h"
#include "modbus/modbus_dlg.h"
#include "monitor/monitor.h"
#include "monitor/monitor_template.h"
#include "ui/text.h"

namespace corvane {
namespace {

using testing::AppTest;
using namespace ui;
namespace fs = std::filesystem;
namespace demo = sim::demo;

TEST_F(AppTest, ServiceCodesSwitchTheNames) {
  Project p;
  p.SetEntry(0, 0x00300001, {});
  ASSERT_TRUE(SaveProjectFile("p.cvp", p).ok);
  command_line = u"p.cvp";
  Start(0);
  std::u16string code;
  host.OnModal<CServiceCode>([&](CServiceCode& prompt) {
    host.Type(prompt, kServiceCodeEdit, code);
    host.Click(prompt, kIdOk);
  });
  code = u"lumbrecantosivortexa";
  host.PressKey(*dlg, 0x7A);  // F11
  host.Advance(20);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"switched to Omniplex mode");
  EXPECT_EQ(dlg->Item(kMainDeviceList, 0), u"0x00300001 " + TypeName(0x00300001, 2));
  EXPECT_EQ(dlg->oem_mode(), 2);

  // Wrong letter case: nothing happens.
  code = u"Veskandorium";
  host.KeyDown(*dlg, vk::kControl);
  host.PressKey(*dlg, 0x53);  // Ctrl+S
  host.Advance(20);
  EXPECT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(dlg->oem_mode(), 2);

  // The Ctrl flag was used up: S alone does nothing.
  code = u"veskandorium";
  host.PressKey(*dlg, 0x53);
  host.Advance(20);
  EXPECT_EQ(host.boxes().size(), 1u);
  host.KeyUp(*dlg, vk::kControl);
  host.KeyDown(*dlg, vk::kControl);
  host.PressKey(*dlg, 0x73);  // Ctrl+F4
  host.Advance(20);
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[1].text, u"switched to Tervis mode");
  EXPECT_EQ(dlg->Item(kMainDeviceList, 0), u"0x00300001 Quadrel-A");
  EXPECT_EQ(LookUpServiceCode(u"brinquatello")->message, u"switched to Aldera mode");

  // The mode in use is what the profile keeps.
  host.CloseBox(*dlg);
  host.Advance(100);
  EXPECT_EQ(profile.values[u"OEM"], u"0");
  SetOemMode(0);
}

TEST_F(AppTest, HelpOpensTheHelpFileOrTheGuide) {
  help_file = u"Pellmar.chm";
  user_guide = u"guide.html";
  Start(0);
  // No help file beside the program: the guide.
  host.Click(*dlg, kMainHelp);
  EXPECT_TRUE(host.shell_opened().empty());  // 20 ms later
  host.Advance(20);
  ASSERT_EQ(host.shell_opened().size(), 1u);
  EXPECT_EQ(host.shell_opened()[0], u"guide.html");
  // With the help file there, F1 and Ctrl+H open it.
  std::ofstream("Pellmar.chm") << "help";
  host.PressKey(*dlg, vk::kF1);
  host.Advance(20);
  host.KeyDown(*dlg, vk::kControl);
  host.PressKey(*dlg, 0x48);
  host.Advance(20);
  EXPECT_EQ(host.shell_opened(),
            (std::vector<std::u16string>{u"guide.html", u"Pellmar.chm", u"Pellmar.chm"}));
}

TEST_F(AppTest, HelpWithoutAGuideSaysSo) {
  Start(0);
  host.Click(*dlg, kMainHelp);
  host.Advance(20);
  EXPECT_TRUE(host.shell_opened().empty());
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text,
            u"The user guide was not found.\nIt is looked for as share/corvane/user-guide.html "
            u"beside the program's folder, or as docs/user-guide.html in the source tree.");
  EXPECT_EQ(host.boxes()[0].caption, u"Help");
}

TEST_F(AppTest, MonitorShowsAndLogsEveryHeardFrame) {
  host.SetLocalTime({2026, 12, 9, 14, 5, 7, 0});
  Start(1000);
  host.Click(*dlg, kMainMonitor);
  ASSERT_NE(dlg->monitor(), nullptr);
  CMonitor& monitor = *dlg->monitor();
  EXPECT_TRUE(host.IsShown(monitor));
  EXPECT_TRUE(monitor.log_open());
  host.Advance(30000);  // the demo network's nodes report
  const int lines = monitor.Count(kMonitorList);
  EXPECT_GT(lines, 5);
  const std::u16string first = monitor.Item(kMonitorList, 0);
  EXPECT_EQ(first[0], u'\n');
  EXPECT_NE(first.find(u"dBm 0x"), std::u16string::npos);
  EXPECT_NE(first.find(u" -> 0x"), std::u16string::npos);

  // Closing empties and hides; frames keep being logged meanwhile.
  host.CloseBox(monitor);
  EXPECT_FALSE(host.IsShown(monitor));
  EXPECT_EQ(monitor.Count(kMonitorList), 0);
  host.Advance(30000);
  host.Click(*dlg, kMainMonitor);
  EXPECT_TRUE(host.IsShown(monitor));
  const int after = monitor.Count(kMonitorList);
  EXPECT_GT(after, 0);

  // The log: BOM, the run header, one CR LF-terminated entry per frame.
  host.Forget(monitor);
  host.Forget(*dlg);
  dlg.reset();  // the monitor goes with the main window and closes its log
  std::ifstream in("SNIFF/sniff_monitor.txt", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xFE);
  const std::string header = EncodeUtf16Le(u"\r\n09.12 2026 14:05:08\r\n");
  EXPECT_EQ(bytes.substr(2, header.size()), header);
  const std::string entry_end = EncodeUtf16Le(u"\r\n");
  size_t entries = 0;
  for (size_t at = bytes.find(EncodeUtf16Le(u"\n")); at != std::string::npos;
       at = bytes.find(EncodeUtf16Le(u"\n"), at + 2)) {
    ++entries;
  }
  // Every frame is in the log, the ones shown before and after the close and the ones that
  // arrived while the window was hidden; each entry starts with a line feed and ends with CR LF.
  EXPECT_GT(entries, static_cast<size_t>(2 * (lines + after)));
}

TEST_F(AppTest, MonitorLogAppendsAcrossRuns) {
  host.SetLocalTime({2000, 1, 1, 0, 0, 0, 0});
  for (int run = 0; run < 2; ++run) {
    CMonitor monitor(host);
    monitor.OpenLog();
    monitor.AddLine(u"\n00:01 -075dBm 0x00300001 -> 0x00000000 id:0x0001 04");
  }
  std::ifstream in("SNIFF/sniff_monitor.txt", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const std::string header_start = EncodeUtf16Le(u"\r\n01.01 2000");
  EXPECT_EQ(bytes.rfind("\xFF\xFE", 0), 0u);
  EXPECT_NE(bytes.find(header_start), bytes.rfind(header_start));  // two run headers
  EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos);         // one mark only
}

TEST_F(AppTest, MonitorKeepsTheNewestLinesWithinItsLimit) {
  CMonitor monitor(host);
  host.Open(monitor);
  for (int i = 0; i < CMonitor::kMaxLines + 10; ++i) {
    monitor.AddLine(ui::Format("%d", i));
  }
  EXPECT_EQ(monitor.Count(kMonitorList), CMonitor::kMaxLines / 2 + 10);
  EXPECT_EQ(monitor.Item(kMonitorList, monitor.Count(kMonitorList) - 1),
            ui::Format("%d", CMonitor::kMaxLines + 9));
  host.Forget(monitor);
}

// --- The heard-frame handler on its own ---------------------------------------------------------

class FramesClient : public HeardFramesClient {
 public:
  ui::LocalTime LocalNow() override { return {2026, 1, 2, 3, 4, 5, 0}; }
  RfAddress SelectedAddress() const override { return selected; }
  void MonitorLine(const std::u16string& line) override { lines.push_back(line); }
  void InRangeChanged() override { ++changes; }
  RfAddress selected = 0;
  std::vector<std::u16string> lines;
  int changes = 0;
};

TrafficFrame Frame(RfAddress s, RfAddress d, int8_t rssi, std::span<const uint8_t> bytes = {}) {
  return {s, d, 0x1234, rssi, bytes};
}

TEST(HeardFrames, MonitorLineFormat) {
  const uint8_t bytes[] = {0x04, 0xAB};
  const ui::LocalTime t{2026, 1, 2, 3, 4, 5, 0};
  EXPECT_EQ(HeardFrames::MonitorLineFor(Frame(0x00300001, ADDR_DONGLE, -75, bytes), t),
            u"\n04:05 -075dBm 0x00300001 -> 0xFFFFFFFD id:0x1234 04 AB");
  EXPECT_EQ(HeardFrames::MonitorLineFor(Frame(0x1, 0, 0), t),
            u"\n04:05 0000dBm 0x00000001 -> 0x00000000 id:0x1234");
  EXPECT_EQ(HeardFrames::MonitorLineFor(Frame(0x1, 0, -5), t).substr(7, 7), u"-005dBm");
}

TEST(HeardFrames, InRangeAndCandidates) {
  FramesClient client;
  HeardFrames heard(client);
  // To a destination nobody knows: a candidate first, noted at the second frame.
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0x00500001, -60));
  EXPECT_EQ(heard.RssiOf(0x00300001), 0);
  EXPECT_EQ(heard.candidates()[0], 0x00300001u);
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0x00500001, -60));
  EXPECT_EQ(heard.RssiOf(0x00300001), -60);
  EXPECT_EQ(client.changes, 1);
  // Broadcasts are noted at once; small RSSI changes are not news, large ones are.
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00A00001, 0, -70));
  EXPECT_EQ(client.changes, 2);
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00A00001, 0, -75));
  EXPECT_EQ(client.changes, 2);
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00A00001, 0, -76));
  EXPECT_EQ(heard.RssiOf(0x00A00001), -76);
  EXPECT_EQ(client.changes, 3);
  // A frame to a device in range notes its sender.
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00B00001, 0x00A00001, -50));
  EXPECT_EQ(heard.RssiOf(0x00B00001), -50);
  // Sources from 0x10000000 up are only shown, never tracked.
  heard.OnTraffic(ADDR_DONGLE, Frame(0xFFE00001, 0, -40));
  EXPECT_EQ(heard.RssiOf(0xFFE00001), 0);
  EXPECT_EQ(client.lines.size(), 7u);
  // Strangers fill the free candidate slots; once all ten are taken, slot 0 is reused.
  for (RfAddress a = 1; a <= 11; ++a) heard.OnTraffic(ADDR_DONGLE, Frame(0x00C00000 + a, 5, -1));
  EXPECT_EQ(heard.candidates()[0], 0x00C0000Bu);
  EXPECT_EQ(heard.candidates()[9], 0x00C00009u);
}

TEST(HeardFrames, DeviceRssiFromTheSelectedDevicesAnswer) {
  FramesClient client;
  client.selected = 0x00300001;
  HeardFrames heard(client);
  const uint8_t answer[] = {4, 7, static_cast<uint8_t>(-81)};
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0xFFFE0001, -60, answer));
  EXPECT_EQ(heard.device_rssi(), -81);
  const uint8_t status[] = {1, 7, static_cast<uint8_t>(-20)};
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0xFFFE0001, -60, status));
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300002, 0xFFFE0001, -60, answer));
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0x00000000, -60, answer));
  const uint8_t short_answer[] = {4, 7};
  heard.OnTraffic(ADDR_DONGLE, Frame(0x00300001, 0xFFFE0001, -60, short_answer));
  EXPECT_EQ(heard.device_rssi(), -81);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST_F(AppTest, ModbusButtonRunsTheRegisterToolForTheChosenDevice) {
  Project p;
  p.SetEntry(0, sim::demo::kOutputB, {});
  ASSERT_TRUE(SaveProjectFile("p.cvp", p).ok);
  command_line = u"p.cvp";
  Start(1500);
  int runs = 0;
  host.OnModal<CModbus>([&](CModbus& tool) {
    ++runs;
    host.CloseBox(tool);
  });
  host.Select(*dlg, ui::kMainDeviceList, 0);
  transport.Take();
  host.Click(*dlg, ui::kMainModbus);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(dlg->selected_address(), sim::demo::kOutputB);
  const auto sent = transport.Take();
  ASSERT_GE(sent.size(), 2u);
  // The dongle was pointed at the device and handed back afterwards.
  EXPECT_NE(std::find(sent.begin(), sent.end(), "6B 07 32 00 02 01 05 50 00"), sent.end());
  EXPECT_EQ(sent[sent.size() - 2], "83 04 21 00 20 00");
  EXPECT_EQ(sent.back(), "83 04 22 00 16 00");
}

}  // namespace
}  // namespace corvane
