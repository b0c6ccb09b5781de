// The main window's slots for open dialogs, through which received register data and write
// acknowledgements reach every open device dialog (the register fan-out).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "link/consumers.h"
#include "model/type_table.h"

namespace corvane {

// What every device dialog offers the fan-out. It ignores sources other than its device.
class DeviceDialogPort {
 public:
  virtual ~DeviceDialogPort() = default;
  virtual void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                              bool from_cache) = 0;
  virtual void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) = 0;
  // A device came into range or changed its signal level.
  virtual void OnInRange() {}
  // Gateway dialogs: word 1 (firmware version x 100) of the register image; others -1.
  virtual int RecordVersion() const { return -1; }
  // Gateway dialogs: the firmware does not fit this dialog class; store `version` in word 1 of
  // the device's cached record and close, so reopening picks the other class.
  virtual void CloseForVersion(uint16_t /*version*/) {}
  // Timer 15 (the read/write time-out of the device dialog pattern), stopped while the wait
  // for a sleeping device is shown and restarted afterwards when an operation is pending.
  virtual void StopOperationTimer() {}
  virtual void RestartOperationTimer() {}
};

// Tells the user that an open gateway dialog does not fit the gateway's firmware.
class VersionWarning {
 public:
  virtual ~VersionWarning() = default;
  virtual void WarnIncompatibleVersion(bool newer) = 0;
};

class DialogSlots : public RegisterFanOut {
 public:
  explicit DialogSlots(VersionWarning* warning = nullptr) : warning_(warning) {}

  // How many dialogs of the class can be open at once: four for the classes that nest inside
  // gateway dialogs, one for the others, none for kNone/kUnsupported.
  static int Capacity(DialogClass cls);

  // Puts the dialog into a free slot of its class; false when all are taken.
  bool Occupy(DialogClass cls, DeviceDialogPort* dialog);
  void Release(DeviceDialogPort* dialog);
  int InUse(DialogClass cls) const;
  DeviceDialogPort* First(DialogClass cls) const;

  // Every open device dialog, for the in-range notification.
  void NotifyInRange();

  // RegisterFanOut.
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override;
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override;

 private:
  struct Slot {
    DialogClass cls = DialogClass::kNone;
    DeviceDialogPort* dialog = nullptr;
    bool warned = false;  // the version message was shown for this slot
  };
  static constexpr int kSlots = 9 + 4 * 4;

  void CheckGatewayVersion(Slot& slot);

  VersionWarning* warning_;
  std::array<Slot, kSlots> slots_{};
};

}  // namespace corvane
