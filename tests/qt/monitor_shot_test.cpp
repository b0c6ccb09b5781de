// The RF monitor's window with real lines: tidy, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>

#include "app/heard_frames.h"
#include "monitor/monitor.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/qt_host.h"
#include "monitor/monitor_template.h"

namespace corvane::ui {
namespace {

TEST(QtScreenshot, MonitorIsTidyAndSaved) {
  TestApp();
  QtHost host;
  CMonitor monitor(host);
  const uint8_t status[] = {0x01, 0x12, 0xBF, 0x82, 0x0D, 0x1B, 0x00, 0x05, 0x22, 0x00};
  const uint8_t answer[] = {0x04, 0x07, 0xB5, 0x82, 0x07, 0x05, 0x00, 0x02, 0x04, 0x01};
  for (int i = 0; i < 30; ++i) {
    const TrafficFrame frame{i % 3 ? 0x00300102u : 0x00800101u, i % 3 ? 0u : 0xFFFE0001u,
                             static_cast<uint16_t>(0x0100 + i), static_cast<int8_t>(-48 - i),
                             i % 3 ? std::span<const uint8_t>(status) : answer};
    monitor.AddLine(HeardFrames::MonitorLineFor(frame, {2026, 12, 9, 14, i / 60, i % 60, 0}));
  }
  monitor.SetCheck(kMonitorAutoscroll, true);
  const QString path = ShowCheckAndGrab(host, monitor, "rf-monitor");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_GE(QImage(path).width(), 600);
  host.Forget(monitor);
}

}  // namespace
}  // namespace corvane::ui
