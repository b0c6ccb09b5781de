// A fake dongle behind the HidApi seam. Tests plug, unplug and script FakeDongles from the test
// thread while the transport's I/O thread reads and writes them, so every field is guarded.
// Each handle also notices when two threads are inside its calls at once, which hidapi does not
// survive.
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid/hid_api.h"
#include "link/transport.h"

namespace corvane::hid::testing {

struct FakeDongle {
  explicit FakeDongle(std::string node, std::u16string serial = u"C0FFEE01", int collections = 1)
      : path(std::move(node)), serial_number(std::move(serial)), collections(collections) {}

  const std::string path;
  const std::u16string serial_number;
  const int collections;  // how many entries hidapi lists for the node

  std::mutex mutex;
  std::condition_variable changed;
  bool present = true;
  int deny_opens = 0;  // this many opens fail with `deny_code` first
  int deny_code = EACCES;
  int failing_writes = 0;      // this many writes fail (-1) first
  bool hold_reads = false;     // a read blocks, ignoring its timeout, until this is cleared
  bool hold_writes = false;    // likewise for a write
  std::deque<Report> inbound;  // what the dongle sends, oldest first
  int short_reads = 0;         // this many reads return 10 bytes first
  std::vector<std::vector<uint8_t>> written;  // every write that succeeded
  int write_calls = 0;
  int read_calls = 0;
  int empty_reads = 0;  // reads that ended with nothing to return
  int open_calls = 0;
  int open_handles = 0;
  bool in_held_call = false;  // a call is blocked on hold_reads or hold_writes now

  template <typename F>
  void Set(F change) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      change(*this);
    }
    changed.notify_all();
  }
  template <typename F>
  auto Get(F read) {
    std::lock_guard<std::mutex> lock(mutex);
    return read(static_cast<const FakeDongle&>(*this));
  }
  // Waits (generously) until `done` holds; false if it never does.
  template <typename F>
  bool WaitUntil(F done) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10),
                            [&] { return done(static_cast<const FakeDongle&>(*this)); });
  }
};

class FakeHandle : public HidDevice {
 public:
  FakeHandle(std::shared_ptr<FakeDongle> dongle, std::shared_ptr<std::atomic<bool>> overlap)
      : dongle_(std::move(dongle)), overlap_(std::move(overlap)) {}
  ~FakeHandle() override {
    Enter();
    dongle_->Set([](FakeDongle& d) { --d.open_handles; });
    Leave();
  }

  int Write(const uint8_t* data, size_t length) override {
    Enter();
    std::unique_lock<std::mutex> lock(dongle_->mutex);
    ++dongle_->write_calls;
    if (dongle_->hold_writes) {
      dongle_->in_held_call = true;
      dongle_->changed.notify_all();
      dongle_->changed.wait(lock, [&] { return !dongle_->hold_writes; });
      dongle_->in_held_call = false;
    }
    int result = -1;
    if (!dongle_->present) {
      error_ = u"No such device";
    } else if (dongle_->failing_writes > 0) {
      --dongle_->failing_writes;
      error_ = u"Connection timed out";
    } else {
      dongle_->written.emplace_back(data, data + length);
      result = static_cast<int>(length);
    }
    lock.unlock();
    dongle_->changed.notify_all();
    Leave();
    return result;
  }

