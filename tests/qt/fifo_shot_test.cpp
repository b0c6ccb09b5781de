// The wireless M-Bus view with a few telegrams and one of them decoded: tidy, and a screenshot
// in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "gateway/fifo_templates.h"
#include "gateway/fifo_views.h"
#include "gateway/wmbus_telegram.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/list_models.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

TEST(QtScreenshot, WmbusViewIsTidyAndSaved) {
  TestApp();
  QtHost host;
  CWmbusFifo view(host);
  // Meters of several makers as a gateway hears them: an encrypted water meter (KAM, extended
  // link layer), heat cost allocators (TCH, short header), a heat meter (LUG, long header), a
  // gas meter (ELS, extended link layer, readable) and an encrypted water meter (DME).
  const std::vector<std::vector<uint8_t>> telegrams{
      {0x16, 0x44, 0x2D, 0x2C, 0x78, 0x56, 0x34, 0x12, 0x1B, 0x16, 0x8D, 0x20,
       0x6A, 0x31, 0xFB, 0x7C, 0x20, 0xAA, 0x55, 0x8B, 0x39, 0x0E, 0xF1},
      {0x0D, 0x44, 0x68, 0x50, 0x11, 0x22, 0x33, 0x44, 0x94, 0x08, 0x7A, 0x5C, 0x00, 0x00},
      {0x1E, 0x44, 0xA7, 0x32, 0x56, 0x34, 0x12, 0x00, 0x04, 0x04, 0x72, 0x56, 0x34,
       0x12, 0x00, 0xA7, 0x32, 0x04, 0x04, 0x2A, 0x00, 0x00, 0x04, 0x06, 0x12, 0x00},
      {0x1A, 0x44, 0x93, 0x15, 0x09, 0x07, 0x52, 0x00, 0x33, 0x03, 0x8D, 0x20, 0x41, 0x00,
       0x00, 0x00, 0x00, 0xC1, 0x3E, 0x0C, 0x13, 0x25, 0x03, 0x00, 0x00, 0x02, 0x6C},
      {0x0D, 0x44, 0x68, 0x50, 0x12, 0x22, 0x33, 0x44, 0x94, 0x08, 0x7A, 0x5D, 0x00, 0x00},
      {0x19, 0x44, 0xA5, 0x11, 0x44, 0x55, 0x66, 0x77, 0x20, 0x07, 0x8D, 0x20, 0x17,
       0x9A, 0x02, 0x00, 0x20, 0x0F, 0xE2, 0x6D, 0x91, 0x4B, 0xC0, 0x38, 0x7E, 0x15},
  };
  for (size_t i = 0; i < telegrams.size(); ++i) {
    const LocalTime at{2026, 12, 9, 8, 14, static_cast<int>(3 + 7 * i), 0};
    view.AddLine(WmbusFifoLine(at, -58 - static_cast<int>(9 * i), telegrams[i]));
  }
  view.SetCheck(kFifoAutoscroll, true);
  host.ShowModeless(nullptr, view);
  view.SetCurSel(kFifoList, 3);
  view.Deliver(Event{.kind = Event::Kind::kCommand, .id = kWmbusParse});
  ASSERT_EQ(view.Count(kWmbusFields), 6);
  EXPECT_EQ(view.Item(kWmbusFields, 0), u"Manufacturer  : ELS");
  EXPECT_EQ(view.Item(kWmbusFields, 5), u"DECRYPTED DATA: 0C 13 25 03 00 00 02 6C");

  const QString path = ShowCheckAndGrab(host, view, "wmbus-view");
  ASSERT_FALSE(path.isEmpty());
  // Every telegram line is in view whole, without scrolling sideways.
  DialogWindow* window = host.WindowOf(view);
  auto* list = qobject_cast<ListBoxView*>(window->Widget(kFifoList));
  ASSERT_NE(list, nullptr);
  EXPECT_LE(list->widest_line(), list->viewport()->width());
  EXPECT_GE(QImage(path).width(), 700);
  host.Forget(view);
}

}  // namespace
}  // namespace corvane::ui
