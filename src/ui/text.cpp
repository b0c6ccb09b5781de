#include "ui/text.h"

#include <cerrno>
#include <cstdarg>
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

std::optional<double> ScanDouble(std::u16string_view text) {
  const std::string s = Narrow(text);
  double value = 0;
  if (std::sscanf(s.c_str(), "%lf", &value) != 1) return std::nullopt;
  return value;
}

std::optional<uint32_t> ScanHex(std::u16string_view text) {
  const std::string s = Narrow(text);
  unsigned int value = 0;
  if (std::sscanf(s.c_str(), "%X", &value) != 1) return std::nullopt;
  return static_cast<uint32_t>(value);
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
  errno = 0;
  std::FILE* f = nullptr;
  if (mode == Mode::kAppend) {
    f = std::fopen(path.c_str(), "r+b");
    if (f == nullptr) f = std::fopen(path.c_str(), "w+b");
  } else {
    f = std::fopen(path.c_str(), "wb");
  }
  if (f == nullptr) return errno != 0 ? errno : EIO;
  static constexpr char kBom[2] = {static_cast<char>(0xFF), static_cast<char>(0xFE)};
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fwrite(kBom, 1, 2, f) != 2 ||
      std::fseek(f, 0, SEEK_END) != 0) {
    const int err = errno != 0 ? errno : EIO;
    std::fclose(f);
    return err;
  }
  file_ = f;
  return 0;
}

bool Utf16File::Write(std::u16string_view text) {
  if (file_ == nullptr) return false;
  const std::string bytes = EncodeUtf16Le(text);
  return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool Utf16File::WriteLine(std::u16string_view text) { return Write(text) && Write(u"\r\n"); }

void Utf16File::Flush() {
  if (file_ != nullptr) std::fflush(file_);
}

void Utf16File::Close() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace corvane::ui
