// The example firmware containers of examples/firmware: exactly the bytes their table builds,
// each for the demo device it is named for, and each taken by that device's simulated
// bootloader through the update window, the older one after the downgrade question.
//
// CORVANE_WRITE_EXAMPLE_FIRMWARE=1 firmware_tests --gtest_filter='ExampleFirmware.Files*'
// writes the files anew from the table instead of comparing them.
#include "examples/firmware/example_firmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/main_template.h"
#include "app_harness.h"
#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "firmware/fw_update_template.h"
#include "model/le.h"
#include "model/type_table.h"
#include "sim/bootloader.h"
#include "ui/text.h"

namespace corvane::testing {
namespace {

using examples::ExampleFirmware;
using examples::kExampleFirmware;

const std::filesystem::path kDir = CORVANE_EXAMPLE_FIRMWARE_DIR;

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const ExampleFirmware& Example(std::string_view file) {
  for (const ExampleFirmware& e : kExampleFirmware) {
    if (e.file == file) return e;
  }
  ADD_FAILURE() << "no example " << file;
  return kExampleFirmware[0];
}

TEST(ExampleFirmware, FilesAreExactlyWhatTheTableBuilds) {
  const bool write = std::getenv("CORVANE_WRITE_EXAMPLE_FIRMWARE") != nullptr;
  std::set<std::string> expected;
  for (const ExampleFirmware& e : kExampleFirmware) {
    const std::vector<uint8_t> built = examples::BuildExampleFirmware(e);
    const std::filesystem::path path = kDir / e.file;
    expected.insert(std::string(e.file));
    if (write) {
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(built.data()),
                 static_cast<std::streamsize>(built.size()));
    }
    EXPECT_TRUE(ReadFile(path) == built) << path << " differs from what its table row builds";
  }
  // A container left over from an older table would be offered to users without being checked.
  for (const auto& entry : std::filesystem::directory_iterator(kDir)) {
    if (entry.path().extension() != ".bin") continue;
    EXPECT_TRUE(expected.contains(entry.path().filename().string()))
        << entry.path() << " is not in the table";
  }
}

// What the demo device really reports, read from the simulator rather than from the table.
struct Reported {
  uint16_t device_id;
  uint16_t hardware;
  uint16_t firmware;
};

Reported ReportedBy(sim::Simulator& simulator, RfAddress device) {
  if (device == ADDR_DONGLE) {
    return {simulator.dongle().reg(5), simulator.dongle().reg(6), simulator.dongle().reg(1)};
  }
  const std::span<const uint16_t> words = simulator.FindNode(device)->registers();
  return {words[5], words[6], words[1]};
}

// "quadrel-b_4.10.bin": the device's type name, then its version.
std::string NameFor(RfAddress device, uint32_t version) {
  std::string name = device == ADDR_DONGLE ? "dongle" : ui::Utf16ToUtf8(TypeName(device, 0));
  std::transform(name.begin(), name.end(), name.begin(), [](char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  char text[32];
  std::snprintf(text, sizeof text, "_%u.%02u.bin", version / 100, version % 100);
  return name + text;
}

TEST(ExampleFirmware, EachPassesTheChecksOfTheDeviceItIsNamedFor) {
  sim::Simulator simulator;
  sim::demo::Build(simulator);
  for (const ExampleFirmware& e : kExampleFirmware) {
    SCOPED_TRACE(std::string(e.file));
    const std::vector<uint8_t> file = ReadFile(kDir / e.file);
    const Reported device = ReportedBy(simulator, e.device);
    ContainerHeader header;
    EXPECT_EQ(CheckContainer(file, device.device_id, device.hardware, &header),
              ContainerError::kNone);
    EXPECT_EQ(NameFor(e.device, header.version), e.file);
    // The simulated bootloader starts an image only with its tag, and the version behind the
    // tag is what the device reports afterwards: it must be the one the header promises.
    ASSERT_GT(file.size(), size_t{kContainerHeaderBytes + 6});
    EXPECT_TRUE(std::equal(sim::kImageTag.begin(), sim::kImageTag.end(),
                           file.begin() + kContainerHeaderBytes));
    EXPECT_EQ(GetU16(file.data() + kContainerHeaderBytes + sim::kImageVersionOffset),
              header.version);
    // Only an older container asks first.
    EXPECT_EQ(IsDowngrade(device.firmware, header.version), header.version < device.firmware);
  }
  // The three input nodes with device ID 1115 tell each other apart by their hardware.
  const Reported keypad = ReportedBy(simulator, sim::demo::kKeypad);
  EXPECT_EQ(
      CheckContainer(ReadFile(kDir / "quadrel-a_4.10.bin"), keypad.device_id, keypad.hardware),
      ContainerError::kWrongHardware);
  const Reported dongle = ReportedBy(simulator, ADDR_DONGLE);
  EXPECT_EQ(
      CheckContainer(ReadFile(kDir / "quadrel-b_4.10.bin"), dongle.device_id, dongle.hardware),
      ContainerError::kWrongDevice);
}

TEST(ExampleFirmware, OneFamilyHasANewerAndAnOlderVersion) {
  sim::Simulator simulator;
  sim::demo::Build(simulator);
  const uint16_t running = ReportedBy(simulator, sim::demo::kInputB).firmware;
  EXPECT_GT(Example("quadrel-b_4.10.bin").version, running);
  EXPECT_LT(Example("quadrel-b_3.90.bin").version, running);
  EXPECT_GT(Example("dongle_4.12.bin").version, ReportedBy(simulator, ADDR_DONGLE).firmware);
}

// As a user tries it on --simulate: the update window of the device, the example file chosen.
class ExampleUpdateTest : public AppTest {
 protected:
  void TearDown() override {
    if (fw_) host.Forget(*fw_);
    fw_.reset();
    AppTest::TearDown();
  }
  void Open(RfAddress target) {
    fw_ = std::make_unique<CFwUpdate>(host, dlg->layer(), target, 0);
    host.Open(*fw_);
    ASSERT_TRUE(host.AdvanceUntil([&] { return fw_->IsEnabled(ui::kFwUpdateStart); }, 5000));
  }
  // Chooses the file, says Yes to a downgrade question, and runs to the end.
  void Update(std::string_view file, bool downgrade = false) {
    host.ClearBoxes();
    if (downgrade) host.QueueAnswer(ui::kIdYes);
    host.QueueFileResult(ui::Utf8ToUtf16((kDir / file).string()));
    ASSERT_TRUE(host.Click(*fw_, ui::kFwUpdateStart));
    ASSERT_TRUE(host.AdvanceUntil(
        [&] {
          return std::any_of(host.boxes().begin(), host.boxes().end(),
                             [](const auto& b) { return b.text == u"Update Complete"; });
        },
        120000));
    host.Advance(2000);  // the restart into the new application and the refresh
  }
  std::unique_ptr<CFwUpdate> fw_;
};

TEST_F(ExampleUpdateTest, QuadrelBUpdatesThenGoesBackAfterTheQuestion) {
  Start();
  Open(sim::demo::kInputB);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.02");
  Update("quadrel-b_4.10.bin");
  EXPECT_EQ(host.boxes().size(), 1u);  // no question on the way up
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.10");
  EXPECT_EQ(sim.FindNode(sim::demo::kInputB)->registers()[1], 410);

  Update("quadrel-b_3.90.bin", true);
  ASSERT_GE(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, u"Downgrade?");
  EXPECT_EQ(host.boxes()[0].text,
            u"Firmware in device is newer, than Firmware in update container\r\n(4.10 -> "
            u"3.90)\r\nContinue?");
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"3.90");
}

TEST_F(ExampleUpdateTest, DongleTakesItsExample) {
  Start();
  Open(ADDR_DONGLE);
  Update("dongle_4.12.bin");
  EXPECT_EQ(sim.dongle().reg(1), 412);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.12");
}

}  // namespace
}  // namespace corvane::testing
