#include "ui/control_store.h"

#include <algorithm>

namespace corvane::ui {
namespace {

const std::u16string kEmpty;
const ListColumn kNoColumn;

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// The order a sorted list box keeps: ASCII letters compare without case, everything else by
// code unit, so "0x%08X ..." lines come out in address order.
int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = Fold(a[i]);
    const char16_t y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

std::u16string_view SourceWord(SourceState state) {
  switch (state) {
    case SourceState::kProject:
      return u"Project";
    case SourceState::kRead:
      return u"Read";
    case SourceState::kDevice:
      return u"Device";
    case SourceState::kError:
      return u"Error";
    case SourceState::kCache:
      return u"Cache";
    case SourceState::kWrite:
      return u"Write";
  }
  return u"";
}

ControlStore::ControlStore(const DialogTemplate& tpl) : template_(&tpl), title_(tpl.title) {
  controls_.reserve(tpl.controls.size());
  for (const ControlSpec& spec : tpl.controls) {
    if (spec.id == kNoId || index_.contains(spec.id)) continue;
    Control c;
    c.spec = &spec;
    c.visible = (spec.flags & kHidden) == 0;
    c.enabled = (spec.flags & kDisabled) == 0;
    const bool has_items = spec.kind == ControlKind::kComboList ||
                           spec.kind == ControlKind::kComboEdit ||
                           spec.kind == ControlKind::kListBox;
    if (spec.kind != ControlKind::kComboEdit && !has_items) c.text = spec.caption;
    index_.emplace(spec.id, controls_.size());
    controls_.push_back(std::move(c));
    if (has_items) {
      for (std::u16string_view item : spec.items) AddString(spec.id, item);
    }
    if (spec.kind == ControlKind::kListView) {
      for (const ColumnSpec& col : spec.columns) {
        controls_.back().columns.push_back({std::u16string(col.caption), col.width});
      }
    }
  }
}

ControlStore::Control* ControlStore::Find(int id) {
  auto it = index_.find(id);
  if (it == index_.end()) {
    ++unknown_id_uses_;
    return nullptr;
  }
  return &controls_[it->second];
}

const ControlStore::Control* ControlStore::Find(int id) const {
  auto it = index_.find(id);
  if (it == index_.end()) {
    ++unknown_id_uses_;
    return nullptr;
  }
  return &controls_[it->second];
}

bool ControlStore::IsList(const Control& c) const { return c.spec->kind == ControlKind::kListBox; }

bool ControlStore::IsCombo(const Control& c) const {
  return c.spec->kind == ControlKind::kComboList || c.spec->kind == ControlKind::kComboEdit;
}

void ControlStore::SetTitle(std::u16string_view title) {
  if (title_ == title) return;
  title_ = title;
  Notify(0, Change::kTitle);
}

void ControlStore::SetText(int id, std::u16string_view text) {
  Control* c = Find(id);
  if (c == nullptr || c->text == text) return;
  c->text = text;
  Notify(id, Change::kText);
}

const std::u16string& ControlStore::Text(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? kEmpty : c->text;
}

void ControlStore::Show(int id, bool visible) {
  Control* c = Find(id);
  if (c == nullptr || c->visible == visible) return;
  c->visible = visible;
  Notify(id, Change::kVisible);
}

bool ControlStore::IsVisible(int id) const {
  const Control* c = Find(id);
  return c != nullptr && c->visible;
}

void ControlStore::Enable(int id, bool enabled) {
  Control* c = Find(id);
  if (c == nullptr || c->enabled == enabled) return;
  c->enabled = enabled;
  Notify(id, Change::kEnabled);
}

void ControlStore::SetToolTip(int id, std::u16string_view text) {
  Control* c = Find(id);
  if (c == nullptr || c->tool_tip == text) return;
  c->tool_tip = text;
  Notify(id, Change::kToolTip);
}

const std::u16string& ControlStore::ToolTip(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? kEmpty : c->tool_tip;
}

bool ControlStore::IsEnabled(int id) const {
  const Control* c = Find(id);
  return c != nullptr && c->enabled;
}

void ControlStore::SetCheck(int id, bool checked) {
  Control* c = Find(id);
  if (c == nullptr || c->checked == checked) return;
  c->checked = checked;
  Notify(id, Change::kCheck);
}

bool ControlStore::IsChecked(int id) const {
  const Control* c = Find(id);
  return c != nullptr && c->checked;
}

int ControlStore::AddString(int id, std::u16string_view text) {
  Control* c = Find(id);
  if (c == nullptr || !(IsList(*c) || IsCombo(*c))) return -1;
  int index = static_cast<int>(c->items.size());
  if (c->spec->flags & kSorted) {
    auto it = std::upper_bound(c->items.begin(), c->items.end(), text,
                               [](std::u16string_view t, const std::u16string& item) {
                                 return CompareNoCase(t, item) < 0;
                               });
    index = static_cast<int>(it - c->items.begin());
  }
  return InsertString(id, index, text);
}

int ControlStore::InsertString(int id, int index, std::u16string_view text) {
  Control* c = Find(id);
  if (c == nullptr || !(IsList(*c) || IsCombo(*c))) return -1;
  const int count = static_cast<int>(c->items.size());
  if (index < 0 || index > count) index = count;
  c->items.insert(c->items.begin() + index, std::u16string(text));
  if (IsList(*c)) c->selected.insert(c->selected.begin() + index, 0);
  // Selection and caret name lines, so they move with the lines below the insertion.
  if (c->cur_sel >= index) ++c->cur_sel;
  if (c->caret >= index) ++c->caret;
  Notify(id, Change::kItemsInserted, index, 1);
  return index;
}

bool ControlStore::DeleteString(int id, int index) {
  Control* c = Find(id);
  if (c == nullptr || !(IsList(*c) || IsCombo(*c))) return false;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
  c->items.erase(c->items.begin() + index);
  if (IsList(*c)) c->selected.erase(c->selected.begin() + index);
  if (c->cur_sel == index) {
    c->cur_sel = -1;
  } else if (c->cur_sel > index) {
    --c->cur_sel;
  }
  if (c->caret > index) --c->caret;
  if (c->caret >= static_cast<int>(c->items.size()))
    c->caret = static_cast<int>(c->items.size()) - 1;
  Notify(id, Change::kItemRemoved, index, 1);
  return true;
}

void ControlStore::ResetContent(int id) {
  Control* c = Find(id);
  if (c == nullptr || !(IsList(*c) || IsCombo(*c))) return;
  c->items.clear();
  c->selected.clear();
  c->cur_sel = -1;
  c->caret = -1;
  if (c->spec->kind == ControlKind::kComboList) c->text.clear();
  Notify(id, Change::kItemsReset);
}

int ControlStore::Count(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : static_cast<int>(c->items.size());
}

const std::u16string& ControlStore::Item(int id, int index) const {
  const Control* c = Find(id);
  if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return kEmpty;
  return c->items[index];
}

int ControlStore::FindString(int id, std::u16string_view prefix, int start) const {
  const Control* c = Find(id);
  if (c == nullptr) return -1;
  const int n = static_cast<int>(c->items.size());
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k + n) % n;
    if (StartsWithNoCase(c->items[i], prefix)) return i;
  }
  return -1;
}

