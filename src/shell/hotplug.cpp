#include "shell/hotplug.h"

#include <libudev.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace corvane {
namespace {

// udevd's control socket: without a running udevd a monitor opens fine but never hears anything.
constexpr char kUdevControl[] = "/run/udev/control";

}  // namespace

HotplugMonitor::HotplugMonitor(ListDevices list, std::function<void()> on_change)
    : list_(std::move(list)), on_change_(std::move(on_change)) {}

HotplugMonitor::~HotplugMonitor() {
  notifier_.reset();
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

void HotplugMonitor::Start(Source source, int poll_ms) {
  if (source == Source::kUdevOrPoll && StartUdev()) return;
  last_ = Listed();
  timer_ = std::make_unique<QTimer>();
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Poll(); });
  timer_->start(poll_ms);
}

bool HotplugMonitor::StartUdev() {
  if (::access(kUdevControl, F_OK) != 0) return false;
  udev_ = udev_new();
  if (udev_ == nullptr) return false;
  // The "udev" source delivers events after the rules ran, so the node's access rights are
  // already in place when the dongle is opened.
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    udev_unref(udev_);
    udev_ = nullptr;
    return false;
  }
  notifier_ =
      std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnUdevEvent(); });
  return true;
}

void HotplugMonitor::OnUdevEvent() {
  udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return;
  const char* action = udev_device_get_action(device);
  // "change" too: installing the udev rule and running "udevadm trigger" sends one, and the
  // dongle should then be found without replugging it.
  const bool relevant =
      action != nullptr && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
                            std::strcmp(action, "change") == 0);
  udev_device_unref(device);
  if (relevant) on_change_();
}

std::vector<std::string> HotplugMonitor::Listed() const {
  std::vector<std::string> listed = list_();
  std::sort(listed.begin(), listed.end());
  return listed;
}

void HotplugMonitor::Poll() {
  std::vector<std::string> now = Listed();
  if (now == last_) return;
  last_ = std::move(now);
  on_change_();
}

}  // namespace corvane
