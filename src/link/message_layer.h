// The message layer on the dongle link: the one send routine, the splitting of received buffers,
// the dispatcher, reassembly of plain fragments and both sides of the acknowledged long transfer.
// Runs on the UI thread only; the transport is its only link to another thread.
#pragma once

#include <array>
#include <cstdint>

#include "link/consumers.h"
#include "link/messages.h"
#include "link/transport.h"
#include "model/rf_address.h"

namespace corvane {

class MessageLayer {
 public:
  static constexpr int kReassemblyBytes = 528;
  static constexpr int kXferFragmentData = 61;
  static constexpr int kMaxXferFragments = 16;
  static constexpr int kInitialRetries = 32;
  static constexpr int kMaxNesting = 16;

  // Sender slot of the acknowledged long transfer.
  struct SenderSlot {
    RfAddress key = 0;  // destination; 0 = free
    uint8_t id = 0;
    uint8_t state = 0;  // 0 idle, 3 waiting for status after the end message, 4 busy wait
    int countdown = 0;  // ticks of 250 ms; 0 = not running
    int retries = 0;
    int fragment_count = 0;
    int total = 0;
    uint16_t mask = 0;
    // Fixed blocks instead of per-fragment heap blocks: a transfer never needs more than 10.
    std::array<std::array<uint8_t, 64>, kMaxXferFragments> fragments{};
  };

  // Receiver slot of the acknowledged long transfer.
  struct ReceiverSlot {
    RfAddress source = 0;  // 0 = free
    uint8_t id = 0;
    uint8_t state = 0;  // 0 idle, 1 receiving
    int countdown = 0;
    int stride = 0;  // data bytes per fragment; 0 = not yet known
    uint16_t expected = 0;
    uint16_t total = 0;
    uint16_t mask = 0;
    std::array<uint8_t, kMaxLongTransfer> data{};
  };

  explicit MessageLayer(Transport& transport) : transport_(transport) {}
  MessageLayer(const MessageLayer&) = delete;
  MessageLayer& operator=(const MessageLayer&) = delete;

  // Queues one complete message [type][length][payload] of `length` bytes for `address`; remote
  // addresses get the MSG_RF_SEND wrapper. Dropped without notice when it cannot be queued.
  void SendMsg(RfAddress address, const uint8_t* bytes, int length, bool acknowledged);

  // Splits a buffer of messages and dispatches each, attributed to `address`.
  void ProcessBuffer(RfAddress address, const uint8_t* buffer, int length);

  // Routes one received message.
  void HandleMsg(RfAddress address, uint8_t type, int length, const uint8_t* payload);

  // Advances the countdowns of both long-transfer sides (every 250 ms).
  void LongTransferTick();

  // Consumers; null = absent.
  void SetRequestBookkeeping(RequestBookkeeping* c) { bookkeeping_ = c; }
  void SetFirmwareHook(FirmwareHook* c) { firmware_ = c; }
  void SetModbusInput(ModbusRegisterInput* c) { modbus_ = c; }
  void SetRegisterFanOut(RegisterFanOut* c) { fan_out_ = c; }
  void SetDongleRegisterHandler(DongleRegisterHandler* c) { dongle_ = c; }
  void SetHeardFrameHandler(HeardFrameHandler* c) { heard_ = c; }
  void SetDeviceLogHandler(DeviceLogHandler* c) { log_ = c; }

  const SenderSlot& sender(int i) const { return senders_[i]; }
  const ReceiverSlot& receiver(int i) const { return receivers_[i]; }
  int reassembly_held() const { return held_; }

 private:
  void Enqueue(const uint8_t* bytes, int length) {
    transport_.Enqueue(bytes, static_cast<size_t>(length));
  }
  void SendFragmented(const uint8_t* bytes, int total);
  void SendAcknowledged(RfAddress destination, const uint8_t* bytes, int total);
  void StartTransfer(SenderSlot& slot);
  void SendXferEnd(const SenderSlot& slot);
  static void FreeSender(SenderSlot& slot);
  void OnXferStatus(RfAddress source, int length, const uint8_t* payload);
  void OnXferRefuse(RfAddress source, int length, const uint8_t* payload);
  void OnSenderExpired(SenderSlot& slot);

  void OnXferStart(RfAddress source, int length, const uint8_t* payload);
  void OnXferData(RfAddress source, int length, const uint8_t* payload);
  void OnXferEnd(RfAddress source, int length, const uint8_t* payload);
  static void ReleaseReceiver(ReceiverSlot& slot);
  void SendRefuse(uint8_t id, uint8_t code, uint8_t detail);

  void SplitBuffer(RfAddress address, const uint8_t* buffer, int length);
  void OnFragment(RfAddress address, uint8_t type, int length, const uint8_t* payload);
  void DispatchRegisters(RfAddress address, uint8_t type, int length, const uint8_t* payload,
                         bool offer_to_dialogs);

  Transport& transport_;
  RequestBookkeeping* bookkeeping_ = nullptr;
  FirmwareHook* firmware_ = nullptr;
  ModbusRegisterInput* modbus_ = nullptr;
  RegisterFanOut* fan_out_ = nullptr;
  DongleRegisterHandler* dongle_ = nullptr;
  HeardFrameHandler* heard_ = nullptr;
  DeviceLogHandler* log_ = nullptr;

  std::array<SenderSlot, 2> senders_{};
  std::array<ReceiverSlot, 2> receivers_{};
  std::array<uint8_t, kReassemblyBytes> reassembly_{};
  int held_ = 0;
  int depth_ = 0;
};

}  // namespace corvane
