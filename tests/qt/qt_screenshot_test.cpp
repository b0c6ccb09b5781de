// Builds the sample dialog with realistic content, checks the layout and saves a screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QTest>

#include "qt/qt_app.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"
#include "ui/templates/sample_dialog.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

class FilledSample : public Dialog {
 public:
  explicit FilledSample(Host& host) : Dialog(SampleDialogTemplate(), host) {}

 protected:
  void OnInit() override {
    SetTitle(u"Configuration Gateway 0x00800123 8388899 ");
    SetText(kSampleName, u"Boiler room");
    SetText(kSamplePassword, u"secret");
    SetText(kSampleFwNum, u"4.24");
    SetCurSel(kSampleFrequency, 0);
    SetText(kSampleAddress, u"0x00300012");
    SetCheck(kSampleSystemMode, true);
    SetDate(kSampleDate, {2026, 12, 9});
    SetTime(kSampleTime, {6, 42, 17});
    SetText(kSampleUptime, u"86400 s");
    SetColor(kSampleSquare1, 0x00C000);
    SetColor(kSampleSquare2, 0xFFFF00);
    SetColor(kSampleSquare3, 0xFF0000);
    SetSource(kSampleIndicator, SourceState::kRead);
    SetRowCount(kSampleTable, 78);
    for (int r = 0; r < 78; ++r) {
      const uint32_t address = r < 5 ? 0x00300010u + static_cast<uint32_t>(r) : 0;
      SetCell(kSampleTable, r, 0, Format("%03d", r + 1));
      SetCell(kSampleTable, r, 1, Format("0x%08X %d", address, address));
      SetCell(kSampleTable, r, 2, r % 2 ? u"o" : u"");
      SetCell(kSampleTable, r, 3, Format("%d", 100 + 10 * r));
      SetCell(kSampleTable, r, 4, Format("%d", 10));
      SetCell(kSampleTable, r, 5, Format("%d dBm", -60 - r));
      SetCell(kSampleTable, r, 6, r % 2 ? u"read cache" : u"go to dev.");
      SetCell(kSampleTable, r, 7, r < 5 ? Format("%02d:%02d:%02d", 6, 40, r) : u"--:--:--");
    }
    // The heard mark (U+16C9) is left out: the offscreen test font has no glyph for it.
    AddString(kSampleDevices, u"0x00A00001 Climate sensor  -75 dBm D");
    AddString(kSampleDevices, u"0x00300012 Quad input  -60 dBm");
    AddString(kSampleDevices, u"0x00200007 Room unit");
    SetSel(kSampleDevices, 0, true);
    for (int i = 0; i < 40; ++i) {
      AddString(kSampleLog, Format("index=%d,reg=%d 0x%04X tdif=%d", i, 1000 + i, 1000 + i, i));
    }
    SetCaret(kSampleLog, 39);
    SetText(kSampleNotes, u"Second floor, east wing.\nGateway behind the ceiling panel.");
    SetRange(kSampleProgress, 0, 1700);
    SetPos(kSampleProgress, 1100);
    SetText(kSampleLastComm, u"06:42:17");
  }
};

// Every visible widget of the window: at least its minimum size, and apart from its siblings.
void ExpectTidyLayout(QWidget* root) {
  const QList<QWidget*> widgets = root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  std::vector<QWidget*> shown;
  for (QWidget* w : widgets) {
    if (!w->isVisible() || w->isWindow() || w->objectName().startsWith("qt_")) continue;
    shown.push_back(w);
  }
  for (size_t i = 0; i < shown.size(); ++i) {
    QWidget* w = shown[i];
    if (!w->objectName().isEmpty()) {
      // What the layout honours: an explicit minimum size, else the widget's own hint.
      QSize hint = w->minimumSizeHint();
      if (w->minimumWidth() > 0) hint.setWidth(w->minimumWidth());
      if (w->minimumHeight() > 0) hint.setHeight(w->minimumHeight());
      EXPECT_GE(w->width(), hint.width()) << w->objectName().toStdString() << " clipped";
      EXPECT_GE(w->height(), hint.height()) << w->objectName().toStdString() << " clipped";
    }
    for (size_t j = i + 1; j < shown.size(); ++j) {
      EXPECT_FALSE(w->geometry().intersects(shown[j]->geometry()))
          << w->objectName().toStdString() << " overlaps " << shown[j]->objectName().toStdString();
    }
  }
  for (QWidget* w : shown) {
    if (w->objectName().startsWith("ctl")) ExpectTidyLayout(w);
  }
}

TEST(QtScreenshot, SampleDialogIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledSample dlg(host);
  host.ShowModeless(nullptr, dlg);
  DialogWindow* window = host.WindowOf(dlg);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QApplication::processEvents();

  // Every column of the table fits without a horizontal scroll bar at the default size.
  auto* table = window->Widget(kSampleTable);
  ASSERT_NE(table, nullptr);
  ExpectTidyLayout(window);

  const QPixmap shot = window->grab();
  ASSERT_FALSE(shot.isNull());
  EXPECT_GE(shot.width(), 700);
  const QString path = QDir(QStringLiteral(CORVANE_SHOT_DIR)).filePath("sample-dialog.png");
  ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
  EXPECT_TRUE(QFile::exists(path));
}

}  // namespace
}  // namespace corvane::ui
