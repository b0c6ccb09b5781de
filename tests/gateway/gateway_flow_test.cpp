// The gateway window end to end: the main window on the simulated demo network opens the demo
// gateway from its device list; the window reads it, edits a paired device, writes it to the
// gateway's EEPROM, opens a paired device through the gateway and shows the gateway's FIFOs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "access/request_queues.h"
#include "devices/input_node_dlg.h"
#include "gateway/fifo_templates.h"
#include "gateway/gateway_dlg.h"
#include "gateway/gateway_report.h"
#include "gateway/gw_device_editors.h"
#include "gateway/gw_device_editors_template.h"
#include "gateway/modbus_bridge_dlg.h"
#include "gateway/modbus_bridge_template.h"
#include "gateway/uni_monitor.h"
#include "gateway/uni_monitor_template.h"
#include "sim/gateway_node.h"
#include "site_fixture.h"
#include "ui/text.h"

namespace corvane {
namespace {

using devices::testing::SiteTest;
using State = Pending;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class GatewayFlowTest : public SiteTest {
 protected:
  void ReadGateway(GatewayDialog& d) {
    ASSERT_TRUE(d.IsVisible(kGwRead));
    host.Click(d, kGwRead);
    EXPECT_EQ(d.source(), SourceState::kRead);
    EXPECT_TRUE(d.IsVisible(kGwProgress));
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 20000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_FALSE(d.IsVisible(kGwProgress));
  }
  static int RowOf(const GatewayImage& image, RfAddress address) {
    for (int i = 0; i < GatewayImage::kDevices; ++i) {
      if (image.Device(i).address == address) return i;
    }
    return -1;
  }
  static int RowOf(const CGatewayV400Dlg& d, RfAddress address) {
    return RowOf(d.image(), address);
  }
  sim::GatewayNode& Gateway() { return *sim.FindNodeAs<sim::GatewayNode>(demo::kGateway); }
};

TEST_F(GatewayFlowTest, ReadEditAPairedDeviceAndStoreItInTheGatewaysEeprom) {
  StartSite({demo::kGateway, demo::kGatewayInput, demo::kGatewayWindow, demo::kGatewayKeypad});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    EXPECT_EQ(d.source(), SourceState::kProject);
    ReadGateway(d);
    EXPECT_EQ(d.Text(kGwFwNum), u"4.10");
    const int input = RowOf(d, demo::kGatewayInput);
    ASSERT_GE(input, 0);
    EXPECT_EQ(d.Cell(kGwDevices, input, kGwColAction), u"read cache");
    const int keypad = RowOf(d, demo::kGatewayKeypad);
    ASSERT_GE(keypad, 0);
    // The keypad gets a Modbus address that another device already has, and a cached range.
    const uint8_t taken = d.image().ModbusAddress(input);
    ASSERT_NE(taken, 0);
    host.OnModal<CGwDevices>([&](CGwDevices& editor) {
      host.Type(editor, kSubModbusAddress, Format("%d", taken));
      host.Type(editor, kSubMapLength, u"20");
      if (!editor.IsChecked(kSubCached)) host.Toggle(editor, kSubCached);
      host.Click(editor, kIdOk);
    });
    host.DoubleClick(d, kGwDevices, keypad, kGwColAddress);
    const GwDeviceEntry placed = d.image().Device(keypad);
    EXPECT_TRUE(placed.Cached());
    EXPECT_EQ(placed.MbCount(), 20);
    EXPECT_GE(placed.mb_start, GatewayImage::kRegCacheFirst);
    EXPECT_EQ(d.Cell(kGwDevices, keypad, kGwColCache), u"o");
    const auto collision = FindModbusCollision(d.image());
    ASSERT_TRUE(collision.has_value());
    EXPECT_TRUE(Shown(CollisionMessage(*collision)));

    // The tables stay as edited; the user gives the keypad its own address.
    host.OnModal<CGwDevices>([&](CGwDevices& editor) {
      host.Type(editor, kSubModbusAddress, u"60");
      host.Click(editor, kIdOk);
    });
    host.DoubleClick(d, kGwDevices, keypad, kGwColMbCount);
    EXPECT_EQ(d.image().ModbusAddress(keypad), 60);

    host.Click(d, kGwWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 20000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_FALSE(Shown(u"Write to EEPROM unsuccessfull"));
    const auto eeprom = Gateway().eeprom();
    const GwDeviceEntry stored = GwDeviceEntry::FromWords(eeprom.subspan(52 + 4 * keypad, 4));
    EXPECT_EQ(stored, placed);
    EXPECT_EQ(GatewayImage(eeprom).ModbusAddress(keypad), 60);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  // Closed with a changed image: the project holds it.
  const GatewayImage kept(Blob(dlg->project(), demo::kGateway));
  EXPECT_EQ(kept.ModbusAddress(RowOf(kept, demo::kGatewayKeypad)), 60);
}

TEST_F(GatewayFlowTest, PairedDeviceOpensThroughTheGatewayCacheFirst) {
  StartSite({demo::kGateway, demo::kGatewayInput});
  bool ran = false;
  bool device_ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    ReadGateway(d);
    const int input = RowOf(d, demo::kGatewayInput);
    ASSERT_GE(input, 0);
    host.OnModal<devices::CInputNodeDlg>([&](devices::CInputNodeDlg& node) {
      device_ran = true;
      EXPECT_EQ(node.route(), demo::kGateway);
      host.Click(node, devices::kDevRead);
      ASSERT_TRUE(host.AdvanceUntil([&] { return node.source() == SourceState::kCache; }, 5000));
      EXPECT_EQ(node.Text(devices::kDevName), u"Garage door");
      // The node's own answer, through the gateway, once it wakes.
      dlg->queues().QueueRead(demo::kGateway, demo::kGatewayInput, 0, 59, 0, false);
      host.Advance(200);
      sim.PressButton(demo::kGatewayInput);
      ASSERT_TRUE(host.AdvanceUntil([&] { return node.source() == SourceState::kDevice; }, 5000));
      host.CloseBox(node);
    });
    host.DoubleClick(d, kGwDevices, input, kGwColAction);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  EXPECT_TRUE(device_ran);
}

TEST_F(GatewayFlowTest, FourHundredGatewayCompletesWithoutTheRegistersItsMapLacks) {
  StartSite({demo::kGateway});
  Gateway().registers()[1] = 400;
  ASSERT_EQ(Gateway().map_size(), 19346);
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    ReadGateway(d);
    EXPECT_EQ(d.Text(kGwFwNum), u"4.00");
    EXPECT_EQ(d.pending_reads(), 0);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Read unsuccessfull"));
}

TEST_F(GatewayFlowTest, FifoViewsShowWhatTheGatewayLogsAndReceives) {
  StartSite({demo::kGateway});
  // The write log's head entry as the gateway holds it before the view takes it out.
  ASSERT_TRUE(host.AdvanceUntil(
      [&] { return Gateway().registers()[GatewayImage::kRegWriteLogCount] != 0; }, 300000));
  const auto live = Gateway().registers();
  const int count = live[GatewayImage::kRegWriteLogCount];
  std::u16string expected = Format(
      "a=0x%08X,reg=%d,v:",
      live[GatewayImage::kRegWriteLog] | (uint32_t{live[GatewayImage::kRegWriteLog + 1]} << 16),
      live[GatewayImage::kRegWriteLog + 2] + 1);
  for (int i = 0; i < std::min(count, 4); ++i) {
    AppendFormat(expected, "%04X ", live[GatewayImage::kRegWriteLogCount + 1 + i]);
  }
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    host.Click(d, kGwUniFifo);
    host.Click(d, kGwWmbusFifo);
    ASSERT_NE(d.uni_fifo(), nullptr);
    ASSERT_NE(d.wmbus_fifo(), nullptr);
    CWmbusFifo& wmbus = *d.wmbus_fifo();
    Cfifo& log = *d.uni_fifo();
    ASSERT_TRUE(host.AdvanceUntil(
        [&] { return log.Count(kFifoList) > 0 && wmbus.Count(kFifoList) > 0; }, 300000));
    // The whole line: the entry's values as the gateway held them, not what the take-out wrote.
    EXPECT_EQ(log.Item(kFifoList, 0), expected) << Utf16ToUtf8(log.Item(kFifoList, 0));
    const std::u16string frame = wmbus.Item(kFifoList, 0);
    EXPECT_NE(frame.find(u" dBm Data: "), std::u16string::npos) << Utf16ToUtf8(frame);
    // The telegram decodes.
    host.Select(wmbus, kFifoList, 0);
    host.Click(wmbus, kWmbusParse);
    EXPECT_GT(wmbus.Count(kWmbusFields), 0);
    // Closed views are no longer polled; the write log keeps what comes in meanwhile.
    host.CloseBox(log);
    host.Advance(3000);
    EXPECT_FALSE(host.TimerRunning(d, CGatewayV400Dlg::kUniFifoTimer));
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
}

// A frame read that the request queue gives up on (every try lost on the way): the view does
// not fall silent, the next poll asks again and the frame arrives.
TEST_F(GatewayFlowTest, WmbusViewGoesOnAfterTheQueueGaveUpAFrameRead) {
  StartSite({demo::kGateway});
  int lost = 0;
  sim.faults().drop_to_dongle_if = [&](const uint8_t* r, int n) {
    // [RF send][len][address][read][3][18418 = F2 47][count]
    const bool frame_read =
        n >= 11 && r[0] == MSG_RF_SEND && r[6] == MSG_REG_READ && r[8] == 0xF2 && r[9] == 0x47;
    if (!frame_read || lost > RequestQueues::kReadRetries) return false;
    ++lost;
    return true;
  };
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    host.Click(d, kGwWmbusFifo);
    ASSERT_NE(d.wmbus_fifo(), nullptr);
    CWmbusFifo& view = *d.wmbus_fifo();
    ASSERT_TRUE(host.AdvanceUntil([&] { return view.Count(kFifoList) > 0; }, 300000));
    EXPECT_EQ(lost, RequestQueues::kReadRetries + 1);
    EXPECT_NE(view.Item(kFifoList, 0).find(u" dBm Data: "), std::u16string::npos);
    host.CloseBox(view);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
}

// The FIFO views and the transmit request opened during a Read queue behind it: the Read
// completes instead of losing its requests to a flush.
TEST_F(GatewayFlowTest, ToolsOpenedDuringAReadLetItComplete) {
  StartSite({demo::kGateway});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    host.Click(d, kGwRead);
    host.Advance(300);
    ASSERT_EQ(d.source(), SourceState::kRead);
    host.Click(d, kGwUniFifo);
    host.Click(d, kGwWmbusFifo);
    host.Click(d, kGwUniFifo2);
    host.Type(d, kGwTxAddress, u"0x00C00701");
    host.Type(d, kGwTxData, u"01 02");
    host.Click(d, kGwTxSend);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(d.pending_reads(), 0);
    host.CloseBox(*d.uni_fifo());
    host.CloseBox(*d.wmbus_fifo());
    host.CloseBox(*d.uni_fifo2());
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Read unsuccessfull"));
}

TEST_F(GatewayFlowTest, StaleWriteLogCountInTheProjectDrainsNothing) {
  StartSite({demo::kGateway});
  // The meters have filled the gateway's write log.
  ASSERT_TRUE(host.AdvanceUntil(
      [&] { return Gateway().registers()[GatewayImage::kRegWriteLogCount] != 0; }, 300000));
  const auto live = Gateway().registers().subspan(GatewayImage::kRegWriteLog, 8);
  const std::vector<uint16_t> head(live.begin(), live.end());
  dlg->project().Record(dlg->project().Find(demo::kGateway))[GatewayImage::kRegWriteLogCount] = 3;
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    host.Advance(5000);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  // No view asked for an entry: the head entry is still the gateway's.
  const auto after = Gateway().registers().subspan(GatewayImage::kRegWriteLog, 8);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), after.begin()));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A gateway new to the project opens in the 4.00 window, which learns from the first read that
// the gateway runs 3.11 and closes; the project then opens the older window, which reads the
// whole older map, and what the user edits reaches the gateway's EEPROM, the Modbus addresses of
// the last two entries included.
TEST_F(GatewayFlowTest, OlderGatewayIsFoundByTheFirstReadAndConfiguredInItsOwnWindow) {
  StartSite({demo::kOlderGateway, demo::kOlderGatewayInput});
  bool first_ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    first_ran = true;
    host.Click(d, kGwRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.ended(); }, 20000));
  });
  OpenFromList(demo::kOlderGateway);
  ASSERT_TRUE(first_ran);
  EXPECT_TRUE(Shown(u"In Gatrix is older version than expected, it is necessary Window reopen"));
  EXPECT_EQ(Blob(dlg->project(), demo::kOlderGateway)[1], demo::kOlderGatewayFirmware);

  auto& node = *sim.FindNodeAs<sim::GatewayNode>(demo::kOlderGateway);
  bool ran = false;
  host.OnModal<CGatewayDlg>([&](CGatewayDlg& d) {
    ran = true;
    EXPECT_EQ(d.Title(), u"Configuration for FW < 4.00 " + DisplayName(demo::kOlderGateway));
    EXPECT_EQ(d.RowCount(kGwDevices), 50);
    ReadGateway(d);
    EXPECT_EQ(d.Text(kGwFwNum), u"3.11");
    EXPECT_FALSE(Shown(u"Read unsuccessfull"));
    const GatewayImage& image = d.image();
    int input = -1;
    for (int i = 0; i < 50; ++i) {
      if (image.Device(i).address == demo::kOlderGatewayInput) input = i;
    }
    ASSERT_GE(input, 0);
    EXPECT_EQ(image.ModbusAddress(input), 30);
    // The cached copy lies in the older cache area.
    EXPECT_GE(image.Device(input).mb_start, 1754);
    EXPECT_EQ(d.Cell(kGwUniDevices, 0, kGwUniColAddress).substr(0, 10), u"0x00C00703");

    // Entry 49: the last Modbus address byte of the table.
    host.OnModal<CGwDevices>([&](CGwDevices& editor) {
      host.Type(editor, kSubAddress, u"0x00F00704");
      host.Type(editor, kSubModbusAddress, u"77");
      host.Click(editor, kIdOk);
    });
    host.DoubleClick(d, kGwDevices, 49, kGwColAddress);
    EXPECT_EQ(d.image().ModbusAddress(49), 77);
    host.Click(d, kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 20000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    // The store was confirmed in time: the table's read did not hold the confirmation up by
    // being asked again for the key this firmware lacks.
    EXPECT_FALSE(Shown(u"Write to EEPROM ack not received"));
    const GatewayImage stored(node.eeprom(), kPre400Map);
    EXPECT_EQ(stored.Device(49).address, 0x00F00704u);
    EXPECT_EQ(stored.ModbusAddress(49), 77);
    host.CloseBox(d);
  });
  OpenFromList(demo::kOlderGateway);
  ASSERT_TRUE(ran);
  const GatewayImage kept(Blob(dlg->project(), demo::kOlderGateway), kPre400Map);
  EXPECT_EQ(kept.ModbusAddress(49), 77);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The tools on a read gateway: the report file opened with the system, the monitor reading the
// captured values of the transmit-only meters as the gateway holds them.
TEST_F(GatewayFlowTest, ReportAndUnidirectionalMonitorOnTheReadGateway) {
  StartSite({demo::kGateway, demo::kGatewayInput});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    ReadGateway(d);
    host.Click(d, kGwCreateReport);
    const std::string report = FileBytes(std::filesystem::path("REPORT") / "Gatrix_report.txt");
    ASSERT_GE(report.size(), 2u);
    EXPECT_EQ(report.substr(0, 2), "\xFF\xFE");
    ASSERT_FALSE(host.shell_opened().empty());
    EXPECT_NE(host.shell_opened().back().find(u"Gatrix_report.txt"), std::u16string::npos);
    EXPECT_EQ(report.substr(2), EncodeUtf16Le(GatewayReportText(d.image())));

    bool monitored = false;
    host.OnModal<CGWUniMonitor>([&](CGWUniMonitor& m) {
      monitored = true;
      host.Click(m, kUniMonReadAll);
      host.Advance(3000);
      const auto captured = Gateway().registers().subspan(GatewayImage::kRegCaptured, 2);
      EXPECT_EQ(m.Cell(kUniMonList, 0, kUniMonColValue1),
                Format("0x%04X = %d", captured[0], static_cast<int16_t>(captured[0])));
      EXPECT_EQ(m.Cell(kUniMonList, 0, kUniMonColAddress).substr(0, 10), u"0x00C00106");
      host.CloseBox(m);
    });
    host.Click(d, kGwUniMonitor);
    EXPECT_TRUE(monitored);
    EXPECT_EQ(d.uni_monitor(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path("SNIFF") / "sniff_unidir.txt"));
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
}

// One gateway of the bridged pair: the far end and the bridged addresses come from the gateway,
// and an added address reaches its EEPROM with the next write.
TEST_F(GatewayFlowTest, BridgeSettingsAreEditedAndWritten) {
  StartSite({demo::kBridgeNear, demo::kBridgeFar});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    ReadGateway(d);
    EXPECT_EQ(d.Text(kGwFwNum), u"4.24");
    host.OnModal<CModbusBridgeDlg>([&](CModbusBridgeDlg& b) {
      EXPECT_EQ(b.Item(kBridgeFarEnd, b.CurSel(kBridgeFarEnd)),
                Format("0x%08X ", demo::kBridgeFar) + TypeName(demo::kBridgeFar));
      EXPECT_TRUE(b.IsChecked(kBridgeFirstBox + 40));
      EXPECT_FALSE(b.IsChecked(kBridgeFirstBox + 60));
      host.Toggle(b, kBridgeFirstBox + 60);
      host.Click(b, kIdOk);
    });
    host.Click(d, kGwConfigBridge);
    host.Click(d, kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 20000))
        << static_cast<int>(d.pending()) << " " << d.pending_writes() << " "
        << (host.boxes().empty() ? "" : Utf16ToUtf8(host.boxes().back().text));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    const auto eeprom = sim.FindNodeAs<sim::GatewayNode>(demo::kBridgeNear)->eeprom();
    const uint16_t bits = eeprom[GatewayImage::kRegBridgeBits + 60 / 16];
    EXPECT_NE(bits & (1u << (60 % 16)), 0u);
    EXPECT_NE(eeprom[GatewayImage::kRegBridgeBits + 40 / 16] & (1u << (40 % 16)), 0u);
    host.CloseBox(d);
  });
  OpenFromList(demo::kBridgeNear);
  ASSERT_TRUE(ran);
}

// The store confirmation of a write started soon after a Read: the gateway stores, and the
// window says so.
TEST_F(GatewayFlowTest, WriteToEepromSoonAfterAReadIsConfirmed) {
  StartSite({demo::kGateway});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    ReadGateway(d);
    const int stored_before = Gateway().eeprom_stores();
    host.Advance(2000);
    host.Click(d, kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 20000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_FALSE(Shown(u"Write to EEPROM ack not received"));
    EXPECT_GT(Gateway().eeprom_stores(), stored_before);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
}

}  // namespace
}  // namespace corvane
