// Builds the sample dialog with realistic content, checks the layout and saves a screenshot.
// A new dialog's smoke test is the same few lines with its own logic class.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"
#include "ui/sample_template.h"
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

TEST(QtScreenshot, SampleDialogIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledSample dlg(host);
  const QString path = ShowCheckAndGrab(host, dlg, "sample-dialog");
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  EXPECT_GE(image.width(), 700);
  // At its natural size the table shows every column without scrolling sideways.
  auto* table = qobject_cast<QTableView*>(host.WindowOf(dlg)->Widget(kSampleTable));
  ASSERT_NE(table, nullptr);
  EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
}

// The check itself must see a fault: two controls put into the same cell.
TEST(QtScreenshot, LayoutCheckReportsOverlaps) {
  TestApp();
  static const DialogTemplate kClash{
      .title = u"Clash", .controls = {Edit(10, At(0, 0)), Button(11, u"Over the edit", At(0, 0))}};
  QtHost host;
  Dialog dlg(kClash, host);
  host.ShowModeless(nullptr, dlg);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(host.WindowOf(dlg)));
  EXPECT_NONFATAL_FAILURE(ExpectTidyLayout(host.WindowOf(dlg)), "overlaps");
}

}  // namespace
}  // namespace corvane::ui
