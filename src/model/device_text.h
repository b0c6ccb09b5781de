// Names held in device registers: 16 bytes of 8-bit characters. Devices may hold a compact
// multi-byte form that decodes to wide characters; the tool writes plain low bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace corvane {

inline constexpr size_t kDeviceTextBytes = 16;
inline constexpr size_t kDeviceTextWords = kDeviceTextBytes / 2;

// Decodes up to 16 bytes; bytes beyond the given span (or beyond 16) read as 0.
std::u16string DecodeDeviceText(std::span<const uint8_t> bytes);

// The low 8 bits of each character, at most 16, then one NUL and zeros when shorter.
std::array<uint8_t, kDeviceTextBytes> EncodeDeviceText(std::u16string_view text);

// The same texts held in 8 registers (byte 0 is the low byte of the first register).
std::u16string DecodeDeviceTextWords(std::span<const uint16_t> words);
void EncodeDeviceTextWords(std::u16string_view text, std::span<uint16_t, kDeviceTextWords> words);

}  // namespace corvane
