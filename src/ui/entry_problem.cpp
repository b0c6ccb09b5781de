#include "ui/entry_problem.h"

#include "ui/dialog.h"
#include "ui/text.h"

namespace corvane::ui {

std::u16string EntryProblemText(const DialogTemplate& tpl, const EntryProblem& problem) {
  std::u16string caption = problem.caption.empty() ? u"The value" : std::u16string(problem.caption);
  std::u16string unit;
  if (const ControlSpec* field = tpl.Find(problem.control)) {
    for (const ControlSpec& c : tpl.controls) {
      if (c.kind != ControlKind::kStatic || c.cell.parent != field->cell.parent ||
          c.cell.row != field->cell.row || c.caption.empty()) {
        continue;
      }
      if (c.cell.col == field->cell.col - 1 && problem.caption.empty())
        caption = std::u16string(c.caption);
      if (c.cell.col == field->cell.col + field->cell.col_span)
        unit = u" " + std::u16string(c.caption);
    }
  }
  auto number = [&](int64_t v) {
    if (problem.decimals == 0) return Format("%lld", static_cast<long long>(v));
    int64_t scale = 1;
    for (int i = 0; i < problem.decimals; ++i) scale *= 10;
    const int64_t whole = v / scale;
    const int64_t part = (v < 0 ? -v : v) % scale;
    return Format("%s%lld.%0*lld", v < 0 && whole == 0 ? "-" : "", static_cast<long long>(whole),
                  problem.decimals, static_cast<long long>(part));
  };
  return caption + u" must be between " + number(problem.min) + u" and " + number(problem.max) +
         unit;
}

std::optional<EntryProblem> RangeProblem(int control, std::optional<int64_t> value, int64_t min,
                                         int64_t max) {
  if (value && *value >= min && *value <= max) return std::nullopt;
  return EntryProblem{control, min, max, 0};
}

bool AcceptEntries(Dialog& dialog, const std::optional<EntryProblem>& problem) {
  if (!problem) return true;
  dialog.MessageBox(EntryProblemText(dialog.Template(), *problem), u"Invalid value",
                    {Buttons::kOk, Icon::kWarning, 0});
  return false;
}

}  // namespace corvane::ui
