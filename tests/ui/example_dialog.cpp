#include "ui/example_dialog.h"

#include "ui/text.h"

namespace corvane::ui {

const DialogTemplate& ExampleWaitTemplate() {
  static const DialogTemplate t{
      .id = 140,
      .title = u"Wait for activation",
      .controls =
          {
              Edit(kExampleHint, At(0, 0, 1, 3), kReadOnly | kMultiLine),
              Progress(kExampleBar, At(1, 0, 1, 3)),
              Label(u"", At(2, 0), kExampleLeft),
              Button(kExampleRestart, u"Restart", At(2, 1)),
              Button(kIdCancel, u"Cancel", At(2, 2)),
          },
      .stretch_columns = {0},
  };
  return t;
}

void ExampleWaitDlg::OnInit() {
  SetText(kExampleHint, hint_);
  SetRange(kExampleBar, 0, ticks_);
  left_ = ticks_;
  ShowLeft();
  SetTimer(kTickTimer, kTickMs);
}

void ExampleWaitDlg::OnTimer(int id) {
  if (id != kTickTimer) return;
  if (left_ > 0) --left_;
  ShowLeft();
  if (left_ == 0) {
    KillTimer(kTickTimer);
    EndDialog(kIdCancel);
  }
}

void ExampleWaitDlg::OnCommand(int id) {
  if (id != kExampleRestart) return;
  const int answer =
      MessageBox(u"Start the countdown again?", u"Restart", {Buttons::kYesNo, Icon::kQuestion, 1});
  if (answer != kIdYes) return;
  left_ = ticks_;
  ShowLeft();
  SetTimer(kTickTimer, kTickMs);  // setting a running timer restarts it
}

void ExampleWaitDlg::ShowLeft() {
  SetPos(kExampleBar, left_);
  SetText(kExampleLeft, Format("%d.%01d s", left_ / 10, left_ % 10));
}

}  // namespace corvane::ui
