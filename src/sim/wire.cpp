#include "sim/wire.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/le.h"

namespace corvane::sim {

bool MessageBuilder::Add(uint8_t type, const uint8_t* payload, int payload_length) {
  if (payload_length < 0 || length_ + payload_length + 2 > kCapacity) return false;
  bytes_[length_] = type;
  bytes_[length_ + 1] = static_cast<uint8_t>(std::min(payload_length, int{kLengthToEnd}));
  if (payload_length > 0) {
    std::memcpy(bytes_.data() + length_ + 2, payload, static_cast<size_t>(payload_length));
  }
  length_ += payload_length + 2;
  return true;
}

bool MessageBuilder::AddRegisters(uint8_t block_type, uint8_t word_type, uint16_t first,
                                  const uint16_t* words, int count) {
  uint8_t payload[3 + 2 * 255];
  if (count < 1 || count > 250) return false;
  PutU16(payload, first);
  if (count == 1) {
    PutU16(payload + 2, words[0]);
    return Add(word_type, payload, 4);
  }
  payload[2] = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) PutU16(payload + 3 + 2 * i, words[i]);
  return Add(block_type, payload, 3 + 2 * count);
}

bool MessageBuilder::AddWriteAck(uint8_t type, uint16_t first, int count, uint8_t status) {
  uint8_t payload[4];
  PutU16(payload, first);
  payload[2] = static_cast<uint8_t>(count);
  payload[3] = status;
  return Add(type, payload, 4);
}

bool MessageBuilder::AddRfFrame(RfAddress source, uint8_t sequence, const uint8_t* messages,
                                int length) {
  uint8_t payload[kCapacity];
  if (length < 0 || length + 5 > kCapacity) return false;
  PutU32(payload, source);
  payload[4] = sequence;
  if (length > 0) std::memcpy(payload + 5, messages, static_cast<size_t>(length));
  return Add(MSG_RF_FRAME, payload, length + 5);
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string TypeLabel(uint8_t type) {
  switch (type) {
    case MSG_POLL:
      return "MSG_POLL";
    case MSG_FRAG_FIRST:
      return "MSG_FRAG_FIRST";
    case MSG_FRAG_NEXT:
      return "MSG_FRAG_NEXT";
    case MSG_FRAG_LAST:
      return "MSG_FRAG_LAST";
    case MSG_XFER_START:
      return "MSG_XFER_START";
    case MSG_XFER_STATUS:
      return "MSG_XFER_STATUS";
    case MSG_XFER_DATA:
      return "MSG_XFER_DATA";
    case MSG_XFER_END:
      return "MSG_XFER_END";
    case MSG_XFER_REFUSE:
      return "MSG_XFER_REFUSE";
    case MSG_FW_BLOCK:
      return "MSG_FW_BLOCK";
    case MSG_REG_READ:
      return "MSG_REG_READ";
    case MSG_REG_BLOCK:
      return "MSG_REG_BLOCK";
    case MSG_REG_WORD:
      return "MSG_REG_WORD";
    case MSG_RF_FRAME:
      return "MSG_RF_FRAME";
    case MSG_RF_SEND:
      return "MSG_RF_SEND";
    case MSG_FW_CMD:
      return "MSG_FW_CMD";
    case MSG_LOG:
      return "MSG_LOG";
    default:
      return "type " + Hex(type, 2);
  }
}

bool ParseRegisterWrite(uint8_t type, int length, const uint8_t* payload, uint16_t& first,
                        int& count, std::string& problem) {
  if (type == MSG_REG_WORD) {
    if (length != 4) {
      problem = "MSG_REG_WORD with payload length " + std::to_string(length) + ", expected 4";
      return false;
    }
    first = GetU16(payload);
    count = 1;
    return true;
  }
  if (length < 3) {
    problem = "MSG_REG_BLOCK with payload length " + std::to_string(length);
    return false;
  }
  first = GetU16(payload);
  count = payload[2];
  const int needed = 3 + 2 * count;
  // A block of 124 words or more carries the length byte 250 and runs to the end of its buffer;
  // the buffer may then hold padding after it, never less than the words.
  const bool exact = needed < kLengthToEnd ? length == needed : length >= needed;
  if (count < 1 || !exact) {
    problem = "MSG_REG_BLOCK of " + std::to_string(count) + " registers with payload length " +
              std::to_string(length) + ", expected " + std::to_string(needed);
    return false;
  }
  return true;
}

std::string CheckNodeMessage(uint8_t type, int length, const uint8_t* payload) {
  auto wrong_length = [&](int expected) {
    return TypeLabel(type) + " with payload length " + std::to_string(length) + ", expected " +
           std::to_string(expected);
  };
  switch (type) {
    case MSG_REG_READ:
      if (length != 3) return wrong_length(3);
      if (payload[2] < 1 || payload[2] > 250) {
        return "MSG_REG_READ of " + std::to_string(payload[2]) + " registers";
      }
      return {};
    case MSG_REG_WORD:
    case MSG_REG_BLOCK: {
      uint16_t first = 0;
      int count = 0;
      std::string problem;
      ParseRegisterWrite(type, length, payload, first, count, problem);
      return problem;
    }
    case MSG_LOG:
      if (length != 1 || payload[0] != 0) return "MSG_LOG request must be [0]";
      return {};
    case MSG_FW_CMD:
      if (length != 1) return wrong_length(1);
      return {};
    case MSG_FW_BLOCK:
      if (length < 1) return "empty MSG_FW_BLOCK";
      return {};
    case MSG_RF_FRAME:
      if (length < 5) return "MSG_RF_FRAME shorter than its 5-byte header";
      return {};
    case MSG_RF_SEND: {
      if (length < 6) return "MSG_RF_SEND without a wrapped message";
      // The wrapped part is a buffer: one message, or several back to back (a batch of reads
      // relayed in one frame). Each must fit exactly and be a message for a node.
      int remaining = length - 4;
      const uint8_t* inner = payload + 4;
      while (remaining > 0) {
        if (remaining < 2) return "MSG_RF_SEND wraps a lone type byte";
        const int declared = inner[1] == kLengthToEnd ? remaining - 2 : inner[1];
        if (declared + 2 > remaining) {
          return "MSG_RF_SEND wraps " + TypeLabel(inner[0]) + " of length byte " +
                 std::to_string(inner[1]) + " in " + std::to_string(remaining) + " bytes";
        }
        const std::string problem = CheckNodeMessage(inner[0], declared, inner + 2);
        if (!problem.empty()) return problem;
        inner += declared + 2;
        remaining -= declared + 2;
      }
      return {};
    }
    default:
      return TypeLabel(type) + " is not a message for a node";
  }
}

}  // namespace corvane::sim
