// Text helpers for the dialogs: printf-style formatting into UTF-16, the scanf-style reading of
// numbers from control texts, the 8-bit fields of device records (passwords, names), and the
// UTF-16LE files with byte-order mark and CR LF line ends that the program writes for people.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/user_file.h"

namespace corvane::ui {

// printf formatting ("0x%08X", "%0.2f", "%d.%01dV", "%03d" ...) with the result as UTF-16. The
// format and any %s arguments are UTF-8.
std::u16string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same, appended to `out`.
void AppendFormat(std::u16string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Reads a number as "%d" or "%X" would: leading blanks skipped, trailing text ignored.
// nullopt when no number starts the text.
std::optional<int> ScanInt(std::u16string_view text);
std::optional<uint32_t> ScanHex(std::u16string_view text);

// Reads a decimal number as "%f" would (leading blanks, an optional sign, digits with an
// optional point or decimal comma, an optional exponent such as "e-3"; trailing text ignored) and
// returns it in units of 10^-decimals, truncated toward zero: ("2.01", 2) is 201, ("-0.009", 2) is
// 0. The digits are counted, never put through binary floating point, so a value shown with that
// many decimals reads back as itself. Values beyond int64_t stop at its ends. nullopt when no
// number starts the text.
std::optional<int64_t> ScanScaledDecimal(std::u16string_view text, int decimals);

// 8-bit text fields: the low 8 bits of each character, as many as fit, the rest of the field
// zero (so a text shorter than the field ends with a NUL; a full-length one has none).
void StoreLowBytes(std::u16string_view text, std::span<uint8_t> field);
// The same into 16-bit registers, byte 0 in the low byte of the first register.
void StoreLowBytes(std::u16string_view text, std::span<uint16_t> words);
// Each byte as the character of that code, up to the first NUL or the end of the field.
std::u16string LoadLowBytes(std::span<const uint8_t> field);
std::u16string LoadLowBytes(std::span<const uint16_t> words);

// UTF-16LE bytes of `text`, without BOM.
std::string EncodeUtf16Le(std::u16string_view text);

// A text file of UTF-16LE with the byte-order mark FF FE. Lines written with WriteLine end with
// CR LF; Write puts the text as it is (a "\n" inside stays a bare line feed).
class Utf16File {
 public:
  enum class Mode : uint8_t {
    kReplace,  // new content from the start
    kAppend,   // keep what is there; the mark is (re)written at offset 0, writing goes at the end
  };

  Utf16File() = default;
  ~Utf16File() = default;
  Utf16File(const Utf16File&) = delete;
  Utf16File& operator=(const Utf16File&) = delete;

  // Returns 0 on success, otherwise the C library's error number for the cause.
  int Open(const std::filesystem::path& path, Mode mode);
  bool is_open() const { return file_.is_open(); }
  bool Write(std::u16string_view text);
  bool WriteLine(std::u16string_view text);
  void Flush();
  void Close();

 private:
  UserFile file_;
};

}  // namespace corvane::ui
