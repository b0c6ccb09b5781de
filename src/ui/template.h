// A dialog template is plain data: the controls of one dialog with their ids, kinds, captions,
// flags, initial items and their place in a grid. The control store is created from it and the
// Qt binding builds its widgets from the same description, so headless tests see exactly the
// controls the program shows.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane::ui {

// Windows-style "no id" for labels nobody needs to address; such labels are not in the store.
inline constexpr int kNoId = -1;

enum class ControlKind : uint8_t {
  kStatic,       // label or read-only value text
  kEdit,         // single- or multi-line edit (flags: read-only, password, multi-line)
  kButton,       // push button
  kImageButton,  // owner-drawn image button: plain image or the data-source indicator
  kCheckBox,
  kComboList,  // drop-down list, no typing
  kComboEdit,  // editable combo box
  kListBox,    // plain list of lines (flags: sorted, multi-select)
  kListView,   // report-style table with columns
  kProgress,
  kDatePicker,
  kTimePicker,
  kColorSquare,  // 20 x 20 colour field
  kGroupBox,     // frame with a caption; holds its own grid of controls
};

// Flags; each applies to the kinds named beside it and is ignored elsewhere.
enum ControlFlag : uint32_t {
  kReadOnly = 1u << 0,         // edit
  kPassword = 1u << 1,         // edit
  kMultiLine = 1u << 2,        // edit
  kSorted = 1u << 3,           // list box, combo boxes
  kMultiSelect = 1u << 4,      // list box
  kFullRowSelect = 1u << 5,    // list view
  kGridLines = 1u << 6,        // list view
  kDefault = 1u << 7,          // push button pressed by Enter in the Qt binding's look
  kSourceIndicator = 1u << 8,  // image button showing the data-source state
  kHidden = 1u << 9,           // starts hidden
  kDisabled = 1u << 10,        // starts disabled
  kRightAlign = 1u << 11,      // static, edit: numbers line up on the right
  kCenter = 1u << 12,          // static: centred in its cell (captions over a row of squares)
  // list view: when the screen is short of room it may be as narrow as its minimum width and
  // scrolls sideways to the other columns (otherwise it is always wide enough for them all)
  kScrollSideways = 1u << 13,
  // hidden, it keeps its place, so the controls around it stay where they were
  kKeepsPlace = 1u << 14,
};

// A group box with an empty caption is drawn without a frame: a plain container that lines
// controls up in a grid of their own (a row of buttons, say). In any container, a grid column
// that holds no control takes the spare width, which pushes the columns after it to the right.

struct ColumnSpec {
  std::u16string_view caption{};
  int width = 60;  // pixels
};

// Place in the grid of the parent: the dialog itself (parent 0) or a group box.
struct Cell {
  int parent = 0;
  int row = 0;
  int col = 0;
  int row_span = 1;
  int col_span = 1;
};

struct ControlSpec {
  int id = kNoId;
  ControlKind kind = ControlKind::kStatic;
  std::u16string_view caption{};
  uint32_t flags = 0;
  Cell cell{};
  std::vector<std::u16string_view> items{};  // combo boxes and list boxes
  std::vector<ColumnSpec> columns{};         // list views
  int min_width = 0;                         // pixels; 0 = the widget's own size hint
  int min_height = 0;
};

struct DialogTemplate {
  int id = 0;  // the template number where one is given
  std::u16string_view title{};
  std::vector<ControlSpec> controls{};
  // Grid columns of the dialog's top level that take extra width when the window grows.
  std::vector<int> stretch_columns{};

  const ControlSpec* Find(int control_id) const;
};

// Builders that keep templates short and readable as a table.
inline Cell At(int row, int col, int row_span = 1, int col_span = 1) {
  return Cell{0, row, col, row_span, col_span};
}
inline Cell In(int group, int row, int col, int row_span = 1, int col_span = 1) {
  return Cell{group, row, col, row_span, col_span};
}

ControlSpec Label(std::u16string_view caption, Cell cell, int id = kNoId, uint32_t flags = 0);
ControlSpec Edit(int id, Cell cell, uint32_t flags = 0);
ControlSpec Button(int id, std::u16string_view caption, Cell cell, uint32_t flags = 0);
ControlSpec ImageButton(int id, std::u16string_view caption, Cell cell, uint32_t flags = 0);
ControlSpec SourceIndicator(int id, Cell cell);
ControlSpec CheckBox(int id, std::u16string_view caption, Cell cell, uint32_t flags = 0);
ControlSpec ComboList(int id, Cell cell, std::vector<std::u16string_view> items = {},
                      uint32_t flags = 0);
ControlSpec ComboEdit(int id, Cell cell, std::vector<std::u16string_view> items = {},
                      uint32_t flags = 0);
ControlSpec ListBox(int id, Cell cell, uint32_t flags = 0, int min_width = 0, int min_height = 0);
ControlSpec ListView(int id, Cell cell, std::vector<ColumnSpec> columns, uint32_t flags = 0,
                     int min_height = 0);
ControlSpec Progress(int id, Cell cell, uint32_t flags = 0);
ControlSpec DatePicker(int id, Cell cell, uint32_t flags = 0);
ControlSpec TimePicker(int id, Cell cell, uint32_t flags = 0);
ControlSpec ColorSquare(int id, Cell cell);
ControlSpec GroupBox(int id, std::u16string_view caption, Cell cell, uint32_t flags = 0);
// The same control with a minimum size in pixels (0 = the widget's own).
ControlSpec Sized(ControlSpec spec, int min_width, int min_height = 0);

}  // namespace corvane::ui
