// corvane-cli end to end: every subcommand through the program's entry point against the
// simulated network (real clock, so each run is kept to a few seconds), and the exit code and
// message of each kind of failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "cli/exit_codes.h"
#include "firmware/container.h"
#include "link/hid/hid_api.h"
#include "model/le.h"
#include "model/project.h"

namespace corvane::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// Through CliMain, as the program's main() calls it.
Outcome Cli(std::vector<std::string> args) {
  args.insert(args.begin(), "corvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  Outcome run;
  run.code = CliMain(static_cast<int>(args.size()), argv.data(), out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::string Example(const std::string& name) {
  return std::string(CORVANE_EXAMPLES_DIR) + "/" + name;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_cli_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    project_ = (dir_ / "site.cvp").string();
    std::filesystem::copy_file(Example("demo-network.cvp"), project_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::vector<uint16_t> RecordOf(RfAddress address) {
    Project project;
    EXPECT_EQ(LoadProjectFile(project_, project).status, ProjectLoadResult::Status::kOk);
    const int entry = project.Find(address);
    EXPECT_GE(entry, 0);
    const auto record = project.Record(entry);
    return {record.begin(), record.end()};
  }

  std::filesystem::path dir_;
  std::string project_;
};

// --- Usage -----------------------------------------------------------------------------------

TEST_F(CliTest, UsageErrorsAndHelp) {
  EXPECT_EQ(Cli({}).code, kExitUsage);
  const Outcome unknown = Cli({"frobnicate"});
  EXPECT_EQ(unknown.code, kExitUsage);
  EXPECT_THAT(unknown.err, HasSubstr("unknown command frobnicate"));

  for (const char* command : {"scan", "read", "write", "project", "fw-update", "monitor"}) {
    const Outcome help = Cli({command, "--help"});
    EXPECT_EQ(help.code, kExitOk) << command;
    EXPECT_THAT(help.out, HasSubstr(std::string("usage: corvane-cli ") + command));
    EXPECT_THAT(help.out, HasSubstr("--simulate"));
  }

  const Outcome option = Cli({"scan", "--frequency", "--simulate"});
  EXPECT_EQ(option.code, kExitUsage);
  EXPECT_THAT(option.err, HasSubstr("unknown option --frequency"));
  EXPECT_EQ(Cli({"read", "0x01400603", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"read", "0x01400603", "70000", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"read", "0x01400603", "0", "0", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"read", "0x01400603", "65535", "2", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"write", "0x01400603", "8", "0x10000", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"write", "0x01400603", "8", "12abc", "--simulate"}).code, kExitUsage);
  EXPECT_EQ(Cli({"read", "zero", "0", "--simulate"}).code, kExitUsage);
  const Outcome cache = Cli({"read", "0x00300102", "0", "--cache", "--simulate"});
  EXPECT_EQ(cache.code, kExitUsage);
  EXPECT_THAT(cache.err, HasSubstr("--cache needs --via"));
  EXPECT_EQ(Cli({"scan", "--sim-batch", "3"}).code, kExitUsage);  // only with --simulate
}

// --- The dongle ------------------------------------------------------------------------------

// A USB stack with the dongle plugged in or not, which this user may not open.
class FakeUsb : public hid::HidApi {
 public:
  explicit FakeUsb(bool present) : present_(present) {}
  std::vector<hid::HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override {
    if (!present_) return {};
    hid::HidDeviceInfo info;
    info.path = "/dev/hidraw7";
    info.vendor_id = vendor;
    info.product_id = product;
    return {info};
  }
  std::unique_ptr<hid::HidDevice> Open(const std::string&, hid::OpenError& error) override {
    error.code = EACCES;
    error.text = u"Permission denied";
    return nullptr;
  }

 private:
  bool present_;
};

TEST_F(CliTest, DongleHeldByAnotherProgramEndsWithItsCode) {
  CliEnvironment env;
  env.prepare_simulation = [](sim::Simulator& sim) { sim.dongle().ClaimByAnotherProgram(); };
  const std::vector<std::string> args = {"read", "0x01400603", "0", "--simulate"};
  std::ostringstream out;
  std::ostringstream err;
  // Nobody at a screen answers the main window's question: its default, No, ends the run.
  EXPECT_EQ(RunCli(args, out, err, env), kExitDongleInUse);
  EXPECT_THAT(err.str(), HasSubstr("used by another application"));
  EXPECT_EQ(out.str(), "");
}

// A dongle whose in-use flag was left set (by another program, or a run killed before it could
// release it) is used with --take-over, and released at the end.
TEST_F(CliTest, TakeOverUsesADongleInUse) {
  CliEnvironment env;
  env.prepare_simulation = [](sim::Simulator& sim) { sim.dongle().ClaimByAnotherProgram(); };
  int in_use_after = -1;
  env.finish_simulation = [&](sim::Simulator& sim) {
    in_use_after = sim.dongle().reg(sim::dongle_reg::kInUse);
  };
  const std::vector<std::string> args = {"read", "0x01400603", "5", "--take-over", "--simulate"};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli(args, out, err, env), kExitOk) << err.str();
  EXPECT_EQ(out.str(), "6 0x04F4\n");
  EXPECT_THAT(err.str(), HasSubstr("taken over (--take-over)"));
  EXPECT_EQ(in_use_after, 0);
}

// SIGTERM (as Ctrl+C, SIGHUP) ends a command through its loop: the dongle is released, and the
// exit code is 128 + the signal.
TEST_F(CliTest, ASignalEndsTheCommandAndReleasesTheDongle) {
  CliEnvironment env;
  env.prepare_simulation = [](sim::Simulator& sim) {
    sim.At(kSimWarmUpMs + 1500, [] { std::raise(SIGTERM); });
  };
  int in_use_after = -1;
  env.finish_simulation = [&](sim::Simulator& sim) {
    in_use_after = sim.dongle().reg(sim::dongle_reg::kInUse);
  };
  const std::vector<std::string> args = {"scan", "--seconds", "60", "--simulate"};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli(args, out, err, env), 128 + SIGTERM);
  EXPECT_THAT(err.str(), HasSubstr("ended by signal 15"));
  EXPECT_EQ(in_use_after, 0);
  // The handlers are the previous ones again, and the next command starts afresh.
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
  EXPECT_EQ(Cli({"read", "0x01400603", "5", "--simulate"}).code, kExitOk);
}

TEST_F(CliTest, NoDongleAndDongleNotPermitted) {
  CliEnvironment env;
  env.hid_options.open_attempts = 1;
  const std::vector<std::string> args = {"read", "0x01400603", "0"};
  std::ostringstream out;
  std::ostringstream err;

  FakeUsb absent(false);
  env.hid_api = &absent;
  EXPECT_EQ(RunCli(args, out, err, env), kExitNoDongle);
  EXPECT_THAT(err.str(), HasSubstr("No USB dongle found"));
  EXPECT_THAT(err.str(), HasSubstr("--simulate"));

  FakeUsb forbidden(true);
  env.hid_api = &forbidden;
  err.str("");
  EXPECT_EQ(RunCli(args, out, err, env), kExitPermission);
  // The fix the program documents: the udev rule and the command that installs it.
  EXPECT_THAT(err.str(), HasSubstr("/dev/hidraw7"));
  EXPECT_THAT(err.str(), HasSubstr("60-corvane.rules"));
  EXPECT_THAT(err.str(), HasSubstr("udevadm control --reload-rules"));
  EXPECT_EQ(out.str(), "");
}

// --- scan ------------------------------------------------------------------------------------

TEST_F(CliTest, ScanListsTheHeardDevices) {
  const Outcome table = Cli({"scan", "--simulate", "--seconds", "0"});
  ASSERT_EQ(table.code, kExitOk) << table.err;
  EXPECT_THAT(table.out, HasSubstr("ADDRESS"));
  // Address, type name, display name, RSSI and seconds; "D" for a device that sleeps.
  EXPECT_TRUE(std::regex_search(
      table.out, std::regex("0x01400603  Quadrel-B +Quadrel-B 0x01400603 20973059 +-[0-9]+ dBm +"
                            "[0-9]+ s\n")))
      << table.out;
  EXPECT_TRUE(std::regex_search(table.out, std::regex("0x00B00601  Quadrel-X .* s  D\n")));
  // Beyond the dongle's reach: heard only by its gateway.
  EXPECT_THAT(table.out, Not(HasSubstr("0x00200105")));
  // The count closes the table: one row per device.
  int rows = 0;
  for (size_t at = table.out.find("\n0x"); at != std::string::npos;
       at = table.out.find("\n0x", at + 1)) {
    ++rows;
  }
  EXPECT_GT(rows, 20);
  EXPECT_THAT(table.out, HasSubstr(std::to_string(rows) + " devices heard"));

  const Outcome json = Cli({"scan", "--simulate", "--json", "--seconds=0"});
  ASSERT_EQ(json.code, kExitOk) << json.err;
  EXPECT_TRUE(std::regex_search(
      json.out, std::regex("\\{\"address\": \"0x00300102\", \"type\": \"Quadrel-A\", "
                           "\"display_name\": \"Quadrel-A 0x00300102 3145986\", \"rssi_dbm\": "
                           "-[0-9]+, \"seconds\": [0-9]+, \"sleeps\": true\\}")))
      << json.out;
  EXPECT_EQ(json.out.front(), '[');
  EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
}

// --- read and write ----------------------------------------------------------------------------

TEST_F(CliTest, ReadAndWriteThroughTheQueues) {
  // Device ID 1268 and hardware 120 of the Quadrel-B (registers 5 and 6), as register text
  // lines: numbered from 1.
  const Outcome read = Cli({"read", "0x01400603", "5", "2", "--simulate"});
  ASSERT_EQ(read.code, kExitOk) << read.err;
  EXPECT_EQ(read.out, "6 0x04F4\n7 0x0078\n");

  const Outcome write =
      Cli({"write", "0x01400603", "0x8", "0x4142", "-2", "--eeprom", "--simulate"});
  ASSERT_EQ(write.code, kExitOk) << write.err;
  EXPECT_EQ(write.out, "9 0x4142\n10 0xFFFE\nWrite to EEPROM successfull\n");

  // A device that sleeps behind its gateway: its cached copy answers.
  const Outcome cached =
      Cli({"read", "0x00300102", "5", "--via", "0x00800101", "--cache", "--simulate"});
  ASSERT_EQ(cached.code, kExitOk) << cached.err;
  EXPECT_EQ(cached.out, "6 0x045B\n");

  // A write the device refuses (registers past its map) is told as a refusal, not a time-out.
  const Outcome refused = Cli({"write", "0x01400603", "60000", "1", "--simulate"});
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_EQ(refused.out, "");
  EXPECT_THAT(refused.err, HasSubstr("0x01400603 refused the write of registers 60000..60000 "
                                     "(status 1)\n"));
  EXPECT_THAT(refused.err, Not(HasSubstr("time-out")));

  // --eeprom with --cache is refused before anything is written.
  const Outcome both = Cli({"write", "0x00300102", "8", "0x4142", "--via", "0x00800101", "--cache",
                            "--eeprom", "--simulate"});
  EXPECT_EQ(both.code, kExitUsage);
  EXPECT_EQ(both.out, "");
  EXPECT_THAT(both.err, HasSubstr("does not go with --cache"));
}

// What read prints is a register text file: saved and imported, it lands on the registers read.
TEST_F(CliTest, ReadOutputImportsOntoTheSameRegisters) {
  const Outcome read = Cli({"read", "0x01400603", "8", "8", "--simulate"});
  ASSERT_EQ(read.code, kExitOk) << read.err;
  const auto file = dir_ / "name.txt";
  std::ofstream(file) << read.out;
  std::vector<uint16_t> expected = RecordOf(0x01400603);
  std::istringstream lines(read.out);
  unsigned number = 0;
  unsigned value = 0;
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    ASSERT_EQ(std::sscanf(line.c_str(), "%u 0x%X", &number, &value), 2) << line;
    ASSERT_EQ(number, 9u + static_cast<unsigned>(count));
    expected[number - 1] = static_cast<uint16_t>(value);
  }
  ASSERT_EQ(count, 8);
  const Outcome imported = Cli({"project", "import", project_, "0x01400603", file.string()});
  ASSERT_EQ(imported.code, kExitOk) << imported.err;
  EXPECT_EQ(RecordOf(0x01400603), expected);
}

TEST_F(CliTest, ReadOfADeviceThatDoesNotAnswerTimesOut) {
  // The Quadrel-X sleeps: after the queue's retries the read is given up.
  const Outcome run = Cli({"read", "0x00B00601", "0", "--simulate"});
  EXPECT_EQ(run.code, kExitTimeout);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr("No answer from 0x00B00601 to the read (time-out)"));
  EXPECT_THAT(run.err, HasSubstr("The device sleeps"));
}

