// A day of the demo network: the RF monitor listing and logging every frame, the gateway's
// window open with its UNI FIFO and wM-Bus FIFO views polling. The simulator's protocol checker
// finds nothing to complain of, the lists stay within their caps, the simulator's queue of
// pending actions does not grow, and the views still receive in the last hour.
//
// The host's clock follows the simulator's events instead of a 1 ms pump, so the day costs
// what its traffic costs and not 86 million idle ticks.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "gateway/fifo_templates.h"
#include "gateway/fifo_views.h"
#include "gateway/gateway_dlg.h"
#include "gateway/gateway_template.h"
#include "hardening_fixture.h"
#include "monitor/monitor.h"
#include "monitor/monitor_template.h"

namespace corvane {
namespace {

using hardening::HardeningTest;
namespace demo = sim::demo;

constexpr int64_t kHourMs = 3600 * 1000;

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Peaks {
  int monitor_lines = 0;
  int uni_lines = 0;
  int wmbus_lines = 0;
  size_t sim_events = 0;
  size_t sim_events_first_hour = 0;
};

class LongRunTest : public HardeningTest {
 protected:
  // The simulator runs on the host's clock from now on, event by event.
  void FollowTheSimulator() {
    host.KillTimer(*dlg, CCorvaneDlg::kTimerPump);
    sim.AdvanceTo(host.now_ms());
    host.AttachClock([this] { return sim.NextEventTime(); },
                     [this](int64_t now) { sim.AdvanceTo(now); });
  }
};

TEST_F(LongRunTest, DemoNetworkForADayWithTheMonitorLoggingAndTheGatewayFifosPolled) {
  const auto wall_start = std::chrono::steady_clock::now();
  const long rss_start = PeakRssKib();
  StartSite({demo::kGateway, demo::kGatewayInput, demo::kOutputA, demo::kInputB});
  FollowTheSimulator();
  host.Click(*dlg, ui::kMainMonitor);
  CMonitor* monitor = dlg->monitor();
  ASSERT_NE(monitor, nullptr);
  ASSERT_TRUE(monitor->log_open());

  Peaks peaks;
  int uni_last_hour = 0;
  int wmbus_last_hour = 0;
  int monitor_last_hour = 0;
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    host.Click(d, ui::kGwUniFifo);
    host.Click(d, ui::kGwWmbusFifo);
    ASSERT_NE(d.uni_fifo(), nullptr);
    ASSERT_NE(d.wmbus_fifo(), nullptr);
    for (int hour = 0; hour < 24; ++hour) {
      const int uni_before = d.uni_fifo()->Count(ui::kFifoList);
      const int wmbus_before = d.wmbus_fifo()->Count(ui::kFifoList);
      const int monitor_before = monitor->Count(ui::kMonitorList);
      // In steps, so the peaks between them are seen.
      for (int step = 0; step < 60; ++step) {
        host.Advance(kHourMs / 60);
        transport.Take();  // the harness's copy of every report, not the program's memory
        peaks.monitor_lines = std::max(peaks.monitor_lines, monitor->Count(ui::kMonitorList));
        peaks.uni_lines = std::max(peaks.uni_lines, d.uni_fifo()->Count(ui::kFifoList));
        peaks.wmbus_lines = std::max(peaks.wmbus_lines, d.wmbus_fifo()->Count(ui::kFifoList));
        peaks.sim_events = std::max(peaks.sim_events, sim.pending_events());
      }
      if (hour == 0) peaks.sim_events_first_hour = peaks.sim_events;
      uni_last_hour = d.uni_fifo()->Count(ui::kFifoList) - uni_before;
      wmbus_last_hour = d.wmbus_fifo()->Count(ui::kFifoList) - wmbus_before;
      monitor_last_hour = monitor->Count(ui::kMonitorList) - monitor_before;
    }
    EXPECT_TRUE(d.uni_fifo()->is_open());
    EXPECT_TRUE(d.wmbus_fifo()->is_open());
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);

  EXPECT_GE(host.now_ms(), 24 * kHourMs);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
  // Polling and listening still work in the last hour of the day.
  EXPECT_GT(uni_last_hour, 0);
  EXPECT_GT(wmbus_last_hour, 0);
  EXPECT_GT(monitor_last_hour, 0);
  EXPECT_LE(peaks.monitor_lines, CMonitor::kMaxLines);
  EXPECT_LE(peaks.uni_lines, FifoView::kMaxLines);
  EXPECT_LE(peaks.wmbus_lines, FifoView::kMaxLines);
  // The pending actions are the network's timers and what is on the air, not a backlog.
  EXPECT_LE(peaks.sim_events, 2 * peaks.sim_events_first_hour + 50);
  EXPECT_TRUE(host.boxes().empty()) << ui::Utf16ToUtf8(host.boxes().front().text);

  const double wall_s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  const auto log_bytes =
      std::filesystem::file_size(std::filesystem::path("SNIFF") / "sniff_monitor.txt");
  std::printf(
      "long run: 24 h virtual in %.1f s wall; frames on air %llu; monitor lines peak %d, "
      "UNI FIFO lines peak %d, wM-Bus FIFO lines peak %d, simulator pending actions peak %zu "
      "(first hour %zu); monitor log %llu bytes; peak RSS %ld KiB (%ld KiB before the run); "
      "checker violations %d\n",
      wall_s, static_cast<unsigned long long>(sim.frames_on_air()), peaks.monitor_lines,
      peaks.uni_lines, peaks.wmbus_lines, peaks.sim_events, peaks.sim_events_first_hour,
      static_cast<unsigned long long>(log_bytes), PeakRssKib(), rss_start, sim.checker().count());
  RecordProperty("wall_seconds", static_cast<int>(wall_s));
  RecordProperty("peak_rss_kib", static_cast<int>(PeakRssKib()));
}

}  // namespace
}  // namespace corvane
