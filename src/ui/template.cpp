#include "ui/template.h"

namespace corvane::ui {

const ControlSpec* DialogTemplate::Find(int control_id) const {
  for (const ControlSpec& spec : controls) {
    if (spec.id == control_id && control_id != kNoId) return &spec;
  }
  return nullptr;
}

ControlSpec Label(std::u16string_view caption, Cell cell, int id, uint32_t flags) {
  return ControlSpec{
      .id = id, .kind = ControlKind::kStatic, .caption = caption, .flags = flags, .cell = cell};
}

ControlSpec Edit(int id, Cell cell, uint32_t flags) {
  return ControlSpec{.id = id, .kind = ControlKind::kEdit, .flags = flags, .cell = cell};
}

ControlSpec Button(int id, std::u16string_view caption, Cell cell, uint32_t flags) {
  return ControlSpec{
      .id = id, .kind = ControlKind::kButton, .caption = caption, .flags = flags, .cell = cell};
}

ControlSpec ImageButton(int id, std::u16string_view caption, Cell cell, uint32_t flags) {
  return ControlSpec{.id = id,
                     .kind = ControlKind::kImageButton,
                     .caption = caption,
                     .flags = flags,
                     .cell = cell};
}

ControlSpec SourceIndicator(int id, Cell cell) {
  return ImageButton(id, u"", cell, kSourceIndicator);
}

ControlSpec CheckBox(int id, std::u16string_view caption, Cell cell, uint32_t flags) {
  return ControlSpec{
      .id = id, .kind = ControlKind::kCheckBox, .caption = caption, .flags = flags, .cell = cell};
}

ControlSpec ComboList(int id, Cell cell, std::vector<std::u16string_view> items, uint32_t flags) {
  return ControlSpec{.id = id,
                     .kind = ControlKind::kComboList,
                     .flags = flags,
                     .cell = cell,
                     .items = std::move(items)};
}

ControlSpec ComboEdit(int id, Cell cell, std::vector<std::u16string_view> items, uint32_t flags) {
  return ControlSpec{.id = id,
                     .kind = ControlKind::kComboEdit,
                     .flags = flags,
                     .cell = cell,
                     .items = std::move(items)};
}

ControlSpec ListBox(int id, Cell cell, uint32_t flags, int min_width, int min_height) {
  return ControlSpec{.id = id,
                     .kind = ControlKind::kListBox,
                     .flags = flags,
                     .cell = cell,
                     .min_width = min_width,
                     .min_height = min_height};
}

ControlSpec ListView(int id, Cell cell, std::vector<ColumnSpec> columns, uint32_t flags,
                     int min_height) {
  return ControlSpec{.id = id,
                     .kind = ControlKind::kListView,
                     .flags = flags,
                     .cell = cell,
                     .columns = std::move(columns),
                     .min_height = min_height};
}

ControlSpec Progress(int id, Cell cell, uint32_t flags) {
  return ControlSpec{.id = id, .kind = ControlKind::kProgress, .flags = flags, .cell = cell};
}

ControlSpec DatePicker(int id, Cell cell, uint32_t flags) {
  return ControlSpec{.id = id, .kind = ControlKind::kDatePicker, .flags = flags, .cell = cell};
}

ControlSpec TimePicker(int id, Cell cell, uint32_t flags) {
  return ControlSpec{.id = id, .kind = ControlKind::kTimePicker, .flags = flags, .cell = cell};
}

ControlSpec ColorSquare(int id, Cell cell) {
  return ControlSpec{.id = id, .kind = ControlKind::kColorSquare, .cell = cell};
}

ControlSpec GroupBox(int id, std::u16string_view caption, Cell cell, uint32_t flags) {
  return ControlSpec{
      .id = id, .kind = ControlKind::kGroupBox, .caption = caption, .flags = flags, .cell = cell};
}

ControlSpec Sized(ControlSpec spec, int min_width, int min_height) {
  spec.min_width = min_width;
  spec.min_height = min_height;
  return spec;
}

}  // namespace corvane::ui
