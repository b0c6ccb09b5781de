// CRoutedDevices: the editor of one routed-device entry of a street-light node. The entry is 8
// bytes of the node's record: the RF address, then a 32-bit word whose bits 0..1 hold the
// connection priority; the word's other bits are the node's and stay as they are.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gateway/gw_device_editors.h"

namespace corvane {

struct RoutedDeviceEntry {
  static constexpr uint32_t kPriorityMask = 0x3;
  RfAddress address = 0;
  uint32_t flags = 0;

  int priority() const { return static_cast<int>(flags & kPriorityMask); }
  // The entry's 4 words, low word first.
  static RoutedDeviceEntry FromWords(std::span<const uint16_t> words);
  void ToWords(std::span<uint16_t> words) const;
  bool operator==(const RoutedDeviceEntry&) const = default;
};

// Modal; on OK the entry is changed, on Cancel nothing. Enter is OK.
class CRoutedDevices : public SubdeviceEditor {
 public:
  CRoutedDevices(ui::Host& host, RoutedDeviceEntry& entry, RfAddress owner, const Project& project,
                 std::vector<HeardEntry> heard);

 protected:
  RfAddress StoredAddress() const override { return entry_.address; }
  void ShowEntry() override;
  void OnOk() override;

 private:
  RoutedDeviceEntry& entry_;
};

}  // namespace corvane
