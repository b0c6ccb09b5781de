// What the program's windows do for the whole program on Qt: files dropped on the main window,
// help from any dialog, and telling the user when the system cannot open a file.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "app/shell_dialogs.h"
#include "device_shot.h"
#include "qt/qt_app.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"
#include "ui/sample_template.h"

namespace corvane::ui {
namespace {

class DropTarget : public Dialog {
 public:
  explicit DropTarget(Host& host) : Dialog(SampleDialogTemplate(), host) {}
  void OnDropFiles(const std::vector<std::u16string>& names) override {
    for (const auto& n : names) dropped.push_back(QString::fromStdU16String(n));
  }
  QStringList dropped;
  bool swallow_f1 = false;

 protected:
  bool OnKey(int key, bool /*down*/) override { return swallow_f1 && key == vk::kF1; }
};

// Runs step `i` and then the ones after it, a loop turn apart: a step that opens a modal loop
// returns only when that loop ends, so each step sees the windows the previous one left.
void RunStep(std::shared_ptr<std::vector<std::function<void()>>> steps, size_t i) {
  if (i >= steps->size()) return;
  QTimer::singleShot(10, [steps, i] {
    (*steps)[i]();
    RunStep(steps, i + 1);
  });
}

// Runs `steps` one after the other inside the modal loops the test opens.
void RunSteps(std::vector<std::function<void()>> steps) {
  RunStep(std::make_shared<std::vector<std::function<void()>>>(std::move(steps)), 0);
}

// Sends a drag over and a drop onto `window`; returns whether each was taken.
std::pair<bool, bool> DragAndDrop(QWidget* window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at(10, 10);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

TEST(QtMainWindow, DroppedLocalFilesReachTheMainDialogOnly) {
  TestApp();
  QtHost host;
  DropTarget main(host);
  DropTarget child(host);
  std::pair<bool, bool> local, remote, under_child;
  bool child_accepts = true;
  bool main_accepts = false;
  RunSteps({
      [&] {
        DialogWindow* w = host.WindowOf(main);
        main_accepts = w->acceptDrops();
        remote = DragAndDrop(w, {QUrl("https://example.org/site.cvp")});
        local = DragAndDrop(
            w, {QUrl::fromLocalFile("/tmp/site a.cvp"), QUrl("https://example.org/x.cvp"),
                QUrl::fromLocalFile("/tmp/old.CVP")});
      },
      [&] {
        // Another modal window above the main one: a project must not change under it.
        RunSteps({[&] {
          child_accepts = host.WindowOf(child)->acceptDrops();
          under_child = DragAndDrop(host.WindowOf(main), {QUrl::fromLocalFile("/tmp/late.cvp")});
          child.EndDialog(kIdOk);
        }});
        main.RunModal(child);
      },
      [&] { main.EndDialog(kIdCancel); },
  });
  host.RunModal(nullptr, main);
  EXPECT_TRUE(main_accepts);
  EXPECT_FALSE(child_accepts);
  EXPECT_EQ(remote, std::make_pair(false, false));
  EXPECT_EQ(local, std::make_pair(true, true));
  EXPECT_EQ(under_child, std::make_pair(false, false));
  EXPECT_EQ(main.dropped, QStringList({"/tmp/site a.cvp", "/tmp/old.CVP"}));
}

TEST(QtMainWindow, F1AndCtrlHInAModalChildReachTheHelp) {
  TestApp();
  QtHost host;
  int helped = 0;
  host.SetHelpHandler([&] { ++helped; });
  DropTarget main(host);
  DropTarget child(host);
  std::vector<int> after;  // help requests after each key
  RunSteps({
      [&] {
        RunSteps({
            [&] {
              auto* edit = qobject_cast<QLineEdit*>(host.WindowOf(child)->Widget(kSampleName));
              edit->setFocus();
              QTest::keyClick(edit, Qt::Key_F1);
              after.push_back(helped);
              QTest::keyClick(edit, Qt::Key_H);  // a letter for the edit
              after.push_back(helped);
              QTest::keyPress(edit, Qt::Key_Control);
              QTest::keyClick(edit, Qt::Key_H, Qt::ControlModifier);
              QTest::keyRelease(edit, Qt::Key_Control);
              after.push_back(helped);
              // A dialog that has its own use for F1 keeps it.
              child.swallow_f1 = true;
              QTest::keyClick(edit, Qt::Key_F1);
              after.push_back(helped);
              EXPECT_EQ(edit->text(), "h");
              child.EndDialog(kIdOk);
            },
        });
        main.RunModal(child);
      },
      [&] { main.EndDialog(kIdCancel); },
  });
  host.RunModal(nullptr, main);
  EXPECT_EQ(after, (std::vector<int>{1, 1, 2, 2}));
}

// The first start: no profile, so the service-code prompt comes up modally over the main window.
// F1 there opens the program's help (the user guide) through the main window's help.
TEST(QtMainWindow, HelpOpensFromTheFirstStartsServiceCodePrompt) {
  TestApp();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::filesystem::path old_dir = std::filesystem::current_path();
  std::filesystem::current_path(dir.path().toStdString());
  const QString guide = dir.filePath("user-guide.html");
  QFile(guide).open(QIODevice::WriteOnly);

  QtHost host;
  std::vector<QUrl> opened;
  host.SetShellOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  NoDongle transport;
  MemoryProfile profile;
  CCorvaneDlg::Environment env;
  env.profile = &profile;
  env.exit = [](int) {};
  env.user_guide = guide.toStdU16String();
  CCorvaneDlg main(host, transport, env);

  bool prompt_seen = false;
  bool pressed = false;
  QTimer poll;
  int waited_ms = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    waited_ms += 20;
    auto* prompt = qobject_cast<DialogWindow*>(QApplication::activeModalWidget());
    const bool is_prompt =
        prompt != nullptr && dynamic_cast<CServiceCode*>(&prompt->dialog()) != nullptr;
    if (is_prompt && !pressed) {
      prompt_seen = true;
      pressed = true;
      QWidget* focus = prompt->focusWidget();
      QTest::keyClick(focus != nullptr ? focus : prompt, Qt::Key_F1);
    }
    if ((pressed && !opened.empty()) || waited_ms > 10000) {
      if (is_prompt) prompt->close();
      host.EndDialog(main, kIdCancel);
      poll.stop();
    }
  });
  poll.start(20);
  host.RunModal(nullptr, main);
  std::filesystem::current_path(old_dir);
  EXPECT_TRUE(prompt_seen);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(guide));
}

