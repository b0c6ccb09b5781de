// A site on the simulated demo network: the project holds the site's devices, the device
// dialogs are registered, every node has been heard by a scan, and the user opens devices from
// the main window's list. A sleeping node is woken while the wait dialog shows.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "access/access_dialogs.h"
#include "access/access_templates.h"
#include "device_fixture.h"

namespace corvane::devices::testing {

class SiteTest : public DeviceTest {
 protected:
  void StartSite(const std::vector<RfAddress>& devices) {
    StartWithProject(devices);
    RegisterDeviceDialogs(dlg->opener(), Services());
    for (RfAddress address : devices) sim.PressButton(address);
    host.Click(*dlg, ui::kMainScan);
    host.Advance(1500);
    host.OnModal<CWaitForAct>([this](CWaitForAct& wait) {
      ++wait_runs;
      wait_hint = wait.Text(ui::kWaitHint);
      host.Advance(500);
      sim.PressButton(wake_on_wait);
      EXPECT_TRUE(host.AdvanceUntil([&] { return wait.ended(); }, 5000));
    });
  }
  void OpenFromList(RfAddress address) {
    for (int i = 0; i < dlg->Count(ui::kMainDeviceList); ++i) {
      if (dlg->Item(ui::kMainDeviceList, i).rfind(FormatAddress(address), 0) == 0) {
        host.Select(*dlg, ui::kMainDeviceList, i);
        host.Click(*dlg, ui::kMainOpenDevice);
        return;
      }
    }
    ADD_FAILURE() << "not in the list";
  }
  bool Shown(const std::u16string& text) const {
    return std::any_of(host.boxes().begin(), host.boxes().end(),
                       [&](const auto& box) { return box.text == text; });
  }
  std::span<const uint16_t> Blob(const Project& project, RfAddress address) {
    return project.Record(project.Find(address));
  }

  int wait_runs = 0;
  std::u16string wait_hint;
  RfAddress wake_on_wait = 0;  // the node the user wakes when the tool waits
};

}  // namespace corvane::devices::testing
