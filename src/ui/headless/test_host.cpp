#include "ui/headless/test_host.h"

#include <algorithm>
#include <chrono>
#include <span>

namespace corvane::ui {
namespace {

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
  return answers[index];
}

}  // namespace

TestHost::TestHost() { SetLocalTime(LocalTime{2026, 3, 14, 9, 26, 53, 0}); }

TestHost::~TestHost() = default;

void TestHost::SetLocalTime(const LocalTime& time) {
  using namespace std::chrono;
  const sys_days day = year_month_day(year(time.year), month(static_cast<unsigned>(time.month)),
                                      std::chrono::day(static_cast<unsigned>(time.day)));
  local_base_seconds_ = day.time_since_epoch().count() * 86400LL + time.hour * 3600LL +
                        time.minute * 60LL + time.second;
  local_base_ms_ = now_ms_ - time.millisecond;
}

LocalTime TestHost::Now() {
  using namespace std::chrono;
  const int64_t elapsed = now_ms_ - local_base_ms_;
  const int64_t total_ms = local_base_seconds_ * 1000 + elapsed;
  const int64_t seconds = total_ms / 1000;
  const sys_days day{days(seconds / 86400)};
  const year_month_day ymd(day);
  const int64_t in_day = seconds % 86400;
  return LocalTime{static_cast<int>(ymd.year()),
                   static_cast<int>(static_cast<unsigned>(ymd.month())),
                   static_cast<int>(static_cast<unsigned>(ymd.day())),
                   static_cast<int>(in_day / 3600),
                   static_cast<int>(in_day / 60 % 60),
                   static_cast<int>(in_day % 60),
                   static_cast<int>(total_ms % 1000)};
}

// --- Clock -------------------------------------------------------------------------------------

bool TestHost::FireNext(int64_t limit) {
  auto next = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->due > limit) continue;
    if (next == timers_.end() || it->due < next->due ||
        (it->due == next->due && it->order < next->order)) {
      next = it;
    }
  }
  for (Follower& f : followers_) {
    const int64_t due = f.next_event();
    if (due > limit || (next != timers_.end() && due > next->due)) continue;
    now_ms_ = std::max(now_ms_, due);
    f.advance_to(now_ms_);
    return true;
  }
  if (next == timers_.end()) return false;
  now_ms_ = std::max(now_ms_, next->due);
  // Rescheduled before the handler runs, so the handler can kill or restart it.
  next->due += next->period;
  next->order = ++timer_order_;
  Dialog* dialog = next->dialog;
  const int id = next->id;
  dialog->DeliverTimer(id);
  return true;
}

void TestHost::AttachClock(std::function<int64_t()> next_event,
                           std::function<void(int64_t)> advance_to) {
  followers_.push_back(Follower{std::move(next_event), std::move(advance_to)});
}

void TestHost::CatchUpFollowers() {
  for (Follower& f : followers_) f.advance_to(now_ms_);
}

void TestHost::Advance(int64_t ms) {
  const int64_t target = now_ms_ + std::max<int64_t>(ms, 0);
  RunPosted();
  while (FireNext(target)) RunPosted();
  now_ms_ = std::max(now_ms_, target);
  CatchUpFollowers();
  RunPosted();
}

bool TestHost::AdvanceUntil(const std::function<bool()>& done, int64_t limit_ms) {
  const int64_t deadline = now_ms_ + std::max<int64_t>(limit_ms, 0);
  RunPosted();
  while (!done()) {
    if (!FireNext(deadline)) {
      now_ms_ = std::max(now_ms_, deadline);
      CatchUpFollowers();
      RunPosted();
      return done();
    }
    RunPosted();
  }
  return true;
}

void TestHost::RunPosted() {
  std::vector<std::function<void()>> work;
  {
    std::lock_guard lock(post_mutex_);
    work.swap(posted_);
  }
  for (auto& fn : work) fn();
}

void TestHost::Post(std::function<void()> work) {
  std::lock_guard lock(post_mutex_);
  posted_.push_back(std::move(work));
}

void TestHost::SetTimer(Dialog& dialog, int id, int ms) {
  const int period = std::max(ms, 1);
  for (Timer& t : timers_) {
    if (t.dialog == &dialog && t.id == id) {
      t.period = period;
      t.due = now_ms_ + period;
      t.order = ++timer_order_;
      return;
    }
  }
  timers_.push_back(Timer{&dialog, id, period, now_ms_ + period, ++timer_order_});
}

void TestHost::KillTimer(Dialog& dialog, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog && t.id == id; });
}

void TestHost::KillTimersOf(const Dialog& dialog) {
  std::erase_if(timers_, [&](const Timer& t) { return t.dialog == &dialog; });
}

bool TestHost::TimerRunning(const Dialog& dialog, int id) const {
  return TimerPeriod(dialog, id) >= 0;
}

int TestHost::TimerPeriod(const Dialog& dialog, int id) const {
  for (const Timer& t : timers_) {
    if (t.dialog == &dialog && t.id == id) return t.period;
  }
  return -1;
}

