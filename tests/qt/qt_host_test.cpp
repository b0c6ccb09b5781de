#include "ui/qt/qt_host.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qt/qt_app.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/key_map.h"
#include "ui/qt/list_models.h"
#include "ui/qt/source_indicator.h"
#include "ui/sample_template.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

std::string U8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

std::string Ev(const char* what, int id, const std::string& rest = "") {
  return std::string(what) + " " + std::to_string(id) + (rest.empty() ? "" : " " + rest);
}

// Logs each event together with what the store held when the event arrived.
class SampleDlg : public Dialog {
 public:
  explicit SampleDlg(Host& host) : Dialog(SampleDialogTemplate(), host) {}
  std::vector<std::string> log;
  bool swallow_f1 = false;
  bool log_focus = true;
  int timer_ticks = 0;
  std::function<void()> on_tick;

 protected:
  void OnInit() override {
    AddString(kSampleDevices, u"0x00300012 Quad input");
    AddString(kSampleDevices, u"0x00A00001 Climate");
    SetRowCount(kSampleTable, 3);
    for (int r = 0; r < 3; ++r) SetCell(kSampleTable, r, 0, u"00" + std::u16string(1, u'1' + r));
    log.push_back("init");
  }
  void OnCommand(int id) override { log.push_back("command " + std::to_string(id)); }
  void OnCheck(int id) override {
    log.push_back("check " + std::to_string(id) + (IsChecked(id) ? " on" : " off"));
  }
  void OnEditChange(int id) override {
    log.push_back("edit " + std::to_string(id) + " " + U8(Text(id)));
  }
  void OnSelChange(int id) override {
    std::string line = "sel " + std::to_string(id) + " " + std::to_string(CurSel(id));
    if (id == kSampleDevices) line += " n=" + std::to_string(SelCount(id));
    if (id == kSampleFrequency) line += " " + U8(Text(id));
    log.push_back(line);
  }
  void OnKillFocus(int id) override {
    if (log_focus) log.push_back("killfocus " + std::to_string(id));
  }
  void OnDoubleClick(int id, int row, int col) override {
    log.push_back("dbl " + std::to_string(id) + " " + std::to_string(row) + " " +
                  std::to_string(col) + " cur=" + std::to_string(CurSel(id)));
  }
  bool OnKey(int key, bool down) override {
    if (key == vk::kF1 || key == vk::kControl || key == 'H') {
      log.push_back(std::string(down ? "down " : "up ") + std::to_string(key));
    }
    return swallow_f1 && key == vk::kF1;
  }
  void OnDelete(int id) override { log.push_back("delete " + std::to_string(id)); }
  void OnTimer(int /*id*/) override {
    ++timer_ticks;
    if (on_tick) on_tick();
  }
  void OnOk() override {
    log.push_back("ok");
    Dialog::OnOk();
  }
  void OnCancel() override {
    log.push_back("cancel");
    Dialog::OnCancel();
  }
};

class QtHostTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }

  // Shows the dialog as a window and waits until it is on screen.
  DialogWindow* ShowUp(Dialog& dlg) {
    host.ShowModeless(nullptr, dlg);
    DialogWindow* window = host.WindowOf(dlg);
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    return window;
  }

  template <class W>
  W* Get(DialogWindow* window, int id) {
    auto* w = qobject_cast<W*>(window->Widget(id));
    EXPECT_NE(w, nullptr) << "control " << id;
    return w;
  }

  QtHost host;
};

