#include "link/hid/hid_transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace corvane::hid {
namespace {

constexpr size_t kIdentityMax = 256;
// Reports read back to back before the ring gets another look, so a stream of input cannot
// hold back what the UI thread queued.
constexpr int kReadsPerTurn = 32;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::u16string Widen(std::string_view text) {
  std::u16string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte < 0x80 ? static_cast<char16_t>(byte) : u'?');
  }
  return out;
}

bool MayPassShortly(int code) { return code == EACCES || code == EPERM || code == EBUSY; }

}  // namespace

// What the UI thread and one I/O thread share while a handle is open. The handoff mutex is
// uncontended except at Close: it makes sure that once Close has passed it, the thread touches
// neither the ring nor the sink again, even if it is still stuck in a hidapi call.
struct HidTransport::Session {
  std::unique_ptr<HidDevice> device;  // used and finally closed by the I/O thread only
  TxRing* ring = nullptr;
  ReportSink* sink = nullptr;
  HidTransportOptions options;
  std::mutex handoff;
  std::atomic<bool> stop{false};
  std::atomic<bool> lost{false};  // a read failed: the device is gone, the handle closed
  std::atomic<bool> finished{false};
};

HidTransport::HidTransport(HidApi& api, HidTransportOptions options)
    : api_(api), options_(options) {}

HidTransport::~HidTransport() {
  if (open_) Close();
  pending_.reset();
  ReapAbandoned(true);
}

std::u16string HidTransport::IdentityText(const HidDeviceInfo& info) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", info.vendor_id, info.product_id);
  std::u16string text = Widen(ids) + u"&SN_" + info.serial_number + u"&PATH_" + Widen(info.path);
  if (text.size() > kIdentityMax) text.resize(kIdentityMax);
  return text;
}

std::vector<HidDeviceInfo> HidTransport::Dongles() {
  std::vector<HidDeviceInfo> dongles;
  for (HidDeviceInfo& info : api_.Enumerate(kDongleVendorId, kDongleProductId)) {
    if (info.vendor_id != kDongleVendorId || info.product_id != kDongleProductId) continue;
    if (info.path.empty()) continue;
    const bool listed = std::any_of(dongles.begin(), dongles.end(),
                                    [&](const HidDeviceInfo& d) { return d.path == info.path; });
    if (!listed) dongles.push_back(std::move(info));
  }
  return dongles;
}

std::vector<std::string> HidTransport::DonglePaths() {
  std::vector<std::string> paths;
  for (const HidDeviceInfo& d : Dongles()) paths.push_back(d.path);
  return paths;
}

bool HidTransport::Discover(std::u16string& identity) {
  problem_ = Problem::kNone;
  last_error_.clear();
  pending_.reset();

  const std::vector<HidDeviceInfo> dongles = Dongles();
  std::vector<std::string> previous = std::move(seen_paths_);
  const bool first = !enumerated_;
  seen_paths_.clear();
  for (const HidDeviceInfo& d : dongles) seen_paths_.push_back(d.path);
  enumerated_ = true;

  if (dongles.empty()) {
    identity.clear();
    return false;
  }
  // Stay with the dongle in use while it is there, so plugging in a second one changes nothing.
  const HidDeviceInfo* chosen = &dongles.front();
  for (const HidDeviceInfo& d : dongles) {
    if (d.path == path_) chosen = &d;
  }
  identity = IdentityText(*chosen);

  if (open_ && session_->lost.load(std::memory_order_acquire) && chosen->path == path_) {
    // Unplugged and back at the same node before anyone closed the dead handle. Start over, so
    // the Open that follows opens the device now behind the node instead of finding the
    // transport busy.
    StopSession();
    open_ = false;
  }
  path_ = chosen->path;
  if (open_) return true;

  // Present at start-up means udev set it up long ago; only a dongle that appeared since the
  // last look gets the retries.
  const bool fresh = !first && std::find(previous.begin(), previous.end(), path_) == previous.end();
  pending_ = OpenDongle(path_, fresh);
  return pending_ != nullptr;
}

std::unique_ptr<HidDevice> HidTransport::OpenDongle(const std::string& path, bool fresh) {
  const int attempts = fresh ? std::max(1, options_.open_attempts) : 1;
  OpenError error;
  for (int attempt = 1;; ++attempt) {
    error = OpenError{};
    if (std::unique_ptr<HidDevice> device = api_.Open(path, error)) return device;
    if (!MayPassShortly(error.code) || attempt >= attempts) break;
    SleepMs(options_.open_retry_pause_ms);
  }
  const std::u16string node = Widen(path);
  if (error.code == EACCES || error.code == EPERM) {
    SetProblem(Problem::kPermission,
               u"The USB dongle is plugged in (" + node +
                   u"), but this user is not allowed to open it.\n\n"
                   u"Install the udev rule 60-corvane.rules, which gives the logged-in user access "
                   u"to the dongle, with this command (replug the dongle if it is not found by "
                   u"itself afterwards):\n\n" +
                   kUdevRuleInstallCommand);
  } else {
    std::u16string detail = error.text;
    if (detail.empty()) detail = Widen(std::strerror(error.code));
    SetProblem(Problem::kOpenFailed,
               u"The USB dongle (" + node + u") could not be opened: " + detail);
  }
  return nullptr;
}

