// The small dialogs of the application shell: the service code that switches the OEM mode and
// the password change.
#pragma once

#include <optional>
#include <string>

#include "ui/dialog.h"

namespace corvane {

// Template 163: a password-style field and OK, which keeps the text.
class CServiceCode : public ui::Dialog {
 public:
  explicit CServiceCode(ui::Host& host);
  const std::u16string& code() const { return code_; }

 protected:
  void OnCommand(int id) override;
  void OnOk() override;

 private:
  std::u16string code_;
};

// The OEM mode a service code selects and the message that confirms it; nullopt for a wrong code.
struct OemSwitch {
  int mode;
  std::u16string_view message;
};
std::optional<OemSwitch> LookUpServiceCode(std::u16string_view code);

// Template 177: old and new password; the device side of a password change is not defined, so
// the dialog only collects the two texts and closes.
class CPassChange : public ui::Dialog {
 public:
  explicit CPassChange(ui::Host& host);

 protected:
  void OnCommand(int id) override;
};

}  // namespace corvane
