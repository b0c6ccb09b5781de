// CLightControlDevDlg: one control device of the lighting-bus bridge, edited in place in the
// bridge's record: the device's address and, per button, the DALI commands of its ON, OFF and
// long-press reports with the push/pull flag, and a test press that makes the bridge act as if
// the device had reported the button.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "lighting/dali_bridge_dlg.h"
#include "model/project.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane::lighting {

class CLightControlDevDlg : public ui::Dialog {
 public:
  using Send = std::function<void(RfAddress, std::span<const uint8_t>)>;

  // Edits control device k (0..15) of the bridge `bridge` in `record`; `send` delivers the
  // test presses to the bridge.
  CLightControlDevDlg(ui::Host& host, std::span<uint16_t> record, int k, const Project& project,
                      RfAddress bridge, Send send);

  // The sequence number of the last test press (0 before the first).
  int sequence() const { return sequence_; }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnOk() override;

 private:
  void TestPress(int button);
  void OpenEditor(int button, ButtonCommand command);

  std::span<uint16_t> record_;
  int k_;
  const Project& project_;
  RfAddress bridge_;
  Send send_;
  int sequence_ = 0;
};

}  // namespace corvane::lighting
