// QtHost: the dialogs on Qt 6 Widgets. Modal runs are QDialog::exec (timers and posted work
// keep running inside), window timers are QTimers keyed by (dialog, id), message boxes are
// QMessageBox, file dialogs QFileDialog, shell open QDesktopServices. The dialog run with no
// parent is the program's main window: it alone takes dropped files.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <unordered_map>
#include <utility>

#include "ui/host.h"

class QTimer;
class QUrl;
class QWidget;

namespace corvane::ui {

class DialogWindow;

class QtHost : public QObject, public Host {
  Q_OBJECT

 public:
  QtHost();
  ~QtHost() override;

  // The window of a dialog while it is up, else null.
  DialogWindow* WindowOf(const Dialog& dialog) const;

  void SetTimer(Dialog& dialog, int id, int ms) override;
  void KillTimer(Dialog& dialog, int id) override;
  bool TimerRunning(const Dialog& dialog, int id) const;
  int MessageBox(Dialog* owner, std::u16string_view text, std::u16string_view caption,
                 BoxStyle style) override;
  int RunModal(Dialog* parent, Dialog& child) override;
  void EndDialog(Dialog& dialog, int result) override;
  void ShowModeless(Dialog* parent, Dialog& dialog) override;
  void HideModeless(Dialog& dialog) override;
  std::optional<std::u16string> SaveFileName(Dialog* owner, const FileDialogSpec& spec) override;
  std::optional<std::u16string> OpenFileName(Dialog* owner, const FileDialogSpec& spec) override;
  bool ShellOpen(std::u16string_view target) override;
  // What ShellOpen hands the URL to: QDesktopServices::openUrl unless replaced (tests, which
  // must not start viewers, and must be able to see it fail).
  void SetShellOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }
  void SetHelpHandler(std::function<void()> handler) override { help_ = std::move(handler); }
  void RequestHelp() override;
  void SetClipboardText(std::u16string_view text) override;
  std::u16string ClipboardText() override;
  LocalTime Now() override;
  void Post(std::function<void()> work) override;
  void Forget(Dialog& dialog) override;

 private:
  QWidget* WidgetOf(Dialog* dialog) const;
  void KillTimersOf(const Dialog& dialog);
  std::optional<std::u16string> RunFileDialog(Dialog* owner, const FileDialogSpec& spec, bool save);

  std::map<std::pair<const Dialog*, int>, QTimer*> timers_;
  // A modeless window is a Qt child of its owner's window and goes when that window goes (a
  // modal run deletes its window at the end): the guarded pointer then reads null, so the
  // dialog's own end never deletes it a second time, and showing it again builds a new one.
  std::unordered_map<const Dialog*, QPointer<DialogWindow>> windows_;
  std::function<bool(const QUrl&)> opener_;
  std::function<void()> help_;
};

}  // namespace corvane::ui
