#include "app/profile.h"

#include <string>

namespace corvane {
namespace {

int ToInt(const std::u16string& text, int fallback) {
  // Decimal text as the profile stores it; anything else counts as missing.
  if (text.empty()) return fallback;
  size_t i = 0;
  bool negative = false;
  if (text[0] == u'-') {
    negative = true;
    i = 1;
  }
  if (i == text.size()) return fallback;
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9' || value > 100000000) return fallback;
    value = value * 10 + (text[i] - u'0');
  }
  return static_cast<int>(negative ? -value : value);
}

std::u16string FromInt(int value) {
  const std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

ProfileValues ReadProfile(Profile& profile) {
  ProfileValues v;
  v.oem = ToInt(profile.Read(u"OEM", u"99"), 99);
  v.pwr = ToInt(profile.Read(u"PWR", u"2"), 2);
  v.file_name = profile.Read(u"FILENAME", u"new_project.cvp");
  return v;
}

void WriteProfile(Profile& profile, const ProfileValues& values) {
  profile.Write(u"OEM", FromInt(values.oem));
  profile.Write(u"PWR", FromInt(values.pwr));
  profile.Write(u"FILENAME", values.file_name);
}

}  // namespace corvane
