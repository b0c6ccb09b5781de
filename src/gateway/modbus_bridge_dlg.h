// "Config Bridge": which Modbus slave addresses a gateway forwards over the radio to the gateway
// at the far end of its bridge, which gateway that is, and the Modbus timeout. Edits the gateway
// dialog's working image directly; the settings reach the gateway with its next write.
//
// OK stores the boxes, the far end and the timeout. "Set All" and "Clear All" change all 256
// bits of the field at once, the 15 without a box included, and stay in the image however the
// dialog is closed.
#pragma once

#include <cstdint>

#include "model/gateway_image.h"
#include "model/project.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane {

class CModbusBridgeDlg : public ui::Dialog {
 public:
  static constexpr int kBitFieldWords = 16;  // 256 bits
  static constexpr uint16_t kGatewayType = 0x008;

  // Only the 4.00 layout holds bridge settings; on an image of the older layout every control
  // is disabled and nothing is stored.
  CModbusBridgeDlg(ui::Host& host, GatewayImage& image, RfAddress gateway, const Project& project);

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnOk() override;

 private:
  bool HasBridge() const;
  bool Bridged(int modbus_address) const;
  void SetAllBits(bool on);

  GatewayImage& image_;
  RfAddress gateway_;
  const Project& project_;
};

}  // namespace corvane
