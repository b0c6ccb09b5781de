// The simulated network as one object: its clock, the air, the dongle (and a second one with
// another identity), the nodes, the USB link to the tool with its delays, the injected faults and
// the protocol checker. It runs on the host's thread: the host calls AdvanceTo from its timer (in
// real time in the program, in virtual time in tests), and reports reach the tool's sink from
// inside that call.
//
// The program's --simulate mode:
//   Simulator sim;               // seeded, the first dongle plugged in
//   demo::Build(sim);            // the demo network
//   SimTransport transport(sim); // handed to the dongle connection like the USB transport
//   ... and from a host timer: sim.AdvanceTo(milliseconds since start);
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "link/transport.h"
#include "sim/dongle.h"
#include "sim/event_queue.h"
#include "sim/node.h"
#include "sim/protocol_checker.h"
#include "sim/routing_node.h"
#include "sim/sim_context.h"
#include "sim/sim_random.h"

namespace corvane::sim {

struct SimOptions {
  uint64_t seed = 1;
  // USB: one report per interval each way, each after the latency.
  SimTime usb_interval_ms = 1;
  SimTime usb_latency_ms = 1;
  // Radio: every frame takes its air time (from the channel's data rate) plus this latency.
  SimTime radio_latency_ms = 4;
  // False: frames take no air time either (benchmarks of the USB side alone).
  bool air_time = true;
  // True: a message the dongle has ready while its last report still waits for the in-pipe
  // rides in that report when it fits, as a dongle fills its report buffer (a report is a
  // buffer of messages). False: one report per message.
  bool pack_to_host = true;
  DongleOptions dongle;
};

// Faults a test switches on; every random choice comes from the seeded generator.
struct Faults {
  double loss_to_dongle = 0.0;  // chance that a report from the tool is lost
  double loss_to_host = 0.0;    // chance that a report to the tool is lost
  double radio_loss = 0.0;      // chance that a frame is lost on the air
  int drop_next_to_dongle = 0;  // lose exactly the next N reports from the tool
  int drop_next_to_host = 0;    // lose exactly the next N reports to the tool
  // Lose exactly the reports these pick out (tests aim at one fragment this way).
  std::function<bool(const uint8_t* report, int length)> drop_to_dongle_if;
  std::function<bool(const uint8_t* report, int length)> drop_to_host_if;
  SimTime extra_usb_latency_ms = 0;
  SimTime extra_radio_latency_ms = 0;
};

class Simulator : public SimContext, public HostLink {
 public:
  static constexpr int kDongles = 2;

  explicit Simulator(const SimOptions& options = {});
  ~Simulator() override;
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Clock.
  SimTime Now() const override { return queue_.Now(); }
  SimTime NextEventTime() const { return queue_.NextEventTime(); }
  // Actions waiting in the clock's queue (a long run checks that it stays bounded).
  size_t pending_events() const { return queue_.pending(); }
  void AdvanceTo(SimTime now);
  void AdvanceBy(SimTime ms) { AdvanceTo(Now() + ms); }

  // Network.
  SimNode& AddNode(RfAddress address, const NodeSettings& settings);
  SimNode& AddNode(RfAddress address);
  // A node of a class the type alone does not pick (a transmit-only device, a test's own node).
  SimNode& AddNode(std::unique_ptr<SimNode> node);
  SimNode* FindNode(RfAddress address);
  template <typename T>
  T* FindNodeAs(RfAddress address) {
    return dynamic_cast<T*>(FindNode(address));
  }
  const std::vector<std::unique_ptr<SimNode>>& nodes() const { return nodes_; }
  // Nodes beyond the dongle's reach are heard only by the routing nodes near them.
  void SetInDongleRange(RfAddress address, bool in_range);
  NodeSettings DefaultSettings(RfAddress address);

  // The user's hand.
  bool PressButton(RfAddress address);

  // Dongles: the first is plugged in at the start.
  SimDongle& dongle(int which = 0) { return *dongles_[static_cast<size_t>(which)]; }
  // The plugged dongle, or null.
  SimDongle* plugged();
  void Unplug();
  void Plug(int which = 0);

  // Faults.
  Faults& faults() { return faults_; }
  void SetMute(RfAddress address, bool mute);
  // The plugged dongle refuses the next `count` long transfers from the tool as busy.
  void RefuseTransfers(int count);

  ProtocolChecker& checker() { return checker_; }
  const SimOptions& options() const { return options_; }
  uint64_t frames_on_air() const { return frames_on_air_; }
  uint64_t reports_to_host() const { return reports_to_host_; }
  uint64_t reports_from_host() const { return reports_from_host_; }

  // The tool's side of the USB link, used by SimTransport.
  bool UsbDiscover(std::u16string& identity) const;
  bool UsbOpen(ReportSink* sink);
  bool UsbClose();
  bool UsbIsOpen() const { return sink_ != nullptr; }
  void UsbWrite(const uint8_t* bytes, size_t length);

  // SimContext.
  void At(SimTime when, std::function<void()> action) override;
  void Transmit(const AirFrame& frame) override;
  uint64_t Random() override { return random_.Next(); }
  void Violation(RfAddress where, const std::string& text) override;

  // HostLink: a report from the dongle to the tool.
  void ToHost(const uint8_t* bytes, int length) override;

 private:
  void Deliver(const AirFrame& frame);
  // The faults' verdict on one message to the tool.
  bool LoseToHost(const uint8_t* bytes, int length);
  void ScheduleSecondTick();
  bool InRange(RfAddress address) const;

  SimOptions options_;
  EventQueue queue_;
  SimRandom random_;
  Faults faults_;
  ProtocolChecker checker_;
  std::array<std::unique_ptr<SimDongle>, kDongles> dongles_;
  int plugged_ = 0;  // -1 = none
  uint64_t usb_generation_ = 0;
  ReportSink* sink_ = nullptr;
  SimTime usb_to_dongle_free_ = 0;
  SimTime usb_to_host_free_ = 0;
  // The report to the tool that waits for its slot on the in-pipe (null once delivered).
  struct PendingReport {
    Report bytes{};
    int used = 0;
    bool closed = false;  // nothing may join it (a heard frame, or a message to the end)
  };
  std::shared_ptr<PendingReport> pending_to_host_;
  std::vector<std::unique_ptr<SimNode>> nodes_;
  std::unordered_map<RfAddress, SimNode*> by_address_;
  std::vector<SimNode*> routers_;
  std::unordered_map<RfAddress, bool> out_of_range_;
  uint64_t frames_on_air_ = 0;
  uint64_t reports_to_host_ = 0;
  uint64_t reports_from_host_ = 0;
};

}  // namespace corvane::sim
