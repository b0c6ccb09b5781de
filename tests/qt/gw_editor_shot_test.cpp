// The paired-device editor (and the unidirectional one) as the gateway dialog opens it on a cached
// room unit: every control clear of its neighbours, the long device lines whole in the drop-down,
// and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <vector>

#include "gateway/gw_device_editors.h"
#include "gateway/gw_device_editors_template.h"
#include "model/project.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

std::vector<uint16_t> Named(std::u16string_view name, size_t words) {
  std::vector<uint16_t> record(words);
  StoreLowBytes(name, std::span(record).subspan(8, 8));
  return record;
}

TEST(QtScreenshot, GwDeviceEditorIsTidyAndSaved) {
  TestApp();
  Project project;
  project.SetEntry(0, 0x00800001, Named(u"RS485 Gateway", 200));
  project.SetEntry(1, 0x00200012, Named(u"Office 2.14", 190));
  project.SetEntry(2, 0x00300603, Named(u"Stair switches", 59));
  project.SetEntry(3, 0x00500107, Named(u"Corridor lights", 158));
  project.SetEntry(4, 0x00A00031, Named(u"Server room", 98));
  const std::vector<HeardEntry> heard{{0x00200012, 4, -67, 0}, {0x00500107, 12, -74, 0}};

  GwDeviceEntry entry{.address = 0x00200012, .mb_start = 2034};
  entry.SetMbCount(190);
  entry.SetCached(true);
  entry.SetPriority(3);
  uint8_t modbus = 12;
  QtHost host;
  CGwDevices editor(host, entry, modbus, 0x00800001, project, heard);
  const QString path = ShowCheckAndGrab(host, editor, "gw-device-editor");
  ASSERT_FALSE(path.isEmpty());
  ASSERT_EQ(editor.Count(kSubAddress), 5);

  DialogWindow* window = host.WindowOf(editor);
  auto* combo = qobject_cast<QComboBox*>(window->Widget(kSubAddress));
  ASSERT_NE(combo, nullptr);
  const QFontMetrics metrics(combo->font());
  for (int i = 0; i < combo->count(); ++i) {
    EXPECT_LE(metrics.horizontalAdvance(combo->itemText(i)), combo->width()) << i;
  }
  EXPECT_EQ(QImage(path).width(), window->width());
  host.Forget(editor);

  // The unidirectional editor shares the layout; tidy too.
  GwUniEntry uni{.address = 0x00300603, .reg = {0x8000, 4}};
  CGwDevicesUni uni_editor(host, uni, 0x00800001, project, heard);
  EXPECT_FALSE(ShowCheckAndGrab(host, uni_editor, "gw-uni-device-editor").isEmpty());
  host.Forget(uni_editor);
}

}  // namespace
}  // namespace corvane::ui
