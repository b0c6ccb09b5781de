// Wireless M-Bus telegrams as the FIFO views show them: the line a gateway's telegram becomes
// in the "WMBUS FIFO" view, and the decoding of such a line's link-layer header into the
// entries of the view's lower list. Nothing here decrypts: an extended-link-layer payload is
// only labelled encrypted or decrypted from its session number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/host.h"

namespace corvane {

// The most bytes taken from one line; the rest of a longer line is ignored.
inline constexpr size_t kMaxTelegramBytes = 128;

// CI-field of a telegram with the long extended link layer (session number, payload check).
inline constexpr uint8_t kCiExtendedLinkLong = 0x8D;

// "%02d.%02d.%04d %02d:%02d:%02d, rssi=%d dBm Data: " of the reception time and signal
// strength, then "%02X " per telegram byte.
std::u16string WmbusFifoLine(const ui::LocalTime& received, int rssi_dbm,
                             std::span<const uint8_t> telegram);

// The part of a line that holds the telegram: what follows the first "Data:", or, in a line
// without the marker, everything after its first four characters.
std::u16string_view TelegramText(std::u16string_view line);

// Hexadecimal digits of `text` paired into bytes, high digit first, at most kMaxTelegramBytes.
// A "0" directly followed by "x" or "X" and every character that is not a hexadecimal digit
// are skipped; a lone last digit is dropped.
std::vector<uint8_t> TelegramBytes(std::u16string_view text);

// The entries of the parsed-fields list for a telegram: manufacturer, serial number, version,
// device type, then either the session number and the labelled payload (CI 0x8D) or the raw
// bytes from the CI-field on. Bytes past the end of `telegram` read as 0; bytes past
// kMaxTelegramBytes are not looked at.
std::vector<std::u16string> DescribeTelegram(std::span<const uint8_t> telegram);

// DescribeTelegram of the bytes of TelegramText(line).
std::vector<std::u16string> ParseTelegramLine(std::u16string_view line);

// Three letters of a manufacturer code, five bits each from bit 10, 5 and 0 (the first takes
// six bits, so a code with bit 15 set shows a lower-case first letter).
std::u16string ManufacturerText(uint16_t code);

}  // namespace corvane