// --- project ---------------------------------------------------------------------------------

TEST_F(CliTest, ProjectShowExportImport) {
  const Outcome show = Cli({"project", "show", project_});
  ASSERT_EQ(show.code, kExitOk) << show.err;
  EXPECT_THAT(show.out, HasSubstr("Project:   Demo network\n"));
  Project loaded;
  ASSERT_EQ(LoadProjectFile(project_, loaded).status, ProjectLoadResult::Status::kOk);
  EXPECT_THAT(show.out, HasSubstr(std::to_string(loaded.DeviceCount()) + " devices\n"));
  EXPECT_TRUE(std::regex_search(show.out, std::regex("0x01400603  Quadrel-B +.* 59 words\n")));
  const Outcome json = Cli({"project", "show", project_, "--json"});
  ASSERT_EQ(json.code, kExitOk);
  EXPECT_THAT(json.out, HasSubstr("{\"name\": \"Demo network\", "));
  EXPECT_THAT(json.out, HasSubstr("{\"address\": \"0x01400603\", \"type\": \"Quadrel-B\", "));

  const std::vector<uint16_t> before = RecordOf(0x01400603);
  const auto out_txt = dir_ / "quadrel-b.txt";
  const Outcome exported = Cli({"project", "export", project_, "0x01400603", out_txt.string()});
  ASSERT_EQ(exported.code, kExitOk) << exported.err;
  const std::string text = ReadText(out_txt);
  EXPECT_EQ(
      text.substr(0, text.find('\n') + 1), "1 " + [&] {
        char v[16];
        std::snprintf(v, sizeof v, "0x%04X\r\n", before[0]);
        return std::string(v);
      }());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(before.size()));

  // Another model's file: word 0 differs. Refused without --yes, and the project stays.
  const auto in_txt = dir_ / "other.txt";
  std::ofstream(in_txt) << "1 0x1234\n9 0x4142\n6 0x9999\n";
  const Outcome refused = Cli({"project", "import", project_, "0x01400603", in_txt.string()});
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_THAT(refused.err, HasSubstr("model code 0x1234, this device has"));
  EXPECT_EQ(RecordOf(0x01400603), before);

  const Outcome taken =
      Cli({"project", "import", project_, "0x01400603", in_txt.string(), "--yes"});
  ASSERT_EQ(taken.code, kExitOk) << taken.err;
  const std::vector<uint16_t> after = RecordOf(0x01400603);
  EXPECT_EQ(after[8], 0x4142);
  // The identity words (model code, device ID) stay the device's own.
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[5], before[5]);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "new_project.cvp"));
}