int64_t TestHost::TimerDueIn(const Dialog& dialog, int id) const {
  for (const Timer& t : timers_) {
    if (t.dialog == &dialog && t.id == id) return t.due - now_ms_;
  }
  return -1;
}

// --- Windows -----------------------------------------------------------------------------------

TestHost::Window* TestHost::FindWindow(const Dialog& dialog) {
  for (Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

const TestHost::Window* TestHost::FindWindow(const Dialog& dialog) const {
  for (const Window& w : windows_) {
    if (w.dialog == &dialog) return &w;
  }
  return nullptr;
}

void TestHost::CloseWindow(Dialog& dialog) {
  // A destroyed window takes its timers with it.
  KillTimersOf(dialog);
  std::erase_if(windows_, [&](const Window& w) { return w.dialog == &dialog; });
}

void TestHost::Open(Dialog& dialog) {
  if (FindWindow(dialog) != nullptr) return;
  windows_.push_back(Window{&dialog, Mode::kOpened, true});
  dialog.Init();
}

bool TestHost::IsOpen(const Dialog& dialog) const { return FindWindow(dialog) != nullptr; }

bool TestHost::IsShown(const Dialog& dialog) const {
  const Window* w = FindWindow(dialog);
  return w != nullptr && w->shown;
}

int TestHost::RunModal(Dialog* /*parent*/, Dialog& child) {
  if (FindWindow(child) != nullptr) return -1;  // already up; a dialog cannot run twice
  windows_.push_back(Window{&child, Mode::kModal, true});
  modal_runs_.push_back(std::type_index(typeid(child)));
  ++modal_depth_;
  child.Init();
  if (!child.ended()) {
    auto hook = hooks_.find(std::type_index(typeid(child)));
    if (hook != hooks_.end()) hook->second(child);
  }
  if (!child.ended()) AdvanceUntil([&] { return child.ended(); }, idle_limit_ms_);
  if (!child.ended()) child.Deliver(Event{.kind = Event::Kind::kClose});
  // A dialog that refuses the close box still has to end for the run to return.
  if (!child.ended()) child.EndDialog(kIdCancel);
  --modal_depth_;
  CloseWindow(child);
  return child.result();
}

void TestHost::EndDialog(Dialog& dialog, int /*result*/) {
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

void TestHost::ShowModeless(Dialog* /*parent*/, Dialog& dialog) {
  Window* w = FindWindow(dialog);
  if (w != nullptr) {
    w->shown = true;
    dialog.ResetEnded();
    return;
  }
  windows_.push_back(Window{&dialog, Mode::kModeless, true});
  dialog.Init();
}

void TestHost::HideModeless(Dialog& dialog) {
  Window* w = FindWindow(dialog);
  if (w != nullptr) w->shown = false;
}

void TestHost::Forget(Dialog& dialog) { CloseWindow(dialog); }

// --- Boxes, files, shell -------------------------------------------------------------------------

int TestHost::MessageBox(Dialog* /*owner*/, std::u16string_view text, std::u16string_view caption,
                         BoxStyle style) {
  boxes_.push_back(Box{std::u16string(text), std::u16string(caption), style.buttons, style.icon});
  if (answers_.empty()) return DefaultAnswer(style);
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::optional<std::u16string> TestHost::SaveFileName(Dialog* /*owner*/,
                                                     const FileDialogSpec& spec) {
  file_requests_.push_back(FileRequest{true, spec});
  if (file_results_.empty()) return std::nullopt;
  auto result = file_results_.front();
  file_results_.pop_front();
  return result;
}

std::optional<std::u16string> TestHost::OpenFileName(Dialog* /*owner*/,
                                                     const FileDialogSpec& spec) {
  file_requests_.push_back(FileRequest{false, spec});
  if (file_results_.empty()) return std::nullopt;
  auto result = file_results_.front();
  file_results_.pop_front();
  return result;
}

bool TestHost::ShellOpen(std::u16string_view target) {
  shell_opened_.emplace_back(target);
  if (!shell_result_) {
    MessageBox(nullptr, ShellOpenFailureText(target, false), u"", {Buttons::kOk, Icon::kWarning});
  }
  return shell_result_;
}

void TestHost::RequestHelp() {
  ++help_requests_;
  if (help_) help_();
}

// --- User input --------------------------------------------------------------------------------

const ControlSpec* TestHost::Reachable(Dialog& dialog, int id) const {
  const Window* w = FindWindow(dialog);
  if (w == nullptr || !w->shown || !dialog.Has(id)) return nullptr;
  if (!dialog.IsVisible(id) || !dialog.IsEnabled(id)) return nullptr;
  const ControlSpec* spec = dialog.Template().Find(id);
  // A control inside a hidden or disabled group cannot be reached either.
  for (int parent = spec->cell.parent; parent != 0;) {
    if (!dialog.IsVisible(parent) || !dialog.IsEnabled(parent)) return nullptr;
    const ControlSpec* group = dialog.Template().Find(parent);
    parent = group == nullptr ? 0 : group->cell.parent;
  }
  return spec;
}

bool TestHost::Click(Dialog& dialog, int id) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr) return false;
  if (spec->kind == ControlKind::kCheckBox) return Toggle(dialog, id);
  if (spec->kind != ControlKind::kButton && spec->kind != ControlKind::kImageButton) return false;
  dialog.Deliver(Event{.kind = Event::Kind::kCommand, .id = id});
  RunPosted();
  return true;
}

bool TestHost::Toggle(Dialog& dialog, int id) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr || spec->kind != ControlKind::kCheckBox) return false;
  dialog.SetCheck(id, !dialog.IsChecked(id));
  dialog.Deliver(Event{.kind = Event::Kind::kCheck, .id = id});
  RunPosted();
  return true;
}

