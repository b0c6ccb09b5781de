#include "cli/console_host.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <ctime>
#include <span>

#include "ui/text.h"

namespace corvane::cli {

using ui::Dialog;

namespace {
// Written by a signal handler, read by the loops: lock-free, nothing else.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// A loop asleep when the signal comes looks again this often.
constexpr int64_t kSignalPollMs = 100;
}  // namespace

void ConsoleHost::StopFromSignal(int signal) { g_signal.store(signal, std::memory_order_relaxed); }

int ConsoleHost::received_signal() { return g_signal.load(std::memory_order_relaxed); }

void ConsoleHost::ClearSignal() { g_signal.store(0, std::memory_order_relaxed); }

ConsoleHost::ConsoleHost(std::ostream& err) : err_(err) {}

ConsoleHost::~ConsoleHost() = default;

int ConsoleHost::DefaultAnswer(ui::BoxStyle style) {
  static constexpr int kOk[] = {ui::kIdOk};
  static constexpr int kOkCancel[] = {ui::kIdOk, ui::kIdCancel};
  static constexpr int kYesNo[] = {ui::kIdYes, ui::kIdNo};
  static constexpr int kYesNoCancel[] = {ui::kIdYes, ui::kIdNo, ui::kIdCancel};
  std::span<const int> answers = kOk;
  switch (style.buttons) {
    case ui::Buttons::kOk:
      break;
    case ui::Buttons::kOkCancel:
      answers = kOkCancel;
      break;
    case ui::Buttons::kYesNo:
      answers = kYesNo;
      break;
    case ui::Buttons::kYesNoCancel:
      answers = kYesNoCancel;
      break;
  }
  const int index = std::clamp(style.default_button, 0, static_cast<int>(answers.size()) - 1);
  return answers[static_cast<size_t>(index)];
}

int64_t ConsoleHost::now_ms() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

ui::LocalTime ConsoleHost::Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return ui::LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,       local.tm_hour,
                       local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
}

// --- Loop ----------------------------------------------------------------------------------------

void ConsoleHost::AttachClock(std::function<int64_t()> next_event,
                              std::function<void(int64_t)> advance_to) {
  followers_.push_back(Follower{std::move(next_event), std::move(advance_to)});
}

void ConsoleHost::Post(std::function<void()> work) {
  {
    std::lock_guard lock(post_mutex_);
    posted_.push_back(std::move(work));
  }
  posted_cv_.notify_one();
}

bool ConsoleHost::RunPosted() {
  std::vector<std::function<void()>> work;
  {
    std::lock_guard lock(post_mutex_);
    work.swap(posted_);
  }
  for (auto& fn : work) fn();
  return !work.empty();
}

int64_t ConsoleHost::RunDue() {
  RunPosted();
  const int64_t now = now_ms();
  for (Follower& f : followers_) {
    if (f.next_event() <= now) {
      f.advance_to(now);
      RunPosted();
    }
  }
  // Each due timer once, earliest first (ties in the order they were set). A timer that fell
  // behind fires once and is due a period after now, as window timers coalesce.
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->due > now) continue;
      if (next == timers_.end() || it->due < next->due ||
          (it->due == next->due && it->order < next->order)) {
        next = it;
      }
    }
    if (next == timers_.end()) break;
    // Rescheduled before the handler runs, so the handler can kill or restart it.
    next->due = now + next->period;
    next->order = ++timer_order_;
    Dialog* dialog = next->dialog;
    const int id = next->id;
    dialog->DeliverTimer(id);
    RunPosted();
    if (stopped()) break;
  }
  int64_t wake = INT64_MAX;
  for (const Timer& t : timers_) wake = std::min(wake, t.due);
  for (Follower& f : followers_) wake = std::min(wake, f.next_event());
  return wake;
}

void ConsoleHost::Sleep(int64_t until) {
  std::unique_lock lock(post_mutex_);
  const int64_t left = std::min(until - now_ms(), kSignalPollMs);
  if (left <= 0 || !posted_.empty()) return;
  posted_cv_.wait_for(lock, std::chrono::milliseconds(left), [this] { return !posted_.empty(); });
}

bool ConsoleHost::RunUntil(const std::function<bool()>& done, int64_t limit_ms, bool after_stop) {
  const int64_t deadline = now_ms() + std::max<int64_t>(limit_ms, 0);
  for (;;) {
    if (const int signal = received_signal(); signal != 0 && !stopped()) Stop(128 + signal);
    const int64_t wake = RunDue();
    if (done()) return true;
    if ((stopped() && !after_stop) || now_ms() >= deadline) return false;
    Sleep(std::min(wake, deadline));
  }
}

void ConsoleHost::Stop(int code) {
  if (!stop_code_) stop_code_ = code;
  posted_cv_.notify_one();
}

