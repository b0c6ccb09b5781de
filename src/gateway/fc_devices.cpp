#include "gateway/fc_devices.h"

#include "gateway/fan_coil_template.h"
#include "gateway/gw_device_editors_template.h"
#include "ui/text.h"

namespace corvane {

CFcDevices::CFcDevices(ui::Host& host, GwDeviceEntry& entry, uint8_t& modbus_address,
                       uint8_t& input_number, RfAddress owner, const Project& project,
                       std::vector<HeardEntry> heard)
    : SubdeviceEditor(ui::FcDevicesTemplate(), host, u"GW Configuration of subdevice ", owner,
                      project, std::move(heard), true),
      entry_(entry),
      modbus_address_(modbus_address),
      input_number_(input_number) {}

void CFcDevices::ShowEntry() {
  ShowCacheFields(entry_, modbus_address_);
  SetText(ui::kSubInputNumber, ui::Format("%d", input_number_));
}

void CFcDevices::OnOk() {
  if (!CheckCacheNumbers({{ui::kSubInputNumber, 0xFF}})) return;
  GwDeviceEntry edited = entry_;
  uint8_t modbus = modbus_address_;
  edited.address = CollectAddress();
  CollectCacheFields(edited, modbus);
  entry_ = edited;
  modbus_address_ = modbus;
  input_number_ = static_cast<uint8_t>(subdevice::ReadField(Text(ui::kSubInputNumber), 8));
  Finish(ui::kIdOk);
}

}  // namespace corvane
