#include "lighting/dali_edit_template.h"

#include "ui/dialog.h"

namespace corvane::ui {
namespace {

std::vector<ControlSpec> EditControls() {
  constexpr int G = kDaliEditGroup;
  constexpr int B = kDaliEditButtons;
  // The addresses in the order the editor numbers them: broadcast, groups 0..8, short
  // addresses 0..19.
  std::vector<std::u16string_view> addresses = {
      u"All",     u"Group 0", u"Group 1", u"Group 2", u"Group 3", u"Group 4",
      u"Group 5", u"Group 6", u"Group 7", u"Group 8", u"0",       u"1",
      u"2",       u"3",       u"4",       u"5",       u"6",       u"7",
      u"8",       u"9",       u"10",      u"11",      u"12",      u"13",
      u"14",      u"15",      u"16",      u"17",      u"18",      u"19"};
  return {
      GroupBox(G, u"DALI frame", At(0, 0)),
      Label(u"Adress", In(G, 0, 0)),
      Sized(ComboList(kDaliEditAddress, In(G, 0, 1), addresses), 170),
      Label(u"Command", In(G, 1, 0)),
      Sized(ComboList(kDaliEditCommand, In(G, 1, 1),
                      {u"Disabled", u"Off", u"On", u"Step -", u"Step +", u"Use Stored Value",
                       u"Get Actual Value"}),
            170),
      GroupBox(B, u"", At(1, 0)),
      Button(kIdOk, u"OK", In(B, 0, 1), kDefault),
      Button(kIdCancel, u"Cancel", In(B, 0, 2)),
  };
}

}  // namespace

const DialogTemplate& DaliEditTemplate() {
  static const DialogTemplate t{
      .id = 147, .title = u"DALI Command Editor", .controls = EditControls()};
  return t;
}

}  // namespace corvane::ui
