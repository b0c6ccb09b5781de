// The room-unit dialogs' windows, each the real dialog class opened on a project record as a
// site would hold it after a read: every control clear of its neighbours, the Calidor's many
// groups within a 1366 x 768 screen, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <iterator>
#include <vector>

#include "device_shot.h"
#include "devices/room_unit_dlg.h"
#include "devices/room_unit_template.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

class RoomUnitShot : public DeviceShot {
 protected:
  static std::vector<uint16_t> Header(int words, uint16_t model, uint16_t device_id,
                                      std::u16string_view name) {
    return SiteRecord(words, model, device_id, name, 102, 0x0203, 23);  // frequency 3, +10 dBm
  }
};

TEST_F(RoomUnitShot, CalidorFitsTheScreenAndIsSaved) {
  std::vector<uint16_t> r = Header(190, 0x0515, 1082, u"Office 2.08");
  const uint16_t values[] = {2187, 2200, 2600, 4512, 684, 450, 0x0000, 0};  // words 50..57
  std::copy(std::begin(values), std::end(values), r.begin() + 50);
  const uint16_t settings[] = {
      2200, 1600, 1000, 2600, 2500, 3000,   0x0001, 0x0001, 0x0001, 0x3C03, 0x0003, 350,    350,
      1000, 4000, 0,    0,    0,    0x0532, 0x1E35, 0x011E, 0x320F, 0x0FFF, 0x001F, 0x001F, 0x0018};
  std::copy(std::begin(settings), std::end(settings), r.begin() + 58);
  r[85] = 0x1002;  // 08:10:02, Thursday 2026-01-01
  r[86] = 0x0408;
  r[87] = 0x0101;
  r[88] = 0x0026;
  r[176] = 180;
  r[186] = 312;
  const QString path = Shoot<CRoomUnitDlg>(0x00200608, r, "room-unit-dialog");
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  EXPECT_LE(image.width(), 1366);
  EXPECT_LE(image.height(), 768 - 40);  // above a task bar
}

TEST_F(RoomUnitShot, CalidorCIsTidyAndSaved) {
  std::vector<uint16_t> r = Header(78, 0x051A, 1207, u"Meeting room");
  r[50] = 2214;
  r[53] = 4830;
  r[54] = 1085;
  r[57] = static_cast<uint16_t>(-50);
  r[59] = 30;
  const uint16_t leds[] = {800, 1000, 1500, 2000, 40 | (20 << 8), 4, 0x0001, 180};
  std::copy(std::begin(leds), std::end(leds), r.begin() + 60);
  r[73] = 318;
  const QString path = Shoot<CRoomUnitCDlg>(0x01100202, r, "room-unit-c-dialog");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_LE(QImage(path).height(), 768 - 40);
}

}  // namespace
}  // namespace corvane::ui