TEST_F(QtHostTest, EveryControlKindBecomesItsWidget) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  EXPECT_EQ(w->windowTitle(), "Sample Configuration");
  EXPECT_NE(Get<QLineEdit>(w, kSampleName), nullptr);
  EXPECT_EQ(Get<QLineEdit>(w, kSamplePassword)->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(Get<QLineEdit>(w, kSampleFwNum)->isReadOnly());
  EXPECT_FALSE(Get<QComboBox>(w, kSampleFrequency)->isEditable());
  EXPECT_EQ(Get<QComboBox>(w, kSampleFrequency)->count(), 6);
  EXPECT_TRUE(Get<QComboBox>(w, kSampleAddress)->isEditable());
  EXPECT_EQ(Get<QComboBox>(w, kSampleAddress)->itemText(0), "0x00100000 Room unit");
  EXPECT_NE(Get<QPlainTextEdit>(w, kSampleNotes), nullptr);
  EXPECT_NE(Get<QCheckBox>(w, kSampleLock), nullptr);
  EXPECT_FALSE(Get<QDateEdit>(w, kSampleDate)->isEnabled());
  EXPECT_NE(Get<QTimeEdit>(w, kSampleTime), nullptr);
  EXPECT_EQ(Get<ColorSquareWidget>(w, kSampleSquare1)->size(), QSize(20, 20));
  EXPECT_EQ(Get<SourceIndicatorButton>(w, kSampleIndicator)->size(), QSize(101, 39));
  EXPECT_EQ(Get<QPushButton>(w, kSampleScan)->text(), "Scan");
  EXPECT_EQ(Get<ListBoxView>(w, kSampleDevices)->selectionMode(),
            QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(Get<ListBoxView>(w, kSampleLog)->selectionMode(), QAbstractItemView::SingleSelection);
  auto* table = Get<QTableView>(w, kSampleTable);
  EXPECT_EQ(table->model()->columnCount(), kSampleTableColumns);
  EXPECT_EQ(table->columnWidth(1), 150);
  EXPECT_EQ(table->model()->headerData(3, Qt::Horizontal).toString(), "MB_start");
  EXPECT_TRUE(table->showGrid());
  EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_NE(Get<QProgressBar>(w, kSampleProgress), nullptr);
  EXPECT_EQ(Get<QGroupBox>(w, kSampleGroupDevice)->title(), "Device");
  // The caption-less group is a plain frame-less container.
  EXPECT_EQ(qobject_cast<QGroupBox*>(w->Widget(kSampleButtonRow)), nullptr);
  EXPECT_EQ(dlg.unknown_id_uses(), 0);
}

TEST_F(QtHostTest, UserInputReachesTheLogicWithTheStoreUpdated) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  dlg.log.clear();
  dlg.log_focus = false;  // clicks move the focus; KeysFocusLossEnterAndEscape covers that

  QTest::keyClicks(Get<QLineEdit>(w, kSampleName), "IN4");
  EXPECT_EQ(dlg.Text(kSampleName), u"IN4");
  QTest::mouseClick(Get<QCheckBox>(w, kSampleLock), Qt::LeftButton);
  QTest::mouseClick(Get<QPushButton>(w, kSampleRead), Qt::LeftButton);
  auto* freq = Get<QComboBox>(w, kSampleFrequency);
  freq->setFocus();
  QTest::keyClick(freq, Qt::Key_Down);
  EXPECT_EQ(dlg.log,
            (std::vector<std::string>{Ev("edit", kSampleName, "I"), Ev("edit", kSampleName, "IN"),
                                      Ev("edit", kSampleName, "IN4"),
                                      Ev("check", kSampleLock, "on"), Ev("command", kSampleRead),
                                      Ev("sel", kSampleFrequency, "0 868.950MHz 100kBps")}));
  dlg.log.clear();

  // A click selects one line, Ctrl+click adds a second.
  auto* list = Get<ListBoxView>(w, kSampleDevices);
  const QRect r0 = list->visualRect(list->model()->index(0, 0));
  const QRect r1 = list->visualRect(list->model()->index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r0.center());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, r1.center());
  EXPECT_EQ(dlg.SelectedItems(kSampleDevices), (std::vector<int>{0, 1}));
  ASSERT_FALSE(dlg.log.empty());
  EXPECT_EQ(dlg.log.back(), Ev("sel", kSampleDevices, "0 n=2"));

  // Delete with the focus in a list reaches the logic; in an edit it stays the edit's.
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(dlg.log.back(), Ev("delete", kSampleDevices));

  auto* table = Get<QTableView>(w, kSampleTable);
  const QRect cell = table->visualRect(table->model()->index(2, 3));
  dlg.log.clear();
  // A double click is a click followed by the double-click press.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(dlg.log, (std::vector<std::string>{Ev("sel", kSampleTable, "2"),
                                               Ev("dbl", kSampleTable, "2 3 cur=2")}));

  // A double-click in an edit reaches the logic too, once.
  dlg.log.clear();
  QTest::mouseDClick(Get<QLineEdit>(w, kSampleName), Qt::LeftButton);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{Ev("dbl", kSampleName, "0 0 cur=-1")}));
}