// --- Timers --------------------------------------------------------------------------------------

void ConsoleHost::SetTimer(Dialog& dialog, int id, int ms) {
  const int period = std::max(ms, 1);
  const int64_t now = now_ms();
  for (Timer& t : timers_) {
    if (t.dialog == &dialog && t.id == id) {
      t.period = period;
      t.due = now + period;
      t.order = ++timer_order_;
      return;
    }
  }
  timers_.push_back(Timer{&dialog, id, period, now + period, ++timer_order_});
}

void ConsoleHost::KillTimer(Dialog& dialog, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog && t.id == id; });
}

// --- Windows -------------------------------------------------------------------------------------

ConsoleHost::Window* ConsoleHost::FindWindow(const Dialog& dialog) {
  for (Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

const ConsoleHost::Window* ConsoleHost::FindWindow(const Dialog& dialog) const {
  for (const Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

void ConsoleHost::CloseWindow(Dialog& dialog) {
  // A destroyed window takes its timers with it.
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog; });
  std::erase_if(windows_, [&](const Window& w) { return w.dialog == &dialog; });
}

void ConsoleHost::Open(Dialog& dialog) {
  if (FindWindow(dialog) != nullptr) return;
  windows_.push_back(Window{&dialog, Mode::kOpened, true});
  dialog.Init();
}

bool ConsoleHost::IsOpen(const Dialog& dialog) const { return FindWindow(dialog) != nullptr; }

int ConsoleHost::RunModal(Dialog* /*parent*/, Dialog& child) {
  if (FindWindow(child) != nullptr) return -1;  // already up; a dialog cannot run twice
  windows_.push_back(Window{&child, Mode::kModal, true});
  child.Init();
  if (!child.ended()) {
    auto hook = hooks_.find(std::type_index(typeid(child)));
    if (hook != hooks_.end()) {
      hook->second(child);
    } else {
      // Nobody can answer a window here: say which one, and close it as the close box would.
      err_ << "\"" << ui::Utf16ToUtf8(child.Title())
           << "\" needs a user at a screen; closed (use the program with a display for it)\n";
    }
  }
  if (!child.ended()) child.Deliver(ui::Event{.kind = ui::Event::Kind::kClose});
  // A dialog that refuses the close box still has to end for the run to return.
  if (!child.ended()) child.EndDialog(ui::kIdCancel);
  CloseWindow(child);
  return child.result();
}

void ConsoleHost::EndDialog(Dialog& dialog, int /*result*/) {
  Window* w = FindWindow(dialog);
  if (w == nullptr) return;
  switch (w->mode) {
    case Mode::kModal:
      break;  // RunModal sees ended() and returns
    case Mode::kModeless:
      w->shown = false;
      break;
    case Mode::kOpened:
      CloseWindow(dialog);
      break;
  }
}

void ConsoleHost::ShowModeless(Dialog* /*parent*/, Dialog& dialog) {
  if (Window* w = FindWindow(dialog); w != nullptr) {
    w->shown = true;
    dialog.ResetEnded();
    return;
  }
  windows_.push_back(Window{&dialog, Mode::kModeless, true});
  dialog.Init();
}

void ConsoleHost::HideModeless(Dialog& dialog) {
  if (Window* w = FindWindow(dialog); w != nullptr) w->shown = false;
}

void ConsoleHost::Forget(Dialog& dialog) { CloseWindow(dialog); }

// --- Boxes, files, shell -------------------------------------------------------------------------

int ConsoleHost::MessageBox(Dialog* /*owner*/, std::u16string_view text,
                            std::u16string_view caption, ui::BoxStyle style) {
  if (before_box_) before_box_();
  // The dialogs end lines with "\r\n" for the window system; a terminal wants "\n".
  std::string shown = ui::Utf16ToUtf8(text);
  std::erase(shown, '\r');
  if (!caption.empty()) err_ << ui::Utf16ToUtf8(caption) << ": ";
  err_ << shown << '\n';
  const Box box{std::u16string(text), std::u16string(caption), style};
  return box_policy_ ? box_policy_(box) : DefaultAnswer(style);
}

std::optional<std::u16string> ConsoleHost::SaveFileName(Dialog* /*owner*/,
                                                        const ui::FileDialogSpec& spec) {
  if (!file_policy_) return std::nullopt;
  return file_policy_(true, spec);
}

std::optional<std::u16string> ConsoleHost::OpenFileName(Dialog* /*owner*/,
                                                        const ui::FileDialogSpec& spec) {
  if (!file_policy_) return std::nullopt;
  return file_policy_(false, spec);
}

bool ConsoleHost::ShellOpen(std::u16string_view /*target*/) {
  // Nothing is shown on a console: the command says what it wrote itself.
  return true;
}

}  // namespace corvane::cli
