#include "ui/dialog.h"

namespace corvane::ui {

Dialog::Dialog(const DialogTemplate& tpl, Host& host) : ControlStore(tpl), host_(&host) {}

Dialog::~Dialog() { host_->Forget(*this); }

void Dialog::Init() {
  ended_ = false;
  ctrl_down_ = false;
  initialized_ = true;
  OnInit();
}

void Dialog::EndDialog(int result) {
  ended_ = true;
  result_ = result;
  host_->EndDialog(*this, result);
}

bool Dialog::Deliver(const Event& event) {
  switch (event.kind) {
    case Event::Kind::kCommand:
      // The OK and Cancel buttons carry the native ids and act like Enter and Escape.
      if (event.id == kIdOk) {
        OnOk();
      } else if (event.id == kIdCancel) {
        OnCancel();
      } else {
        OnCommand(event.id);
      }
      return true;
    case Event::Kind::kCheck:
      OnCheck(event.id);
      return true;
    case Event::Kind::kSelChange:
      OnSelChange(event.id);
      return true;
    case Event::Kind::kEditChange:
      OnEditChange(event.id);
      return true;
    case Event::Kind::kKillFocus:
      OnKillFocus(event.id);
      return true;
    case Event::Kind::kDoubleClick:
      OnDoubleClick(event.id, event.row, event.column);
      return true;
    case Event::Kind::kClose:
      OnCancel();
      return true;
    case Event::Kind::kKey:
      break;
  }
  if (event.key == vk::kControl) ctrl_down_ = event.down;
  if (OnKey(event.key, event.down)) return true;
  if (!event.down) return false;
  // Help belongs to the program, not to one window: a dialog that does not take these keys
  // itself passes them on, as the main window would have handled them.
  if (event.key == vk::kF1 || (ctrl_down_ && (event.key == 'H' || event.key == vk::kNumpad0 + 8))) {
    host_->RequestHelp();
    return true;
  }
  const ControlSpec* focus = Has(event.id) ? Template().Find(event.id) : nullptr;
  switch (event.key) {
    case vk::kReturn:
      // A multi-line edit takes Enter as a line break.
      if (focus != nullptr && focus->kind == ControlKind::kEdit && (focus->flags & kMultiLine)) {
        return false;
      }
      OnOk();
      return true;
    case vk::kEscape:
      OnCancel();
      return true;
    case vk::kDelete:
      if (focus != nullptr &&
          (focus->kind == ControlKind::kListBox || focus->kind == ControlKind::kListView)) {
        OnDelete(event.id);
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace corvane::ui
