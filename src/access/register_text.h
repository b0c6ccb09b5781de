// Register text files: the plain-text form in which every configuration dialog exports its
// register image and from which it imports one. One register per line, "%d 0x%04X" with the
// register number 1-based (1 = word 0 of the image); reading also takes "0X" and decimal values.
//
// The pure parts (formatting a text from words, parsing a text into an image) are apart from the
// file and dialog parts (file dialogs, message boxes, the shell) so that the parser can be tested
// and fuzzed on its own.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ui/dialog.h"

namespace corvane {

// Results of Export and Import besides the number of registers written or lines stored.
enum RegisterTextCode : int {
  kTextCancelled = -1,         // the user cancelled; Import also: a line longer than 127 bytes
  kTextNotCreated = -2,        // Export: the file could not be created or written
  kTextParseHex = -2,          // Import: a "%d 0x%X" line without both numbers
  kTextParseHexUpper = -3,     // Import: a "%d 0X%X" line without both numbers
  kTextUnreadable = -3,        // Import: the file could not be opened or read
  kTextParseDecimal = -4,      // Import: a "%d %d" line without both numbers
  kTextRegisterTooLarge = -5,  // Import: a register number above 65536
  kTextOutsideMap = -6,        // Import: a register number outside 1..map size
};

inline constexpr int kRegisterTextMaxLine = 127;
// The shortest last line (one without a line feed) that is still read.
inline constexpr int kRegisterTextMinLastLine = 4;

// ---------------------------------------------------------------------------------------------
// Pure parts

// The whole file: "%d 0x%04X\r\n" for registers 1..words.size(), nothing else.
std::string FormatRegisterText(std::span<const uint16_t> words);

// One line as the reader sees it.
struct RegisterLine {
  // Chosen by the line's content: any "x" picks kHex, else any "X" picks kHexUpper.
  enum class Pattern : uint8_t { kHex, kHexUpper, kDecimal };
  Pattern pattern = Pattern::kDecimal;
  bool complete = false;  // both numbers were found
  // The register number as written (1-based), held within the range of int.
  int reg = 0;
  // The low 16 bits of the value as written (a negative decimal -1 is 0xFFFF).
  uint16_t value = 0;
};

// Scans one line (without its line feed) like "%d 0x%X", "%d 0X%X" or "%d %d": blanks before each
// number are skipped, the blank between the numbers may be missing or longer, and whatever
// follows the value (a carriage return, a comment) is ignored.
RegisterLine ScanRegisterLine(std::string_view line);

struct RegisterTextParse {
  int result = 0;  // lines stored (0 or more) or one of the negative codes
  // What the user is told; empty when nothing is shown.
  std::u16string message;
};

// Parses `text` and stores each line's value into `words`, whose size is the map size. Values
// stored before an error stay in `words`: callers parse into a copy and take it only when the
// result is positive.
RegisterTextParse ParseRegisterText(std::string_view text, std::span<uint16_t> words);

// ---------------------------------------------------------------------------------------------
// File and dialog parts, through the owner's host

// Offers the save-file dialog with `proposed_name` + ".txt", writes every word and opens the file
// with the system. Returns words.size(), kTextCancelled or kTextNotCreated (after saying so).
int Export(ui::Dialog& owner, std::span<const uint16_t> words, std::u16string_view proposed_name);

// Offers the open-file dialog and reads the chosen file into the first `map_size` words of
// `words` (fewer when `words` is shorter). Returns the number of lines stored or a negative code;
// `words` changes only when the result is positive.
int Import(ui::Dialog& owner, std::span<uint16_t> words, int map_size);

}  // namespace corvane
