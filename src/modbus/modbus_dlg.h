// CModbus: the "MODBUS" register tool. Reads any range of registers of one device and lists
// them, or writes one register and reads it back. The list keeps one line per register in the
// order the registers first arrived; a register that arrives again updates its line in place.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "access/request_queues.h"
#include "link/consumers.h"
#include "link/message_layer.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane {

class CModbus : public ui::Dialog, public ModbusRegisterInput {
 public:
  // Lines the list holds; registers that arrive when it is full are not added (the lines
  // already there still follow their registers).
  static constexpr int kTableSize = 800;
  // A read request carries its count in one byte.
  static constexpr int kMaxReadCount = 255;

  struct Entry {
    uint16_t reg = 0;  // 0-based
    uint16_t value = 0;
  };

  CModbus(ui::Host& host, MessageLayer& layer, RequestQueues& queues, RfAddress address);

  RfAddress address() const { return address_; }
  std::span<const Entry> table() const { return {table_.data(), static_cast<size_t>(used_)}; }

  // ModbusRegisterInput: the dispatcher hands over the register data of this device.
  bool ShowsDevice(RfAddress source) const override { return source == address_; }
  void OnModbusRegisters(uint16_t first, std::span<const uint16_t> words) override;

 protected:
  void OnInit() override;
  void OnCommand(int id) override;

 private:
  void Read();
  void Write();
  void ClearTable();

  MessageLayer& layer_;
  RequestQueues& queues_;
  RfAddress address_;
  std::array<Entry, kTableSize> table_{};
  int used_ = 0;
  // Line of each register in the list, -1 when it has none.
  std::vector<int16_t> line_of_;
};

// What the main window does for the dongle around a device access ("Open Device" does the same).
class ModbusDongleSteps {
 public:
  virtual ~ModbusDongleSteps() = default;
  // The dongle's password, frequency and power from the main window.
  virtual void ApplyDongleSettings() = 0;
  // The dongle access mode for the device's type (sleeping families, devices that do not listen).
  virtual uint16_t AccessMode(RfAddress address) = 0;
  // Uploads the project's device list to the dongle, reads the heard list, starts timer 48.
  virtual void Scan() = 0;
  // The access is over: the main device list is shown afresh.
  virtual void RefreshDeviceList() = 0;
};

// The "MODBUS" button's work once a device is chosen: points the dongle at `address`, runs the
// dialog modally above `parent` as the message layer's Modbus input, then drops what is still
// queued and hands the dongle back (access mode 32, parameter 22). Returns the dialog's result;
// 0 and nothing done for address 0.
int RunModbusDialog(ui::Dialog& parent, ModbusDongleSteps& steps, MessageLayer& layer,
                    RequestQueues& queues, RfAddress address);

}  // namespace corvane
