// Device access machinery shared by the main window and the device dialogs: the device-log
// request, the wait for a sleeping device, and the opening of a device's dialog by its type.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "access/dialog_slots.h"
#include "access/request_queues.h"
#include "link/consumers.h"
#include "link/message_layer.h"
#include "model/project.h"
#include "model/type_table.h"
#include "ui/dialog.h"

namespace corvane {

// Sends `message` to `device` as it stands, or, with a route, wrapped in MSG_RF_SEND for the
// routing device to hand on.
void SendThrough(MessageLayer& layer, RfAddress route, RfAddress device,
                 std::span<const uint8_t> message);

// Timer 18 of the main window and the log answer.
class DeviceLog : public DeviceLogHandler {
 public:
  static constexpr int kTimer = 18;
  static constexpr int kTimeoutMs = 1500;

  DeviceLog(ui::Dialog& owner, MessageLayer& layer) : owner_(owner), layer_(layer) {}

  // Sends the log request to the device (wrapped for the route when there is one).
  void Request(RfAddress route, RfAddress device);
  void OnTimeout();
  void OnDeviceLog(RfAddress source, std::span<const uint8_t> records) override;
  bool requested() const { return requested_; }

 private:
  ui::Dialog& owner_;
  MessageLayer& layer_;
  bool requested_ = false;
};

// What a device dialog is given when it opens.
struct DeviceDialogContext {
  ui::Host& host;
  RfAddress address;
  RfAddress route;  // 0 = direct
  Project& project;
  int entry;  // the device's entry in the project
};

struct OpenedDialog {
  std::unique_ptr<ui::Dialog> dialog;
  DeviceDialogPort* port = nullptr;  // the same object, as the fan-out sees it
};

using DeviceDialogFactory = std::function<OpenedDialog(const DeviceDialogContext&)>;

// Opens the dialog of a device's type (the gateway dialogs and street-light nodes use it too
// for the devices they list).
class DeviceOpener {
 public:
  DeviceOpener(ui::Dialog& owner, Project& project, DialogSlots& dialog_slots)
      : owner_(owner), project_(project), slots_(dialog_slots) {}

  void Register(DialogClass cls, DeviceDialogFactory factory) {
    factories_[cls] = std::move(factory);
  }
  bool HasDialog(DialogClass cls) const { return factories_.contains(cls); }

  // Looks the address up in the project and runs its dialog modally above `parent`; returns
  // false when nothing opened. Classes without a dialog yet leave a line in the log.
  bool OpenDialogFor(ui::Dialog& parent, RfAddress address, RfAddress route);

  void set_log(std::function<void(const std::u16string&)> log) { log_ = std::move(log); }

 private:
  ui::Dialog& owner_;
  Project& project_;
  DialogSlots& slots_;
  std::map<DialogClass, DeviceDialogFactory> factories_;
  std::function<void(const std::u16string&)> log_;
};

// The dongle's report that the access target has (not) answered, and the wait dialog.
class ActivationWait {
 public:
  struct Parts {
    ui::Dialog& owner;  // the main window: timers 30 and 18
    RequestQueues& queues;
    DeviceLog& log;
    DialogSlots& dialog_slots;
    std::function<bool()> firmware_open;
    std::function<RfAddress()> selected_address;
  };
  explicit ActivationWait(Parts parts) : p_(std::move(parts)) {}

  void OnActivationState(uint8_t state);
  bool waiting() const { return wait_ != nullptr; }

 private:
  DeviceDialogPort* FirstPatternDialog() const;

  Parts p_;
  ui::Dialog* wait_ = nullptr;
};

}  // namespace corvane