TEST_F(QtHostTest, KeysFocusLossEnterAndEscape) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  dlg.log.clear();
  auto* name = Get<QLineEdit>(w, kSampleName);
  name->setFocus();
  dlg.swallow_f1 = true;
  QTest::keyClick(name, Qt::Key_F1);
  QTest::keyPress(name, Qt::Key_Control);
  QTest::keyRelease(name, Qt::Key_Control);
  Get<QLineEdit>(w, kSamplePassword)->setFocus(Qt::TabFocusReason);
  // Enter in a multi-line edit is a line break, not OK.
  auto* notes = Get<QPlainTextEdit>(w, kSampleNotes);
  notes->setFocus();
  QTest::keyClicks(notes, "a");
  QTest::keyClick(notes, Qt::Key_Return);
  EXPECT_EQ(dlg.Text(kSampleNotes), u"a\n");
  EXPECT_EQ(dlg.log, (std::vector<std::string>{
                         "down 112", "up 112", "down 17", "up 17", Ev("killfocus", kSampleName),
                         Ev("killfocus", kSamplePassword), Ev("edit", kSampleNotes, "a"),
                         Ev("edit", kSampleNotes, "a\n")}));
  name->setFocus();
  dlg.log.clear();
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"ok"}));
  EXPECT_TRUE(dlg.ended());
  EXPECT_FALSE(w->isVisible());  // a modeless window hides when it ends

  host.ShowModeless(nullptr, dlg);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  dlg.log.clear();
  QTest::keyClick(Get<ListBoxView>(w, kSampleDevices), Qt::Key_Escape);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"cancel"}));
  EXPECT_EQ(dlg.result(), kIdCancel);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(QtHostTest, LogicChangesReachTheWidgets) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  dlg.SetTitle(u"Configuration 0x00300012");
  dlg.SetText(kSampleName, u"Hall");
  dlg.SetText(kSampleNotes, u"line 1\nline 2");
  dlg.SetText(kSampleUptime, u"3600 s");
  dlg.SetCheck(kSampleSystemMode, true);
  dlg.SetCurSel(kSampleFrequency, 3);
  dlg.SetText(kSampleAddress, u"0x00200000");
  dlg.SetRange(kSampleProgress, 0, 1700);
  dlg.SetPos(kSampleProgress, 850);
  dlg.SetDate(kSampleDate, {2026, 12, 9});
  dlg.SetTime(kSampleTime, {23, 59, 58});
  dlg.SetColor(kSampleSquare2, 0xFFFF00);
  dlg.SetSource(kSampleIndicator, SourceState::kError);
  dlg.Show(kSampleUptimeLabel, false);
  dlg.Enable(kSampleWrite, false);
  dlg.SetToolTip(kSampleWrite, u"Needs firmware 4.23 or later");
  dlg.SetCell(kSampleTable, 1, 6, u"read cache");
  dlg.SetSel(kSampleDevices, 1, true);

  EXPECT_EQ(w->windowTitle(), "Configuration 0x00300012");
  EXPECT_EQ(Get<QLineEdit>(w, kSampleName)->text(), "Hall");
  EXPECT_EQ(Get<QPlainTextEdit>(w, kSampleNotes)->toPlainText(), "line 1\nline 2");
  EXPECT_EQ(Get<QLabel>(w, kSampleUptime)->text(), "3600 s");
  EXPECT_TRUE(Get<QCheckBox>(w, kSampleSystemMode)->isChecked());
  EXPECT_EQ(Get<QComboBox>(w, kSampleFrequency)->currentText(), "869.525MHz 100kBps");
  EXPECT_EQ(Get<QComboBox>(w, kSampleAddress)->currentText(), "0x00200000");
  EXPECT_EQ(Get<QProgressBar>(w, kSampleProgress)->maximum(), 1700);
  EXPECT_EQ(Get<QProgressBar>(w, kSampleProgress)->value(), 850);
  EXPECT_EQ(Get<QDateEdit>(w, kSampleDate)->date(), QDate(2026, 12, 9));
  EXPECT_EQ(Get<QTimeEdit>(w, kSampleTime)->time(), QTime(23, 59, 58));
  EXPECT_EQ(Get<SourceIndicatorButton>(w, kSampleIndicator)->state(), SourceState::kError);
  EXPECT_FALSE(Get<QLabel>(w, kSampleUptimeLabel)->isVisible());
  EXPECT_FALSE(Get<QPushButton>(w, kSampleWrite)->isEnabled());
  EXPECT_EQ(Get<QPushButton>(w, kSampleWrite)->toolTip(), "Needs firmware 4.23 or later");
  auto* list = Get<ListBoxView>(w, kSampleDevices);
  EXPECT_TRUE(list->selectionModel()->isRowSelected(1, {}));
  EXPECT_FALSE(list->selectionModel()->isRowSelected(0, {}));
  QApplication::processEvents();
  auto* table = Get<QTableView>(w, kSampleTable);
  EXPECT_EQ(table->model()->index(1, 6).data().toString(), "read cache");
  // Logic changes are not reported back to the logic as user input.
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init"}));
}

