#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"

namespace corvane::ui {
namespace {

QString ToQ(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

QtHost::QtHost() = default;

QtHost::~QtHost() {
  for (auto& [key, timer] : timers_) delete timer;
  timers_.clear();
  for (auto& [dialog, window] : windows_) delete window;
  windows_.clear();
}

DialogWindow* QtHost::WindowOf(const Dialog& dialog) const {
  auto it = windows_.find(&dialog);
  return it == windows_.end() ? nullptr : it->second.data();
}

QWidget* QtHost::WidgetOf(Dialog* dialog) const {
  if (dialog == nullptr) return QApplication::activeWindow();
  return WindowOf(*dialog);
}

void QtHost::SetTimer(Dialog& dialog, int id, int ms) {
  QTimer*& timer = timers_[{&dialog, id}];
  if (timer == nullptr) {
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [&dialog, id] { dialog.DeliverTimer(id); });
  }
  timer->start(std::max(ms, 1));
}

void QtHost::KillTimer(Dialog& dialog, int id) {
  auto it = timers_.find({&dialog, id});
  if (it == timers_.end()) return;
  // The timer may be the one whose handler is running right now.
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

bool QtHost::TimerRunning(const Dialog& dialog, int id) const {
  auto it = timers_.find({&dialog, id});
  return it != timers_.end() && it->second->isActive();
}

void QtHost::KillTimersOf(const Dialog& dialog) {
  for (auto it = timers_.lower_bound({&dialog, INT_MIN});
       it != timers_.end() && it->first.first == &dialog;) {
    it->second->stop();
    it->second->deleteLater();
    it = timers_.erase(it);
  }
}

int QtHost::MessageBox(Dialog* owner, std::u16string_view text, std::u16string_view caption,
                       BoxStyle style) {
  QMessageBox box(WidgetOf(owner));
  box.setWindowTitle(ToQ(caption));
  box.setText(ToQ(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  switch (style.icon) {
    case Icon::kNone:
      break;
    case Icon::kError:
      box.setIcon(QMessageBox::Critical);
      break;
    case Icon::kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::kWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
  }
  std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
  switch (style.buttons) {
    case Buttons::kOk:
      buttons = {{QMessageBox::Ok, kIdOk}};
      break;
    case Buttons::kOkCancel:
      buttons = {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
      break;
    case Buttons::kYesNo:
      buttons = {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
      break;
    case Buttons::kYesNoCancel:
      buttons = {
          {QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
      break;
  }
  for (const auto& [button, answer] : buttons) box.addButton(button);
  if (style.fixed_pitch) {
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
  }
  // A box sizes itself to its text: a caption longer than that would be cut off in the title
  // bar, so the box is made wide enough for it (with room for the title bar's buttons).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int title = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 140;
    grid->addItem(new QSpacerItem(title, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  const size_t def =
      std::min<size_t>(static_cast<size_t>(std::max(style.default_button, 0)), buttons.size() - 1);
  box.setDefaultButton(buttons[def].first);
  // Closing a box without a Cancel button answers as its only (or "No") button would.
  box.setEscapeButton(buttons.back().first);
  const int clicked = box.exec();
  for (const auto& [button, answer] : buttons) {
    if (clicked == button) return answer;
  }
  return buttons.back().second;
}

int QtHost::RunModal(Dialog* parent, Dialog& child) {
  if (WindowOf(child) != nullptr) return -1;  // already up; a dialog cannot run twice
  auto* window = new DialogWindow(child, WidgetOf(parent), false);
  window->setModal(true);
  // Files dropped on the main window open there (project files); the other dialogs do not
  // take drops.
  if (parent == nullptr) window->AcceptFileDrops(true);
  windows_[&child] = window;
  child.Init();
  int result = child.result();
  if (!child.ended()) {
    const int code = window->exec();
    result = child.ended() ? child.result() : code;
  }
  // The window goes with the run, and so do its timers.
  KillTimersOf(child);
  windows_.erase(&child);
  delete window;
  return result;
}

void QtHost::EndDialog(Dialog& dialog, int result) {
  DialogWindow* window = WindowOf(dialog);
  if (window == nullptr) return;
  if (window->modeless()) {
    window->hide();
  } else {
    window->done(result);
  }
}

void QtHost::ShowModeless(Dialog* parent, Dialog& dialog) {
  DialogWindow* window = WindowOf(dialog);
  if (window == nullptr) {
    QWidget* owner = WidgetOf(parent);
    window = new DialogWindow(dialog, owner, true);
    window->setModal(false);
    // A window opened beside its owner is a tool window: the window manager keeps it above the
    // owner (it is transient for it) instead of letting a click on the owner bury it.
    if (owner != nullptr) window->setWindowFlag(Qt::Tool, true);
    windows_[&dialog] = window;
    dialog.Init();
  }
  dialog.ResetEnded();
  window->show();
  window->raise();
}

void QtHost::HideModeless(Dialog& dialog) {
  if (DialogWindow* window = WindowOf(dialog)) window->hide();
}

std::optional<std::u16string> QtHost::RunFileDialog(Dialog* owner, const FileDialogSpec& spec,
                                                    bool save) {
  QFileDialog dialog(WidgetOf(owner), ToQ(spec.title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save || !spec.must_exist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters;
  for (const FileFilter& f : spec.filters) filters << ToQ(f.name);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!spec.default_extension.empty()) dialog.setDefaultSuffix(ToQ(spec.default_extension));
  if (!spec.initial_name.empty()) dialog.selectFile(ToQ(spec.initial_name));
  if (save && !spec.overwrite_prompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdU16String();
}

std::optional<std::u16string> QtHost::SaveFileName(Dialog* owner, const FileDialogSpec& spec) {
  return RunFileDialog(owner, spec, true);
}

std::optional<std::u16string> QtHost::OpenFileName(Dialog* owner, const FileDialogSpec& spec) {
  return RunFileDialog(owner, spec, false);
}

bool QtHost::ShellOpen(std::u16string_view target) {
  const QUrl url = QUrl::fromUserInput(ToQ(target), QDir::currentPath(), QUrl::AssumeLocalFile);
  const bool missing = url.isLocalFile() && !QFileInfo::exists(url.toLocalFile());
  if (!missing && (opener_ ? opener_(url) : QDesktopServices::openUrl(url))) return true;
  // Without a viewer (or a desktop to ask) the only trace would be a line on the terminal,
  // which a user started from a menu never sees.
  BoxStyle style;
  style.icon = Icon::kWarning;
  MessageBox(nullptr, ShellOpenFailureText(target, missing), u"", style);
  return false;
}

void QtHost::RequestHelp() {
  if (help_) help_();
}

void QtHost::SetClipboardText(std::u16string_view text) {
  QGuiApplication::clipboard()->setText(ToQ(text));
}

std::u16string QtHost::ClipboardText() {
  return QGuiApplication::clipboard()->text().toStdU16String();
}

LocalTime QtHost::Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return LocalTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

void QtHost::Post(std::function<void()> work) {
  // Queued to this object's thread (the GUI thread) from whichever thread calls.
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void QtHost::Forget(Dialog& dialog) {
  KillTimersOf(dialog);
  auto it = windows_.find(&dialog);
  if (it == windows_.end()) return;
  DialogWindow* window = it->second.data();  // null when its owner's window took it along
  windows_.erase(it);
  delete window;
}

}  // namespace corvane::ui
