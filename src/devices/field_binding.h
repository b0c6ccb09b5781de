// Field bindings: the plain part of a device record described as data. Each row maps a word, a
// byte of it or a range of words, with an encoding, to one control. One engine shows the rows
// that a received block touches and collects the editable ones back into the record; a dialog
// writes code only for what its device makes special.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/control_store.h"
#include "ui/entry_problem.h"

namespace corvane::devices {

enum class Encoding : uint8_t {
  kHex16,       // word as "0x%04X"
  kVersion,     // word / 100 as "%.2f"
  kUnsigned,    // word (or byte) as "%d"
  kSignedByte,  // byte as a signed decimal
  kDecimal,     // signed word in units of 10^-decimals, shown with that many decimals;
                // editable: the typed decimal number in those units, truncated toward zero
  kDeviceText,  // 8 words of device text (the name); editable: low bytes, NUL-terminated
  kLowBytes,    // words of 8-bit characters (the password); editable: low bytes, zero-padded
  kComboIndex,  // byte = selection + offset; a byte below the offset selects the first item
  kScaledByte,  // byte shown as byte x scale + bias ms; editable: clamp, then (v - bias) / scale
  kBattery,     // byte in 0.1 V as "%d.%01dV"
  kNibbleTens,  // low 4 bits of the byte x 10
  kSeconds32,   // two words, low first, signed, "%d s"; shown only when a block holds both
  kFlagText,    // the bits of `mask` set: the control shows `text`, else it is empty
  kCheckWord,   // check box from the bits of `mask`; written as the whole word 0 or 1
  kSigned32,    // two words, low first, signed, "%d"; editable: an integer
};

struct FieldBinding {
  int control = 0;
  Encoding encoding = Encoding::kUnsigned;
  int word = 0;
  int words = 1;  // words the field spans
  int byte = -1;  // 0 = low byte, 1 = high byte, -1 = the whole word
  bool editable = false;
  uint16_t mask = 0;
  int scale = 1;
  int decimals = 0;  // kDecimal: digits after the point
  int bias = 0;
  int min = 0;
  int max = 0;
  std::u16string_view text{};
  // Appended to the shown text of the text encodings ("%d dBm", "%0.2f °C"); collecting reads
  // the number in front of it.
  std::u16string_view suffix{};
  // A text that does not convert is collected as 0 instead of keeping the old value.
  bool zero_when_bad = false;
};

// Builders, so a record table reads as one line per field.
FieldBinding Hex16(int control, int word);
// "0x%04X" in an edit: the typed hexadecimal number (with or without "0x").
FieldBinding HexEdit(int control, int word);
FieldBinding Version(int control, int word);
FieldBinding Unsigned(int control, int word, int byte = -1);
// An integer edit of a word (or one byte of it): the typed "%d", its low bits.
FieldBinding UnsignedEdit(int control, int word, int byte = -1);
FieldBinding SignedByte(int control, int word, int byte);
// A signed word in hundredths ("%0.2f"), the temperatures of the records.
FieldBinding Hundredths(int control, int word, bool editable);
// A signed word in units of 10^-decimals (tenths: 1), for 0..9 decimals.
FieldBinding Decimal(int control, int word, int decimals, bool editable);
// The same scaled decimal held in one byte (0 = low, 1 = high), unsigned; collected as the low
// 8 bits of the typed value in those units.
FieldBinding DecimalByte(int control, int word, int byte, int decimals);
FieldBinding DeviceText(int control, int word);
FieldBinding LowBytes(int control, int word, int words);
FieldBinding ComboIndex(int control, int word, int byte, int offset);
FieldBinding ScaledByte(int control, int word, int byte, int scale, int bias, int min, int max);
FieldBinding Battery(int control, int word, int byte);
FieldBinding NibbleTens(int control, int word, int byte);
FieldBinding Seconds32(int control, int word);
FieldBinding FlagText(int control, int word, uint16_t mask, std::u16string_view text);
FieldBinding CheckWord(int control, int word, uint16_t mask);
// Words `word` and `word` + 1, low first, as a signed 32-bit decimal.
FieldBinding Signed32(int control, int word, bool editable);

// Modifiers: `Suffixed(Hundredths(...), u" °C")`, `ZeroWhenBad(UnsignedEdit(...))`.
FieldBinding Suffixed(FieldBinding field, std::u16string_view suffix);
FieldBinding ZeroWhenBad(FieldBinding field);

// Whether a block [first, first + count) touches the field (every word of it for kSeconds32).
bool Covers(const FieldBinding& field, int first, int count);

// Shows every field that the block touches from `record`. Fields that reach beyond the record
// are skipped.
void RefreshFields(ui::ControlStore& store, std::span<const FieldBinding> fields,
                   std::span<const uint16_t> record, int first, int count);
// Collects the editable fields into `record`; a text that does not convert keeps the old value.
void CollectFields(const ui::ControlStore& store, std::span<const FieldBinding> fields,
                   std::span<uint16_t> record);

// A typed value that the field cannot hold: outside what its word or byte stores (it would be
// kept as its low bits), or no number where one is required.
using ui::EntryProblem;
using ui::EntryProblemText;
// The first editable field whose text cannot be stored as it stands; fields shown hidden or
// beyond the record are not checked, nor what an encoding clamps (kScaledByte, a decimal word at
// the ends of a signed word) or takes as 0 (ZeroWhenBad) when it is no number.
std::optional<EntryProblem> CheckFieldEntries(const ui::ControlStore& store,
                                              std::span<const FieldBinding> fields,
                                              size_t record_words);

// Byte access to a record of words (byte 2w is the low byte of word w).
uint8_t RecordByte(std::span<const uint16_t> record, int word, int byte);
void SetRecordByte(std::span<uint16_t> record, int word, int byte, uint8_t value);

}  // namespace corvane::devices