TEST_F(QtHostTest, AppendedLinesArriveAsOneInsertionPerFrame) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  ListBoxModel* model = w->ListModel(kSampleLog);
  ASSERT_NE(model, nullptr);
  QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
  for (int i = 0; i < 1000; ++i) dlg.AddString(kSampleLog, u"line");
  EXPECT_EQ(model->rowCount(), 0);
  QApplication::processEvents();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 999);
  // Autoscroll through a burst: the caret follows each line in the store, the view once.
  auto* view = Get<ListBoxView>(w, kSampleLog);
  // Lines that follow within the frame wait for its end, the caret with them.
  for (int i = 0; i < 50; ++i) dlg.SetCaret(kSampleLog, dlg.AddString(kSampleLog, u"burst"));
  EXPECT_EQ(dlg.Caret(kSampleLog), 1049);
  QTest::qWait(2 * ListBoxModel::kFrameMs);
  EXPECT_EQ(model->rowCount(), 1050);
  EXPECT_EQ(view->currentIndex().row(), 1049);
  EXPECT_TRUE(view->viewport()->rect().intersects(view->visualRect(model->index(1049, 0))));
  ASSERT_EQ(inserted.count(), 2);
  EXPECT_EQ(inserted[1][1].toInt(), 1000);
  EXPECT_EQ(inserted[1][2].toInt(), 1049);
  // A removal in between keeps the view consistent with the store.
  dlg.AddString(kSampleLog, u"x");
  dlg.DeleteString(kSampleLog, 0);
  EXPECT_EQ(model->rowCount(), dlg.Count(kSampleLog));
  EXPECT_EQ(model->index(1049, 0).data().toString(), "x");
}

