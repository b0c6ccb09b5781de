#include "gateway/modbus_bridge_dlg.h"

#include <algorithm>

#include "gateway/gw_device_editors.h"
#include "gateway/modbus_bridge_template.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane {
namespace {

using ui::BridgeBox;
using ui::kBridgeBoxes;

std::u16string FarEndLine(RfAddress address) {
  return ui::Format("0x%08X ", address) + TypeName(address);
}

}  // namespace

CModbusBridgeDlg::CModbusBridgeDlg(ui::Host& host, GatewayImage& image, RfAddress gateway,
                                   const Project& project)
    : Dialog(ui::ModbusBridgeTemplate(), host),
      image_(image),
      gateway_(gateway),
      project_(project) {}

bool CModbusBridgeDlg::Bridged(int n) const {
  const uint16_t word = image_.Word(GatewayImage::kRegBridgeBits + n / 16);
  return ((word >> (n % 16)) & 1) != 0;
}

bool CModbusBridgeDlg::HasBridge() const {
  return static_cast<int>(image_.words().size()) >= GatewayImage::kRegBridgeBits + kBitFieldWords;
}

void CModbusBridgeDlg::OnInit() {
  // An image of the older layout has no bridge registers: nothing to show or store.
  if (!HasBridge()) {
    for (int id : {ui::kBridgeFarEnd, ui::kBridgeTimeout, ui::kBridgeSetAll, ui::kBridgeClearAll}) {
      Enable(id, false);
    }
    for (int n = 0; n < kBridgeBoxes; ++n) Enable(BridgeBox(n), false);
    return;
  }
  const RfAddress far_end = image_.U32(GatewayImage::kRegBridgeAddress);
  ResetContent(ui::kBridgeFarEnd);
  AddString(ui::kBridgeFarEnd, u"Nothing");
  int selected = 0;
  for (int e = 0; e < Project::kMaxDevices; ++e) {
    const RfAddress a = project_.Address(e);
    if (a == 0 || a == gateway_ || TypeOf(a) != kGatewayType) continue;
    const int line = AddString(ui::kBridgeFarEnd, FarEndLine(a));
    if (a == far_end) selected = line;
  }
  // A far end taken out of the project since is still the gateway's setting: keep offering it.
  if (far_end != 0 && selected == 0) selected = AddString(ui::kBridgeFarEnd, FarEndLine(far_end));
  SetCurSel(ui::kBridgeFarEnd, selected);

  SetText(ui::kBridgeTimeout, ui::Format("%u", image_.Word(GatewayImage::kRegModbusTimeout)));
  for (int n = 0; n < kBridgeBoxes; ++n) SetCheck(BridgeBox(n), Bridged(n));
}

void CModbusBridgeDlg::SetAllBits(bool on) {
  for (int w = 0; w < kBitFieldWords; ++w) {
    image_.SetWord(GatewayImage::kRegBridgeBits + w, on ? 0xFFFF : 0);
  }
  for (int n = 0; n < kBridgeBoxes; ++n) SetCheck(BridgeBox(n), on);
}

void CModbusBridgeDlg::OnCommand(int id) {
  if (!HasBridge()) return;
  if (id == ui::kBridgeSetAll) SetAllBits(true);
  if (id == ui::kBridgeClearAll) SetAllBits(false);
}

void CModbusBridgeDlg::OnOk() {
  if (!HasBridge()) {
    EndDialog(ui::kIdOk);
    return;
  }
  // Bits from 241 on have no box and keep what they hold.
  for (int n = 0; n < kBridgeBoxes; ++n) {
    const int reg = GatewayImage::kRegBridgeBits + n / 16;
    const auto bit = static_cast<uint16_t>(1u << (n % 16));
    const uint16_t word = image_.Word(reg);
    image_.SetWord(reg,
                   static_cast<uint16_t>(IsChecked(BridgeBox(n)) ? (word | bit) : (word & ~bit)));
  }

  const int line = CurSel(ui::kBridgeFarEnd);
  const std::u16string text = line >= 0 ? Item(ui::kBridgeFarEnd, line) : u"";
  image_.SetU32(GatewayImage::kRegBridgeAddress,
                subdevice::ParseAddress(text, subdevice::AddressRule::kOk).value_or(0));

  // A timeout beyond the register's 16 bits is stored as the longest one, not as its low bits;
  // a text that is no number leaves the timeout as it was.
  if (const auto ms = subdevice::ScanSigned(Text(ui::kBridgeTimeout))) {
    image_.SetWord(GatewayImage::kRegModbusTimeout,
                   static_cast<uint16_t>(std::clamp<int64_t>(*ms, 0, 0xFFFF)));
  }
  EndDialog(ui::kIdOk);
}

}  // namespace corvane
