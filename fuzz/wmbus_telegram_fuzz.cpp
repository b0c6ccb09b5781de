// The wireless M-Bus line parser on arbitrary text: it must stay inside the line, take at most
// 128 bytes, give the documented entries only, and read a line the view's owner would build
// back as the telegram it was built from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/wmbus_telegram.h"

namespace {

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input as UTF-16 code units, in a buffer of exactly that size: reading one past the
  // line must trip ASan.
  const size_t units = size / 2;
  const std::unique_ptr<char16_t[]> buffer(new char16_t[units]);
  for (size_t i = 0; i < units; ++i) {
    buffer[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  const std::u16string_view line(buffer.get(), units);

  const std::u16string_view text = corvane::TelegramText(line);
  if (text.data() < line.data() || text.data() + text.size() > line.data() + line.size()) {
    __builtin_trap();
  }
  const std::vector<uint8_t> bytes = corvane::TelegramBytes(text);
  if (bytes.size() > corvane::kMaxTelegramBytes || bytes.size() > text.size() / 2) {
    __builtin_trap();
  }
  const std::vector<std::u16string> entries = corvane::ParseTelegramLine(line);
  const bool extended = bytes.size() > 10 && bytes[10] == corvane::kCiExtendedLinkLong;
  if (entries.size() != (extended ? 6u : 5u)) __builtin_trap();
  if (!StartsWith(entries[0], u"Manufacturer  : ") || entries[0].size() != 19) __builtin_trap();
  // The data entry: its label, then " %02X" for each byte after the header.
  const size_t header = extended ? 19 : 10;
  const size_t shown = bytes.size() > header ? bytes.size() - header : 0;
  if (entries.back().size() != 15 + 3 * shown) __builtin_trap();

  // The raw input taken as telegram bytes: the line built from them parses back as them.
  const std::span<const uint8_t> telegram(data, std::min(size, corvane::kMaxTelegramBytes));
  const std::u16string built = corvane::WmbusFifoLine({2026, 12, 9, 8, 4, 5, 0}, -71, telegram);
  if (corvane::TelegramBytes(corvane::TelegramText(built)) !=
      std::vector<uint8_t>(telegram.begin(), telegram.end())) {
    __builtin_trap();
  }
  if (corvane::ParseTelegramLine(built) != corvane::DescribeTelegram(telegram)) __builtin_trap();
  return 0;
}
