#include "access/register_text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "model/user_file.h"
#include "ui/host.h"
#include "ui/text.h"

namespace corvane {
namespace {

// A register file holds at most 65536 lines of a few bytes each; a file far beyond that is
// treated like one that cannot be held in memory.
constexpr long kMaxTextBytes = 16L * 1024 * 1024;

// Register numbers are held saturated: anything past this is "above 65536" all the same.
constexpr uint64_t kMagnitudeCap = uint64_t{1} << 40;

const std::vector<ui::FileFilter>& TextFilters() {
  static const std::vector<ui::FileFilter> filters{
      {u"TXT Files (*.txt)", u"*.txt"},
      {u"All Files (*.*)", u"*.*"},
  };
  return filters;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int DecimalDigit(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

// A number read the way the C library's scanf reads one, but never past the end of the line.
struct Number {
  bool found = false;
  bool negative = false;
  uint64_t magnitude = 0;  // saturated at kMagnitudeCap
  uint16_t low = 0;        // the low 16 bits of the number as written, sign applied
};

class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  void SkipBlanks() {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
  }

  bool Literal(char c) {
    if (pos_ < line_.size() && line_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // "%d" (base 10) or "%X" (base 16, which also takes a "0x" or "0X" prefix).
  Number Read(int base) {
    Number n;
    SkipBlanks();
    size_t p = pos_;
    if (p < line_.size() && (line_[p] == '+' || line_[p] == '-')) {
      n.negative = line_[p] == '-';
      ++p;
    }
    auto digit = [&](size_t at) {
      if (at >= line_.size()) return -1;
      return base == 16 ? HexDigit(line_[at]) : DecimalDigit(line_[at]);
    };
    if (base == 16 && p + 1 < line_.size() && line_[p] == '0' &&
        (line_[p + 1] == 'x' || line_[p + 1] == 'X') && digit(p + 2) >= 0) {
      p += 2;
    }
    uint16_t low = 0;
    while (true) {
      const int d = digit(p);
      if (d < 0) break;
      n.found = true;
      n.magnitude = std::min(n.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d),
                             kMagnitudeCap);
      low = static_cast<uint16_t>(low * base + d);
      ++p;
    }
    if (!n.found) return n;  // nothing consumed, as scanf leaves a failed field
    n.low = n.negative ? static_cast<uint16_t>(0u - low) : low;
    pos_ = p;
    return n;
  }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

int ClampToInt(const Number& n) {
  const auto m = static_cast<int64_t>(n.magnitude);
  const int64_t v = n.negative ? -m : m;
  return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

int ParseErrorCode(RegisterLine::Pattern pattern) {
  switch (pattern) {
    case RegisterLine::Pattern::kHex:
      return kTextParseHex;
    case RegisterLine::Pattern::kHexUpper:
      return kTextParseHexUpper;
    case RegisterLine::Pattern::kDecimal:
      break;
  }
  return kTextParseDecimal;
}

std::string PathBytes(const std::u16string& path) { return ui::Utf16ToUtf8(path); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pure parts

std::string FormatRegisterText(std::span<const uint16_t> words) {
  std::string out;
  out.reserve(words.size() * 14);
  char line[32];
  for (size_t i = 0; i < words.size(); ++i) {
    const int n = std::snprintf(line, sizeof line, "%d 0x%04X\r\n", static_cast<int>(i + 1),
                                static_cast<unsigned>(words[i]));
    out.append(line, static_cast<size_t>(n));
  }
  return out;
}

RegisterLine ScanRegisterLine(std::string_view line) {
  RegisterLine result;
  if (line.find('x') != std::string_view::npos) {
    result.pattern = RegisterLine::Pattern::kHex;
  } else if (line.find('X') != std::string_view::npos) {
    result.pattern = RegisterLine::Pattern::kHexUpper;
  }

  // Only this line is scanned. A line that lacks a number is an error of that line: taking the
  // missing number from the next line would store a value nobody wrote at a register nobody
  // named, and shift every line after it.
  LineReader reader(line);
  const Number reg = reader.Read(10);
  if (!reg.found) return result;
  result.reg = ClampToInt(reg);

  Number value;
  switch (result.pattern) {
    case RegisterLine::Pattern::kHex:
    case RegisterLine::Pattern::kHexUpper:
      reader.SkipBlanks();
      if (!reader.Literal('0')) return result;
      if (!reader.Literal(result.pattern == RegisterLine::Pattern::kHex ? 'x' : 'X')) {
        return result;
      }
      value = reader.Read(16);
      break;
    case RegisterLine::Pattern::kDecimal:
      value = reader.Read(10);
      break;
  }
  if (!value.found) return result;
  result.value = value.low;
  result.complete = true;
  return result;
}

RegisterTextParse ParseRegisterText(std::string_view text, std::span<uint16_t> words) {
  const int map_size = static_cast<int>(std::min<size_t>(words.size(), INT_MAX));
  int count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    std::string_view line = text.substr(pos);
    const size_t feed = line.find('\n');
    size_t next = text.size();
    if (feed == std::string_view::npos) {
      // Editors leave odd bytes after the last line feed; only something that can be a whole
      // line ("1 5" is too short to be one written by us) is read.
      if (line.size() < kRegisterTextMinLastLine || line.size() > kRegisterTextMaxLine) break;
    } else {
      line = line.substr(0, feed);
      next = pos + feed + 1;
    }
    if (line.size() > kRegisterTextMaxLine) return {kTextCancelled, {}};

    const int line_number = count + 1;
    const RegisterLine scanned = ScanRegisterLine(line);
    if (!scanned.complete) {
      return {ParseErrorCode(scanned.pattern), ui::Format("parse error on line %d", line_number)};
    }
    if (scanned.reg > 65536) {
      return {kTextRegisterTooLarge, ui::Format("registet > 65536 on line %d", line_number)};
    }
    if (scanned.reg > map_size || scanned.reg < 1) {
      return {kTextOutsideMap,
              ui::Format("write overflow on line %d, write to register %d, modbus map size %d",
                         line_number, scanned.reg, map_size)};
    }
    words[static_cast<size_t>(scanned.reg - 1)] = scanned.value;
    ++count;
    pos = next;
  }
  return {count, {}};
}

// ---------------------------------------------------------------------------------------------
// File and dialog parts

int Export(ui::Dialog& owner, std::span<const uint16_t> words, std::u16string_view proposed_name) {
  ui::FileDialogSpec request;
  request.filters = TextFilters();
  request.initial_name = std::u16string(proposed_name) + u".txt";
  request.overwrite_prompt = true;
  const std::optional<std::u16string> name = owner.host().SaveFileName(&owner, request);
  if (!name) return kTextCancelled;

  FileError error;
  UserFile file = UserFile::Create(PathBytes(*name), error);
  if (!file.is_open()) {
    owner.MessageBox(ui::Format("File could not be opened %d", error.cause));
    return kTextNotCreated;
  }
  const std::string text = FormatRegisterText(words);
  const bool written = file.Write(text.data(), text.size());
  const int write_error = errno;
  const bool closed = file.Close();
  if (!written || !closed) {
    // A full disk leaves a cut file behind; the user must not take it for a whole one.
    owner.MessageBox(ui::Format("File could not be opened %d", written ? errno : write_error));
    return kTextNotCreated;
  }
  owner.host().ShellOpen(*name);
  return static_cast<int>(words.size());
}

int Import(ui::Dialog& owner, std::span<uint16_t> words, int map_size) {
  ui::FileDialogSpec request;
  request.filters = TextFilters();
  request.initial_name = u"*.txt";
  request.must_exist = true;
  const std::optional<std::u16string> name = owner.host().OpenFileName(&owner, request);
  if (!name) return kTextCancelled;

  const std::string path = PathBytes(*name);
  // A folder, a pipe, a device gone mid-read, or a file too big to be a register file are all
  // refused with the file's name.
  const FileContents contents = ReadUserFile(path, static_cast<uint64_t>(kMaxTextBytes));
  if (!contents.error.ok()) {
    owner.MessageBox(ui::Utf8ToUtf16(ChosenFileMessage(contents.error, path)));
    return kTextUnreadable;
  }
  const std::string text(contents.bytes.begin(), contents.bytes.end());

  // Parse into a copy, so that a file that fails half way leaves the caller's image as it was.
  const size_t size = std::min(words.size(), static_cast<size_t>(std::max(map_size, 0)));
  std::vector<uint16_t> copy(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(size));
  const RegisterTextParse parsed = ParseRegisterText(text, copy);
  if (!parsed.message.empty()) owner.MessageBox(parsed.message);
  if (parsed.result > 0) std::copy(copy.begin(), copy.end(), words.begin());
  return parsed.result;
}

}  // namespace corvane
