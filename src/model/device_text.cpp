#include "model/device_text.h"

#include <algorithm>

namespace corvane {

std::u16string DecodeDeviceText(std::span<const uint8_t> bytes) {
  const size_t available = std::min(bytes.size(), kDeviceTextBytes);
  size_t pos = 0;
  auto next = [&]() -> unsigned { return pos < available ? bytes[pos++] : (++pos, 0u); };

  unsigned offset = 0;
  if (available > 0 && bytes[0] == 0x11) {
    pos = 1;
    offset = next();
    offset |= next() << 8;
  }

  std::u16string out;
  // Every character consumes at least one byte and a byte past the 16th reads as 0, which ends
  // the text, so the loop is bounded by the buffer.
  for (;;) {
    const unsigned b = next();
    unsigned c;
    if (b < 0x10) {
      c = b;
    } else if (b < 0x18) {
      c = ((b & 3u) << 7) + next();
    } else if (b < 0x1C) {
      const unsigned n1 = next();
      c = (((b << 7) + n1) << 7) + next();
    } else if (b < 0xC0) {
      c = b;
    } else if (b < 0xE0) {
      c = ((b & 0x1Fu) << 6) | (next() & 0x3Fu);
    } else {
      const unsigned n1 = next();
      c = ((b & 0x1Fu) << 12) | ((n1 & 0x3Fu) << 6) | (next() & 0x3Fu);
    }
    c &= 0xFFFFu;
    if (c == 0) break;
    out.push_back(static_cast<char16_t>(c > 0x40 ? (c + offset) & 0xFFFFu : c));
  }
  return out;
}

std::array<uint8_t, kDeviceTextBytes> EncodeDeviceText(std::u16string_view text) {
  std::array<uint8_t, kDeviceTextBytes> out{};
  const size_t n = std::min(text.size(), kDeviceTextBytes);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(text[i]);
  return out;
}

std::u16string DecodeDeviceTextWords(std::span<const uint16_t> words) {
  std::array<uint8_t, kDeviceTextBytes> bytes{};
  const size_t n = std::min(words.size(), kDeviceTextWords);
  for (size_t i = 0; i < n; ++i) {
    bytes[2 * i] = static_cast<uint8_t>(words[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  return DecodeDeviceText(bytes);
}

void EncodeDeviceTextWords(std::u16string_view text, std::span<uint16_t, kDeviceTextWords> words) {
  const auto bytes = EncodeDeviceText(text);
  for (size_t i = 0; i < kDeviceTextWords; ++i) {
    words[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
}

}  // namespace corvane
