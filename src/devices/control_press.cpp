#include "devices/control_press.h"

#include <vector>

#include "app/project_devices.h"
#include "ui/text.h"

namespace corvane::devices {

void FillControlDeviceList(ui::Dialog& dialog, int id, const Project& project,
                           std::span<const uint16_t> types, RfAddress current) {
  dialog.ResetContent(id);
  dialog.AddString(id, u"0x00000000 disable");
  std::vector<AddressFilter> filters;
  for (uint16_t type : types) filters.push_back({static_cast<uint32_t>(type) << 20, 0xFFF00000});
  for (FoundDevice found = FindProjectDevice(project, 0, filters); found.index >= 0;
       found = FindProjectDevice(project, found.index + 1, filters)) {
    dialog.AddString(id, found.line);
  }
  dialog.SetText(id, ui::Format("0x%08X", current));
}

std::array<uint8_t, 18> ButtonPressFrame(RfAddress device, uint8_t sequence, int button) {
  const auto bit = static_cast<uint16_t>(0x0100u << button);
  return {0x90,
          16,
          static_cast<uint8_t>(device),
          static_cast<uint8_t>(device >> 8),
          static_cast<uint8_t>(device >> 16),
          static_cast<uint8_t>(device >> 24),
          sequence,
          0xC1,
          9,
          0x09,
          0x00,
          3,
          0x19,
          0x80,
          static_cast<uint8_t>(bit),
          static_cast<uint8_t>(bit >> 8),
          0,
          0};
}

std::optional<RfAddress> ParseHexAddress(std::u16string_view text) {
  if (text.size() < 3 || text[0] != u'0' || (text[1] != u'x' && text[1] != u'X')) {
    return std::nullopt;
  }
  RfAddress value = 0;
  size_t digits = 0;
  for (size_t i = 2; i < text.size() && digits < 8; ++i, ++digits) {
    const char16_t c = text[i];
    int d = 0;
    if (c >= u'0' && c <= u'9') {
      d = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      d = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      d = c - u'A' + 10;
    } else {
      break;
    }
    value = (value << 4) | static_cast<RfAddress>(d);
  }
  if (digits == 0) return std::nullopt;
  return value;
}

}  // namespace corvane::devices
