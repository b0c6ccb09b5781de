#include "lighting/dali_command.h"

#include <bit>

#include "ui/text.h"

namespace corvane::lighting {

uint32_t EncodeDaliCommand(uint32_t previous, uint32_t command, int length, int priority) {
  if (length > kDaliMaxLength) length = kDaliMaxLength;
  const uint32_t marker = length >= 0 ? 1u << length : 0u;
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

}  // namespace corvane::lighting
