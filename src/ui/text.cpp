#include "ui/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <limits>
#include <vector>

namespace corvane::ui {
namespace {

void AppendV(std::u16string& out, const char* format, va_list args) {
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out += Utf8ToUtf16(std::string_view(small, static_cast<size_t>(n)));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), format, args);
  out += Utf8ToUtf16(std::string_view(big.data(), static_cast<size_t>(n)));
}

std::string Narrow(std::u16string_view text) {
  // Numbers are plain ASCII; anything else cannot be part of one and ends the scan.
  std::string out;
  for (char16_t c : text) {
    if (c == 0 || c > 0x7F) break;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

std::u16string Format(const char* format, ...) {
  std::u16string out;
  va_list args;
  va_start(args, format);
  AppendV(out, format, args);
  va_end(args);
  return out;
}

void AppendFormat(std::u16string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendV(out, format, args);
  va_end(args);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > text.size()) {
        len = 1;
      } else {
        cp = b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
          const auto cb = static_cast<uint8_t>(text[i + k]);
          if ((cb & 0xC0) != 0x80) {
            cp = 0xFFFD;
            len = 1;
            break;
          }
          cp = (cp << 6) | (cb & 0x3F);
        }
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::optional<int> ScanInt(std::u16string_view text) {
  const std::string s = Narrow(text);
  int value = 0;
  if (std::sscanf(s.c_str(), "%d", &value) != 1) return std::nullopt;
  return value;
}

std::optional<uint32_t> ScanHex(std::u16string_view text) {
  const std::string s = Narrow(text);
  unsigned int value = 0;
  if (std::sscanf(s.c_str(), "%X", &value) != 1) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<int64_t> ScanScaledDecimal(std::u16string_view text, int decimals) {
  auto digit_at = [&](size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  size_t i = 0;
  // The blanks "%f" skips: space and \t \n \v \f \r.
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const size_t int_begin = i;
  while (digit_at(i)) ++i;
  const size_t int_digits = i - int_begin;
  size_t frac_begin = i;
  // A decimal comma, as typed where it is the decimal separator, is a point: "51,5" is 51.5,
  // never 51 followed by text.
  if (i < text.size() && (text[i] == u'.' || text[i] == u',')) frac_begin = ++i;
  while (digit_at(i)) ++i;
  const size_t frac_digits = i - frac_begin;
  if (int_digits == 0 && frac_digits == 0) return std::nullopt;

  // An exponent counts only with a digit; "2e" is the number 2 followed by text. Its value is
  // held far beyond any text's length, so the bound never changes a result.
  constexpr int64_t kExponentBound = 1'000'000'000'000'000;
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    bool exponent_negative = false;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
      exponent_negative = text[j++] == u'-';
    }
    for (; digit_at(j); ++j) {
      exponent = std::min(exponent * 10 + (text[j] - u'0'), kExponentBound);
    }
    if (exponent_negative) exponent = -exponent;
  }

  // The digits before and after the point form one run; after moving the point by the exponent
  // and the decimals, its first `whole` digits are the result and the rest is cut off.
  const auto digits = static_cast<int64_t>(int_digits + frac_digits);
  const int64_t whole = static_cast<int64_t>(int_digits) + exponent + decimals;
  auto digit = [&](int64_t k) {
    const auto index = static_cast<size_t>(k);
    return text[index < int_digits ? int_begin + index : frac_begin + index - int_digits] - u'0';
  };
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  bool saturated = false;
  for (int64_t k = 0; k < std::min(whole, digits) && !saturated; ++k) {
    const int d = digit(k);
    saturated = value > (kMax - d) / 10;
    if (!saturated) value = value * 10 + d;
  }
  // Zeros past the last digit; a value that is not 0 saturates within 19 of them.
  for (int64_t k = digits; k < whole && value != 0 && !saturated; ++k) {
    saturated = value > kMax / 10;
    if (!saturated) value *= 10;
  }
  if (saturated) return negative ? std::numeric_limits<int64_t>::min() : kMax;
  return negative ? -value : value;
}

void StoreLowBytes(std::u16string_view text, std::span<uint8_t> field) {
  for (size_t i = 0; i < field.size(); ++i) {
    field[i] = i < text.size() ? static_cast<uint8_t>(text[i] & 0xFF) : 0;
  }
}

void StoreLowBytes(std::u16string_view text, std::span<uint16_t> words) {
  auto byte = [&](size_t i) -> uint16_t { return i < text.size() ? (text[i] & 0xFF) : 0; };
  for (size_t w = 0; w < words.size(); ++w) {
    words[w] = static_cast<uint16_t>(byte(2 * w) | (byte(2 * w + 1) << 8));
  }
}

std::u16string LoadLowBytes(std::span<const uint8_t> field) {
  std::u16string out;
  for (uint8_t b : field) {
    if (b == 0) break;
    out.push_back(b);
  }
  return out;
}

std::u16string LoadLowBytes(std::span<const uint16_t> words) {
  std::u16string out;
  for (uint16_t w : words) {
    const uint8_t lo = w & 0xFF;
    const uint8_t hi = w >> 8;
    if (lo == 0) break;
    out.push_back(lo);
    if (hi == 0) break;
    out.push_back(hi);
  }
  return out;
}

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

int Utf16File::Open(const std::filesystem::path& path, Mode mode) {
  Close();
  // Through the user-file helper: a pipe or device under the log's name must not block the
  // window or be written to.
  FileError error;
  UserFile file =
      mode == Mode::kAppend ? UserFile::OpenForAppend(path, error) : UserFile::Create(path, error);
  if (!file.is_open()) return error.cause != 0 ? error.cause : EIO;
  static constexpr uint8_t kBom[2] = {0xFF, 0xFE};
  if (!file.Seek(0) || !file.Write(kBom, 2) || !file.SeekEnd()) return errno != 0 ? errno : EIO;
  file_ = std::move(file);
  return 0;
}

bool Utf16File::Write(std::u16string_view text) {
  if (!file_.is_open()) return false;
  const std::string bytes = EncodeUtf16Le(text);
  return file_.Write(bytes.data(), bytes.size());
}

bool Utf16File::WriteLine(std::u16string_view text) { return Write(text) && Write(u"\r\n"); }

void Utf16File::Flush() {
  // Written straight through: nothing is held back in the program.
}

void Utf16File::Close() { file_.Close(); }

}  // namespace corvane::ui
