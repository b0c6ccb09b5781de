#include "access/access_dialogs.h"

#include <cstdio>

#include "access/address_text.h"
#include "model/le.h"
#include "model/type_table.h"
#include "access/access_templates.h"

namespace corvane {

CChoiseDevice::CChoiseDevice(ui::Host& host, const Project& project)
    : Dialog(ui::ChoiseDeviceTemplate(), host), project_(project) {}

void CChoiseDevice::OnInit() {
  ResetContent(ui::kChoiseDeviceCombo);
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    const RfAddress address = project_.Address(i);
    if (address == 0) continue;
    AddString(ui::kChoiseDeviceCombo, FormatAddress(address) + u" " + TypeName(address));
  }
  if (Count(ui::kChoiseDeviceCombo) > 0) SetCurSel(ui::kChoiseDeviceCombo, 0);
}

void CChoiseDevice::OnOk() {
  const int sel = CurSel(ui::kChoiseDeviceCombo);
  chosen_ = sel >= 0 ? ParseAddressText(Item(ui::kChoiseDeviceCombo, sel)) : 0;
  EndDialog(ui::kIdOk);
}

void CChoiseDevice::OnCommand(int id) {
  if (id == ui::kIdOk) OnOk();
  if (id == ui::kIdCancel) OnCancel();
}

CWaitForAct::CWaitForAct(ui::Host& host, std::u16string hint)
    : Dialog(ui::WaitForActTemplate(), host), hint_(std::move(hint)) {}

void CWaitForAct::OnInit() {
  left_ = kFull;
  SetText(ui::kWaitHint, hint_);
  SetRange(ui::kWaitBar, 0, kFull);
  SetPos(ui::kWaitBar, kFull);
  SetTimer(kTickTimer, kTickMs);
}

void CWaitForAct::OnTimer(int id) {
  if (id != kTickTimer) return;
  if (left_ > 0) --left_;
  SetPos(ui::kWaitBar, left_);
  if (left_ == 0) {
    KillTimer(kTickTimer);
    EndDialog(ui::kIdCancel);
  }
}

void CWaitForAct::OnCommand(int id) {
  if (id == ui::kIdCancel) OnCancel();
}

std::u16string FormatDeviceLog(std::span<const uint8_t> records) {
  std::string text;
  char line[96];
  // Only whole records: a short tail has no place in the format.
  for (size_t at = 0; at + 8 <= records.size(); at += 8) {
    const uint8_t* r = records.data() + at;
    std::snprintf(line, sizeof line, "%03d", r[0]);
    text += line;
    static constexpr struct {
      uint8_t bit;
      const char* name;
    } kCauses[] = {{0x80, " BOD"}, {0x40, " WDD"},  {0x20, " IWD"}, {0x10, " SW"},
                   {0x08, " POR"}, {0x04, "  PIN"}, {0x02, " OB"}};
    for (const auto& cause : kCauses) {
      if (r[1] & cause.bit) text += cause.name;
    }
    std::snprintf(line, sizeof line, " M:%02X R:%02X I:%02X H:%02X U:%d\r\n", r[2], r[3], r[4],
                  r[5], GetU16(r + 6));
    text += line;
  }
  return std::u16string(text.begin(), text.end());
}

}  // namespace corvane
