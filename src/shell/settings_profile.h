// The per-user profile kept by QSettings: organisation and application "Corvane", group
// "Config".
#pragma once

#include "app/profile.h"

namespace corvane {

class SettingsProfile : public Profile {
 public:
  std::u16string Read(const std::u16string& key, const std::u16string& fallback) override;
  void Write(const std::u16string& key, const std::u16string& value) override;
};

}  // namespace corvane
