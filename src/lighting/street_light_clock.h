// The street-light node's clock diagnostics: the drift of its clock against the PC, the clock
// source it runs on, and the log of clock sources kept while its dialog is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/host.h"
#include "ui/text.h"

namespace corvane::lighting {

// Register 101: 0 "LSE", 1 "EXT", 2 "SW", 3 "LSI", anything else "--".
std::u16string_view ClockSourceText(uint16_t value);

// The PC's local date and time as seconds since 1970-01-01 00:00, taken as it stands (no
// time-zone correction), as the node counts its own time.
int64_t LocalSeconds(const ui::LocalTime& t);

// Seconds since 1970-01-01 00:00 back into a calendar date and time.
ui::LocalTime CalendarOf(int64_t seconds);

// Drift of the node's clock in ppm: `difference` (node minus PC) per `elapsed` seconds counted by
// the node since its reference, times 10^6, truncated toward zero. 64-bit throughout: the inputs
// come from 32-bit counters, so the product cannot overflow. nullopt when nothing has elapsed.
std::optional<int64_t> DriftPpm(int64_t difference, int64_t elapsed);

// The shortest interval since the reference over which a drift figure is shown, in seconds.
inline constexpr int64_t kMinDriftInterval = 60;

// What the dialog shows of one "Read RTC cal" answer; no ppm figure without a reference or
// before kMinDriftInterval has passed.
struct RtcDrift {
  int64_t lse_seconds = 0;  // node time minus its reference time
  int64_t difference = 0;   // node time minus PC time
  std::optional<int64_t> ppm;
};
RtcDrift ComputeDrift(uint32_t device_time, uint32_t reference_time, const ui::LocalTime& pc);

// One line of the clock-source log: "\r\n%02d.%02d %04d %02d:%02d:%02d " and the source text.
std::u16string ClockLogLine(const ui::LocalTime& now, std::u16string_view source);

// "SNIFF\sniff_rtc.txt" below the current folder, appended to for as long as the dialog is open.
class ClockSourceLog {
 public:
  static constexpr std::u16string_view kFolder = u"SNIFF";
  static constexpr std::u16string_view kFile = u"sniff_rtc.txt";

  // Creates the folder and opens the file. False when the folder cannot be made (the caller
  // tells the user); a file that cannot be opened leaves the log closed without a word.
  bool Open();
  bool is_open() const { return file_.is_open(); }
  void Append(const ui::LocalTime& now, std::u16string_view source);
  void Close() { file_.Close(); }

 private:
  ui::Utf16File file_;
};

}  // namespace corvane::lighting
