// A command's running program: the transport (the USB dongle, or the simulated network), the main
// window's core on a ConsoleHost, and taps on the register data and heard frames the message
// layer hands out, so a command sees what the dialogs would see without a dialog of its own.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "cli/console_host.h"
#include "link/consumers.h"
#include "link/hid/hid_api.h"
#include "link/hid/hid_transport.h"
#include "sim/dongle.h"
#include "sim/simulator.h"

namespace corvane::cli {

// What runs behind the commands; tests put a fake USB stack in.
struct CliEnvironment {
  // The USB side; null = the system's hidapi.
  hid::HidApi* hid_api = nullptr;
  hid::HidTransportOptions hid_options;
  // With --simulate: changes the simulated network before the command runs (tests give it a
  // dongle another program holds, and the like).
  std::function<void(sim::Simulator&)> prepare_simulation;
  // With --simulate: looks at the network once the command has left it (tests check what the
  // dongle was left holding).
  std::function<void(sim::Simulator&)> finish_simulation;
};

struct TransportOptions {
  bool simulate = false;
  // Quadrel-B input nodes added to the simulated network beside the demo devices.
  int sim_batch = 0;
  // --take-over: a dongle whose in-use flag is set (another program, or a run that was killed
  // before it could release it) is used anyway instead of ending with exit code 5.
  bool take_over = false;
};

// The first address of the nodes --sim-batch adds (one after another from here).
inline constexpr RfAddress kSimBatchFirst = 0x01400700;
// The simulated network has run this long when a command starts, so its devices have been heard
// once, as those of a real site have when the tool is plugged in.
inline constexpr int64_t kSimWarmUpMs = 120'000;

// The main window as the command line runs it: it counts the heard-list reads it completes.
class CliWindow : public CCorvaneDlg {
 public:
  using CCorvaneDlg::CCorvaneDlg;
  void OnHeardListBlock(bool complete) override;
  int heard_list_reads() const { return heard_list_reads_; }
  // With --take-over the question about a dongle in use is answered Yes, and said on `note`.
  void AskSharedDongle() override;
  void set_take_over(std::ostream* note) { take_over_note_ = note; }

 private:
  int heard_list_reads_ = 0;
  std::ostream* take_over_note_ = nullptr;
};

// Register data and acknowledgements on their way to the open device dialogs.
class RegisterTap : public RegisterFanOut {
 public:
  using DataFn = std::function<void(RfAddress source, uint16_t first, int count,
                                    const uint16_t* words, bool from_cache)>;
  using AckFn = std::function<void(RfAddress source, uint16_t first, int count, bool from_cache)>;
  explicit RegisterTap(RegisterFanOut& inner) : inner_(inner) {}
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override;
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;
  void OnWriteRefused(RfAddress source, uint16_t first, int count, uint8_t status,
                      bool from_cache) override;
  DataFn on_data;
  AckFn on_ack;
  std::function<void(RfAddress source, uint16_t first, int count, uint8_t status, bool from_cache)>
      on_refused;

 private:
  RegisterFanOut& inner_;
};

// Heard frames on their way to the main window's heard list.
class FrameTap : public HeardFrameHandler {
 public:
  explicit FrameTap(HeardFrameHandler& inner) : inner_(inner) {}
  void OnTraffic(RfAddress reporter, const TrafficFrame& frame) override;
  std::function<void(const TrafficFrame&)> on_frame;

 private:
  HeardFrameHandler& inner_;
};

class Session {
 public:
  Session(ConsoleHost& host, std::ostream& err, const TransportOptions& options,
          const CliEnvironment& env);
  ~Session();

  // Opens the main window and waits until the dongle answers; kExitOk, or an exit code after
  // saying on standard error why not.
  int Connect();
  // Leaves as the main window's close box does: the dongle's in-use flag is released.
  void Leave();

  ConsoleHost& host() { return host_; }
  CliWindow& window() { return *window_; }
  sim::Simulator* simulator() { return sim_.get(); }
  RegisterTap& registers() { return *registers_; }
  FrameTap& frames() { return *frames_; }

 private:
  ConsoleHost& host_;
  std::ostream& err_;
  MemoryProfile profile_;
  std::unique_ptr<sim::Simulator> sim_;
  std::function<void(sim::Simulator&)> env_finish_;
  std::unique_ptr<hid::HidApi> system_hid_;
  hid::HidTransport* hid_ = nullptr;  // the USB dongle unless simulated
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<CliWindow> window_;
  std::unique_ptr<RegisterTap> registers_;
  std::unique_ptr<FrameTap> frames_;
  bool left_ = false;
};

}  // namespace corvane::cli