int ControlStore::FindStringExact(int id, std::u16string_view text, int start) const {
  const Control* c = Find(id);
  if (c == nullptr) return -1;
  const int n = static_cast<int>(c->items.size());
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k + n) % n;
    if (CompareNoCase(c->items[i], text) == 0) return i;
  }
  return -1;
}

int ControlStore::SelectString(int id, std::u16string_view prefix) {
  const int index = FindString(id, prefix);
  if (index >= 0) SetCurSel(id, index);
  return index;
}

int ControlStore::CurSel(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? -1 : c->cur_sel;
}

bool ControlStore::SetCurSel(int id, int index) {
  Control* c = Find(id);
  if (c == nullptr) return false;
  const int count = c->spec->kind == ControlKind::kListView ? static_cast<int>(c->cells.size())
                                                            : static_cast<int>(c->items.size());
  if (index < -1 || index >= count) return false;
  bool changed = c->cur_sel != index;
  c->cur_sel = index;
  if (IsList(*c)) {
    // A plain selection replaces a multiple one, as it does when the user clicks a line.
    for (size_t i = 0; i < c->selected.size(); ++i) {
      const uint8_t want = static_cast<int>(i) == index ? 1 : 0;
      changed |= c->selected[i] != want;
      c->selected[i] = want;
    }
    if (index >= 0) c->caret = index;
  }
  if (IsCombo(*c)) {
    const std::u16string text = index >= 0 ? c->items[index] : std::u16string();
    if (c->text != text) {
      c->text = text;
      Notify(id, Change::kText);
    }
  }
  if (changed) Notify(id, Change::kSelection);
  return true;
}

