#include "ui/headless/window_table.h"

#include <algorithm>
#include <climits>
#include <span>

namespace corvane::ui {

int DefaultAnswer(BoxStyle style) {
  static constexpr int kOk[] = {kIdOk};
  static constexpr int kOkCancel[] = {kIdOk, kIdCancel};
  static constexpr int kYesNo[] = {kIdYes, kIdNo};
  static constexpr int kYesNoCancel[] = {kIdYes, kIdNo, kIdCancel};
  std::span<const int> answers = kOk;
  switch (style.buttons) {
    case Buttons::kOk:
      break;
    case Buttons::kOkCancel:
      answers = kOkCancel;
      break;
    case Buttons::kYesNo:
      answers = kYesNo;
      break;
    case Buttons::kYesNoCancel:
      answers = kYesNoCancel;
      break;
  }
  const int index = std::clamp(style.default_button, 0, static_cast<int>(answers.size()) - 1);
  return answers[static_cast<size_t>(index)];
}

// --- Timers --------------------------------------------------------------------------------------

void WindowTable::SetTimer(Dialog& dialog, int id, int ms, int64_t now) {
  const int period = std::max(ms, 1);
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

void WindowTable::KillTimer(Dialog& dialog, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog && t.id == id; });
}

const WindowTable::Timer* WindowTable::FindTimer(const Dialog& dialog, int id) const {
  for (const Timer& t : timers_) {
    if (t.dialog == &dialog && t.id == id) return &t;
  }
  return nullptr;
}

int WindowTable::TimerPeriod(const Dialog& dialog, int id) const {
  const Timer* t = FindTimer(dialog, id);
  return t != nullptr ? t->period : -1;
}

int64_t WindowTable::TimerDue(const Dialog& dialog, int id) const {
  const Timer* t = FindTimer(dialog, id);
  return t != nullptr ? t->due : -1;
}

std::vector<WindowTable::Timer>::iterator WindowTable::Earliest(int64_t limit) {
  auto next = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->due > limit) continue;
    if (next == timers_.end() || it->due < next->due ||
        (it->due == next->due && it->order < next->order)) {
      next = it;
    }
  }
  return next;
}

int64_t WindowTable::NextDue(int64_t limit) const {
  auto next = const_cast<WindowTable*>(this)->Earliest(limit);
  return next == timers_.end() ? INT64_MAX : next->due;
}

bool WindowTable::FireNext(int64_t limit,
                           const std::function<int64_t(int64_t due, int period)>& due_again) {
  auto next = Earliest(limit);
  if (next == timers_.end()) return false;
  next->due = due_again(next->due, next->period);
  next->order = ++timer_order_;
  Dialog* dialog = next->dialog;
  const int id = next->id;
  dialog->DeliverTimer(id);
  return true;
}

// --- Windows -------------------------------------------------------------------------------------

WindowTable::Window* WindowTable::Find(const Dialog& dialog) {
  for (Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

const WindowTable::Window* WindowTable::Find(const Dialog& dialog) const {
  for (const Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

void WindowTable::Forget(Dialog& dialog) {
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog; });
  std::erase_if(windows_, [&](const Window& w) { return w.dialog == &dialog; });
}

void WindowTable::Open(Dialog& dialog) {
  if (Find(dialog) != nullptr) return;
  windows_.push_back(Window{&dialog, Mode::kOpened, true});
  dialog.Init();
}

bool WindowTable::IsOpen(const Dialog& dialog) const { return Find(dialog) != nullptr; }

bool WindowTable::IsShown(const Dialog& dialog) const {
  const Window* w = Find(dialog);
  return w != nullptr && w->shown;
}

void WindowTable::ShowModeless(Dialog& dialog) {
  if (Window* w = Find(dialog); w != nullptr) {
    w->shown = true;
    dialog.ResetEnded();
    return;
  }
  windows_.push_back(Window{&dialog, Mode::kModeless, true});
  dialog.Init();
}

void WindowTable::HideModeless(Dialog& dialog) {
  if (Window* w = Find(dialog); w != nullptr) w->shown = false;
}

void WindowTable::EndDialog(Dialog& dialog) {
  Window* w = Find(dialog);
  if (w == nullptr) return;
  switch (w->mode) {
    case Mode::kModal:
      break;  // RunModal sees ended() and returns
    case Mode::kModeless:
      w->shown = false;
      break;
    case Mode::kOpened:
      Forget(dialog);
      break;
  }
}

int WindowTable::RunModal(Dialog& child, const std::function<void(Dialog&)>& unhooked,
                          const std::function<void(Dialog&)>& idle) {
  if (Find(child) != nullptr) return -1;  // already up; a dialog cannot run twice
  windows_.push_back(Window{&child, Mode::kModal, true});
  child.Init();
  if (!child.ended()) {
    auto hook = hooks_.find(std::type_index(typeid(child)));
    if (hook != hooks_.end()) {
      hook->second(child);
    } else if (unhooked) {
      unhooked(child);
    }
  }
  if (!child.ended() && idle) idle(child);
  if (!child.ended()) child.Deliver(Event{.kind = Event::Kind::kClose});
  // A dialog that refuses the close box still has to end for the run to return.
  if (!child.ended()) child.EndDialog(kIdCancel);
  Forget(child);
  return child.result();
}

// --- Posted work ---------------------------------------------------------------------------------

void WindowTable::Post(std::function<void()> work) {
  std::lock_guard lock(post_mutex_);
  posted_.push_back(std::move(work));
}

bool WindowTable::HasPosted() {
  std::lock_guard lock(post_mutex_);
  return !posted_.empty();
}

bool WindowTable::RunPosted() {
  std::vector<std::function<void()>> work;
  {
    std::lock_guard lock(post_mutex_);
    work.swap(posted_);
  }
  for (auto& fn : work) fn();
  return !work.empty();
}

}  // namespace corvane::ui
