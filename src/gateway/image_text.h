// What the windows on a large register image (the gateway and fan-coil windows) share when they
// take a block apart and show its values: where a block lies, the UTC time of a Unix time stamp,
// and hundredths shown as "%0.2f" shows them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Block [s, e) against the registers first..last.
inline bool Overlaps(int s, int e, int first, int last) { return s <= last && first < e; }
inline bool Covers(int s, int e, int reg) { return s <= reg && reg < e; }

struct UtcTime {
  int year, month, day, hour, minute, second;
};
UtcTime ToUtc(uint32_t unix_seconds);

// "%02d:%02d:%02d" of the UTC time of day; `never` for a time stamp of 0.
std::u16string TimeOfDayText(uint32_t unix_seconds, std::u16string_view never);

// Hundredths as "%0.2f" shows them, without going through floating point.
std::u16string Hundredths(int value);

}  // namespace corvane
