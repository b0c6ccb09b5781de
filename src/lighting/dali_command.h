// The DALI command word: one 32-bit format for every command field of the lighting-bus bridge,
// its control devices and the street-light node. Bits 0..27 hold the forward frame below a
// marker bit at the position of the frame length (a 16-bit frame 0xFF00 is 0x0001FF00); bit 28
// is the push/pull flag of control-device ON commands; bits 29..30 the priority; bit 31 is the
// street-light node's "send twice" and 0 everywhere else.
#pragma once

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "ui/control_store.h"
#include "ui/dialog.h"
#include "ui/entry_problem.h"

namespace corvane::lighting {

inline constexpr uint32_t kDaliFrameMask = 0x0FFFFFFF;
inline constexpr uint32_t kDaliPushPullBit = 1u << 28;
inline constexpr int kDaliPriorityShift = 29;
inline constexpr uint32_t kDaliPriorityMask = 3u << kDaliPriorityShift;
inline constexpr uint32_t kDaliTwiceBit = 1u << 31;
// A marker at bit 28 or above would leave the frame field: longer lengths are taken as this.
inline constexpr int kDaliMaxLength = 28;

// The three edit texts of a command row.
struct DaliCommandText {
  std::u16string command;   // "%08X" of the frame without its marker
  std::u16string length;    // "%d"
  std::u16string priority;  // "%d"
  bool operator==(const DaliCommandText&) const = default;
};

struct DaliFields {
  uint32_t command = 0;  // frame bits without the marker
  int length = 0;        // position of the marker, 0 when bits 0..27 are clear
  int priority = 0;
  bool operator==(const DaliFields&) const = default;
};

// Frame, length and priority into `previous`: bits 0..27 := (command | 1 << length) masked to 28
// bits, bits 29..30 := priority & 3; bits 28 and 31 of `previous` stay. A length above 28 is
// taken as 28; a length of 0 or less puts no marker (a shown 0 / "00000000" reads back as 0).
uint32_t EncodeDaliCommand(uint32_t previous, uint32_t command, int length, int priority);

// The same from the edit texts: the command is hexadecimal (0 when it is not), the length
// decimal (0 when it is not), and a priority that is not a number gives 3.
uint32_t EncodeDaliCommand(uint32_t previous, std::u16string_view command,
                           std::u16string_view length, std::u16string_view priority);

// A Prio edit whose number the two priority bits cannot hold ("Prio must be between 0 and 3");
// a text that is no number is left to the caller (priority 3, or the priority kept).
std::optional<ui::EntryProblem> DaliPriorityProblem(const ui::ControlStore& store, int control);

// A command row to execute now, as typed: the frame in hexadecimal, its length, the priority (3
// when it is not a number).
struct DaliCommandEntry {
  uint32_t command = 0;
  int length = 0;
  int priority = 3;
};
// Reads a command row; when a field does not read (or the priority does not fit), tells the user
// which one and gives nothing: a command built from 0 would make the ballasts execute something
// nobody typed.
std::optional<DaliCommandEntry> ReadDaliCommandEntry(ui::Dialog& dialog, int command_id,
                                                     int length_id, int priority_id);

// The marker is the highest set bit among bits 0..27.
DaliFields DecodeDaliCommand(uint32_t word);
DaliCommandText DaliCommandTexts(uint32_t word);

// The command editor's two lists. Addresses: 0 broadcast "All", 1..9 groups 0..8, 10..29 short
// addresses 0..19. Commands: 0 "Disabled", then Off, On, Step -, Step +, Use Stored Value and
// Get Actual Value, each a 9-bit code (selector bit 8 and the command byte).
inline constexpr int kDaliEditorAddresses = 30;
inline constexpr int kDaliEditorGroups = 9;
inline constexpr int kDaliEditorShortAddresses = 20;
inline constexpr uint16_t kDaliEditorCodes[] = {0x100, 0x105, 0x102, 0x101, 0x109, 0x1A0};
inline constexpr int kDaliEditorCommands = 1 + static_cast<int>(std::size(kDaliEditorCodes));

struct DaliEditorChoice {
  int address = 0;  // list position
  int command = 0;  // list position, 0 = "Disabled"
  bool operator==(const DaliEditorChoice&) const = default;
};

// The entries a 16-bit frame selects (a marker at bit 16, as a whole command word has it, is no
// part of the frame). A frame the lists cannot show (a group or short address beyond them, a
// command not among the codes, more than 16 bits) selects "Disabled" and a defined address, so
// that OK never builds a frame from an entry that does not exist.
DaliEditorChoice DecodeDaliEditorChoice(uint32_t frame);
// What the editor shows of a frame: the entries above, except that a 16-bit frame whose address
// the list lacks shows no address entry (-1) beside its command.
DaliEditorChoice DaliEditorView(uint32_t frame);
// Whether the lists show `frame` as it is: OK on the entries it selects gives it back.
bool DaliEditorShows(uint32_t frame);

struct DaliEditorResult {
  uint32_t frame = 0;
  int length = 0;
  bool operator==(const DaliEditorResult&) const = default;
};
// The frame of a choice: (address code << 9) | code with length 16, or 0 with length 0 for
// "Disabled" (or any position outside the lists).
DaliEditorResult EncodeDaliEditorChoice(const DaliEditorChoice& choice);

}  // namespace corvane::lighting
