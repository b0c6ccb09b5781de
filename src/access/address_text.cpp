#include "access/address_text.h"

#include <cstdint>

namespace corvane {

RfAddress ParseAddressText(std::u16string_view text) {
  size_t prefix = std::u16string_view::npos;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
      prefix = i;
      break;
    }
  }
  if (prefix != std::u16string_view::npos) {
    // Counted from the x of the first "0x": a type name with an x before it ("Gatrix-xx")
    // must not shift the digits.
    uint32_t value = 0;
    int digits = 0;
    for (size_t i = prefix + 2; i < text.size() && digits < 8; ++i) {
      const char16_t c = text[i];
      int d;
      if (c >= u'0' && c <= u'9') {
        d = c - u'0';
      } else if (c >= u'a' && c <= u'f') {
        d = c - u'a' + 10;
      } else if (c >= u'A' && c <= u'F') {
        d = c - u'A' + 10;
      } else {
        continue;
      }
      value = (value << 4) | static_cast<uint32_t>(d);
      ++digits;
    }
    return value;
  }
  // "%d": leading white space, an optional sign, then digits up to the first other character.
  size_t i = 0;
  while (i < text.size() &&
         (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(text[i] - u'0');
  }
  return negative ? 0u - value : value;
}

}  // namespace corvane
