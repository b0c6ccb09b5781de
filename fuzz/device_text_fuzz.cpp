// The device-text decoder must stay inside its 16 bytes whatever they hold, and the encoder's
// output must decode back to the same low bytes when they are plain characters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/device_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly-sized copy: reading a byte past the input must trip ASan, not read neighbours.
  std::basic_string<uint8_t> bytes(data, size);
  const std::u16string text = corvane::DecodeDeviceText({bytes.data(), bytes.size()});
  if (text.size() > 16) __builtin_trap();

  std::u16string plain;
  for (size_t i = 0; i < size && plain.size() < 16; ++i) {
    const uint8_t b = data[i];
    if (b >= 0x1C && b < 0xC0 && b != 0x11) plain.push_back(b);
  }
  // Characters 0x1C..0xBF encode to one byte and decode to themselves (no offset prefix).
  if (!plain.empty() && plain[0] != 0x11) {
    const auto encoded = corvane::EncodeDeviceText(plain);
    if (corvane::DecodeDeviceText(encoded) != plain) __builtin_trap();
  }
  return 0;
}
