#include "gateway/wmbus_telegram.h"

#include <algorithm>
#include <array>

#include "ui/text.h"

namespace corvane {
namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Offsets into the telegram.
constexpr size_t kManufacturer = 2;
constexpr size_t kSerial = 4;
constexpr size_t kVersion = 8;
constexpr size_t kDeviceType = 9;
constexpr size_t kCi = 10;
constexpr size_t kSession = 13;
constexpr size_t kExtendedPayload = 19;

void AppendBytes(std::u16string& out, std::span<const uint8_t> bytes, size_t from) {
  for (size_t i = from; i < bytes.size(); ++i) ui::AppendFormat(out, " %02X", bytes[i]);
}

}  // namespace

std::u16string WmbusFifoLine(const ui::LocalTime& received, int rssi_dbm,
                             std::span<const uint8_t> telegram) {
  std::u16string line =
      ui::Format("%02d.%02d.%04d %02d:%02d:%02d, rssi=%d dBm Data: ", received.day, received.month,
                 received.year, received.hour, received.minute, received.second, rssi_dbm);
  line.reserve(line.size() + 3 * telegram.size());
  for (uint8_t b : telegram) ui::AppendFormat(line, "%02X ", b);
  return line;
}

std::u16string_view TelegramText(std::u16string_view line) {
  const size_t marker = line.find(u"Data:");
  if (marker != std::u16string_view::npos) return line.substr(marker + 5);
  return line.substr(std::min<size_t>(line.size(), 4));
}

std::vector<uint8_t> TelegramBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  int high = -1;  // first digit of the byte being built
  for (size_t i = 0; i < text.size() && bytes.size() < kMaxTelegramBytes; ++i) {
    if (text[i] == u'0' && i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
      ++i;  // the prefix "0x" carries no digit; the x would be skipped anyway
      continue;
    }
    const int digit = HexDigit(text[i]);
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  return bytes;
}

std::u16string ManufacturerText(uint16_t code) {
  return std::u16string{static_cast<char16_t>(((code >> 10) & 0x3F) | 0x40),
                        static_cast<char16_t>(((code >> 5) & 0x1F) | 0x40),
                        static_cast<char16_t>((code & 0x1F) | 0x40)};
}

std::vector<std::u16string> DescribeTelegram(std::span<const uint8_t> telegram) {
  const std::span<const uint8_t> given =
      telegram.first(std::min(telegram.size(), kMaxTelegramBytes));
  // The header fields of a short telegram read the missing bytes as 0.
  std::array<uint8_t, kMaxTelegramBytes> b{};
  std::copy(given.begin(), given.end(), b.begin());

  std::vector<std::u16string> entries;
  const auto m = static_cast<uint16_t>(b[kManufacturer] | b[kManufacturer + 1] << 8);
  entries.push_back(u"Manufacturer  : " + ManufacturerText(m));
  const uint32_t serial = b[kSerial] | b[kSerial + 1] << 8 | b[kSerial + 2] << 16 |
                          static_cast<uint32_t>(b[kSerial + 3]) << 24;
  entries.push_back(ui::Format("SerialNumber  : %08X", serial));
  entries.push_back(ui::Format("Version       : %02X", b[kVersion]));
  entries.push_back(ui::Format("Device        : %02X", b[kDeviceType]));
  if (b[kCi] == kCiExtendedLinkLong) {
    entries.push_back(ui::Format("SessionNumber : 0x%02X%02X%02X%02X", b[kSession + 3],
                                 b[kSession + 2], b[kSession + 1], b[kSession]));
    // Bits 29..31 of the session number: 1 is AES encryption, which only the meter's key
    // opens; every other value leaves the payload readable.
    const bool encrypted = (b[kSession + 3] & 0xE0) == 0x20;
    std::u16string data = encrypted ? u"ENCRYPTED DATA:" : u"DECRYPTED DATA:";
    AppendBytes(data, given, kExtendedPayload);
    entries.push_back(std::move(data));
  } else {
    std::u16string data = u"RAW DATA      :";
    AppendBytes(data, given, kCi);
    entries.push_back(std::move(data));
  }
  return entries;
}

std::vector<std::u16string> ParseTelegramLine(std::u16string_view line) {
  return DescribeTelegram(TelegramBytes(TelegramText(line)));
}

}  // namespace corvane
