#include "gateway/image_text.h"

#include <chrono>

#include "ui/text.h"

namespace corvane {

UtcTime ToUtc(uint32_t unix_seconds) {
  using namespace std::chrono;
  const sys_seconds t{seconds{unix_seconds}};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> hms{t - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(unsigned(ymd.month())),
          static_cast<int>(unsigned(ymd.day())),
          static_cast<int>(hms.hours().count()),
          static_cast<int>(hms.minutes().count()),
          static_cast<int>(hms.seconds().count())};
}

std::u16string TimeOfDayText(uint32_t unix_seconds, std::u16string_view never) {
  if (unix_seconds == 0) return std::u16string(never);
  const UtcTime t = ToUtc(unix_seconds);
  return ui::Format("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

std::u16string Hundredths(int value) {
  const int magnitude = value < 0 ? -value : value;
  return ui::Format("%s%d.%02d", value < 0 ? "-" : "", magnitude / 100, magnitude % 100);
}

}  // namespace corvane
