// The DALI command word as the lighting windows read it from a device and as they build it from
// the edit texts and the command editor's lists: arbitrary words and texts.
//
// Input: bytes 0-3 the word a device reported, bytes 4-7 the previous word of the row, then
// three texts separated by NUL bytes (command, length, priority), one character per byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lighting/dali_command.h"

namespace {

using namespace corvane::lighting;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

uint32_t Word(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const uint32_t word = Word(data);
  const uint32_t previous = Word(data + 4);

  // Decoding: the fields stay in range and build the word again, flags kept from the word. A
  // frame of the marker alone (length 0) has no bits: the row shows it as no command, and it
  // goes back as 0 like an empty row.
  const DaliFields f = DecodeDaliCommand(word);
  Check(f.length >= 0 && f.length < kDaliMaxLength);
  Check(f.priority >= 0 && f.priority <= 3);
  Check(f.command < (1u << f.length) || (f.length == 0 && f.command == 0));
  const uint32_t frame = word & kDaliFrameMask;
  Check(EncodeDaliCommand(word, f.command, f.length, f.priority) ==
        (frame > 1 ? word : (word & ~kDaliFrameMask)));

  // The texts the row shows read back as the same word.
  const DaliCommandText texts = DaliCommandTexts(word);
  Check(texts.command.size() == 8);
  Check(EncodeDaliCommand(word, texts.command, texts.length, texts.priority) ==
        EncodeDaliCommand(word, f.command, f.length, f.priority));

  // Arbitrary edit texts: bits 28 and 31 come from the previous word, nothing else does.
  std::u16string text[3];
  size_t part = 0;
  for (size_t i = 8; i < size && part < 3; ++i) {
    if (data[i] == 0) {
      ++part;
    } else {
      text[part].push_back(data[i]);
    }
  }
  const uint32_t built = EncodeDaliCommand(previous, text[0], text[1], text[2]);
  Check((built & (kDaliPushPullBit | kDaliTwiceBit)) ==
        (previous & (kDaliPushPullBit | kDaliTwiceBit)));
  Check(EncodeDaliCommand(0, text[0], text[1], text[2]) ==
        (built & ~(kDaliPushPullBit | kDaliTwiceBit)));

  // The editor's lists: any frame selects entries that exist, and a choice the lists hold
  // builds a frame that selects that choice again.
  const DaliEditorChoice choice = DecodeDaliEditorChoice(frame);
  Check(choice.address >= 0 && choice.address < kDaliEditorAddresses);
  Check(choice.command >= 0 && choice.command < kDaliEditorCommands);
  const DaliEditorResult result = EncodeDaliEditorChoice(choice);
  if (choice.command == 0) {
    Check(result == DaliEditorResult{});
  } else {
    Check(result.length == 16 && result.frame <= 0xFFFF);
    Check(DecodeDaliEditorChoice(result.frame) == choice);
  }
  const DaliEditorChoice any{static_cast<int8_t>(data[4]), static_cast<int8_t>(data[5])};
  const DaliEditorResult any_result = EncodeDaliEditorChoice(any);
  if (any_result.length != 0) Check(DecodeDaliEditorChoice(any_result.frame) == any);
  return 0;
}
