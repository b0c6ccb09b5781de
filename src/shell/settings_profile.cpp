#include "shell/settings_profile.h"

#include <QSettings>
#include <QString>

namespace corvane {
namespace {

QString ToQ(const std::u16string& s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::u16string SettingsProfile::Read(const std::u16string& key, const std::u16string& fallback) {
  QSettings settings(QStringLiteral("Corvane"), QStringLiteral("Corvane"));
  const QString value =
      settings.value(QStringLiteral("Config/") + ToQ(key), ToQ(fallback)).toString();
  return value.toStdU16String();
}

void SettingsProfile::Write(const std::u16string& key, const std::u16string& value) {
  QSettings settings(QStringLiteral("Corvane"), QStringLiteral("Corvane"));
  settings.setValue(QStringLiteral("Config/") + ToQ(key), ToQ(value));
}

}  // namespace corvane
