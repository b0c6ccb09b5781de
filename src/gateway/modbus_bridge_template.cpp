#include "gateway/modbus_bridge_template.h"

#include <array>
#include <string>

#include "ui/host.h"

namespace corvane::ui {
namespace {

// The captions live as long as the template that points at them.
const std::array<std::u16string, kBridgeBoxes>& BoxCaptions() {
  static const std::array<std::u16string, kBridgeBoxes> captions = [] {
    std::array<std::u16string, kBridgeBoxes> c;
    for (int n = 0; n < kBridgeBoxes; ++n) {
      for (char ch : std::to_string(n)) c[static_cast<size_t>(n)].push_back(char16_t(ch));
    }
    return c;
  }();
  return captions;
}

DialogTemplate Build() {
  constexpr int L = kBridgeGroupLink;
  constexpr int A = kBridgeGroupAddresses;
  constexpr int B = kBridgeGroupButtons;
  DialogTemplate t{.id = 181, .title = u"Modbus Bridge"};
  auto& c = t.controls;
  c.push_back(GroupBox(L, u"Bridge", At(0, 0)));
  c.push_back(Label(u"Device on far bridge end", In(L, 0, 0)));
  c.push_back(Sized(ComboList(kBridgeFarEnd, In(L, 0, 1)), 260));
  // Column 2 stays empty and keeps the timeout at the right edge.
  c.push_back(Label(u"MODBUS timeout [ms]", In(L, 0, 3)));
  c.push_back(Sized(Edit(kBridgeTimeout, In(L, 0, 4), kRightAlign), 70));

  // Sixteen addresses a row, so each column holds the addresses with the same remainder and a
  // row starts at a multiple of 16.
  c.push_back(GroupBox(A, u"Modbus address for bridging", At(1, 0)));
  const auto& captions = BoxCaptions();
  for (int n = 0; n < kBridgeBoxes; ++n) {
    c.push_back(CheckBox(BridgeBox(n), captions[static_cast<size_t>(n)],
                         In(A, n / kBridgeBoxesPerRow, n % kBridgeBoxesPerRow)));
  }
  // The bulk buttons on the left under the boxes; column 2 stays empty and pushes OK to the
  // right edge.
  c.push_back(GroupBox(B, u"", At(2, 0)));
  c.push_back(Button(kBridgeSetAll, u"Set All", In(B, 0, 0)));
  c.push_back(Button(kBridgeClearAll, u"Clear All", In(B, 0, 1)));
  c.push_back(Button(kIdOk, u"OK", In(B, 0, 3), kDefault));
  t.stretch_columns = {0};
  return t;
}

}  // namespace

const DialogTemplate& ModbusBridgeTemplate() {
  static const DialogTemplate t = Build();
  return t;
}

}  // namespace corvane::ui
