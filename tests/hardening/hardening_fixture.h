// The demo site with the faults a site brings: the dongle pulled out and plugged in again, and
// the project file checked after every run, so a fault that reached the disk shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_template.h"
#include "model/project.h"
#include "site_fixture.h"

namespace corvane::hardening {

class HardeningTest : public devices::testing::SiteTest {
 protected:
  // The dongle is pulled out; the system tells the main window.
  void Unplug() {
    sim.Unplug();
    dlg->OnDeviceChange();
  }
  // Plugged in again: the main window opens it and sets it up afresh.
  void Replug() {
    sim.Plug(0);
    dlg->OnDeviceChange();
  }
  int Count(std::u16string_view text) const {
    return static_cast<int>(std::count_if(host.boxes().begin(), host.boxes().end(),
                                          [&](const auto& box) { return box.text == text; }));
  }
  // The boxes since the last call.
  std::vector<std::u16string> TakeBoxes() {
    std::vector<std::u16string> out = BoxTexts();
    host.ClearBoxes();
    return out;
  }

  // Saves the project from the main window and reads the file back: byte for byte what the
  // project holds, nothing left beside it, and it loads to the same records.
  void ExpectSavedProjectIsWhole() {
    host.Click(*dlg, ui::kMainSaveProject);
    std::ifstream in("site.cvp", std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::vector<uint8_t> expected = SerializeProject(dlg->project());
    EXPECT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);
    Project loaded;
    ASSERT_EQ(LoadProjectFile("site.cvp", loaded).status, ProjectLoadResult::Status::kOk);
    EXPECT_TRUE(SerializeProject(loaded) == expected);
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "site.cvp" || entry.is_directory()) << name << " left beside";
    }
  }
};

}  // namespace corvane::hardening
