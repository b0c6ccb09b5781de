// CStreetLightCtrlDlg: one of the two control devices of a street-light node. A control device
// is a push-button node whose frames the street light hears: per button an ON, an OFF and a
// long-press action on one of the two ballasts. The dialog edits the 16-byte record in the
// node's record in place, and only on OK.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "model/project.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane::lighting {

// Record of control device k (0..1): words 80 + 8k .. 87 + 8k.
inline constexpr int kControlFirst = 80;
inline constexpr int kControlWords = 8;
inline constexpr int kControlCount = 2;

// Actions: 0 "Disabled", 1 "On", 2 "Off", 3 "Plus", 4 "Minus" in bits 0..2 of each byte; the ON
// byte also holds the ballast (bit 3, 0 = ballast 1) and push/pull (bit 7).
struct ControlButton {
  int on = 0;
  int off = 0;
  int long_press = 0;
  int ballast = 0;  // 0 or 1
  bool push_pull = false;
  bool operator==(const ControlButton&) const = default;
};

RfAddress ControlAddress(std::span<const uint16_t> record, int k);
void SetControlAddress(std::span<uint16_t> record, int k, RfAddress address);
ControlButton ControlButtonOf(std::span<const uint16_t> record, int k, int button);
// Stores the fields of `button` and keeps the bits of its bytes that the dialog does not show.
void SetControlButton(std::span<uint16_t> record, int k, int button, const ControlButton& value);

class CStreetLightCtrlDlg : public ui::Dialog {
 public:
  // Edits control device k of `record`; test presses go to `node` through `send`.
  CStreetLightCtrlDlg(ui::Host& host, std::span<uint16_t> record, int k, const Project& project,
                      RfAddress node,
                      std::function<void(RfAddress, std::span<const uint8_t>)> send);

  // The sequence number of the last test press (0 before the first).
  int sequence() const { return sequence_; }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnOk() override;

 private:
  void TestPress(int button);

  std::span<uint16_t> record_;
  int k_;
  const Project& project_;
  RfAddress node_;
  std::function<void(RfAddress, std::span<const uint8_t>)> send_;
  int sequence_ = 0;
};

}  // namespace corvane::lighting
