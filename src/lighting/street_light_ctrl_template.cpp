#include "lighting/street_light_ctrl_template.h"

#include <string_view>

#include "ui/host.h"

namespace corvane::ui {
namespace {

constexpr std::u16string_view kRowNames[] = {u"Button 1", u"Button 2", u"Button 3", u"Button 4"};

std::vector<ControlSpec> Controls() {
  constexpr int R = kSlcGroupRows;
  constexpr int B = kSlcGroupOk;
  const std::vector<std::u16string_view> actions = {u"Disabled", u"On", u"Off", u"Plus", u"Minus"};
  std::vector<ControlSpec> c = {
      GroupBox(R, u"Control device", At(0, 0)),
      Label(u"Address", In(R, 0, 0)),
      Sized(ComboEdit(kSlcAddress, In(R, 0, 1, 1, 6)), 380),
      Label(u"ON", In(R, 1, 1)),
      Label(u"OFF", In(R, 1, 2)),
      Label(u"LongPress", In(R, 1, 3)),
      Label(u"Ballast", In(R, 1, 4)),
  };
  for (int r = 0; r < 4; ++r) {
    const int row = r + 2;
    c.push_back(Label(kRowNames[r], In(R, row, 0)));
    c.push_back(Sized(ComboList(SlcId(kSlcOn0, r), In(R, row, 1), actions), 90));
    c.push_back(Sized(ComboList(SlcId(kSlcOff0, r), In(R, row, 2), actions), 90));
    c.push_back(Sized(ComboList(SlcId(kSlcLong0, r), In(R, row, 3), actions), 90));
    c.push_back(Sized(ComboList(SlcId(kSlcBallast0, r), In(R, row, 4), {u"1", u"2"}), 50));
    c.push_back(CheckBox(SlcId(kSlcPushPull0, r), u"Push/Pull", In(R, row, 5)));
    c.push_back(Sized(Button(SlcId(kSlcTest0, r), u">", In(R, row, 6)), 30));
  }
  c.push_back(GroupBox(B, u"", At(1, 0)));
  c.push_back(Button(kIdOk, u"OK", In(B, 0, 1), kDefault));
  c.push_back(Button(kIdCancel, u"Cancel", In(B, 0, 2)));
  return c;
}

}  // namespace

const DialogTemplate& StreetLightCtrlTemplate() {
  static const DialogTemplate t{.id = 166,
                                .title = u"Stralux-C Control Device",
                                .controls = Controls(),
                                .stretch_columns = {0}};
  return t;
}

}  // namespace corvane::ui
