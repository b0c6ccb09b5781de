#include "app/shell_dialogs.h"

#include "app/shell_templates.h"

namespace corvane {

CServiceCode::CServiceCode(ui::Host& host) : Dialog(ui::ServiceCodeTemplate(), host) {}

void CServiceCode::OnCommand(int id) {
  if (id == ui::kIdOk) OnOk();
}

void CServiceCode::OnOk() {
  code_ = Text(ui::kServiceCodeEdit);
  EndDialog(ui::kIdOk);
}

std::optional<OemSwitch> LookUpServiceCode(std::u16string_view code) {
  // Compared exactly, letter case included.
  if (code == u"brinquatello") return OemSwitch{1, u"switched to Aldera mode"};
  if (code == u"veskandorium") return OemSwitch{0, u"switched to Tervis mode"};
  if (code == u"lumbrecantosivortexa") return OemSwitch{2, u"switched to Omniplex mode"};
  return std::nullopt;
}

CPassChange::CPassChange(ui::Host& host) : Dialog(ui::PassChangeTemplate(), host) {}

void CPassChange::OnCommand(int) {}

}  // namespace corvane
