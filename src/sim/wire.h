// Building and checking the [type][length][payload] messages on the simulator's side.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/messages.h"
#include "model/rf_address.h"

namespace corvane::sim {

// A buffer of messages built back to back. A message whose payload reaches 250 bytes carries the
// length byte 250 ("to the end of the buffer") and must therefore be the last one.
class MessageBuilder {
 public:
  static constexpr int kCapacity = 600;

  int length() const { return length_; }
  const uint8_t* data() const { return bytes_.data(); }
  bool empty() const { return length_ == 0; }
  void Clear() { length_ = 0; }

  // Appends one message; false (buffer unchanged) when it does not fit.
  bool Add(uint8_t type, const uint8_t* payload, int payload_length);
  // Register data: one word as `word_type`, several as `block_type`.
  bool AddRegisters(uint8_t block_type, uint8_t word_type, uint16_t first, const uint16_t* words,
                    int count);
  bool AddWriteAck(uint8_t type, uint16_t first, int count, uint8_t status);
  // [MSG_RF_FRAME][source][sequence][messages]: messages attributed to another node.
  bool AddRfFrame(RfAddress source, uint8_t sequence, const uint8_t* messages, int length);

 private:
  std::array<uint8_t, kCapacity> bytes_{};
  int length_ = 0;
};

// Splits a buffer the way the tool does: calls `fn(type, length, payload)` per message and stops
// at a type byte 0. Returns false when a length byte promises more than the buffer holds.
template <typename Fn>
bool ForEachMessage(const uint8_t* buffer, int length, Fn&& fn) {
  int remaining = length;
  while (remaining > 0 && buffer[0] != 0) {
    if (remaining < 2) return false;
    const int payload = buffer[1] == kLengthToEnd ? remaining - 2 : buffer[1];
    if (payload > remaining - 2) return false;
    fn(buffer[0], payload, buffer + 2);
    if (remaining <= payload + 2) return true;
    buffer += payload + 2;
    remaining -= payload + 2;
  }
  return true;
}

// Checks the layout of one message the tool addresses to a node (inside MSG_RF_SEND). Returns an
// empty text when it is well formed, else what is wrong. Register ranges are the node's business.
std::string CheckNodeMessage(uint8_t type, int length, const uint8_t* payload);

// Register count and layout of a register write (MSG_REG_WORD or MSG_REG_BLOCK); false with a
// reason when malformed.
bool ParseRegisterWrite(uint8_t type, int length, const uint8_t* payload, uint16_t& first,
                        int& count, std::string& problem);

std::string Hex(uint32_t value, int digits);
std::string TypeLabel(uint8_t type);

}  // namespace corvane::sim