bool ControlStore::SetSel(int id, int index, bool selected) {
  Control* c = Find(id);
  if (c == nullptr || !IsList(*c)) return false;
  const int count = static_cast<int>(c->items.size());
  if (index < -1 || index >= count) return false;
  if (!(c->spec->flags & kMultiSelect)) {
    if (index == -1 && selected) return false;
    return SetCurSel(id, selected ? index : (index == c->cur_sel || index == -1 ? -1 : c->cur_sel));
  }
  bool changed = false;
  const int first = index == -1 ? 0 : index;
  const int last = index == -1 ? count : index + 1;
  for (int i = first; i < last; ++i) {
    const uint8_t want = selected ? 1 : 0;
    changed |= c->selected[i] != want;
    c->selected[i] = want;
  }
  if (changed) Notify(id, Change::kSelection);
  return true;
}

bool ControlStore::IsSelected(int id, int index) const {
  const Control* c = Find(id);
  if (c == nullptr || !IsList(*c) || index < 0 || index >= static_cast<int>(c->selected.size())) {
    return false;
  }
  return c->selected[index] != 0;
}

std::vector<int> ControlStore::SelectedItems(int id) const {
  std::vector<int> out;
  const Control* c = Find(id);
  if (c == nullptr || !IsList(*c)) return out;
  for (size_t i = 0; i < c->selected.size(); ++i) {
    if (c->selected[i]) out.push_back(static_cast<int>(i));
  }
  return out;
}

int ControlStore::SelCount(int id) const { return static_cast<int>(SelectedItems(id).size()); }

void ControlStore::SetCaret(int id, int index) {
  Control* c = Find(id);
  if (c == nullptr || !IsList(*c) || index < -1 || index >= static_cast<int>(c->items.size())) {
    return;
  }
  c->caret = index;
  // Always reported: scrolling to the caret is wanted even when the index did not move.
  Notify(id, Change::kCaret, index, 1);
}

int ControlStore::Caret(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? -1 : c->caret;
}

int ControlStore::ColumnCount(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : static_cast<int>(c->columns.size());
}

const ListColumn& ControlStore::Column(int id, int column) const {
  const Control* c = Find(id);
  if (c == nullptr || column < 0 || column >= static_cast<int>(c->columns.size())) {
    return kNoColumn;
  }
  return c->columns[column];
}

void ControlStore::SetColumns(int id, std::vector<ListColumn> columns) {
  Control* c = Find(id);
  if (c == nullptr || c->spec->kind != ControlKind::kListView) return;
  c->columns = std::move(columns);
  for (auto& row : c->cells) row.resize(c->columns.size());
  Notify(id, Change::kColumns);
}

