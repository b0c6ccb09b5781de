// The decimal reader on arbitrary text: it must stay inside the text, agree with the C library on
// whether a number starts it and roughly on its value, truncate the same way at every scale, and
// read what it produced back exactly.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "ui/text.h"

namespace {

using corvane::ui::ScanScaledDecimal;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

bool Saturated(int64_t v) { return v == kMax || v == kMin; }

// Characters strtod reads the same way as a "%f" decimal: no hexadecimal, no "inf" or "nan".
bool PlainDecimalText(const std::u16string& text) {
  for (char16_t c : text) {
    const bool digit = c >= u'0' && c <= u'9';
    const bool blank = c == u' ' || (c >= u'\t' && c <= u'\r');
    if (!digit && !blank && c != u'.' && c != u'e' && c != u'E' && c != u'+' && c != u'-') {
      return false;
    }
  }
  return true;
}

// `value` in units of 10^-decimals as a decimal text; not for the saturated ends.
std::u16string Digits(int64_t value, int decimals) {
  std::string s = std::to_string(value < 0 ? -value : value);
  while (static_cast<int>(s.size()) <= decimals) s.insert(s.begin(), '0');
  if (decimals > 0) s.insert(s.end() - decimals, '.');
  if (value < 0) s.insert(s.begin(), '-');
  return std::u16string(s.begin(), s.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int decimals = data[0] % 10;
  // Exactly-sized copy, one character per byte so that digits, signs and points are common:
  // reading past the text must trip ASan.
  const std::u16string text(data + 1, data + size);

  const std::optional<int64_t> value = ScanScaledDecimal(text, decimals);

  // Truncation toward zero at one more decimal, cut by ten, is truncation at this scale.
  const std::optional<int64_t> finer = ScanScaledDecimal(text, decimals + 1);
  if (value.has_value() != finer.has_value()) __builtin_trap();
  if (value && !Saturated(*finer) && *finer / 10 != *value) __builtin_trap();

  if (PlainDecimalText(text)) {
    const std::string narrow(text.begin(), text.end());
    char* end = nullptr;
    const double d = std::strtod(narrow.c_str(), &end);
    if (value.has_value() != (end != narrow.c_str())) __builtin_trap();
    if (value && !Saturated(*value)) {
      const double scaled = d * std::pow(10.0, decimals);
      // Within one unit of the double, give or take the double's own rounding (a few parts in
      // 10^16 of the value), while the double still tells units apart.
      const double slack = 1.0 + std::fabs(scaled) * 1e-15;
      if (std::fabs(scaled) < 1e15 && std::fabs(scaled - static_cast<double>(*value)) > slack) {
        __builtin_trap();
      }
      // The sign survives unless the value truncated to zero.
      if (*value != 0 && (*value < 0) != (scaled < 0)) __builtin_trap();
    }
  }

  // What it read, written out with that many decimals, reads back as itself.
  if (value && !Saturated(*value)) {
    if (ScanScaledDecimal(Digits(*value, decimals), decimals) != value) __builtin_trap();
  }
  return 0;
}