// Rows are placed by arithmetic: the keys page through the list, and lines inserted or removed
// in sight are painted where they now stand (the view keeps laid-out text per row).
TEST_F(QtHostTest, ListKeysPageAndChangedRowsPaintWhereTheyStand) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  auto* view = Get<ListBoxView>(w, kSampleLog);
  for (int i = 0; i < 200; ++i) dlg.AddString(kSampleLog, Format("line %d", i));
  QApplication::processEvents();
  view->setFocus();
  view->setCurrentIndex(view->model()->index(0, 0));
  const int page = view->viewport()->height() / view->row_height();
  ASSERT_GE(page, 2);
  QTest::keyClick(view, Qt::Key_PageDown);
  EXPECT_EQ(view->currentIndex().row(), page);
  QTest::keyClick(view, Qt::Key_End);
  EXPECT_EQ(view->currentIndex().row(), 199);
  EXPECT_EQ(view->indexAt(view->visualRect(view->currentIndex()).center()).row(), 199);
  EXPECT_EQ(view->verticalScrollBar()->value(), 200 - page);
  QTest::keyClick(view, Qt::Key_Up);
  EXPECT_EQ(view->currentIndex().row(), 198);
  EXPECT_EQ(dlg.CurSel(kSampleLog), 198);
  QTest::keyClick(view, Qt::Key_Home);
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);

  // Painted, then changed in sight: each picture is that of a list built as it now is.
  view->clearFocus();
  view->selectionModel()->clear();
  auto as_if_built_anew = [&] {
    QApplication::processEvents();
    SampleDlg fresh(host);
    DialogWindow* w2 = ShowUp(fresh);
    for (int i = 0; i < dlg.Count(kSampleLog); ++i) {
      fresh.AddString(kSampleLog, dlg.Item(kSampleLog, i));
    }
    // The rows arrive in one turn, the scroll bar they call for in the next.
    QApplication::processEvents();
    QApplication::processEvents();
    auto* other = Get<ListBoxView>(w2, kSampleLog);
    const bool same = other->viewport()->size() == view->viewport()->size() &&
                      other->viewport()->grab().toImage() == view->viewport()->grab().toImage();
    host.Forget(fresh);
    return same;
  };
  const QImage before = view->viewport()->grab().toImage();
  dlg.InsertString(kSampleLog, 1, u"inserted");
  EXPECT_TRUE(as_if_built_anew());
  EXPECT_NE(view->viewport()->grab().toImage(), before);
  dlg.DeleteString(kSampleLog, 3);
  EXPECT_TRUE(as_if_built_anew());
}

// The column is measured from cheap estimates and shapes only the lines that may be the widest:
// a later line with fewer but wider characters, a line among many of the same length, and a
// change of font must still leave every line in sight when scrolled sideways.
TEST_F(QtHostTest, ListColumnReachesTheEndOfEveryLine) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  auto* view = Get<ListBoxView>(w, kSampleLog);
  const std::u16string narrow(120, u'i');
  const std::u16string wide(90, u'W');
  const std::u16string spaced = u"\n  " + std::u16string(100, u'M') + u"  \r\n";
  for (int i = 0; i < 300; ++i) dlg.AddString(kSampleLog, i == 150 ? wide : narrow);
  dlg.AddString(kSampleLog, spaced);
  QApplication::processEvents();
  auto shaped = [&](int row) {
    return view->fontMetrics().horizontalAdvance(view->model()->index(row, 0).data().toString());
  };
  const int widest = std::max({shaped(0), shaped(150), shaped(300)});
  ASSERT_GT(widest, view->viewport()->width());
  EXPECT_GE(view->column_width(), widest);
  // Margins and the kerning allowance stay small: no long empty run to scroll through.
  EXPECT_LE(view->column_width(), widest + 4 * view->fontMetrics().averageCharWidth());

  QFont larger = view->font();
  larger.setPointSizeF(larger.pointSizeF() * 1.5);
  view->setFont(larger);
  QApplication::processEvents();
  const int widest_larger = std::max({shaped(0), shaped(150), shaped(300)});
  ASSERT_GT(widest_larger, widest);
  EXPECT_GE(view->column_width(), widest_larger);
}

