// The project editor's window with a realistic project: every control clear of its neighbours,
// the longest lines readable, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QWidget>

#include "app/edit_project_template.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

// The editor as it looks after a scan; the lines are those the editor builds.
class FilledEditProject : public Dialog {
 public:
  explicit FilledEditProject(Host& host) : Dialog(EditProjectTemplate(), host) {}

 protected:
  void OnInit() override {
    SetText(kEditProjectName, u"Villa Rosen, east wing");
    SetText(kEditProjectPassword, u"TARVELONIX4817QD");
    for (const char16_t* name :
         {u"868.95MHz 100kBps", u"868.3MHz 32.8kBps", u"868.1MHz 100kBps", u"869.525MHz 100kBps",
          u"868.3MHz 38.4kBps", u"915.3MHz 100kBps"}) {
      AddString(kEditProjectFrequency, name);
    }
    SetCurSel(kEditProjectFrequency, 3);
    SetCurSel(kEditProjectSortBy, 2);
    AddString(kEditProjectInRange, u"0x00A00001 Termolo -75 dBm 4 s");
    AddString(kEditProjectInRange, u"0x00300012 Quadrel-A -60 dBm 120 s");
    AddString(kEditProjectInRange, u"0xFFE00001 DEVICE ON MODBUS -128 dBm 65535 s");
    SetSel(kEditProjectInRange, 1, true);
    AddString(kEditProjectDevices, u"0x00300012 Quadrel-A");
    AddString(kEditProjectDevices, u"0x00800123 Gatrix-xx");
    AddString(kEditProjectDevices, u"0x01100007 Calidor-C");
    AddString(kEditProjectManualAddress, u"0x00100000 Ventora");
    AddString(kEditProjectManualAddress, u"0xFFE00000 DEVICE ON MODBUS");
    SetCurSel(kEditProjectManualAddress, 1);
    SetText(kEditProjectNotes,
            u"Gateway behind the ceiling panel in the boiler room.\r\nRoom units on every floor.");
  }
};

TEST(QtScreenshot, EditProjectIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledEditProject dlg(host);
  const QString path = ShowCheckAndGrab(host, dlg, "edit-project");
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  EXPECT_GE(image.width(), 600);
  EXPECT_GE(image.height(), 400);
}

}  // namespace
}  // namespace corvane::ui
