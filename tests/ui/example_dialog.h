// A small complete dialog to copy when writing a new one: a countdown that waits for something
// and gives up after a while, with a button that starts it again after asking.
//
// The three pieces: the template (ExampleWaitTemplate, which for a program dialog lives beside
// its logic class, in the same folder), the logic class (ExampleWaitDlg) and its test (example_dialog_test.cpp).
#pragma once

#include "ui/dialog.h"
#include "ui/template.h"

namespace corvane::ui {

// Ids without a given number get an enum beside the template.
enum ExampleWaitId : int {
  kExampleHint = 1260,
  kExampleBar = 1196,
  kExampleRestart = 1300,
  kExampleLeft = 1301,
};

const DialogTemplate& ExampleWaitTemplate();

class ExampleWaitDlg : public Dialog {
 public:
  static constexpr int kTickTimer = 1;
  static constexpr int kTickMs = 100;

  ExampleWaitDlg(Host& host, std::u16string hint, int ticks)
      : Dialog(ExampleWaitTemplate(), host), hint_(std::move(hint)), ticks_(ticks) {}

  // Something else (a report from the device, say) tells the dialog it may close.
  void Arrived() { EndDialog(kIdOk); }

 protected:
  void OnInit() override;
  void OnTimer(int id) override;
  void OnCommand(int id) override;

 private:
  void ShowLeft();

  std::u16string hint_;
  int ticks_;
  int left_ = 0;
};

}  // namespace corvane::ui