  int ReadTimeout(uint8_t* data, size_t length, int ms) override {
    Enter();
    std::unique_lock<std::mutex> lock(dongle_->mutex);
    ++dongle_->read_calls;
    if (dongle_->hold_reads) {
      dongle_->in_held_call = true;
      dongle_->changed.notify_all();
      dongle_->changed.wait(lock, [&] { return !dongle_->hold_reads; });
      dongle_->in_held_call = false;
    } else if (dongle_->present && dongle_->inbound.empty() && ms > 0) {
      dongle_->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                [&] { return !dongle_->present || !dongle_->inbound.empty(); });
    }
    int result = 0;
    if (!dongle_->present) {
      error_ = u"hid_read_timeout: unexpected poll error (device disconnected)";
      result = -1;
    } else if (dongle_->short_reads > 0 && !dongle_->inbound.empty()) {
      --dongle_->short_reads;
      dongle_->inbound.pop_front();
      result = 10;
    } else if (!dongle_->inbound.empty()) {
      const Report& next = dongle_->inbound.front();
      result = static_cast<int>(std::min(length, next.size()));
      std::copy(next.begin(), next.begin() + result, data);
      dongle_->inbound.pop_front();
    } else {
      ++dongle_->empty_reads;
    }
    lock.unlock();
    dongle_->changed.notify_all();
    Leave();
    return result;
  }

  std::u16string Error() override { return error_; }

 private:
  void Enter() {
    if (busy_.exchange(true)) overlap_->store(true);
  }
  void Leave() { busy_.store(false); }

  std::shared_ptr<FakeDongle> dongle_;
  std::shared_ptr<std::atomic<bool>> overlap_;
  std::atomic<bool> busy_{false};
  std::u16string error_;
};

class FakeHidApi : public HidApi {
 public:
  std::shared_ptr<FakeDongle> Plug(std::string path, std::u16string serial = u"C0FFEE01",
                                   int collections = 1) {
    auto dongle = std::make_shared<FakeDongle>(std::move(path), std::move(serial), collections);
    std::lock_guard<std::mutex> lock(mutex_);
    dongles_.push_back(dongle);
    return dongle;
  }

  // The dongle leaves the bus: its handles fail from now on and it no longer enumerates.
  void Unplug(const std::shared_ptr<FakeDongle>& dongle) {
    dongle->Set([](FakeDongle& d) { d.present = false; });
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase(dongles_, dongle);
  }

  // Something else on the bus that the transport must not pick.
  void PlugOther(std::string path, uint16_t vendor, uint16_t product) {
    HidDeviceInfo info;
    info.path = std::move(path);
    info.vendor_id = vendor;
    info.product_id = product;
    std::lock_guard<std::mutex> lock(mutex_);
    others_.push_back(std::move(info));
  }

  std::vector<HidDeviceInfo> Enumerate(uint16_t vendor_id, uint16_t product_id) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HidDeviceInfo> found;
    for (const auto& dongle : dongles_) {
      for (int c = 0; c < dongle->collections; ++c) {
        HidDeviceInfo info;
        info.path = dongle->path;
        info.vendor_id = 0x0483;
        info.product_id = 0xA283;
        info.serial_number = dongle->serial_number;
        info.usage_page = static_cast<uint16_t>(0xFF00 + c);
        info.usage = 1;
        info.interface_number = 0;
        found.push_back(info);
      }
    }
    // Like hidapi, 0 matches any vendor or product.
    for (const HidDeviceInfo& other : others_) {
      if ((vendor_id == 0 || other.vendor_id == vendor_id) &&
          (product_id == 0 || other.product_id == product_id)) {
        found.push_back(other);
      }
    }
    return found;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) override {
    std::shared_ptr<FakeDongle> dongle;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      opened_paths_.push_back(path);
      for (const auto& d : dongles_) {
        if (d->path == path) dongle = d;
      }
    }
    if (!dongle) {
      error.code = ENOENT;
      error.text = u"Failed to open a device: No such file or directory";
      return nullptr;
    }
    std::unique_lock<std::mutex> lock(dongle->mutex);
    ++dongle->open_calls;
    if (dongle->deny_opens > 0) {
      --dongle->deny_opens;
      error.code = dongle->deny_code;
      error.text = u"Failed to open a device: Permission denied";
      return nullptr;
    }
    ++dongle->open_handles;
    return std::make_unique<FakeHandle>(dongle, overlap_);
  }

  std::vector<std::string> opened_paths() {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_paths_;
  }
  // True once two threads were inside the calls of one handle at the same time.
  bool overlap_seen() const { return overlap_->load(); }

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<FakeDongle>> dongles_;
  std::vector<HidDeviceInfo> others_;
  std::vector<std::string> opened_paths_;
  std::shared_ptr<std::atomic<bool>> overlap_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace corvane::hid::testing
