#include "lighting/dali_command.h"

#include <bit>

#include "ui/text.h"

namespace corvane::lighting {

uint32_t EncodeDaliCommand(uint32_t previous, uint32_t command, int length, int priority) {
  if (length > kDaliMaxLength) length = kDaliMaxLength;
  // A frame of no bits is no command: it gets no marker, so an empty row stays 0.
  const uint32_t marker = length > 0 ? 1u << length : 0u;
  const uint32_t frame = (command | marker) & kDaliFrameMask;
  const uint32_t prio = (static_cast<uint32_t>(priority) & 3u) << kDaliPriorityShift;
  return (previous & (kDaliPushPullBit | kDaliTwiceBit)) | frame | prio;
}

uint32_t EncodeDaliCommand(uint32_t previous, std::u16string_view command,
                           std::u16string_view length, std::u16string_view priority) {
  const uint32_t frame = ui::ScanHex(command).value_or(0);
  const int len = ui::ScanInt(length).value_or(0);
  const int prio = ui::ScanInt(priority).value_or(3);
  return EncodeDaliCommand(previous, frame, len, prio);
}

std::optional<ui::EntryProblem> DaliPriorityProblem(const ui::ControlStore& store, int control) {
  const auto priority = ui::ScanInt(store.Text(control));
  if (!priority) return std::nullopt;
  auto problem = ui::RangeProblem(control, *priority, 0, 3);
  if (problem) problem->caption = u"Prio";
  return problem;
}

std::optional<DaliCommandEntry> ReadDaliCommandEntry(ui::Dialog& dialog, int command_id,
                                                     int length_id, int priority_id) {
  const auto command = ui::ScanHex(dialog.Text(command_id));
  if (!command) {
    dialog.MessageBox(u"Invalid DALI command: Command must be a hexadecimal number");
    return std::nullopt;
  }
  const auto length = ui::ScanInt(dialog.Text(length_id));
  if (!length) {
    dialog.MessageBox(u"Invalid DALI command: Len must be a whole number");
    return std::nullopt;
  }
  if (!ui::AcceptEntries(dialog, DaliPriorityProblem(dialog, priority_id))) return std::nullopt;
  return DaliCommandEntry{static_cast<uint32_t>(*command), static_cast<int>(*length),
                          static_cast<int>(ui::ScanInt(dialog.Text(priority_id)).value_or(3))};
}

DaliFields DecodeDaliCommand(uint32_t word) {
  DaliFields f;
  const uint32_t frame = word & kDaliFrameMask;
  if (frame != 0) {
    f.length = std::bit_width(frame) - 1;
    f.command = frame & ~(1u << f.length);
  }
  f.priority = static_cast<int>((word & kDaliPriorityMask) >> kDaliPriorityShift);
  return f;
}

DaliCommandText DaliCommandTexts(uint32_t word) {
  const DaliFields f = DecodeDaliCommand(word);
  return {ui::Format("%08X", static_cast<unsigned>(f.command)), ui::Format("%d", f.length),
          ui::Format("%d", f.priority)};
}

namespace {

// A Command field may hold the frame with the marker of its 16 bits (0x0001FF00 for 0xFF00).
uint32_t WithoutMarker16(uint32_t frame) { return frame >> 16 == 1 ? frame & 0xFFFF : frame; }

// The code's position in the command list, 0 ("Disabled") when it has none.
int CommandEntry(uint32_t frame) {
  const uint32_t code = frame & 0x1FF;
  for (int i = 0; i < kDaliEditorCommands - 1; ++i) {
    if (kDaliEditorCodes[i] == code) return i + 1;
  }
  return 0;
}

// The position of bits 9..15 (the address byte without its selector bit) in the address list,
// -1 when it has none.
int AddressEntry(uint32_t frame) {
  const uint32_t address = (frame >> 9) & 0x7F;
  if (address == 0x7F) return 0;
  if (address & 0x40) {
    const int group = static_cast<int>(address & 0x3F);
    return group < kDaliEditorGroups ? 1 + group : -1;
  }
  return address < kDaliEditorShortAddresses ? 1 + kDaliEditorGroups + static_cast<int>(address)
                                             : -1;
}

}  // namespace

DaliEditorChoice DecodeDaliEditorChoice(uint32_t value) {
  const uint32_t frame = WithoutMarker16(value);
  if (frame == 0 || frame > 0xFFFF) return {};
  const int address = AddressEntry(frame);
  if (address < 0) return {};  // an address the list does not hold: nothing to pick
  return {address, CommandEntry(frame)};
}

DaliEditorChoice DaliEditorView(uint32_t value) {
  const uint32_t frame = WithoutMarker16(value);
  if (frame != 0 && frame <= 0xFFFF && AddressEntry(frame) < 0) return {-1, CommandEntry(frame)};
  return DecodeDaliEditorChoice(value);
}

bool DaliEditorShows(uint32_t frame) {
  return EncodeDaliEditorChoice(DecodeDaliEditorChoice(frame)).frame == WithoutMarker16(frame);
}

DaliEditorResult EncodeDaliEditorChoice(const DaliEditorChoice& choice) {
  if (choice.command <= 0 || choice.command >= kDaliEditorCommands || choice.address < 0 ||
      choice.address >= kDaliEditorAddresses) {
    return {};
  }
  uint32_t address = 0x7F;
  if (choice.address > kDaliEditorGroups) {
    address = static_cast<uint32_t>(choice.address - 1 - kDaliEditorGroups);
  } else if (choice.address > 0) {
    address = 64 + static_cast<uint32_t>(choice.address - 1);
  }
  return {address << 9 | kDaliEditorCodes[choice.command - 1], 16};
}

}  // namespace corvane::lighting
