// The two small dialogs of the open-device flow: "Select Device" and "Wait for activation".
#pragma once

#include <string>
#include <vector>

#include "model/project.h"
#include "ui/dialog.h"

namespace corvane {

// Template 156: pick one of the project's devices.
class CChoiseDevice : public ui::Dialog {
 public:
  CChoiseDevice(ui::Host& host, const Project& project);
  // The address of the chosen line after OK; 0 otherwise.
  RfAddress chosen() const { return chosen_; }

 protected:
  void OnInit() override;
  void OnOk() override;
  void OnCommand(int id) override;

 private:
  const Project& project_;
  RfAddress chosen_ = 0;
};

// Template 140: shown while a sleeping device has not answered; counts down 310 s.
class CWaitForAct : public ui::Dialog {
 public:
  static constexpr int kTickTimer = 1;
  static constexpr int kTickMs = 100;
  static constexpr int kFull = 3100;

  CWaitForAct(ui::Host& host, std::u16string hint);
  int left() const { return left_; }

 protected:
  void OnInit() override;
  void OnTimer(int id) override;
  void OnCommand(int id) override;

 private:
  std::u16string hint_;
  int left_ = kFull;
};

// "%03d" of byte 0, the reset causes of byte 1, then the bytes 2..5 and the u16 at 6..7, one
// line per complete 8-byte record.
std::u16string FormatDeviceLog(std::span<const uint8_t> records);

}  // namespace corvane
