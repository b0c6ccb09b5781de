// The gateway's tool windows with the data of a working installation: the unidirectional
// monitor and the Modbus bridge settings, tidy, with screenshots in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "access/request_queues.h"
#include "gateway/modbus_bridge_dlg.h"
#include "gateway/modbus_bridge_template.h"
#include "gateway/uni_monitor.h"
#include "gateway/uni_monitor_template.h"
#include "link/message_layer.h"
#include "link/transport.h"
#include "model/project.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

class SilentTransport : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t*, size_t) override {}
};

class NoQueueClient : public RequestQueuesClient {
 public:
  void SetQueueTimer(int, int) override {}
  void KillQueueTimer(int) override {}
  void ShowWriteProgress(int, int, bool) override {}
};

TEST(QtScreenshot, UniMonitorIsTidyAndSaved) {
  TestApp();
  QtHost host;
  SilentTransport transport;
  MessageLayer layer{transport};
  NoQueueClient client;
  RequestQueues queues{layer, client};

  // Window contacts, climate sensors and pulse counters as a gateway captures them.
  GatewayImage image;
  const RfAddress devices[] = {0x00D00011, 0x00D00012, 0x00B00101, 0x00B00102, 0x00C00007,
                               0x00D00013, 0x00B00103, 0x00C00008, 0x00D00014};
  for (int i = 0; i < 9; ++i) {
    image.SetUniDevice(i, GwUniEntry{.address = devices[i],
                                     .reg = {static_cast<uint16_t>(2 + i % 3),
                                             static_cast<uint16_t>(0x8000 | (6 + i % 2))}});
    image.SetWord(GatewayImage::kRegCaptured + 2 * i, static_cast<uint16_t>(2150 + 37 * i));
    image.SetWord(GatewayImage::kRegCaptured + 2 * i + 1,
                  static_cast<uint16_t>(i % 4 == 3 ? 0xFFFF : 480 - 61 * i));
    const int status = GatewayImage::kRegUniStatus + 4 * i;
    image.SetU32(status, 1'780'000'000u + 517u * static_cast<uint32_t>(i));
    image.SetWord(status + 2, static_cast<uint8_t>(-58 - 4 * i));
  }
  // The monitor starts its log under the current folder: a scratch one, not the build tree.
  const auto previous = std::filesystem::current_path();
  const auto scratch = std::filesystem::temp_directory_path() / "corvane_unimon_shot";
  std::filesystem::create_directories(scratch);
  std::filesystem::current_path(scratch);
  CGWUniMonitor monitor(host, queues, 0x00800101, 0, image);
  const QString path = ShowCheckAndGrab(host, monitor, "uni-monitor");
  std::filesystem::current_path(previous);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(monitor.Cell(kUniMonList, 3, kUniMonColValue2), u"0xFFFF = -1");
  EXPECT_GE(QImage(path).width(), 730);
  host.Forget(monitor);
  std::filesystem::remove_all(scratch);
}

TEST(QtScreenshot, ModbusBridgeIsTidyAndSaved) {
  TestApp();
  QtHost host;
  Project project;
  project.SetEntry(0, 0x00800101, {});
  project.SetEntry(1, 0x00800102, {});
  project.SetEntry(2, 0x00800103, {});
  GatewayImage image;
  image.SetU32(GatewayImage::kRegBridgeAddress, 0x00800102);
  image.SetWord(GatewayImage::kRegModbusTimeout, 1200);
  image.SetWord(GatewayImage::kRegBridgeBits, 0x0F06);      // 1, 2, 8-11
  image.SetWord(GatewayImage::kRegBridgeBits + 2, 0x0001);  // 32
  CModbusBridgeDlg dlg(host, image, 0x00800101, project);
  const QString path = ShowCheckAndGrab(host, dlg, "modbus-bridge");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(dlg.IsChecked(BridgeBox(32)));
  host.Forget(dlg);
}

}  // namespace
}  // namespace corvane::ui
