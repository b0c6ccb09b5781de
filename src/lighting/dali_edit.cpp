#include "lighting/dali_edit.h"

#include "lighting/dali_command.h"
#include "lighting/dali_edit_template.h"

namespace corvane::lighting {

CDaliEdit::CDaliEdit(ui::Host& host, uint32_t value)
    : Dialog(ui::DaliEditTemplate(), host), value_(value) {}

void CDaliEdit::OnInit() {
  const DaliEditorChoice choice = DaliEditorView(value_);
  SetCurSel(ui::kDaliEditAddress, choice.address);
  SetCurSel(ui::kDaliEditCommand, choice.command);
}

void CDaliEdit::OnSelChange(int id) {
  if (id == ui::kDaliEditAddress || id == ui::kDaliEditCommand) picked_ = true;
}

void CDaliEdit::OnOk() {
  // A valid command beyond the lists (a short address above 19, a code the list lacks, a longer
  // frame) would come back as something else: without a pick of the user it stays as it is.
  if (!picked_ && !DaliEditorShows(value_)) {
    changed_ = false;
    EndDialog(ui::kIdOk);
    return;
  }
  const DaliEditorChoice choice{CurSel(ui::kDaliEditAddress), CurSel(ui::kDaliEditCommand)};
  DaliEditorResult result = EncodeDaliEditorChoice(choice);
  if (choice.address < 0 && choice.command > 0 && choice.command < kDaliEditorCommands) {
    // The address has no entry in the list: the picked command goes to the one it had.
    result = {(value_ & 0xFE00u) | kDaliEditorCodes[choice.command - 1], 16};
  }
  value_ = result.frame;
  length_ = result.length;
  EndDialog(ui::kIdOk);
}

}  // namespace corvane::lighting
