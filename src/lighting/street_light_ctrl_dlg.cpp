#include "lighting/street_light_ctrl_dlg.h"

#include <algorithm>
#include <vector>

#include "app/project_devices.h"
#include "devices/control_press.h"
#include "devices/field_binding.h"
#include "lighting/street_light_ctrl_template.h"
#include "ui/text.h"

namespace corvane::lighting {
namespace {

using devices::RecordByte;
using devices::SetRecordByte;

// The push-button nodes a street light can take as control devices.
constexpr uint16_t kControlTypes[] = {0x003, 0x00B, 0x00E, 0x012, 0x014};

constexpr uint8_t kActionMask = 0x07;
constexpr uint8_t kBallastBit = 0x08;
constexpr uint8_t kPushPullBit = 0x80;

// Byte `index` (0..15) of control record k.
uint8_t Byte(std::span<const uint16_t> record, int k, int index) {
  return RecordByte(record, kControlFirst + kControlWords * k + index / 2, index % 2);
}
void SetByte(std::span<uint16_t> record, int k, int index, uint8_t value) {
  SetRecordByte(record, kControlFirst + kControlWords * k + index / 2, index % 2, value);
}

}  // namespace

RfAddress ControlAddress(std::span<const uint16_t> record, int k) {
  const size_t w = static_cast<size_t>(kControlFirst + kControlWords * k);
  return static_cast<RfAddress>(record[w]) | static_cast<RfAddress>(record[w + 1]) << 16;
}

void SetControlAddress(std::span<uint16_t> record, int k, RfAddress address) {
  const size_t w = static_cast<size_t>(kControlFirst + kControlWords * k);
  record[w] = static_cast<uint16_t>(address);
  record[w + 1] = static_cast<uint16_t>(address >> 16);
}

ControlButton ControlButtonOf(std::span<const uint16_t> record, int k, int button) {
  const uint8_t on = Byte(record, k, 4 + button);
  ControlButton b;
  b.on = on & kActionMask;
  b.ballast = (on & kBallastBit) != 0 ? 1 : 0;
  b.push_pull = (on & kPushPullBit) != 0;
  b.off = Byte(record, k, 8 + button) & kActionMask;
  b.long_press = Byte(record, k, 12 + button) & kActionMask;
  return b;
}

void SetControlButton(std::span<uint16_t> record, int k, int button, const ControlButton& value) {
  uint8_t on = Byte(record, k, 4 + button) & ~(kActionMask | kBallastBit | kPushPullBit);
  on |= static_cast<uint8_t>(value.on & kActionMask);
  if (value.ballast != 0) on |= kBallastBit;
  if (value.push_pull) on |= kPushPullBit;
  SetByte(record, k, 4 + button, on);
  auto action = [&](int index, int code) {
    const uint8_t old = Byte(record, k, index);
    SetByte(record, k, index, static_cast<uint8_t>((old & ~kActionMask) | (code & kActionMask)));
  };
  action(8 + button, value.off);
  action(12 + button, value.long_press);
}

CStreetLightCtrlDlg::CStreetLightCtrlDlg(
    ui::Host& host, std::span<uint16_t> record, int k, const Project& project, RfAddress node,
    std::function<void(RfAddress, std::span<const uint8_t>)> send)
    : Dialog(ui::StreetLightCtrlTemplate(), host),
      record_(record),
      k_(k),
      project_(project),
      node_(node),
      send_(std::move(send)) {}

void CStreetLightCtrlDlg::OnInit() {
  SetTitle(ui::Format("Stralux-C Control Device %d", k_ + 1));
  devices::FillControlDeviceList(*this, ui::kSlcAddress, project_, kControlTypes,
                                 ControlAddress(record_, k_));
  for (int r = 0; r < 4; ++r) {
    const ControlButton b = ControlButtonOf(record_, k_, r);
    // Codes 5..7 have no entry: they show as nothing chosen and are kept on OK.
    SetCurSel(ui::SlcId(ui::kSlcOn0, r), b.on <= 4 ? b.on : -1);
    SetCurSel(ui::SlcId(ui::kSlcOff0, r), b.off <= 4 ? b.off : -1);
    SetCurSel(ui::SlcId(ui::kSlcLong0, r), b.long_press <= 4 ? b.long_press : -1);
    SetCurSel(ui::SlcId(ui::kSlcBallast0, r), b.ballast);
    SetCheck(ui::SlcId(ui::kSlcPushPull0, r), b.push_pull);
  }
}

void CStreetLightCtrlDlg::OnCommand(int id) {
  for (int r = 0; r < 4; ++r) {
    if (id == ui::SlcId(ui::kSlcTest0, r)) TestPress(r);
  }
}

void CStreetLightCtrlDlg::TestPress(int button) {
  ++sequence_;
  const auto frame = devices::ButtonPressFrame(ControlAddress(record_, k_),
                                               static_cast<uint8_t>(sequence_), button);
  if (send_) send_(node_, frame);
}

void CStreetLightCtrlDlg::OnOk() {
  // "0x%08X"; anything else keeps the address.
  if (const auto address = devices::ParseHexAddress(Text(ui::kSlcAddress))) {
    SetControlAddress(record_, k_, *address);
  }
  for (int r = 0; r < 4; ++r) {
    ControlButton b = ControlButtonOf(record_, k_, r);
    auto take = [&](int id, int& field) {
      if (const int sel = CurSel(id); sel >= 0) field = sel;
    };
    take(ui::SlcId(ui::kSlcOn0, r), b.on);
    take(ui::SlcId(ui::kSlcOff0, r), b.off);
    take(ui::SlcId(ui::kSlcLong0, r), b.long_press);
    take(ui::SlcId(ui::kSlcBallast0, r), b.ballast);
    b.push_pull = IsChecked(ui::SlcId(ui::kSlcPushPull0, r));
    SetControlButton(record_, k_, r, b);
  }
  EndDialog(ui::kIdOk);
}

}  // namespace corvane::lighting
