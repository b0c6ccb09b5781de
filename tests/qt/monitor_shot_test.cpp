// The RF monitor's window with real lines: tidy, and a screenshot in the build tree; how it
// closes, and long frames that scroll sideways instead of being cut off.
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "app/heard_frames.h"
#include "monitor/monitor.h"
#include "monitor/monitor_template.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/headless/test_host.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/list_models.h"
#include "ui/qt/qt_host.h"

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

std::u16string LongFrameLine(int bytes) {
  std::vector<uint8_t> frame(static_cast<size_t>(bytes));
  for (int i = 0; i < bytes; ++i) frame[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return HeardFrames::MonitorLineFor({0x00800101u, 0x00300102u, 0x0123, -61, frame},
                                     {2026, 12, 9, 14, 3, 7, 0});
}

// Enter is no way to lose lines behind a hidden window: it closes as the close box does.
TEST(MonitorWindow, EnterClosesLikeTheCloseBox) {
  TestHost host;
  CMonitor monitor(host);
  for (int way = 0; way < 2; ++way) {
    host.ShowModeless(nullptr, monitor);
    monitor.AddLine(u"\n00:01 -075dBm 0x00300001 -> 0x00000000 id:0x0001 04");
    monitor.AddLine(u"\n00:02 -075dBm 0x00300001 -> 0x00000000 id:0x0002 04");
    if (way == 0) {
      EXPECT_TRUE(host.PressKey(monitor, vk::kReturn, kMonitorList));
    } else {
      EXPECT_TRUE(host.CloseBox(monitor));
    }
    EXPECT_FALSE(host.IsShown(monitor)) << way;
    EXPECT_EQ(monitor.Count(kMonitorList), 0) << way;
    // Frames keep arriving while it is hidden, and are there when it opens again.
    monitor.AddLine(u"\n00:03 -075dBm 0x00300001 -> 0x00000000 id:0x0003 04");
    host.ShowModeless(nullptr, monitor);
    EXPECT_EQ(monitor.Count(kMonitorList), 1) << way;
    monitor.ResetContent(kMonitorList);
  }
  host.Forget(monitor);
}

TEST(MonitorWindow, EnterInTheQtWindowHidesItEmpty) {
  TestApp();
  QtHost host;
  CMonitor monitor(host);
  host.ShowModeless(nullptr, monitor);
  DialogWindow* window = host.WindowOf(monitor);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  for (int i = 0; i < 5; ++i) monitor.AddLine(LongFrameLine(4 + i));
  QApplication::processEvents();
  QWidget* list = window->Widget(kMonitorList);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(monitor.Count(kMonitorList), 0);
  EXPECT_EQ(window->ListModel(kMonitorList)->rowCount(), 0);
  host.Forget(monitor);
}

// A frame of 60 bytes is a line far wider than the window: the list scrolls to its end, and
// Clear takes the scroll bar away again.
TEST(MonitorWindow, LongFramesScrollSidewaysWhole) {
  TestApp();
  QtHost host;
  CMonitor monitor(host);
  for (int i = 0; i < 20; ++i) monitor.AddLine(LongFrameLine(i % 4 ? 10 : 60));
  const QString path = ShowCheckAndGrab(host, monitor, "rf-monitor-long-frames");
  ASSERT_FALSE(path.isEmpty());
  DialogWindow* window = host.WindowOf(monitor);
  auto* view = qobject_cast<ListBoxView*>(window->Widget(kMonitorList));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->textElideMode(), Qt::ElideNone);
  // One text line per row: nothing wraps.
  EXPECT_LT(view->row_height(), 2 * view->fontMetrics().height());
  const QString longest = view->model()->index(0, 0).data().toString();
  ASSERT_TRUE(longest.endsWith(" 3B"));
  const int text_width = view->fontMetrics().horizontalAdvance(longest);
  ASSERT_GT(text_width, view->viewport()->width());
  EXPECT_GE(view->column_width(), text_width);
  QScrollBar* bar = view->horizontalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_GE(bar->maximum() + view->viewport()->width(), text_width);
  // Scrolled to the end, the last byte of the longest line is in sight.
  bar->setValue(bar->maximum());
  const QRect cell = view->visualRect(view->model()->index(0, 0));
  EXPECT_LE(cell.left() + text_width, view->viewport()->width());

  // A short line later does not narrow the column; emptying the list does.
  monitor.AddLine(LongFrameLine(1));
  QApplication::processEvents();
  EXPECT_GE(view->column_width(), text_width);
  qobject_cast<QPushButton*>(window->Widget(kMonitorClear))->click();
  QApplication::processEvents();
  EXPECT_EQ(bar->maximum(), 0);
  EXPECT_EQ(view->column_width(), view->viewport()->width());
  host.Forget(monitor);
}

}  // namespace
}  // namespace corvane::ui
