#include "ui/headless/test_host.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <span>

namespace corvane::ui {
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
  const int64_t timer_due = windows_.NextDue(limit);
  for (Follower& f : followers_) {
    const int64_t due = f.next_event();
    if (due > limit || due > timer_due) continue;
    now_ms_ = std::max(now_ms_, due);
    f.advance_to(now_ms_);
    return true;
  }
  if (timer_due == INT64_MAX) return false;
  now_ms_ = std::max(now_ms_, timer_due);
  return windows_.FireNext(limit, [](int64_t due, int period) { return due + period; });
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

void TestHost::RunPosted() { windows_.RunPosted(); }

void TestHost::Post(std::function<void()> work) { windows_.Post(std::move(work)); }

void TestHost::SetTimer(Dialog& dialog, int id, int ms) {
  windows_.SetTimer(dialog, id, ms, now_ms_);
}

void TestHost::KillTimer(Dialog& dialog, int id) { windows_.KillTimer(dialog, id); }

bool TestHost::TimerRunning(const Dialog& dialog, int id) const {
  return TimerPeriod(dialog, id) >= 0;
}

int TestHost::TimerPeriod(const Dialog& dialog, int id) const {
  return windows_.TimerPeriod(dialog, id);
}

int64_t TestHost::TimerDueIn(const Dialog& dialog, int id) const {
  const int64_t due = windows_.TimerDue(dialog, id);
  return due < 0 ? -1 : due - now_ms_;
}

// --- Windows -----------------------------------------------------------------------------------

void TestHost::Open(Dialog& dialog) { windows_.Open(dialog); }

bool TestHost::IsOpen(const Dialog& dialog) const { return windows_.IsOpen(dialog); }

bool TestHost::IsShown(const Dialog& dialog) const { return windows_.IsShown(dialog); }

int TestHost::RunModal(Dialog* /*parent*/, Dialog& child) {
  if (windows_.IsOpen(child)) return -1;  // already up; a dialog cannot run twice
  modal_runs_.push_back(std::type_index(typeid(child)));
  ++modal_depth_;
  // A dialog the hook left open, or one nobody drives: the clock runs on until it ends itself
  // or the idle limit passes, as a user who does nothing.
  const int result = windows_.RunModal(child, nullptr, [this](Dialog& d) {
    AdvanceUntil([&] { return d.ended(); }, idle_limit_ms_);
  });
  --modal_depth_;
  return result;
}

void TestHost::EndDialog(Dialog& dialog, int /*result*/) { windows_.EndDialog(dialog); }

void TestHost::ShowModeless(Dialog* /*parent*/, Dialog& dialog) { windows_.ShowModeless(dialog); }

void TestHost::HideModeless(Dialog& dialog) { windows_.HideModeless(dialog); }

void TestHost::Forget(Dialog& dialog) { windows_.Forget(dialog); }

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
  if (!windows_.IsShown(dialog) || !dialog.Has(id)) return nullptr;
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
