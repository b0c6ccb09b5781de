// The register text parser on arbitrary bytes: it must stay inside the map it is given, return
// only its documented results, and read back exactly what the writer produced from its result.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "access/register_text.h"

namespace {

constexpr uint16_t kCanary = 0xC3A5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes pick the map size, up to 1023 words so small maps get hit as well.
  const size_t map_size = (data[0] | (data[1] << 8)) & 0x3FF;
  // Exactly-sized copy: reading a byte past the text must trip ASan.
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

  // One canary word past the map catches a store beyond it.
  std::vector<uint16_t> words(map_size + 1, kCanary);
  const corvane::RegisterTextParse parsed =
      corvane::ParseRegisterText(text, std::span<uint16_t>(words.data(), map_size));
  if (words[map_size] != kCanary) __builtin_trap();
  if (parsed.result < -6) __builtin_trap();
  // Every stored line ends with a feed, or is the last one.
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (parsed.result > 0 && static_cast<size_t>(parsed.result) > lines) __builtin_trap();
  // Parse errors and bad register numbers are told; a long line and success are not.
  const bool told = parsed.result <= -2;
  if (told == parsed.message.empty()) __builtin_trap();

  // What the writer makes of the map reads back as the same map. Small maps only: writing and
  // reading a thousand lines each run would take most of the fuzzer's time.
  if (map_size > 64) return 0;
  words.resize(map_size);
  const std::string written = corvane::FormatRegisterText(words);
  std::vector<uint16_t> back(map_size, static_cast<uint16_t>(~kCanary));
  const corvane::RegisterTextParse again = corvane::ParseRegisterText(written, back);
  if (again.result != static_cast<int>(map_size) || back != words) __builtin_trap();
  return 0;
}
