// The sensor dialogs' windows, each the real dialog class opened on a project record as a site
// would hold it after a read: every control clear of its neighbours, and a screenshot in the
// build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "device_shot.h"
#include "devices/sensor_dlgs.h"
#include "devices/sensor_templates.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

class SensorShot : public DeviceShot {
 protected:
  static std::vector<uint16_t> Record(int words, uint16_t model, uint16_t device_id,
                                      std::u16string_view name) {
    return SiteRecord(words, model, device_id, name, 112, 0x0103, 17);  // frequency 3, +13 dBm
  }
};

uint16_t Hundredths(int value) { return static_cast<uint16_t>(static_cast<int16_t>(value)); }

TEST_F(SensorShot, ClimateSensorIsTidyAndSaved) {
  auto r = Record(98, CThermoHygroDlg::kHumidityModel, 1233, u"Office climate");
  r[50] = Hundredths(2137);
  r[51] = Hundredths(2594);
  r[52] = 0x011C;  // 2.8 V, heating
  r[53] = Hundredths(4615);
  r[64] = Hundredths(2800);
  r[65] = Hundredths(2700);
  r[66] = Hundredths(7000);
  r[67] = Hundredths(6500);
  r[68] = 8;
  r[69] = 5;
  r[70] = 50;
  r[71] = 200;
  r[72] = 200;
  r[73] = Hundredths(-50);
  r[76] = 1;  // PRG
  r[78] = 10;
  r[79] = 60;
  const QString path = Shoot<CThermoHygroDlg>(0x00A00604, r, "climate-sensor-dialog");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_GE(QImage(path).width(), 600);
}

TEST_F(SensorShot, CounterIsTidyAndSaved) {
  auto r = Record(64, 0xF027, 1188, u"Water meter");
  r[50] = 0xE240;  // 123456
  r[51] = 0x0001;
  r[52] = 142;
  r[54] = 37;
  r[56] = 74;
  r[57] = Hundredths(2312);
  r[58] = 0x0002;  // Pull Up 220k, 1.6V
  r[59] = 5;
  r[60] = 200;
  EXPECT_FALSE(Shoot<CCounterDlg>(0x00F00606, r, "counter-dialog").isEmpty());
}

TEST_F(SensorShot, WindowContactIsTidyAndSaved) {
  auto r = Record(59, 1297, 1216, u"Kitchen window");
  r[50] = 0x0001;  // open
  r[51] = 0x1C00;  // CPU 2.8 V
  r[54] = Hundredths(1984);
  r[56] = 200;
  r[57] = 0x0002;  // UNI
  EXPECT_FALSE(Shoot<CWindowContactDlg>(0x01200607, r, "window-contact-dialog").isEmpty());
}

}  // namespace
}  // namespace corvane::ui
