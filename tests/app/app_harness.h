// The whole program on the simulated network: the main window on a TestHost, the simulator with
// the demo network behind a tapped transport, and a temporary working folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "hex_text.h"
#include "sim/demo_network.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"
#include "ui/headless/test_host.h"

namespace corvane::testing {

// Passes everything to the simulator and keeps what the program queued, in order.
class TappedTransport : public Transport {
 public:
  explicit TappedTransport(sim::Simulator& sim) : inner_(sim) {}
  bool Discover(std::u16string& identity) override { return inner_.Discover(identity); }
  bool Open(ReportSink* sink) override { return inner_.Open(sink); }
  bool Close() override { return inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    if (inner_.IsOpen()) sent.push_back(Hex(bytes, length));
    inner_.Enqueue(bytes, length);
  }
  // What was sent since the last call.
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(sent);
    return out;
  }
  std::vector<std::string> sent;

 private:
  sim::SimTransport inner_;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Suite and test: tests of one name in two suites run side by side under ctest -j.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_app_" + std::string(test->test_suite_name()) + "_" + test->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    sim::demo::Build(sim);
    // A mode was chosen in an earlier run: no service-code prompt unless a test wants one.
    profile.values[u"OEM"] = u"0";
  }
  void TearDown() override {
    if (dlg) host.Forget(*dlg);
    dlg.reset();
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
    EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
  }

  CCorvaneDlg::Environment Env() {
    CCorvaneDlg::Environment env;
    env.profile = &profile;
    env.command_line_file = command_line;
    env.exit = [this](int code) { exits.push_back(code); };
    env.log = [this](const std::u16string& line) { log.push_back(line); };
    env.help_file = help_file;
    env.user_guide = user_guide;
    return env;
  }

  // Starts the main window and lets `settle_ms` of virtual time pass.
  void Start(int settle_ms = 2000) {
    dlg = std::make_unique<CCorvaneDlg>(host, transport, Env());
    host.Open(*dlg);
    dlg->SetPump(1, [this] { sim.AdvanceTo(host.now_ms()); });
    host.Advance(settle_ms);
  }

  ui::TestHost host;
  sim::Simulator sim;
  TappedTransport transport{sim};
  MemoryProfile profile;
  std::u16string command_line;
  std::u16string help_file;
  std::u16string user_guide;
  std::vector<int> exits;
  std::vector<std::u16string> log;
  std::unique_ptr<CCorvaneDlg> dlg;
  std::filesystem::path dir_;
  std::filesystem::path old_dir_;
};

}  // namespace corvane::testing
