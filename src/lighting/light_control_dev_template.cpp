#include "lighting/light_control_dev_template.h"

#include <tuple>

#include "ui/dialog.h"

namespace corvane::ui {
namespace {

constexpr int kCommandWidth = 82;
constexpr int kSmallWidth = 34;

std::vector<ControlSpec> ControlDevControls() {
  constexpr int A = kLcdGroupAddress;
  constexpr int R = kLcdGroupButtons;
  constexpr int K = kLcdGroupOk;
  std::vector<ControlSpec> c = {
      GroupBox(A, u"", At(0, 0)),
      Label(u"Address", In(A, 0, 0)),
      Sized(ComboEdit(kLcdAddress, In(A, 0, 1)), 380),
      Label(u"", In(A, 0, 3)),
      GroupBox(R, u"Buttons", At(1, 0)),
  };
  // Column captions over the three commands of each button.
  int col = 1;
  for (std::u16string_view command : {u"ON Cmd", u"OFF Cmd", u"LongP Cmd"}) {
    c.push_back(Label(command, In(R, 0, col++)));
    c.push_back(Label(u"Len", In(R, 0, col++)));
    c.push_back(Label(u"Prio", In(R, 0, col++)));
    ++col;
  }
  static constexpr std::u16string_view kButtons[] = {u"Button 1", u"Button 2", u"Button 3",
                                                     u"Button 4"};
  for (int b = 0; b < 4; ++b) {
    const int row = b + 1;
    c.push_back(Label(kButtons[b], In(R, row, 0), LcdId(kLcdRowLabel0, b)));
    col = 1;
    for (const auto& [cmd, len, prio, edit] :
         {std::tuple{kLcdOnCmd0, kLcdOnLen0, kLcdOnPrio0, kLcdOnEdit0},
          std::tuple{kLcdOffCmd0, kLcdOffLen0, kLcdOffPrio0, kLcdOffEdit0},
          std::tuple{kLcdLongCmd0, kLcdLongLen0, kLcdLongPrio0, kLcdLongEdit0}}) {
      c.push_back(Sized(Edit(LcdId(cmd, b), In(R, row, col++), kRightAlign), kCommandWidth));
      c.push_back(Sized(Edit(LcdId(len, b), In(R, row, col++), kRightAlign), kSmallWidth));
      c.push_back(Sized(Edit(LcdId(prio, b), In(R, row, col++), kRightAlign), kSmallWidth));
      c.push_back(Button(LcdId(edit, b), u"Edit...", In(R, row, col++)));
    }
    c.push_back(CheckBox(LcdId(kLcdPushPull0, b), u"Push/pull", In(R, row, col++)));
    c.push_back(Button(LcdId(kLcdTest0, b), u">", In(R, row, col++)));
  }
  c.push_back(GroupBox(K, u"", At(2, 0)));
  c.push_back(Button(kIdOk, u"OK", In(K, 0, 1), kDefault));
  c.push_back(Button(kIdCancel, u"Cancel", In(K, 0, 2)));
  return c;
}

}  // namespace

const DialogTemplate& LightControlDevTemplate() {
  static const DialogTemplate t{
      .id = 144, .title = u"Control Device", .controls = ControlDevControls()};
  return t;
}

}  // namespace corvane::ui