TEST_F(QtHostTest, TableRefreshChangesCellsWithoutResettingTheModel) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  dlg.SetRowCount(kSampleTable, 200);
  QApplication::processEvents();
  ListViewModel* model = w->TableModel(kSampleTable);
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  QSignalSpy reset(model, &QAbstractItemModel::modelReset);
  QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
  for (int r = 0; r < 200; ++r) {
    for (int c = 0; c < kSampleTableColumns; ++c) dlg.SetCell(kSampleTable, r, c, u"v");
  }
  QApplication::processEvents();
  EXPECT_EQ(reset.count(), 0);
  EXPECT_EQ(inserted.count(), 0);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 199);
  // Setting the same texts again is no change at all.
  for (int r = 0; r < 200; ++r) dlg.SetCell(kSampleTable, r, 0, u"v");
  QApplication::processEvents();
  EXPECT_EQ(changed.count(), 1);
}

// A child run modally above a shown parent: the parent's timer and posted work keep going.
TEST_F(QtHostTest, ModalChildRunsWhileTheParentTimerFires) {
  SampleDlg parent(host);
  ShowUp(parent);
  SampleDlg child(host);
  int posted_ran = 0;
  parent.on_tick = [&] {
    if (parent.timer_ticks == 1) {
      std::thread([&] { host.Post([&] { ++posted_ran; }); }).join();
    }
    if (parent.timer_ticks == 5) child.EndDialog(kIdYes);
  };
  parent.SetTimer(3, 10);
  bool child_was_modal = false;
  QTimer::singleShot(0, [&] {
    DialogWindow* cw = host.WindowOf(child);
    child_was_modal = cw != nullptr && cw->isModal() && cw->isVisible();
  });
  EXPECT_EQ(parent.RunModal(child), kIdYes);
  EXPECT_TRUE(child_was_modal);
  EXPECT_EQ(parent.timer_ticks, 5);
  EXPECT_EQ(posted_ran, 1);
  EXPECT_EQ(host.WindowOf(child), nullptr);
  EXPECT_TRUE(host.TimerRunning(parent, 3));
  parent.KillTimer(3);
  EXPECT_FALSE(host.TimerRunning(parent, 3));
}

TEST_F(QtHostTest, MessageBoxShowsStyleAndReturnsTheAnswer) {
  SampleDlg dlg(host);
  ShowUp(dlg);
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  QString default_text;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    icon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    default_text = box->defaultButton()->text();
    QTest::keyClick(box, Qt::Key_Return);  // takes the default button
  });
  const int answer = dlg.MessageBox(
      u"Data are from project, write can replace data in device.\r\nStill want to write?",
      u"Possible overwrite", {Buttons::kYesNoCancel, Icon::kQuestion, 1});
  EXPECT_EQ(answer, kIdNo);
  EXPECT_EQ(text, "Data are from project, write can replace data in device.\nStill want to write?");
  EXPECT_EQ(title, "Possible overwrite");
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(buttons, 3);
  EXPECT_TRUE(default_text.contains("No"));

  QTimer::singleShot(0, [&] {
    if (auto* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(dlg.MessageBox(u"Read unsuccessfull"), kIdOk);

  // A caption longer than the text still fits the box; a report keeps its columns in a
  // fixed-width font.
  int width = 0;
  int caption_width = 0;
  bool fixed = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    width = box->sizeHint().width();
    caption_width = box->fontMetrics().horizontalAdvance(box->windowTitle());
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    fixed = label != nullptr && QFontInfo(label->font()).fixedPitch();
    QTest::keyClick(box, Qt::Key_Return);
  });
  dlg.MessageBox(u"Pos 1: 12 V", u"Ballast Data 1 of Stralux-C 0x00900301 (Mast 7)",
                 {Buttons::kOk, Icon::kInformation, 0, true});
  EXPECT_GT(width, caption_width);
  EXPECT_TRUE(fixed);
}

