// TestHost: a complete Host without a window system, for tests and scripted runs. Time is a
// virtual clock that moves only in Advance; message boxes and file dialogs answer from scripts
// and are logged; shell-open and the clipboard are fakes; modal runs are driven by per-class
// hooks. User input goes through the same store-then-event path as the Qt binding.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "ui/dialog.h"
#include "ui/headless/window_table.h"
#include "ui/host.h"

namespace corvane::ui {

class TestHost : public Host {
 public:
  struct Box {
    std::u16string text;
    std::u16string caption;
    Buttons buttons = Buttons::kOk;
    Icon icon = Icon::kNone;
  };
  struct FileRequest {
    bool save = false;
    FileDialogSpec spec;
  };

  TestHost();
  ~TestHost() override;

  // --- Clock ---------------------------------------------------------------------------------
  int64_t now_ms() const { return now_ms_; }
  // Moves the clock by `ms`, firing every due timer of every open dialog in time order (ties in
  // the order the timers were set) and running posted work as it goes.
  void Advance(int64_t ms);
  // Advances until `done` holds or `limit_ms` have passed; returns whether `done` held.
  bool AdvanceUntil(const std::function<bool()>& done, int64_t limit_ms);
  // Runs the posted work queued so far (work posted meanwhile waits for the next call).
  void RunPosted();
  bool TimerRunning(const Dialog& dialog, int id) const;
  // Period of a running timer, -1 when it is not running.
  int TimerPeriod(const Dialog& dialog, int id) const;
  // Milliseconds until the timer fires next, -1 when it is not running.
  int64_t TimerDueIn(const Dialog& dialog, int id) const;

  // Lets another virtual-time component (the simulated network) run on this clock: Advance
  // interleaves its events with the dialogs' timers in time order. `next_event` gives the time
  // of its earliest pending event (INT64_MAX for none), `advance_to` runs it up to a time. At
  // equal times its events run before the timers, so an answer due at a timeout still counts.
  void AttachClock(std::function<int64_t()> next_event, std::function<void(int64_t)> advance_to);

  // Local time at the current clock; it moves on with Advance.
  void SetLocalTime(const LocalTime& time);

  // --- Windows -------------------------------------------------------------------------------
  // Brings a dialog up without a modal run, so a test can drive it step by step. Closing it
  // (EndDialog) takes it down again.
  void Open(Dialog& dialog);
  bool IsOpen(const Dialog& dialog) const;
  bool IsShown(const Dialog& dialog) const;
  int modal_depth() const { return modal_depth_; }

  // Drives dialogs of class D while RunModal runs them: the hook acts as the user (and may
  // Advance the clock). When it returns without the dialog having ended, the clock runs on
  // until the dialog ends itself or `idle_limit_ms` pass, then the dialog is closed as by the
  // close box. Without a hook the same happens at once: a user who does nothing.
  template <class D>
  void OnModal(std::function<void(D&)> hook) {
    windows_.OnModal<D>(std::move(hook));
  }
  void set_idle_limit_ms(int64_t ms) { idle_limit_ms_ = ms; }
  // Classes of the dialogs run modally, in order (the names of typeid).
  const std::vector<std::type_index>& modal_runs() const { return modal_runs_; }

  // --- Message boxes -------------------------------------------------------------------------
  // Answers for the next boxes, in order; with none queued a box takes its default button.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  const std::vector<Box>& boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }

  // --- File dialogs, shell, clipboard ----------------------------------------------------------
  void QueueFileResult(std::optional<std::u16string> name) { file_results_.push_back(name); }
  const std::vector<FileRequest>& file_requests() const { return file_requests_; }
  // A failing shell open shows the box the Qt host shows ("no program is set up").
  void set_shell_open_result(bool ok) { shell_result_ = ok; }
  const std::vector<std::u16string>& shell_opened() const { return shell_opened_; }
  const std::u16string& clipboard() const { return clipboard_; }
  // How often a dialog asked for the program's help (with or without a handler).
  int help_requests() const { return help_requests_; }

  // --- User input ------------------------------------------------------------------------------
  // Each writes what the user changed into the store and then delivers the event, as the Qt
  // binding does. They refuse (return false) a control that is hidden, disabled, of the wrong
  // kind, or in a dialog that is not shown, because a user could not do that either.
  bool Click(Dialog& dialog, int id);
  bool Toggle(Dialog& dialog, int id);  // check box
  bool Type(Dialog& dialog, int id, std::u16string_view text);
  bool Select(Dialog& dialog, int id, int index);  // combo, list box line, list view row
  bool SelectMany(Dialog& dialog, int id, const std::vector<int>& indices);
  bool DoubleClick(Dialog& dialog, int id, int row, int column = 0);
  bool LeaveField(Dialog& dialog, int id);  // focus loss
  // Key down and up with the focus on `focus_id` (0 = none); true when the dialog consumed it.
  bool PressKey(Dialog& dialog, int key, int focus_id = 0);
  bool KeyDown(Dialog& dialog, int key, int focus_id = 0);
  bool KeyUp(Dialog& dialog, int key, int focus_id = 0);
  bool CloseBox(Dialog& dialog);

  // --- Host ------------------------------------------------------------------------------------
  void SetTimer(Dialog& dialog, int id, int ms) override;
  void KillTimer(Dialog& dialog, int id) override;
  int MessageBox(Dialog* owner, std::u16string_view text, std::u16string_view caption,
                 BoxStyle style) override;
  int RunModal(Dialog* parent, Dialog& child) override;
  void EndDialog(Dialog& dialog, int result) override;
  void ShowModeless(Dialog* parent, Dialog& dialog) override;
  void HideModeless(Dialog& dialog) override;
  std::optional<std::u16string> SaveFileName(Dialog* owner, const FileDialogSpec& spec) override;
  std::optional<std::u16string> OpenFileName(Dialog* owner, const FileDialogSpec& spec) override;
  bool ShellOpen(std::u16string_view target) override;
  void SetHelpHandler(std::function<void()> handler) override { help_ = std::move(handler); }
  void RequestHelp() override;
  void SetClipboardText(std::u16string_view text) override { clipboard_ = text; }
  std::u16string ClipboardText() override { return clipboard_; }
  LocalTime Now() override;
  void Post(std::function<void()> work) override;
  void Forget(Dialog& dialog) override;

 private:
  // Fires the earliest timer or attached event due at or before `limit`; false when there is
  // none.
  bool FireNext(int64_t limit);
  void CatchUpFollowers();
  // The control when a user could reach it: in a shown dialog, visible, enabled, of `kind`.
  const ControlSpec* Reachable(Dialog& dialog, int id) const;

  int64_t now_ms_ = 0;
  int64_t idle_limit_ms_ = 10 * 60 * 1000;
  int64_t local_base_ms_ = 0;
  int64_t local_base_seconds_ = 0;  // seconds since 1970 of the local time at local_base_ms_
  WindowTable windows_;
  struct Follower {
    std::function<int64_t()> next_event;
    std::function<void(int64_t)> advance_to;
  };
  std::vector<Follower> followers_;
  int modal_depth_ = 0;
  std::vector<std::type_index> modal_runs_;
  std::deque<int> answers_;
  std::vector<Box> boxes_;
  std::deque<std::optional<std::u16string>> file_results_;
  std::vector<FileRequest> file_requests_;
  bool shell_result_ = true;
  std::vector<std::u16string> shell_opened_;
  std::function<void()> help_;
  int help_requests_ = 0;
  std::u16string clipboard_;
};

}  // namespace corvane::ui