void ControlStore::SetRowCount(int id, int rows) {
  Control* c = Find(id);
  if (c == nullptr || c->spec->kind != ControlKind::kListView || rows < 0) return;
  if (static_cast<int>(c->cells.size()) == rows) return;
  c->cells.resize(rows, std::vector<std::u16string>(c->columns.size()));
  if (c->cur_sel >= rows) c->cur_sel = -1;
  Notify(id, Change::kRowsReset);
}

int ControlStore::RowCount(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : static_cast<int>(c->cells.size());
}

bool ControlStore::SetCell(int id, int row, int column, std::u16string_view text) {
  Control* c = Find(id);
  if (c == nullptr || c->spec->kind != ControlKind::kListView) return false;
  if (row < 0 || row >= static_cast<int>(c->cells.size())) return false;
  if (column < 0 || column >= static_cast<int>(c->columns.size())) return false;
  std::u16string& cell = c->cells[row][column];
  if (cell == text) return true;
  cell = text;
  Notify(id, Change::kCells, row, column);
  return true;
}

const std::u16string& ControlStore::Cell(int id, int row, int column) const {
  const Control* c = Find(id);
  if (c == nullptr || row < 0 || row >= static_cast<int>(c->cells.size())) return kEmpty;
  if (column < 0 || column >= static_cast<int>(c->cells[row].size())) return kEmpty;
  return c->cells[row][column];
}

void ControlStore::SetRange(int id, int low, int high) {
  Control* c = Find(id);
  if (c == nullptr) return;
  c->low = low;
  c->high = std::max(low, high);
  c->pos = std::clamp(c->pos, c->low, c->high);
  Notify(id, Change::kProgress);
}

void ControlStore::SetPos(int id, int pos) {
  Control* c = Find(id);
  if (c == nullptr) return;
  pos = std::clamp(pos, c->low, c->high);
  if (c->pos == pos) return;
  c->pos = pos;
  Notify(id, Change::kProgress);
}

void ControlStore::SetStep(int id, int step) {
  Control* c = Find(id);
  if (c != nullptr) c->step = step;
}

void ControlStore::StepIt(int id) {
  Control* c = Find(id);
  if (c == nullptr) return;
  int pos = c->pos + c->step;
  if (pos > c->high) pos = c->low + (pos - c->high) % std::max(1, c->high - c->low);
  c->pos = std::clamp(pos, c->low, c->high);
  Notify(id, Change::kProgress);
}

int ControlStore::Pos(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : c->pos;
}

int ControlStore::RangeLow(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : c->low;
}

int ControlStore::RangeHigh(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : c->high;
}

void ControlStore::SetDate(int id, Date date) {
  Control* c = Find(id);
  if (c == nullptr || c->date == date) return;
  c->date = date;
  Notify(id, Change::kDate);
}

Date ControlStore::GetDate(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? Date{} : c->date;
}

void ControlStore::SetTime(int id, TimeOfDay time) {
  Control* c = Find(id);
  if (c == nullptr || c->time == time) return;
  c->time = time;
  Notify(id, Change::kTime);
}

TimeOfDay ControlStore::GetTime(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? TimeOfDay{} : c->time;
}

void ControlStore::SetColor(int id, uint32_t rgb) {
  Control* c = Find(id);
  rgb &= 0xFFFFFF;
  if (c == nullptr || c->color == rgb) return;
  c->color = rgb;
  Notify(id, Change::kColor);
}

uint32_t ControlStore::Color(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : c->color;
}

void ControlStore::SetSource(int id, SourceState state) {
  Control* c = Find(id);
  if (c == nullptr || c->source == state) return;
  c->source = state;
  Notify(id, Change::kSource);
}

SourceState ControlStore::Source(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? SourceState::kProject : c->source;
}

void ControlStore::SetImage(int id, int image) {
  Control* c = Find(id);
  if (c == nullptr || c->image == image) return;
  c->image = image;
  Notify(id, Change::kImage);
}

int ControlStore::Image(int id) const {
  const Control* c = Find(id);
  return c == nullptr ? 0 : c->image;
}

}  // namespace corvane::ui
