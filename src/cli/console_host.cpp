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

int ConsoleHost::DefaultAnswer(ui::BoxStyle style) { return ui::DefaultAnswer(style); }

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
    // Under the wake lock, so a loop about to sleep sees it or is woken for it.
    std::lock_guard lock(wake_mutex_);
    windows_.Post(std::move(work));
  }
  wake_cv_.notify_one();
}

bool ConsoleHost::RunPosted() { return windows_.RunPosted(); }

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
  while (windows_.FireNext(now, [now](int64_t, int period) { return now + period; })) {
    RunPosted();
    if (stopped()) break;
  }
  int64_t wake = windows_.NextDue(INT64_MAX);
  for (Follower& f : followers_) wake = std::min(wake, f.next_event());
  return wake;
}

void ConsoleHost::Sleep(int64_t until) {
  std::unique_lock lock(wake_mutex_);
  const int64_t left = std::min(until - now_ms(), kSignalPollMs);
  if (left <= 0 || windows_.HasPosted()) return;
  wake_cv_.wait_for(lock, std::chrono::milliseconds(left),
                    [this] { return windows_.HasPosted() || stopped(); });
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
  {
    std::lock_guard lock(wake_mutex_);
    if (!stop_code_) stop_code_ = code;
  }
  wake_cv_.notify_one();
}

// --- Timers and windows -------------------------------------------------------------------------

void ConsoleHost::SetTimer(Dialog& dialog, int id, int ms) {
  windows_.SetTimer(dialog, id, ms, now_ms());
}

void ConsoleHost::KillTimer(Dialog& dialog, int id) { windows_.KillTimer(dialog, id); }

void ConsoleHost::Open(Dialog& dialog) { windows_.Open(dialog); }

bool ConsoleHost::IsOpen(const Dialog& dialog) const { return windows_.IsOpen(dialog); }

int ConsoleHost::RunModal(Dialog* /*parent*/, Dialog& child) {
  return windows_.RunModal(
      child,
      [this](Dialog& d) {
        // Nobody can answer a window here: say which one; it is closed as the close box would.
        err_ << "\"" << ui::Utf16ToUtf8(d.Title())
             << "\" needs a user at a screen; closed (use the program with a display for it)\n";
      },
      nullptr);
}

void ConsoleHost::EndDialog(Dialog& dialog, int /*result*/) { windows_.EndDialog(dialog); }

void ConsoleHost::ShowModeless(Dialog* /*parent*/, Dialog& dialog) {
  windows_.ShowModeless(dialog);
}

void ConsoleHost::HideModeless(Dialog& dialog) { windows_.HideModeless(dialog); }

void ConsoleHost::Forget(Dialog& dialog) { windows_.Forget(dialog); }

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
