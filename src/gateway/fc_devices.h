// CFcDevices: the editor of one paired device of a fan-coil controller. The entry has the
// gateway's GwDeviceEntry layout (without a "Cached force" option); the controller keeps the
// entry's Modbus address and its input number in bytes of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "gateway/gw_device_editors.h"

namespace corvane {

// Modal; on OK the entry, the Modbus address and the input number are changed, on Cancel
// nothing. Enter checks the address for the automatic defaults and leaves the editor open.
class CFcDevices : public SubdeviceEditor {
 public:
  CFcDevices(ui::Host& host, GwDeviceEntry& entry, uint8_t& modbus_address, uint8_t& input_number,
             RfAddress owner, const Project& project, std::vector<HeardEntry> heard);

 protected:
  RfAddress StoredAddress() const override { return entry_.address; }
  void ShowEntry() override;
  void ApplyDefaults(RfAddress address) override { PresetCacheFields(address, true); }
  void OnOk() override;

 private:
  GwDeviceEntry& entry_;
  uint8_t& modbus_address_;
  uint8_t& input_number_;
};

}  // namespace corvane
