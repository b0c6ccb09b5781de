#include "lighting/street_light_clock.h"

#include <cstdlib>
#include <filesystem>

#include "model/user_file.h"

namespace corvane::lighting {
namespace {

// Days from the calendar's origin to the given date, by the rule that puts March first so the
// leap day comes last.
int64_t DaySum(int64_t year, int64_t month, int64_t day) {
  int64_t y = year;
  int64_t m = month;
  if (month <= 2) {
    y = year - 1;
    m = month + 12;
  }
  return 365 * y + y / 4 - y / 100 + y / 400 + 30 * m + (3 * (m + 1)) / 5 + day;
}

constexpr int64_t kSecondsAt1970 = 62170070400;

}  // namespace

std::u16string_view ClockSourceText(uint16_t value) {
  switch (value) {
    case 0:
      return u"LSE";
    case 1:
      return u"EXT";
    case 2:
      return u"SW";
    case 3:
      return u"LSI";
    default:
      return u"--";
  }
}

int64_t LocalSeconds(const ui::LocalTime& t) {
  const int64_t days = DaySum(t.year, t.month, t.day);
  return ((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second - kSecondsAt1970;
}

ui::LocalTime CalendarOf(int64_t seconds) {
  // Civil-from-days over the proleptic Gregorian calendar.
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const int64_t rest = seconds - days * 86400;
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  ui::LocalTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

std::optional<int64_t> DriftPpm(int64_t difference, int64_t elapsed) {
  if (elapsed == 0) return std::nullopt;
  return difference * 1000000 / elapsed;
}

RtcDrift ComputeDrift(uint32_t device_time, uint32_t reference_time, const ui::LocalTime& pc) {
  RtcDrift d;
  d.lse_seconds = static_cast<int64_t>(device_time) - static_cast<int64_t>(reference_time);
  d.difference = static_cast<int64_t>(device_time) - LocalSeconds(pc);
  // Without a reference (the clock was never set from the PC) or over less than a minute the
  // figure says nothing: -21407708513 ppm or -1000000 ppm would only mislead.
  const bool measured = reference_time != 0 && std::abs(d.lse_seconds) >= kMinDriftInterval;
  if (measured) d.ppm = DriftPpm(d.difference, d.lse_seconds);
  return d;
}

std::u16string ClockLogLine(const ui::LocalTime& now, std::u16string_view source) {
  std::u16string line = ui::Format("\r\n%02d.%02d %04d %02d:%02d:%02d ", now.day, now.month,
                                   now.year, now.hour, now.minute, now.second);
  line += source;
  return line;
}

bool ClockSourceLog::Open() {
  const std::filesystem::path folder(kFolder);
  if (!CreateOutputFolder(folder)) return false;
  file_.Open(folder / std::filesystem::path(kFile), ui::Utf16File::Mode::kAppend);
  return true;
}

void ClockSourceLog::Append(const ui::LocalTime& now, std::u16string_view source) {
  if (!file_.is_open()) return;
  file_.Write(ClockLogLine(now, source));
  file_.Flush();
}

}  // namespace corvane::lighting
