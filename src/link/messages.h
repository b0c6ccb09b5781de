// Message type codes exchanged with the dongle: [type][length][payload]. A length byte of 250
// means the payload runs to the end of the containing buffer; a type byte 0 ends a buffer.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr uint8_t MSG_POLL = 0x01;
inline constexpr uint8_t MSG_FRAG_FIRST = 0x05;
inline constexpr uint8_t MSG_FRAG_NEXT = 0x06;
inline constexpr uint8_t MSG_FRAG_LAST = 0x07;
inline constexpr uint8_t MSG_XFER_START = 0x10;
inline constexpr uint8_t MSG_XFER_STATUS = 0x11;
inline constexpr uint8_t MSG_XFER_DATA = 0x12;
inline constexpr uint8_t MSG_XFER_END = 0x13;
inline constexpr uint8_t MSG_XFER_REFUSE = 0x14;
inline constexpr uint8_t MSG_FW_BLOCK = 0x15;
inline constexpr uint8_t MSG_FW_BLOCK_ACK = 0x16;
inline constexpr uint8_t MSG_REG_READ = 0x6A;
inline constexpr uint8_t MSG_REG_BLOCK = 0x6B;
inline constexpr uint8_t MSG_REG_BLOCK_82 = 0x82;
inline constexpr uint8_t MSG_REG_WORD = 0x83;
inline constexpr uint8_t MSG_REG_WORD_84 = 0x84;
inline constexpr uint8_t MSG_REG_WRITE_ACK = 0x85;
inline constexpr uint8_t MSG_REG_BLOCK_86 = 0x86;
inline constexpr uint8_t MSG_REG_WORD_87 = 0x87;
inline constexpr uint8_t MSG_CACHE_DONE = 0x88;
inline constexpr uint8_t MSG_CACHE_BLOCK = 0x8A;
inline constexpr uint8_t MSG_CACHE_WORD = 0x8B;
inline constexpr uint8_t MSG_CACHE_WRITE_ACK = 0x8C;
inline constexpr uint8_t MSG_RF_FRAME = 0x90;
inline constexpr uint8_t MSG_RF_SEND = 0x96;
inline constexpr uint8_t MSG_REG_WORD_C0 = 0xC0;
inline constexpr uint8_t MSG_REG_BLOCK_C1 = 0xC1;
inline constexpr uint8_t MSG_FW_CMD = 0xF0;
inline constexpr uint8_t MSG_TRAFFIC = 0xF2;
inline constexpr uint8_t MSG_LOG = 0xF3;

// Length byte meaning "the payload runs to the end of the buffer".
inline constexpr uint8_t kLengthToEnd = 250;
inline constexpr int kReportBytes = 64;
// The message including its wrapper must fit this.
inline constexpr int kMaxMessage = 548;
// Largest acknowledged long transfer.
inline constexpr int kMaxLongTransfer = 560;
// Register numbers at and above this address a gateway's cached copy of a routed node.
inline constexpr uint16_t kCacheRegisterBase = 4000;

// Register data carried as a block [reg u16][n][words] (0x6B, 0x82, 0x86, 0x8A, 0xC1).
constexpr bool IsRegisterBlockType(uint8_t type) {
  return type == MSG_REG_BLOCK || type == MSG_REG_BLOCK_82 || type == MSG_REG_BLOCK_86 ||
         type == MSG_CACHE_BLOCK || type == MSG_REG_BLOCK_C1;
}

// Register data carried as one word [reg u16][value u16] (0x83, 0x84, 0x87, 0x8B, 0xC0).
constexpr bool IsRegisterWordType(uint8_t type) {
  return type == MSG_REG_WORD || type == MSG_REG_WORD_84 || type == MSG_REG_WORD_87 ||
         type == MSG_CACHE_WORD || type == MSG_REG_WORD_C0;
}

constexpr bool IsRegisterDataType(uint8_t type) {
  return IsRegisterBlockType(type) || IsRegisterWordType(type);
}

constexpr bool IsCacheType(uint8_t type) {
  return type == MSG_CACHE_BLOCK || type == MSG_CACHE_WORD || type == MSG_CACHE_WRITE_ACK;
}

}  // namespace corvane
