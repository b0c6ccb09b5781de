// WindowTable: the bookkeeping of a host without a window system, shared by the test host (a
// virtual clock) and the command line's host (the real clock): which dialogs are up and shown,
// their window timers in firing order, the per-class hooks that act as the user in a modal run,
// work posted from other threads, and the default answer of a message box.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "ui/dialog.h"

namespace corvane::ui {

// The button a message box answers with when nobody presses one: its default button.
int DefaultAnswer(BoxStyle style);

class WindowTable {
 public:
  // --- Timers --------------------------------------------------------------------------------
  // Sets or restarts timer `id` of `dialog` to fire every `ms` (at least 1) from `now`.
  void SetTimer(Dialog& dialog, int id, int ms, int64_t now);
  void KillTimer(Dialog& dialog, int id);
  // Period of a running timer and the time it fires next; -1 when it is not running.
  int TimerPeriod(const Dialog& dialog, int id) const;
  int64_t TimerDue(const Dialog& dialog, int id) const;
  // The time of the earliest timer due at or before `limit` (ties in the order the timers were
  // set); INT64_MAX when none is.
  int64_t NextDue(int64_t limit) const;
  // Fires that earliest timer, due again at `due_again(its due time, its period)`; false when
  // none is due by `limit`. It is rescheduled before the handler runs, so the handler can kill
  // or restart it.
  bool FireNext(int64_t limit, const std::function<int64_t(int64_t due, int period)>& due_again);

  // --- Windows -------------------------------------------------------------------------------
  // Brings a dialog up without a modal run; closing it (EndDialog) takes it down again.
  void Open(Dialog& dialog);
  bool IsOpen(const Dialog& dialog) const;
  bool IsShown(const Dialog& dialog) const;
  void ShowModeless(Dialog& dialog);
  void HideModeless(Dialog& dialog);
  void EndDialog(Dialog& dialog);
  // A destroyed window: gone, with its timers.
  void Forget(Dialog& dialog);

  // Runs `child` modally: brings it up, lets its class's hook act as the user (`unhooked` runs
  // for a class without one), then `idle` while it has not ended, then closes it as by the close
  // box (ending it regardless when it refuses), and takes it down. -1 when it is up already.
  int RunModal(Dialog& child, const std::function<void(Dialog&)>& unhooked,
               const std::function<void(Dialog&)>& idle);
  template <class D>
  void OnModal(std::function<void(D&)> hook) {
    hooks_[std::type_index(typeid(D))] = [hook = std::move(hook)](Dialog& d) {
      hook(static_cast<D&>(d));
    };
  }
  template <class D>
  void ClearModal() {
    hooks_.erase(std::type_index(typeid(D)));
  }

  // --- Posted work ---------------------------------------------------------------------------
  // Thread-safe.
  void Post(std::function<void()> work);
  bool HasPosted();
  // Runs the work posted so far (work posted meanwhile waits for the next call); returns
  // whether there was any.
  bool RunPosted();

 private:
  enum class Mode : uint8_t { kOpened, kModal, kModeless };
  struct Window {
    Dialog* dialog;
    Mode mode;
    bool shown;
  };
  struct Timer {
    Dialog* dialog;
    int id;
    int period;
    int64_t due;
    uint64_t order;
  };
  Window* Find(const Dialog& dialog);
  const Window* Find(const Dialog& dialog) const;
  const Timer* FindTimer(const Dialog& dialog, int id) const;
  std::vector<Timer>::iterator Earliest(int64_t limit);

  uint64_t timer_order_ = 0;
  std::vector<Timer> timers_;
  std::vector<Window> windows_;
  std::unordered_map<std::type_index, std::function<void(Dialog&)>> hooks_;
  std::mutex post_mutex_;
  std::vector<std::function<void()>> posted_;
};

}  // namespace corvane::ui
