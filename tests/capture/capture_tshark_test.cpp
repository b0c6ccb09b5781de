// A capture of the simulated demo network, written frame by frame as the dongle reports what it
// hears, read back by tshark with the dissector: every field must come out as it went in.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/capture_file.h"
#include "link/consumers.h"
#include "link/message_layer.h"
#include "sim/demo_network.h"
#include "sim/sim_transport.h"

namespace corvane::capture {
namespace {

namespace fs = std::filesystem;

// The tool's side: the real message layer on the simulated USB link; every heard frame goes into
// the capture and into the line tshark must print for it.
class Recorder : public ReportSink, public HeardFrameHandler {
 public:
  Recorder(sim::Simulator& sim, CaptureFile& file)
      : sim_(sim), transport_(sim), layer_(transport_), file_(file) {
    layer_.SetHeardFrameHandler(this);
    std::u16string identity;
    connected = transport_.Discover(identity) && transport_.Open(this);
  }
  ~Recorder() override { transport_.Close(); }

  void OnReport(const Report& report) override {
    layer_.ProcessBuffer(ADDR_DONGLE, report.data(), static_cast<int>(report.size()));
  }

  void OnTraffic(RfAddress, const TrafficFrame& frame) override {
    // A wall-clock start with microseconds, plus the simulator's milliseconds.
    const int64_t unix_us = 1'717'171'717'654'321 + static_cast<int64_t>(sim_.Now()) * 1000;
    if (!file_.Write(
            {unix_us, frame.source, frame.destination, frame.frame_id, frame.rssi, frame.bytes})) {
      ++write_failures;
    }
    // tshark prints field values in lower-case hex.
    char head[160];
    std::snprintf(head, sizeof head, "%lld.%06lld000\t1\t0x%08x\t0x%08x\t0x%04x\t%d\t",
                  static_cast<long long>(unix_us / 1000000),
                  static_cast<long long>(unix_us % 1000000), frame.source, frame.destination,
                  frame.frame_id, frame.rssi);
    std::string line = head;
    for (uint8_t b : frame.bytes) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", b);
      line += hex;
    }
    lines += line + "\n";
    ++frames;
    if (frame.destination != 0) ++addressed;
  }

  bool connected = false;
  int frames = 0;
  int addressed = 0;
  int write_failures = 0;
  std::string lines;
  MessageLayer& layer() { return layer_; }

 private:
  sim::Simulator& sim_;
  sim::SimTransport transport_;
  MessageLayer layer_;
  CaptureFile& file_;
};

TEST(CaptureTshark, SimulatedTrafficReadsBackWithTheDissectorFieldForField) {
  ASSERT_EQ(std::system("command -v tshark >/dev/null 2>&1"), 0)
      << "tshark is not installed; scripts/install-deps.sh installs it (CI runs that first)";

  const fs::path dir = fs::temp_directory_path() / "corvane_capture_tshark";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path capture = dir / "demo.pcap";
  const fs::path errors_path = dir / "tshark.err";

  CaptureFile file;
  std::string error;
  ASSERT_TRUE(file.Open(capture.string(), error)) << error;
  sim::Simulator sim;
  sim::demo::Build(sim);
  Recorder recorder(sim, file);
  ASSERT_TRUE(recorder.connected);
  // A register read makes a node answer the dongle (a frame with a destination); in the minute
  // after it every node sends its periodic status.
  sim.AdvanceBy(1000);
  const uint8_t read[] = {0x6A, 3, 0, 0, 8};
  recorder.layer().SendMsg(sim::demo::kInputB, read, sizeof read, false);
  sim.AdvanceBy(61000);
  file.Close();
  ASSERT_GE(recorder.frames, 20);
  EXPECT_GT(recorder.addressed, 0);
  EXPECT_EQ(recorder.write_failures, 0);

  const std::string command =
      "tshark -r '" + capture.string() + "' -X 'lua_script:" CORVANE_CAPTURE_DISSECTOR "'" +
      " -T fields -E separator=/t -e frame.time_epoch -e corvane.version -e corvane.src"
      " -e corvane.dst -e corvane.frame_id -e corvane.rssi -e data.data 2>'" +
      errors_path.string() + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = ::pclose(pipe);
  std::ifstream errors_file(errors_path);
  const std::string errors{std::istreambuf_iterator<char>(errors_file),
                           std::istreambuf_iterator<char>()};
  ASSERT_EQ(status, 0) << command << "\n" << errors;
  // A copy of corvane.lua in Wireshark's plugin folders would load as well and clash with it.
  EXPECT_EQ(errors.find("Lua"), std::string::npos) << errors;
  EXPECT_EQ(out, recorder.lines);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane::capture