bool TestHost::Type(Dialog& dialog, int id, std::u16string_view text) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr) return false;
  const bool edit = spec->kind == ControlKind::kEdit && !(spec->flags & kReadOnly);
  if (!edit && spec->kind != ControlKind::kComboEdit) return false;
  dialog.SetText(id, text);
  dialog.Deliver(Event{.kind = Event::Kind::kEditChange, .id = id});
  RunPosted();
  return true;
}

bool TestHost::Select(Dialog& dialog, int id, int index) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr) return false;
  switch (spec->kind) {
    case ControlKind::kComboList:
    case ControlKind::kComboEdit:
    case ControlKind::kListBox:
    case ControlKind::kListView:
      break;
    default:
      return false;
  }
  if (!dialog.SetCurSel(id, index)) return false;
  dialog.Deliver(Event{.kind = Event::Kind::kSelChange, .id = id});
  RunPosted();
  return true;
}

bool TestHost::SelectMany(Dialog& dialog, int id, const std::vector<int>& indices) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr || spec->kind != ControlKind::kListBox || !(spec->flags & kMultiSelect)) {
    return false;
  }
  for (int i : indices) {
    if (i < 0 || i >= dialog.Count(id)) return false;
  }
  dialog.SetSel(id, -1, false);
  for (int i : indices) dialog.SetSel(id, i, true);
  if (!indices.empty()) dialog.SetCaret(id, indices.back());
  dialog.Deliver(Event{.kind = Event::Kind::kSelChange, .id = id});
  RunPosted();
  return true;
}

bool TestHost::DoubleClick(Dialog& dialog, int id, int row, int column) {
  const ControlSpec* spec = Reachable(dialog, id);
  if (spec == nullptr) return false;
  if (spec->kind == ControlKind::kListBox) {
    if (row < 0 || row >= dialog.Count(id)) return false;
    // The first click of a double click selects the line.
    if (spec->flags & kMultiSelect) {
      dialog.SetSel(id, -1, false);
      dialog.SetSel(id, row, true);
      dialog.SetCaret(id, row);
    } else {
      dialog.SetCurSel(id, row);
    }
    column = 0;
  } else if (spec->kind == ControlKind::kListView) {
    if (row < 0 || row >= dialog.RowCount(id)) return false;
    if (column < 0 || column >= dialog.ColumnCount(id)) return false;
    dialog.SetCurSel(id, row);
  } else {
    return false;
  }
  dialog.Deliver(Event{.kind = Event::Kind::kDoubleClick, .id = id, .row = row, .column = column});
  RunPosted();
  return true;
}

bool TestHost::LeaveField(Dialog& dialog, int id) {
  if (Reachable(dialog, id) == nullptr) return false;
  dialog.Deliver(Event{.kind = Event::Kind::kKillFocus, .id = id});
  RunPosted();
  return true;
}

bool TestHost::KeyDown(Dialog& dialog, int key, int focus_id) {
  if (!IsShown(dialog)) return false;
  const bool consumed =
      dialog.Deliver(Event{.kind = Event::Kind::kKey, .id = focus_id, .key = key, .down = true});
  RunPosted();
  return consumed;
}

bool TestHost::KeyUp(Dialog& dialog, int key, int focus_id) {
  if (!IsShown(dialog)) return false;
  const bool consumed =
      dialog.Deliver(Event{.kind = Event::Kind::kKey, .id = focus_id, .key = key, .down = false});
  RunPosted();
  return consumed;
}

bool TestHost::PressKey(Dialog& dialog, int key, int focus_id) {
  const bool consumed = KeyDown(dialog, key, focus_id);
  // A dialog that the key closed gets no key-up: its window is gone by then.
  if (IsShown(dialog) && !dialog.ended()) KeyUp(dialog, key, focus_id);
  return consumed;
}

bool TestHost::CloseBox(Dialog& dialog) {
  if (!IsShown(dialog)) return false;
  dialog.Deliver(Event{.kind = Event::Kind::kClose});
  RunPosted();
  return true;
}

}  // namespace corvane::ui