TEST_F(CliTest, ProjectFailures) {
  const Outcome missing = Cli({"project", "show", (dir_ / "nothere.cvp").string()});
  EXPECT_EQ(missing.code, kExitBadFile);
  EXPECT_THAT(missing.err, HasSubstr("could not be opened"));

  std::ofstream(dir_ / "short.cvp") << "not a project";
  const Outcome invalid = Cli({"project", "show", (dir_ / "short.cvp").string()});
  EXPECT_EQ(invalid.code, kExitBadFile);
  EXPECT_THAT(invalid.err, HasSubstr("Invalid file"));

  const Outcome stranger = Cli({"project", "export", project_, "0x01400699", "x.txt"});
  EXPECT_EQ(stranger.code, kExitNotInProject);
  EXPECT_THAT(stranger.err, HasSubstr("Device 0x01400699 is not in the project"));

  const std::vector<uint16_t> before = RecordOf(0x01400603);
  std::ofstream(dir_ / "broken.txt") << "1 0x0192\n9\n";
  const Outcome broken =
      Cli({"project", "import", project_, "0x01400603", (dir_ / "broken.txt").string()});
  EXPECT_EQ(broken.code, kExitBadFile);
  EXPECT_THAT(broken.err, HasSubstr("parse error on line 2"));
  EXPECT_EQ(RecordOf(0x01400603), before);

  const Outcome unreadable =
      Cli({"project", "import", project_, "0x01400603", (dir_ / "none.txt").string()});
  EXPECT_EQ(unreadable.code, kExitBadFile);

  const Outcome no_dir =
      Cli({"project", "export", project_, "0x01400603", (dir_ / "no" / "x.txt").string()});
  EXPECT_EQ(no_dir.code, kExitBadFile);
  EXPECT_THAT(no_dir.err, HasSubstr("File could not be opened"));
}

