// Notices dongles coming and going, for the main window's device-change input. Where udev runs,
// its hidraw events are read through a QSocketNotifier on the UI thread; elsewhere (containers,
// systems without udev) the dongles are listed once a second and a change in the list counts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

namespace corvane {

class HotplugMonitor {
 public:
  // The device nodes of the dongles present now; the poll compares successive answers.
  using ListDevices = std::function<std::vector<std::string>()>;
  enum class Source : uint8_t { kUdevOrPoll, kPollOnly };

  // `on_change` runs on the UI thread for every hidraw device added, removed or changed (udev),
  // or whenever the list of dongles differs from the previous poll.
  HotplugMonitor(ListDevices list, std::function<void()> on_change);
  ~HotplugMonitor();
  HotplugMonitor(const HotplugMonitor&) = delete;
  HotplugMonitor& operator=(const HotplugMonitor&) = delete;

  void Start(Source source = Source::kUdevOrPoll, int poll_ms = 1000);
  bool watching_udev() const { return monitor_ != nullptr; }

 private:
  bool StartUdev();
  void OnUdevEvent();
  void Poll();
  std::vector<std::string> Listed() const;

  ListDevices list_;
  std::function<void()> on_change_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QTimer> timer_;
  std::vector<std::string> last_;
};

}  // namespace corvane
