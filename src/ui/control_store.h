// The state of every control of one dialog, keyed by control id. Dialog logic reads and writes
// only this; a host that shows real widgets watches it through StoreObserver and feeds user
// input back into it before the matching event is delivered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/template.h"

namespace corvane::ui {

// Where the data shown by a configuration dialog came from.
enum class SourceState : uint8_t { kProject, kRead, kDevice, kError, kCache, kWrite };
std::u16string_view SourceWord(SourceState state);

struct Date {
  int year = 2000;
  int month = 1;
  int day = 1;
  bool operator==(const Date&) const = default;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const TimeOfDay&) const = default;
};

struct ListColumn {
  std::u16string caption;
  int width = 60;
};

// What changed; `first` and `count` name the rows or items concerned where that matters.
enum class Change : uint8_t {
  kTitle,
  kText,
  kVisible,
  kEnabled,
  kCheck,
  kItemsReset,     // combo or list box content replaced
  kItemsInserted,  // items [first, first + count) inserted
  kItemRemoved,    // item `first` removed
  kSelection,      // current selection or multi-selection changed
  kCaret,          // list box caret line moved (scroll it into view)
  kColumns,
  kRowsReset,  // list view row count changed
  kCells,      // list view cell (first = row, count = column) changed
  kProgress,
  kDate,
  kTime,
  kColor,
  kSource,
  kImage,
  kToolTip,
};

class StoreObserver {
 public:
  virtual void OnStoreChange(int id, Change change, int first, int count) = 0;

 protected:
  ~StoreObserver() = default;
};

class ControlStore {
 public:
  explicit ControlStore(const DialogTemplate& tpl);
  ControlStore(const ControlStore&) = delete;
  ControlStore& operator=(const ControlStore&) = delete;

  const DialogTemplate& Template() const { return *template_; }
  bool Has(int id) const { return index_.contains(id); }
  // Calls with an id the template does not hold do nothing and are counted, so a test can
  // catch a mistyped id that would otherwise fail silently.
  int unknown_id_uses() const { return unknown_id_uses_; }

  void SetObserver(StoreObserver* observer) { observer_ = observer; }

  // Window title.
  void SetTitle(std::u16string_view title);
  const std::u16string& Title() const { return title_; }

  // Every kind: caption or content text (an editable combo's edit text), visibility, enabled.
  void SetText(int id, std::u16string_view text);
  const std::u16string& Text(int id) const;
  void Show(int id, bool visible);
  bool IsVisible(int id) const;
  void Enable(int id, bool enabled);
  bool IsEnabled(int id) const;
  // The hint shown when the pointer rests on a control (why it is disabled, for one).
  void SetToolTip(int id, std::u16string_view text);
  const std::u16string& ToolTip(int id) const;

  // Check boxes.
  void SetCheck(int id, bool checked);
  bool IsChecked(int id) const;

  // Combo boxes and list boxes. A sorted control inserts by case-insensitive text order, after
  // equal lines; others append. Returns the index of the new item, -1 on a bad id.
  int AddString(int id, std::u16string_view text);
  int InsertString(int id, int index, std::u16string_view text);  // index -1 = append
  bool DeleteString(int id, int index);
  void ResetContent(int id);
  int Count(int id) const;
  const std::u16string& Item(int id, int index) const;
  // Case-insensitive search from the item after `start` (-1 = from the top), wrapping around.
  int FindString(int id, std::u16string_view prefix, int start = -1) const;
  int FindStringExact(int id, std::u16string_view text, int start = -1) const;
  // Selects the first item that begins with `prefix`; the selection is unchanged when none does.
  int SelectString(int id, std::u16string_view prefix);

  // Current selection of a combo box, single-selection list box or list view (-1 = none). A
  // combo box's edit text follows its selection.
  int CurSel(int id) const;
  // The selection, or `kept` when nothing is selected (a field no entry of the list shows).
  int CurSelOr(int id, int kept) const {
    const int sel = CurSel(id);
    return sel >= 0 ? sel : kept;
  }
  bool SetCurSel(int id, int index);

  // Multiple-selection list boxes (a single-selection list box answers the same calls).
  bool SetSel(int id, int index, bool selected);  // index -1 = every item
  bool IsSelected(int id, int index) const;
  std::vector<int> SelectedItems(int id) const;
  int SelCount(int id) const;

  // List box caret line; setting it scrolls the line into view.
  void SetCaret(int id, int index);
  int Caret(int id) const;

  // List views. Setting a cell to its current text is not a change.
  int ColumnCount(int id) const;
  const ListColumn& Column(int id, int column) const;
  void SetColumns(int id, std::vector<ListColumn> columns);
  void SetRowCount(int id, int rows);
  int RowCount(int id) const;
  bool SetCell(int id, int row, int column, std::u16string_view text);
  const std::u16string& Cell(int id, int row, int column) const;

  // Progress bars. StepIt wraps to the bottom of the range, as the native control does.
  void SetRange(int id, int low, int high);
  void SetPos(int id, int pos);
  void SetStep(int id, int step);
  void StepIt(int id);
  int Pos(int id) const;
  int RangeLow(int id) const;
  int RangeHigh(int id) const;

  // Date and time pickers.
  void SetDate(int id, Date date);
  Date GetDate(int id) const;
  void SetTime(int id, TimeOfDay time);
  TimeOfDay GetTime(int id) const;

  // Colour squares, 0xRRGGBB.
  void SetColor(int id, uint32_t rgb);
  uint32_t Color(int id) const;

  // Image buttons: the data-source state of an indicator, or an image number for plain ones.
  void SetSource(int id, SourceState state);
  SourceState Source(int id) const;
  void SetImage(int id, int image);
  int Image(int id) const;

 private:
  struct Control {
    const ControlSpec* spec = nullptr;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::u16string text;
    std::u16string tool_tip;
    std::vector<std::u16string> items;
    std::vector<uint8_t> selected;  // per item, for list boxes
    int cur_sel = -1;
    int caret = -1;
    std::vector<ListColumn> columns;
    std::vector<std::vector<std::u16string>> cells;  // rows of column texts
    int low = 0;
    int high = 100;
    int pos = 0;
    int step = 10;
    Date date;
    TimeOfDay time;
    uint32_t color = 0xFFFFFF;
    SourceState source = SourceState::kProject;
    int image = 0;
  };

  Control* Find(int id);
  const Control* Find(int id) const;
  bool IsList(const Control& c) const;
  bool IsCombo(const Control& c) const;
  void Notify(int id, Change change, int first = 0, int count = 0) {
    if (observer_ != nullptr) observer_->OnStoreChange(id, change, first, count);
  }

  const DialogTemplate* template_;
  std::vector<Control> controls_;
  std::unordered_map<int, size_t> index_;
  std::u16string title_;
  StoreObserver* observer_ = nullptr;
  mutable int unknown_id_uses_ = 0;
};

}  // namespace corvane::ui