// --- fw-update -------------------------------------------------------------------------------

TEST_F(CliTest, FirmwareUpdateOfABatchWithAFailingTarget) {
  // The Duplon-A answers but is another device: the container check refuses it, the rest goes on.
  const Outcome run = Cli({"fw-update", Example("firmware/quadrel-b_4.10.bin"), "0x00700104",
                           "0x01400603", "--simulate"});
  EXPECT_EQ(run.code, kExitFailed) << run.err;
  EXPECT_THAT(run.err, HasSubstr("0x00700104: Container is not for this device"));
  EXPECT_THAT(run.err, HasSubstr("Update Complete"));
  // Plain progress lines, not a bar, when standard output is no terminal.
  EXPECT_THAT(run.out, HasSubstr("0x01400603 50%\n"));
  EXPECT_THAT(run.out, Not(HasSubstr("\r")));
  EXPECT_TRUE(std::regex_search(
      run.out, std::regex("0x00700104  failed  [0-9.]+ +- +[0-9.]+ s  Container is not for this "
                          "device\n0x01400603  ok      4\\.02   4\\.10 +[0-9.]+ s")))
      << run.out;
  EXPECT_THAT(run.out, HasSubstr("1 of 2 updated\n"));
}

// Every block acknowledged is not yet an update: an image that does not start leaves the node in
// its bootloader, and without the new version read back the target has failed.
TEST_F(CliTest, FirmwareUpdateIsConfirmedByTheVersionReadBack) {
  std::ifstream in(Example("firmware/quadrel-b_4.10.bin"), std::ios::binary);
  std::vector<uint8_t> good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(good.size(), 512u);
  const ContainerHeader header =
      ParseHeader(std::span<const uint8_t>(good).first<kContainerHeaderBytes>());
  // The same header over an image the node's bootloader does not recognise as an application.
  const std::vector<uint8_t> image(4096, 0x5A);
  const std::vector<uint8_t> broken = MakeContainer(header, image);
  const auto file = dir_ / "no-start.bin";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(broken.data()),
             static_cast<std::streamsize>(broken.size()));
  const Outcome run = Cli({"fw-update", file.string(), "0x01400603", "--simulate"});
  EXPECT_EQ(run.code, kExitFailed) << run.err;
  EXPECT_THAT(run.err, HasSubstr("Update Complete"));
  EXPECT_THAT(run.out, HasSubstr("0x01400603  failed  4.02   4.02 "));
  EXPECT_THAT(run.out,
              HasSubstr("written, but the target did not report version 4.10 after the restart\n"));
  EXPECT_THAT(run.out, HasSubstr("0 of 1 updated\n"));
}

