// ConsoleHost: a complete Host without a window system on the real clock, for the command line.
// Timers run on std::chrono::steady_clock; the loop sleeps until the next timer, the next event
// of an attached clock (the simulated network) or work posted from another thread (the USB
// transport's reports). Message boxes are answered by a policy the command sets and their text
// goes to standard error; file dialogs are answered from the command line; shell-open and help
// do nothing. Modal runs are driven by per-class hooks, as on the TestHost: a dialog nobody
// drives is closed at once, since there is no user at a screen to answer it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog.h"
#include "ui/headless/window_table.h"
#include "ui/host.h"

namespace corvane::cli {

class ConsoleHost : public ui::Host {
 public:
  struct Box {
    std::u16string text;
    std::u16string caption;
    ui::BoxStyle style;
  };
  // Returns the button pressed (ui::kIdOk, kIdYes, ...).
  using BoxPolicy = std::function<int(const Box&)>;
  // The name a file dialog would have returned; nullopt = cancelled.
  using FilePolicy =
      std::function<std::optional<std::u16string>(bool save, const ui::FileDialogSpec&)>;

  // Box texts go to `err`.
  explicit ConsoleHost(std::ostream& err);
  ~ConsoleHost() override;

  // The default box policy takes each box's default button, as a user pressing Enter would.
  static int DefaultAnswer(ui::BoxStyle style);
  void SetBoxPolicy(BoxPolicy policy) { box_policy_ = std::move(policy); }
  void SetFilePolicy(FilePolicy policy) { file_policy_ = std::move(policy); }
  // Called with every box before it is answered (a progress bar ends its line first).
  void SetBeforeBox(std::function<void()> before) { before_box_ = std::move(before); }

  // Milliseconds since the host was made, on the steady clock.
  int64_t now_ms() const;

  // Lets another clock-driven component (the simulated network) run on this loop: the loop
  // wakes for its earliest pending event (`next_event`, in host milliseconds, INT64_MAX for
  // none) and runs it up to the present with `advance_to`.
  void AttachClock(std::function<int64_t()> next_event, std::function<void(int64_t)> advance_to);

  // Brings a dialog up without a modal run (the main window of a command).
  void Open(ui::Dialog& dialog);
  bool IsOpen(const ui::Dialog& dialog) const;

  // Runs the loop until `done` holds, `limit_ms` have passed or Stop was called; returns
  // whether `done` held. `after_stop`: runs on after Stop too (the leave of a program that is
  // ending still has to reach the dongle).
  bool RunUntil(const std::function<bool()>& done, int64_t limit_ms, bool after_stop = false);
  void RunFor(int64_t ms) {
    RunUntil([] { return false; }, ms);
  }

  // Ends every running loop soon (the program is leaving with `code`).
  void Stop(int code);
  // Async-signal-safe: a signal that ends the program. Every loop of every host stops at its
  // next turn with 128 + `signal`, so the command unwinds and leaves the dongle as it should.
  static void StopFromSignal(int signal);
  // The signal that stopped the program, 0 for none; cleared by ClearSignal (a new command).
  static int received_signal();
  static void ClearSignal();
  bool stopped() const { return stop_code_.has_value(); }
  int stop_code() const { return stop_code_.value_or(0); }

  // Drives dialogs of class D while RunModal runs them. The hook acts as the user and may run
  // the loop; a dialog still up when it returns is closed as by the close box.
  template <class D>
  void OnModal(std::function<void(D&)> hook) {
    windows_.OnModal<D>(std::move(hook));
  }

  template <class D>
  void ClearModal() {
    windows_.ClearModal<D>();
  }

  // Host.
  void SetTimer(ui::Dialog& dialog, int id, int ms) override;
  void KillTimer(ui::Dialog& dialog, int id) override;
  int MessageBox(ui::Dialog* owner, std::u16string_view text, std::u16string_view caption,
                 ui::BoxStyle style) override;
  int RunModal(ui::Dialog* parent, ui::Dialog& child) override;
  void EndDialog(ui::Dialog& dialog, int result) override;
  void ShowModeless(ui::Dialog* parent, ui::Dialog& dialog) override;
  void HideModeless(ui::Dialog& dialog) override;
  std::optional<std::u16string> SaveFileName(ui::Dialog* owner,
                                             const ui::FileDialogSpec& spec) override;
  std::optional<std::u16string> OpenFileName(ui::Dialog* owner,
                                             const ui::FileDialogSpec& spec) override;
  bool ShellOpen(std::u16string_view target) override;
  void SetHelpHandler(std::function<void()> handler) override { help_ = std::move(handler); }
  void RequestHelp() override {}
  void SetClipboardText(std::u16string_view text) override { clipboard_ = text; }
  std::u16string ClipboardText() override { return clipboard_; }
  ui::LocalTime Now() override;
  void Post(std::function<void()> work) override;
  void Forget(ui::Dialog& dialog) override;

 private:
  struct Follower {
    std::function<int64_t()> next_event;
    std::function<void(int64_t)> advance_to;
  };

  // Runs posted work, the attached clocks and every timer due by now; returns the time of the
  // next thing to do.
  int64_t RunDue();
  bool RunPosted();
  // Sleeps until `until` (host ms) or until work is posted.
  void Sleep(int64_t until);

  std::ostream& err_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  BoxPolicy box_policy_;
  FilePolicy file_policy_;
  std::function<void()> before_box_;
  ui::WindowTable windows_;
  std::vector<Follower> followers_;
  std::optional<int> stop_code_;
  std::function<void()> help_;
  std::u16string clipboard_;
  // Held while work is posted, the loop is stopped or goes to sleep.
  std::mutex wake_mutex_;
  std::condition_variable wake_cv_;
};

}  // namespace corvane::cli
