// The room-unit dialogs' windows, each the real dialog class opened on a project record as a
// site would hold it after a read: every control clear of its neighbours, the Calidor's many
// groups within a 1366 x 768 screen, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string_view>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "devices/room_unit_dlg.h"
#include "devices/room_unit_template.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/qt_host.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

class NoDongle : public Transport {
 public:
  bool Discover(std::u16string&) override { return false; }
  bool Open(ReportSink*) override { return false; }
  bool Close() override { return false; }
  bool IsOpen() const override { return false; }
  void Enqueue(const uint8_t*, size_t) override {}
};

// The main window (never shown) owns the project and the queues; the device is in the heard
// list, so the dialog shows every button.
class RoomUnitShot : public ::testing::Test {
 protected:
  RoomUnitShot() {
    env_.profile = &profile_;
    env_.exit = [](int) {};
    main_ = std::make_unique<CCorvaneDlg>(host_, transport_, env_);
  }

  static std::vector<uint16_t> Header(int words, uint16_t model, uint16_t device_id,
                                      std::u16string_view name) {
    std::vector<uint16_t> r(static_cast<size_t>(words), 0);
    r[0] = model;
    r[1] = 402;
    r[2] = 0x0200;
    r[5] = device_id;
    r[6] = 102;
    EncodeDeviceTextWords(name, std::span<uint16_t>(r).subspan(8).first<8>());
    StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(r).subspan(18, 8));
    r[26] = 0x0203;  // frequency 3, +10 dBm
    r[27] = 23;
    r[28] = 0x5A40;  // uptime 1989184 s
    r[29] = 0x001E;
    r[30] = 0x00A3;  // -93 dBm
    r[31] = 0x081D;  // 2.9 V, 80 %
    return r;
  }

  template <class D>
  QString Shoot(RfAddress address, std::vector<uint16_t> record, const QString& name) {
    main_->project().SetEntry(0, address, std::move(record));
    DongleLink& dongle = main_->dongle();
    dongle.SetMirror(DongleLink::kRegHeardList, 1);
    dongle.SetMirror(DongleLink::kRegHeardList + 1, static_cast<uint16_t>(address));
    dongle.SetMirror(DongleLink::kRegHeardList + 2, static_cast<uint16_t>(address >> 16));
    // The window is only looked at: none of the optional services is needed.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
    D dialog(DeviceDialogContext{host_, address, 0, main_->project(), 0},
             DeviceServices{.queues = main_->queues(),
                            .log = main_->device_log(),
                            .heard = main_->heard_frames(),
                            .dongle = main_->dongle()});
#pragma GCC diagnostic pop
    const QString path = ShowCheckAndGrab(host_, dialog, name);
    EXPECT_EQ(dialog.unknown_id_uses(), 0);
    host_.Forget(dialog);
    return path;
  }

  MemoryProfile profile_;
  CCorvaneDlg::Environment env_;
  NoDongle transport_;
  QtHost host_;
  std::unique_ptr<CCorvaneDlg> main_;
};

TEST_F(RoomUnitShot, CalidorFitsTheScreenAndIsSaved) {
  TestApp();
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
  TestApp();
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