// Answers the next message box and keeps its text.
QString TakeBoxText() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr) return {};
  const QString text = box->text();
  box->accept();
  return text;
}

TEST(QtMainWindow, AFailedShellOpenIsShownInAMessageBox) {
  TestApp();
  QTemporaryDir dir;
  const QString file = dir.filePath("export.txt");
  QFile(file).open(QIODevice::WriteOnly);
  QtHost host;
  bool opens = true;
  int asked = 0;
  host.SetShellOpener([&](const QUrl&) {
    ++asked;
    return opens;
  });
  QString text = "none";
  QTimer::singleShot(0, [&] { text = TakeBoxText(); });
  EXPECT_TRUE(host.ShellOpen(file.toStdU16String()));
  QApplication::processEvents();
  EXPECT_TRUE(text.isEmpty());  // no box

  opens = false;
  QTimer::singleShot(0, [&] { text = TakeBoxText(); });
  EXPECT_FALSE(host.ShellOpen(file.toStdU16String()));
  EXPECT_EQ(text, "Could not open " + file + ": no program is set up to show it.");

  // A file that is not there is not handed to the system at all.
  const QString missing = dir.filePath("Pellmar.chm");
  QTimer::singleShot(0, [&] { text = TakeBoxText(); });
  EXPECT_FALSE(host.ShellOpen(missing.toStdU16String()));
  EXPECT_EQ(text, "Could not open " + missing + ": the file does not exist.");
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace corvane::ui