void HidTransport::SetProblem(Problem problem, std::u16string text) {
  problem_ = problem;
  last_error_ = std::move(text);
  if (problem_listener_) problem_listener_(last_error_);
}

bool HidTransport::Open(ReportSink* sink) {
  if (open_ || sink == nullptr) return false;
  ReapAbandoned(false);
  std::unique_ptr<HidDevice> device = std::move(pending_);
  if (!device) {
    // Never reopen a remembered node blindly: after an unplug it may name another device, or
    // none. Enumerate again and open what is there now.
    std::u16string identity;
    if (!Discover(identity)) return false;
    device = std::move(pending_);
  }
  // Reset before the thread exists: whatever was queued for an earlier handle is never sent.
  ring_->Reset();
  session_ = std::make_shared<Session>();
  session_->device = std::move(device);
  session_->ring = ring_.get();
  session_->sink = sink;
  session_->options = options_;
  thread_ = std::thread(Run, session_);
  open_ = true;
  return true;
}

bool HidTransport::Close() {
  if (!open_) return false;
  StopSession();
  open_ = false;
  return true;
}

void HidTransport::StopSession() {
  session_->stop.store(true, std::memory_order_release);
  {
    // Waits out a ring take or a delivery in progress; later ones see the stop flag.
    std::lock_guard<std::mutex> lock(session_->handoff);
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.close_wait_ms);
  while (!session_->finished.load(std::memory_order_acquire) &&
         std::chrono::steady_clock::now() < deadline) {
    SleepMs(1);
  }
  if (session_->finished.load(std::memory_order_acquire)) {
    thread_.join();
  } else {
    // Stuck in a call that does not return in time. It owns its handle and closes it when the
    // call comes back; the ring and the sink are already out of its reach.
    abandoned_.emplace_back(std::move(thread_), session_);
  }
  session_.reset();
}

void HidTransport::ReapAbandoned(bool wait) {
  for (auto it = abandoned_.begin(); it != abandoned_.end();) {
    if (wait || it->second->finished.load(std::memory_order_acquire)) {
      it->first.join();
      it = abandoned_.erase(it);
    } else {
      ++it;
    }
  }
}

void HidTransport::Enqueue(const uint8_t* bytes, size_t length) {
  if (open_) ring_->Push(bytes, length);
}

void HidTransport::Run(std::shared_ptr<Session> session) {
  Session& s = *session;
  uint8_t report[TxRing::kReportBytes];
  corvane::Report received{};
  bool stopping = false;
  while (!stopping && !s.stop.load(std::memory_order_acquire)) {
    int taken = 0;
    {
      std::lock_guard<std::mutex> lock(s.handoff);
      if (s.stop.load(std::memory_order_acquire)) break;
      taken = s.ring->TakeReport(report);
    }
    if (!s.device) {
      // The device is gone: what is queued goes nowhere until the connection logic closes us.
      if (taken == 0) SleepMs(1);
      continue;
    }

    if (taken > 0) {
      for (int attempt = 1; attempt <= s.options.write_attempts; ++attempt) {
        if (s.device->Write(report, sizeof report) == static_cast<int>(sizeof report)) break;
        if (attempt < s.options.write_attempts) SleepMs(s.options.write_retry_pause_ms);
      }
    }

    // With more to write, only take what has already arrived; with nothing to write, the read
    // slice is the 1 ms poll of the ring.
    int wait_ms = taken > 0 ? 0 : s.options.read_slice_ms;
    for (int i = 0; i < kReadsPerTurn; ++i) {
      const int read = s.device->ReadTimeout(received.data(), received.size(), wait_ms);
      if (read < 0) {
        s.lost.store(true, std::memory_order_release);
        s.device.reset();
        break;
      }
      if (read == 0) break;
      // Shorter reads are not reports of this device; they are skipped.
      if (read == static_cast<int>(received.size())) {
        std::lock_guard<std::mutex> lock(s.handoff);
        if (s.stop.load(std::memory_order_acquire)) {
          stopping = true;
          break;
        }
        s.sink->OnReport(received);
      }
      wait_ms = 0;
    }
  }
  s.device.reset();
  s.finished.store(true, std::memory_order_release);
}

}  // namespace corvane::hid