TEST_F(CliTest, FirmwareDowngradeOnlyWithYes) {
  const std::string older = Example("firmware/quadrel-b_3.90.bin");
  const Outcome refused = Cli({"fw-update", older, "0x01400603", "--simulate"});
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_THAT(refused.err, HasSubstr("Downgrade?: Firmware in device is newer"));
  EXPECT_THAT(refused.out, HasSubstr("downgrade refused (--yes allows it)"));

  const Outcome allowed = Cli({"fw-update", older, "0x01400603", "--yes", "--simulate"});
  EXPECT_EQ(allowed.code, kExitOk) << allowed.err;
  EXPECT_THAT(allowed.out, HasSubstr("ok      4.02   3.90"));

  const Outcome missing =
      Cli({"fw-update", (dir_ / "none.bin").string(), "0x01400603", "--simulate"});
  EXPECT_EQ(missing.code, kExitBadFile);
  EXPECT_THAT(missing.err, HasSubstr("not found"));
}

// --- monitor ---------------------------------------------------------------------------------

TEST_F(CliTest, MonitorPrintsTheFramesAndCapturesThem) {
  const auto pcap = dir_ / "air.pcap";
  const Outcome run = Cli({"monitor", "--seconds", "8", "--pcap", pcap.string(), "--simulate"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  // "mm:ss -074dBm 0x01700503 -> 0x00000000 id:0x0041 01 04 ..."
  const std::regex line(
      "([0-9]{2}):([0-9]{2}) (-?[0-9]{3,4})dBm 0x([0-9A-F]{8}) -> 0x([0-9A-F]{8}) "
      "id:0x([0-9A-F]{4})( [0-9A-F]{2})+\n");
  std::smatch first;
  ASSERT_TRUE(std::regex_search(run.out, first, line)) << run.out;
  const long lines = std::count(run.out.begin(), run.out.end(), '\n');
  EXPECT_THAT(run.err, HasSubstr(std::to_string(lines) + (lines == 1 ? " frame" : " frames") +
                                 " heard, written to "));

  // One packet per line; the first carries the first line's source, destination, id and RSSI.
  const std::string bytes = ReadText(pcap);
  ASSERT_GT(bytes.size(), 24u + 16u + 12u);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  long packets = 0;
  for (size_t at = 24; at + 16 <= bytes.size(); at += 16 + GetU32(data + at + 8)) ++packets;
  EXPECT_EQ(packets, lines);
  const uint8_t* header = data + 24 + 16;
  EXPECT_EQ(header[0], 1);
  EXPECT_EQ(GetU32(header + 1), std::stoul(first[4].str(), nullptr, 16));
  EXPECT_EQ(GetU32(header + 5), std::stoul(first[5].str(), nullptr, 16));
  EXPECT_EQ(GetU16(header + 9), std::stoul(first[6].str(), nullptr, 16));
  EXPECT_EQ(static_cast<int8_t>(header[11]), std::stoi(first[3].str()));
}

TEST_F(CliTest, MonitorRefusesACaptureFileItCannotCreate) {
  const Outcome run =
      Cli({"monitor", "--seconds", "1", "--pcap", (dir_ / "no" / "a.pcap").string(), "--simulate"});
  EXPECT_EQ(run.code, kExitBadFile);
  EXPECT_THAT(run.err, HasSubstr("could not be created"));
}

}  // namespace
}  // namespace corvane::cli
