// What the nodes that take control devices (output nodes, street lights) share about them: the
// frame a control device sends when one of its buttons is pressed, which the dialogs send to
// imitate a press, and the "0x%08X" address their link dialogs show.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/project.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane::devices {

// A register block of the control device's registers 9..11, addressed from `device` with the
// frame sequence number `sequence`, whose middle word reports button `button` (0-based) as bit
// 8 + button: the frame as a node that listens to the device hears it.
std::array<uint8_t, 18> ButtonPressFrame(RfAddress device, uint8_t sequence, int button);

// Fills the Address list of a control-device sub-dialog: "0x00000000 disable", then the
// project's devices of `types`; the edit shows `current` as "0x%08X".
void FillControlDeviceList(ui::Dialog& dialog, int id, const Project& project,
                           std::span<const uint16_t> types, RfAddress current);

// "0x" and up to eight hexadecimal digits at the start of the text; nothing for anything else.
std::optional<RfAddress> ParseHexAddress(std::u16string_view text);

}  // namespace corvane::devices
