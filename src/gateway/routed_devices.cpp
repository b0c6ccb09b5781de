#include "gateway/routed_devices.h"

#include <algorithm>

#include "gateway/routed_devices_template.h"

namespace corvane {

RoutedDeviceEntry RoutedDeviceEntry::FromWords(std::span<const uint16_t> words) {
  RoutedDeviceEntry e;
  if (words.size() < 4) return e;
  e.address = static_cast<RfAddress>(words[0]) | static_cast<RfAddress>(words[1]) << 16;
  e.flags = static_cast<uint32_t>(words[2]) | static_cast<uint32_t>(words[3]) << 16;
  return e;
}

void RoutedDeviceEntry::ToWords(std::span<uint16_t> words) const {
  if (words.size() < 4) return;
  words[0] = static_cast<uint16_t>(address);
  words[1] = static_cast<uint16_t>(address >> 16);
  words[2] = static_cast<uint16_t>(flags);
  words[3] = static_cast<uint16_t>(flags >> 16);
}

CRoutedDevices::CRoutedDevices(ui::Host& host, RoutedDeviceEntry& entry, RfAddress owner,
                               const Project& project, std::vector<HeardEntry> heard)
    : SubdeviceEditor(ui::RoutedDevicesTemplate(), host, u"GW Configuration of subdevice ", owner,
                      project, std::move(heard), false),
      entry_(entry) {}

void CRoutedDevices::ShowEntry() { SetCurSel(ui::kSubPriority, entry_.priority()); }

void CRoutedDevices::OnOk() {
  RoutedDeviceEntry edited = entry_;
  edited.address = CollectAddress();
  const int priority =
      CurSelOr(ui::kSubPriority, static_cast<int>(edited.flags & RoutedDeviceEntry::kPriorityMask));
  edited.flags = (edited.flags & ~RoutedDeviceEntry::kPriorityMask) |
                 (static_cast<uint32_t>(priority) & RoutedDeviceEntry::kPriorityMask);
  entry_ = edited;
  Finish(ui::kIdOk);
}

}  // namespace corvane
