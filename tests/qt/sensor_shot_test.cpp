// The sensor dialogs' windows, each the real dialog class opened on a project record as a site
// would hold it after a read: every control clear of its neighbours, and a screenshot in the
// build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string_view>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "devices/sensor_dlgs.h"
#include "devices/sensor_templates.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/qt_host.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

// No dongle: the main window is only the owner of the project and the queues.
class NoDongle : public Transport {
 public:
  bool Discover(std::u16string&) override { return false; }
  bool Open(ReportSink*) override { return false; }
  bool Close() override { return false; }
  bool IsOpen() const override { return false; }
  void Enqueue(const uint8_t*, size_t) override {}
};

// The main window (never shown) with one device in its project and in the heard list, so the
// dialog shows every button.
class SensorShot : public ::testing::Test {
 protected:
  SensorShot() {
    env_.profile = &profile_;
    env_.exit = [](int) {};
    main_ = std::make_unique<CCorvaneDlg>(host_, transport_, env_);
  }

  // A record with the header a site's device has; the caller fills the rest.
  static std::vector<uint16_t> Record(int words, uint16_t model, uint16_t device_id,
                                      std::u16string_view name) {
    std::vector<uint16_t> r(static_cast<size_t>(words), 0);
    r[0] = model;
    r[1] = 402;
    r[2] = 0x0200;
    r[5] = device_id;
    r[6] = 112;
    EncodeDeviceTextWords(name, std::span<uint16_t>(r).subspan(8).first<8>());
    StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(r).subspan(18, 8));
    r[26] = 0x0103;  // frequency 3, +13 dBm
    r[27] = 17;
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
    D dialog(DeviceDialogContext{host_, address, 0, main_->project(), 0},
             DeviceServices{.queues = main_->queues(),
                            .log = main_->device_log(),
                            .heard = main_->heard_frames(),
                            .dongle = main_->dongle(),
                            .firmware_update = {},
                            .export_words = {},
                            .import_words = {},
                            .send_message = {}});
    const QString path = ShowCheckAndGrab(host_, dialog, name);
    EXPECT_EQ(dialog.unknown_id_uses(), 0);
    host_.Forget(dialog);
    return path;
  }

  // The application before any window.
  struct App {
    App() { TestApp(); }
  } app_;
  QtHost host_;
  NoDongle transport_;
  MemoryProfile profile_;
  CCorvaneDlg::Environment env_;
  std::unique_ptr<CCorvaneDlg> main_;
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
