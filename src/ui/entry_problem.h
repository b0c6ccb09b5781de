// A typed value that its field cannot hold, and the message that names the field and its range.
// The field tables' check and the windows that gather their fields by hand say it the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/template.h"

namespace corvane::ui {

class Dialog;

// `min` and `max` are in the field's units (hundredths for a field with two decimals).
struct EntryProblem {
  int control = 0;
  int64_t min = 0;
  int64_t max = 0;
  int decimals = 0;
  // Names the field where no label stands to its left (a column heading above a grid of edits).
  std::u16string_view caption{};
};

// "<caption> must be between <min> and <max> <unit>", the caption and unit being the labels
// beside the field in the window's template (the problem's own caption when it has one).
std::u16string EntryProblemText(const DialogTemplate& tpl, const EntryProblem& problem);

// The problem of an integer field that must hold min..max: `value` is what its text read as,
// nullopt when the text is no number.
std::optional<EntryProblem> RangeProblem(int control, std::optional<int64_t> value, int64_t min,
                                         int64_t max);

// Shows the problem in the warning box "Invalid value" and returns false; true when there is
// none. The field keeps what was typed.
bool AcceptEntries(Dialog& dialog, const std::optional<EntryProblem>& problem);

}  // namespace corvane::ui
