// The per-user profile: the OEM mode, the RF power code and the last project file, stored as
// decimal text or text under the section "Config".
#pragma once

#include <map>
#include <string>

namespace corvane {

class Profile {
 public:
  virtual ~Profile() = default;
  // The stored text of `key`, or `fallback` when there is none.
  virtual std::u16string Read(const std::u16string& key, const std::u16string& fallback) = 0;
  virtual void Write(const std::u16string& key, const std::u16string& value) = 0;
};

// A profile held in memory: tests, and runs that must not touch the user's settings.
class MemoryProfile : public Profile {
 public:
  std::u16string Read(const std::u16string& key, const std::u16string& fallback) override {
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
  }
  void Write(const std::u16string& key, const std::u16string& value) override {
    values[key] = value;
  }
  std::map<std::u16string, std::u16string> values;
};

struct ProfileValues {
  int oem = 99;
  int pwr = 2;
  std::u16string file_name = u"new_project.cvp";
};

ProfileValues ReadProfile(Profile& profile);
void WriteProfile(Profile& profile, const ProfileValues& values);

}  // namespace corvane