TEST_F(QtHostTest, FileDialogsFollowTheirSpec) {
  SampleDlg dlg(host);
  ShowUp(dlg);
  const QString folder = QDir(QDir::tempPath()).filePath("corvane_qt_files");
  QDir().mkpath(folder);
  QFile::remove(QDir(folder).filePath("Export_x.txt"));
  FileDialogSpec spec{.title = u"Export",
                      .filters = {{u"Text files (*.txt)", u"*.txt"}, {u"All files (*)", u"*"}},
                      .default_extension = u"txt",
                      .initial_name = QDir(folder).filePath("Export_x").toStdU16String(),
                      .overwrite_prompt = true};
  QStringList filters;
  QString suffix;
  bool confirms_overwrite = false;
  QTimer::singleShot(0, [&] {
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(fd, nullptr);
    filters = fd->nameFilters();
    suffix = fd->defaultSuffix();
    confirms_overwrite = !fd->testOption(QFileDialog::DontConfirmOverwrite);
    static_cast<QDialog*>(fd)->accept();  // as the Save button does
  });
  const auto saved = host.SaveFileName(&dlg, spec);
  EXPECT_EQ(filters, QStringList({"Text files (*.txt)", "All files (*)"}));
  EXPECT_EQ(suffix, "txt");
  EXPECT_TRUE(confirms_overwrite);
  // The default extension is added to the proposed name.
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(QString::fromStdU16String(*saved), QDir(folder).filePath("Export_x.txt"));

  // Opening wants an existing file; cancelling gives nothing.
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QTimer::singleShot(0, [&] {
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(fd, nullptr);
    mode = fd->fileMode();
    fd->reject();
  });
  EXPECT_EQ(host.OpenFileName(&dlg, spec), std::nullopt);
  EXPECT_EQ(mode, QFileDialog::ExistingFile);
  QDir(folder).removeRecursively();
}

// A tool window opened beside a modal window is a Qt child of it, so it goes when the modal run
// deletes its window. Whatever the order of hiding, ending and destroying, nothing is deleted
// twice and the tool can be shown again afterwards.
TEST_F(QtHostTest, ModelessChildOfAModalWindowInEveryOrderOfClosing) {
  enum class Order { kHiddenThenOwnerEnds, kShownWhenOwnerEnds, kChildGoesFirst };
  for (Order order :
       {Order::kHiddenThenOwnerEnds, Order::kShownWhenOwnerEnds, Order::kChildGoesFirst}) {
    SCOPED_TRACE(static_cast<int>(order));
    SampleDlg root(host);
    ShowUp(root);
    SampleDlg owner(host);
    auto tool = std::make_unique<SampleDlg>(host);
    bool tool_was_shown = false;
    QTimer::singleShot(0, [&] {
      owner.ShowModeless(*tool);
      DialogWindow* tw = host.WindowOf(*tool);
      // A tool window, transient for its owner, so the owner's clicks do not bury it.
      tool_was_shown =
          tw != nullptr && tw->isVisible() && tw->parentWidget() == host.WindowOf(owner) &&
          (tw->windowFlags() & Qt::Tool) != 0 && tw->windowHandle() != nullptr &&
          tw->windowHandle()->transientParent() == host.WindowOf(owner)->windowHandle();
      if (order == Order::kHiddenThenOwnerEnds) tool->Hide();
      if (order == Order::kChildGoesFirst) tool.reset();
      owner.EndDialog(kIdOk);
    });
    EXPECT_EQ(root.RunModal(owner), kIdOk);
    EXPECT_TRUE(tool_was_shown);
    if (tool) {
      EXPECT_EQ(host.WindowOf(*tool), nullptr);
      // Shown again after its owner's window went: a window of its own.
      host.ShowModeless(&root, *tool);
      DialogWindow* again = host.WindowOf(*tool);
      ASSERT_NE(again, nullptr);
      EXPECT_TRUE(again->isVisible());
      EXPECT_EQ(tool->log.back(), "init");
      tool.reset();  // its end deletes the new window once
    }
    QApplication::processEvents();
  }
}

