#include "lighting/dali_edit.h"

#include "lighting/dali_command.h"
#include "lighting/dali_edit_template.h"

namespace corvane::lighting {

CDaliEdit::CDaliEdit(ui::Host& host, uint32_t value)
    : Dialog(ui::DaliEditTemplate(), host), value_(value) {}

void CDaliEdit::OnInit() {
  const DaliEditorChoice choice = DecodeDaliEditorChoice(value_);
  SetCurSel(ui::kDaliEditAddress, choice.address);
  SetCurSel(ui::kDaliEditCommand, choice.command);
}

void CDaliEdit::OnOk() {
  const DaliEditorResult result =
      EncodeDaliEditorChoice({CurSel(ui::kDaliEditAddress), CurSel(ui::kDaliEditCommand)});
  value_ = result.frame;
  length_ = result.length;
  EndDialog(ui::kIdOk);
}

}  // namespace corvane::lighting
