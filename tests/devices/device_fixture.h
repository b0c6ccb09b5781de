// The main window on the simulated network, with device dialogs opened on it directly (as the
// opener would) or through the main window's "Open Device".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_template.h"
#include "app_harness.h"
#include "devices/device_dialog.h"
#include "devices/input_node_dlg.h"
#include "devices/input_node_template.h"
#include "dialogs/register_dialogs.h"
#include "model/le.h"

namespace corvane::devices::testing {

class DeviceTest : public corvane::testing::AppTest {
 protected:
  void TearDown() override {
    for (auto& d : opened_) {
      dlg->dialog_slots().Release(d.get());
      host.Forget(*d);
    }
    opened_.clear();
    AppTest::TearDown();
  }

  // A project holding `devices`, each with the zeroed record of its type (the new-device
  // template first, unless `zeroed`), loaded by the main window at start-up.
  void StartWithProject(const std::vector<RfAddress>& devices, bool zeroed = false,
                        int settle_ms = 1500) {
    Project p;
    for (size_t i = 0; i < devices.size(); ++i) {
      std::vector<uint16_t> record = zeroed ? std::vector<uint16_t>{} : DefaultRecordTemplate();
      record.resize(static_cast<size_t>(RecordSize(devices[i]) / 2), 0);
      p.SetEntry(static_cast<int>(i), devices[i], record);
    }
    ASSERT_TRUE(SaveProjectFile("site.cvp", p).ok);
    command_line = u"site.cvp";
    Start(settle_ms);
  }

  DeviceServices Services() {
    return DeviceServices{
        .queues = dlg->queues(),
        .log = dlg->device_log(),
        .heard = dlg->heard_frames(),
        .dongle = dlg->dongle(),
        .firmware_update =
            [this](ui::Dialog&, RfAddress address, RfAddress route) {
              firmware_calls.push_back({address, route});
            },
        .export_words =
            [this](ui::Dialog&, std::span<const uint16_t> words, std::u16string_view name) {
              exported.assign(words.begin(), words.end());
              export_name = name;
            },
        .import_words = [this](ui::Dialog&, std::span<uint16_t> words) -> int {
          // Like the file reader: lines are taken in order, and a bad one ends the import
          // with an error after the earlier lines already went into the words.
          for (const auto& [reg, value] : import_file) {
            if (reg < 1 || reg > static_cast<int>(words.size())) return -1;
            words[static_cast<size_t>(reg - 1)] = value;
          }
          return static_cast<int>(import_file.size());
        },
        .send_message =
            [this](RfAddress route, RfAddress address, std::span<const uint8_t> message) {
              SendThrough(dlg->layer(), route, address, message);
            },
    };
  }

  // Opens a dialog of class D for a project device, in its slot so the fan-out reaches it.
  template <class D>
  D& Open(RfAddress address, RfAddress route = 0, DialogClass cls = DialogClass::kInputNode) {
    const int entry = dlg->project().Find(address);
    EXPECT_GE(entry, 0);
    auto d = std::make_unique<D>(DeviceDialogContext{host, address, route, dlg->project(), entry},
                                 Services());
    D& ref = *d;
    EXPECT_TRUE(dlg->dialog_slots().Occupy(cls, d.get()));
    host.Open(ref);
    opened_.push_back(std::move(d));
    return ref;
  }

  // Puts addresses into the mirrored heard list, as a scan would.
  void MarkHeard(const std::vector<RfAddress>& addresses) {
    DongleLink& dongle = dlg->dongle();
    dongle.SetMirror(DongleLink::kRegHeardList, static_cast<uint16_t>(addresses.size()));
    for (size_t i = 0; i < addresses.size(); ++i) {
      const int reg = DongleLink::kRegHeardList + 1 + 4 * static_cast<int>(i);
      dongle.SetMirror(reg, static_cast<uint16_t>(addresses[i]));
      dongle.SetMirror(reg + 1, static_cast<uint16_t>(addresses[i] >> 16));
    }
  }

  // A block as the device would send it.
  static void Deliver(DeviceDialog& d, uint16_t first, std::vector<uint16_t> words,
                      bool from_cache = false) {
    d.OnRegisterData(d.address(), first, static_cast<int>(words.size()), words.data(), from_cache);
  }

  // Whether one of the reports holds `bytes` (long messages go out in fragments; their head
  // stays in the first).
  static bool AnySent(const std::vector<std::string>& sent, const std::string& bytes) {
    for (const std::string& line : sent) {
      if (line.find(bytes) != std::string::npos) return true;
    }
    return false;
  }

  std::vector<std::u16string> BoxTexts() const {
    std::vector<std::u16string> out;
    for (const auto& box : host.boxes()) out.push_back(box.text);
    return out;
  }

  std::vector<std::pair<RfAddress, RfAddress>> firmware_calls;
  std::vector<uint16_t> exported;
  std::u16string export_name;
  // Register number (1 = word 0) and value of each line of the file Import reads.
  std::vector<std::pair<int, uint16_t>> import_file;

 private:
  std::vector<std::unique_ptr<DeviceDialog>> opened_;
};

}  // namespace corvane::devices::testing