TEST_F(QtHostTest, CloseBoxOfAModelessWindowHidesIt) {
  SampleDlg dlg(host);
  DialogWindow* w = ShowUp(dlg);
  dlg.log.clear();
  w->close();
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"cancel"}));
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(host.WindowOf(dlg), w);  // hidden, not destroyed: showing it again is cheap
}

TEST_F(QtHostTest, ClipboardAndLocalTime) {
  host.SetClipboardText(u"0x00A00001 \u16C9");
  EXPECT_EQ(host.ClipboardText(), u"0x00A00001 \u16C9");
  const LocalTime t = host.Now();
  const QDateTime now = QDateTime::currentDateTime();
  EXPECT_EQ(t.year, now.date().year());
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.hour, 23);
}

// The main window's shortcuts compare these codes, numeric-pad 8 and F4 included.
TEST(VirtualKeys, QtKeysMapToTheCodesTheLogicCompares) {
  auto code = [](int key, Qt::KeyboardModifiers mods = {}) {
    const QKeyEvent e(QEvent::KeyPress, key, mods);
    return VirtualKey(e);
  };
  EXPECT_EQ(code(Qt::Key_S, Qt::ControlModifier), 0x53);
  EXPECT_EQ(code(Qt::Key_H), 0x48);
  EXPECT_EQ(code(Qt::Key_8), 0x38);
  EXPECT_EQ(code(Qt::Key_8, Qt::KeypadModifier), 0x68);
  EXPECT_EQ(code(Qt::Key_F1), 0x70);
  EXPECT_EQ(code(Qt::Key_F4), 0x73);
  EXPECT_EQ(code(Qt::Key_F11), 0x7A);
  EXPECT_EQ(code(Qt::Key_Control), vk::kControl);
  EXPECT_EQ(code(Qt::Key_Enter, Qt::KeypadModifier), vk::kReturn);
  EXPECT_EQ(code(Qt::Key_Delete), vk::kDelete);
  EXPECT_EQ(code(Qt::Key_Eacute), 0);
}

TEST(SourceIndicatorImage, EachStateHasItsColoursAndWord) {
  TestApp();
  struct Expect {
    SourceState state;
    QColor upper_left;
    QColor lower_right;
  };
  const QColor yellow(255, 230, 40), green(70, 200, 70), red(230, 50, 40), grey(175, 175, 175);
  for (const Expect& e :
       {Expect{SourceState::kProject, yellow, yellow}, Expect{SourceState::kRead, yellow, green},
        Expect{SourceState::kDevice, green, green}, Expect{SourceState::kError, red, red},
        Expect{SourceState::kCache, grey, grey}, Expect{SourceState::kWrite, green, yellow}}) {
    const QImage image = SourceIndicatorButton::Render(e.state);
    ASSERT_EQ(image.size(), QSize(101, 39));
    EXPECT_EQ(image.pixelColor(3, 3), e.upper_left) << static_cast<int>(e.state);
    EXPECT_EQ(image.pixelColor(97, 35), e.lower_right) << static_cast<int>(e.state);
    // The word is black, in the middle.
    bool black = false;
    for (int x = 20; x < 80 && !black; ++x) {
      for (int y = 12; y < 28 && !black; ++y) black = image.pixelColor(x, y) == QColor(Qt::black);
    }
    EXPECT_TRUE(black) << static_cast<int>(e.state);
  }
}

}  // namespace
}  // namespace corvane::ui
