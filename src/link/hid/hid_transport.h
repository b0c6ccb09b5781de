// The real dongle: a Transport over hidapi's hidraw backend.
//
// One I/O thread owns the open handle and makes every hidapi call on it: it writes what the TX
// ring holds (one report per write, up to 4 attempts 1 ms apart, then the report is dropped) and
// reads in 1 ms slices in between, which is also the writer's 1 ms poll when the ring is empty.
// hidapi rewrites a per-handle error string on every read and write, so a reader and a writer
// thread failing together (as on unplug) would free that string under each other; one owner
// thread rules that out. The ring keeps its single producer (the UI thread, through Enqueue) and
// single consumer (the I/O thread).
//
// Everything but the sink's OnReport runs on the UI thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/hid/hid_api.h"
#include "link/transport.h"
#include "link/tx_ring.h"

namespace corvane::hid {

inline constexpr uint16_t kDongleVendorId = 0x0483;
inline constexpr uint16_t kDongleProductId = 0xA283;

// The udev rule that gives the logged-in user access to the dongle, as packaged in
// 60-corvane.rules, and the command that installs it by hand.
inline constexpr char16_t kUdevRule[] =
    uR"(KERNEL=="hidraw*", ATTRS{idVendor}=="0483", ATTRS{idProduct}=="a283", TAG+="uaccess")";
inline constexpr char16_t kUdevRuleInstallCommand[] =
    uR"(echo 'KERNEL=="hidraw*", ATTRS{idVendor}=="0483", ATTRS{idProduct}=="a283", TAG+="uaccess"' | sudo tee /etc/udev/rules.d/60-corvane.rules && sudo udevadm control --reload-rules && sudo udevadm trigger)";

enum class Problem : uint8_t {
  kNone,
  kPermission,  // the dongle is there but this user may not open it
  kOpenFailed,  // the dongle is there but would not open for another reason
};

struct HidTransportOptions {
  int read_slice_ms = 1;
  int write_attempts = 4;
  int write_retry_pause_ms = 1;
  // A dongle plugged in a moment ago may refuse opening until udev has applied its access
  // rights; one seen for the first time is tried this often, this far apart.
  int open_attempts = 5;
  int open_retry_pause_ms = 250;
  // Close waits this long for the I/O thread; a thread stuck in a call is left to end on its own.
  int close_wait_ms = 400;
};

class HidTransport : public Transport {
 public:
  explicit HidTransport(HidApi& api, HidTransportOptions options = {});
  ~HidTransport() override;
  HidTransport(const HidTransport&) = delete;
  HidTransport& operator=(const HidTransport&) = delete;

  // Enumerates afresh and, unless the dongle is open already, opens it to be sure it can be
  // used: a dongle that enumerates but cannot be opened counts as not found, with the reason
  // in last_error(). The handle is kept for the Open that follows.
  bool Discover(std::u16string& identity) override;
  bool Open(ReportSink* sink) override;
  bool Close() override;
  bool IsOpen() const override { return open_; }
  void Enqueue(const uint8_t* bytes, size_t length) override;

  // The dongles present now, one entry per device node, in enumeration order.
  std::vector<HidDeviceInfo> Dongles();
  std::vector<std::string> DonglePaths();

  // Why the last Discover or Open could not use a dongle that is present; empty otherwise.
  const std::u16string& last_error() const { return last_error_; }
  Problem problem() const { return problem_; }

  // Called on the UI thread whenever Discover or Open meets a problem, with last_error().
  void SetProblemListener(std::function<void(const std::u16string&)> listener) {
    problem_listener_ = std::move(listener);
  }

  // The identity text of a dongle: vendor, product, serial number and device node, so another
  // dongle, or the same one on another port, reads differently.
  static std::u16string IdentityText(const HidDeviceInfo& info);

 private:
  struct Session;
  static void Run(std::shared_ptr<Session> session);

  std::unique_ptr<HidDevice> OpenDongle(const std::string& path, bool fresh);
  void SetProblem(Problem problem, std::u16string text);
  void StopSession();
  void ReapAbandoned(bool wait);

  HidApi& api_;
  const HidTransportOptions options_;
  std::unique_ptr<TxRing> ring_ = std::make_unique<TxRing>();
  bool open_ = false;
  std::string path_;
  std::unique_ptr<HidDevice> pending_;  // opened by Discover, taken by Open
  bool enumerated_ = false;
  std::vector<std::string> seen_paths_;  // at the last Discover
  std::shared_ptr<Session> session_;
  std::thread thread_;
  // I/O threads that did not end within close_wait_ms; joined once they have finished.
  std::vector<std::pair<std::thread, std::shared_ptr<Session>>> abandoned_;
  Problem problem_ = Problem::kNone;
  std::u16string last_error_;
  std::function<void(const std::u16string&)> problem_listener_;
};

}  // namespace corvane::hid
