// For the pictures of the device dialogs: the real dialog class on a Qt host, opened on a
// project record as a site holds it after a read. The main window (never shown, no dongle)
// owns the project and the queues; the device stands in the heard list, so every button shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string_view>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "devices/device_dialog.h"
#include "link/transport.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/qt/qt_host.h"
#include "ui/text.h"

namespace corvane::ui {

// Never finds a dongle.
class NoDongle : public Transport {
 public:
  bool Discover(std::u16string&) override { return false; }
  bool Open(ReportSink*) override { return false; }
  bool Close() override { return false; }
  bool IsOpen() const override { return false; }
  void Enqueue(const uint8_t*, size_t) override {}
};

class DeviceShot : public ::testing::Test {
 protected:
  DeviceShot() {
    env_.profile = &profile_;
    env_.exit = [](int) {};
    main_ = std::make_unique<CCorvaneDlg>(host_, transport_, env_);
  }

  // A record with the header a site's device has after a read; the caller fills the rest.
  static std::vector<uint16_t> SiteRecord(int words, uint16_t model, uint16_t device_id,
                                          std::u16string_view name, uint16_t hw_num, uint16_t radio,
                                          uint16_t eeprom_writes) {
    std::vector<uint16_t> r(static_cast<size_t>(words), 0);
    r[0] = model;
    r[1] = 402;
    r[2] = 0x0200;
    r[5] = device_id;
    r[6] = hw_num;
    EncodeDeviceTextWords(name, std::span<uint16_t>(r).subspan(8).first<8>());
    StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(r).subspan(18, 8));
    r[26] = radio;  // frequency index, RF power code
    r[27] = eeprom_writes;
    r[28] = 0x5A40;  // uptime 1989184 s
    r[29] = 0x001E;
    r[30] = 0x00A3;  // -93 dBm
    r[31] = 0x081D;  // 2.9 V, 80 %
    return r;
  }

  // Puts the device into the project and the heard list.
  void AddHeardDevice(RfAddress address, std::vector<uint16_t> record) {
    main_->project().SetEntry(0, address, std::move(record));
    DongleLink& dongle = main_->dongle();
    dongle.SetMirror(DongleLink::kRegHeardList, 1);
    dongle.SetMirror(DongleLink::kRegHeardList + 1, static_cast<uint16_t>(address));
    dongle.SetMirror(DongleLink::kRegHeardList + 2, static_cast<uint16_t>(address >> 16));
  }

  // The window is only looked at: none of the optional services is needed.
  devices::DeviceServices Services() {
    return devices::DeviceServices{.queues = main_->queues(),
                                   .log = main_->device_log(),
                                   .heard = main_->heard_frames(),
                                   .dongle = main_->dongle(),
                                   .firmware_update = {},
                                   .export_words = {},
                                   .import_words = {},
                                   .send_message = {}};
  }

  // Opens dialog class D on the record, checks the layout, saves "<name>.png".
  template <class D>
  QString Shoot(RfAddress address, std::vector<uint16_t> record, const QString& name) {
    AddHeardDevice(address, std::move(record));
    D dialog(DeviceDialogContext{host_, address, 0, main_->project(), 0}, Services());
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

}  // namespace corvane::ui
