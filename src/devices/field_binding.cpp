#include "devices/field_binding.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "model/device_text.h"
#include "ui/text.h"

namespace corvane::devices {

using ui::Format;

FieldBinding Hex16(int control, int word) {
  return {.control = control, .encoding = Encoding::kHex16, .word = word};
}
FieldBinding HexEdit(int control, int word) {
  return {.control = control, .encoding = Encoding::kHex16, .word = word, .editable = true};
}
FieldBinding Version(int control, int word) {
  return {.control = control, .encoding = Encoding::kVersion, .word = word};
}
FieldBinding Unsigned(int control, int word, int byte) {
  return {.control = control, .encoding = Encoding::kUnsigned, .word = word, .byte = byte};
}
FieldBinding UnsignedEdit(int control, int word, int byte) {
  return {.control = control,
          .encoding = Encoding::kUnsigned,
          .word = word,
          .byte = byte,
          .editable = true};
}
FieldBinding SignedByte(int control, int word, int byte) {
  return {.control = control, .encoding = Encoding::kSignedByte, .word = word, .byte = byte};
}
FieldBinding Hundredths(int control, int word, bool editable) {
  return Decimal(control, word, 2, editable);
}
FieldBinding Decimal(int control, int word, int decimals, bool editable) {
  return {.control = control,
          .encoding = Encoding::kDecimal,
          .word = word,
          .editable = editable,
          .decimals = std::clamp(decimals, 0, 9)};
}
FieldBinding DecimalByte(int control, int word, int byte, int decimals) {
  FieldBinding f = Decimal(control, word, decimals, true);
  f.byte = byte;
  return f;
}
FieldBinding DeviceText(int control, int word) {
  return {.control = control,
          .encoding = Encoding::kDeviceText,
          .word = word,
          .words = static_cast<int>(kDeviceTextWords),
          .editable = true};
}
FieldBinding LowBytes(int control, int word, int words) {
  return {.control = control,
          .encoding = Encoding::kLowBytes,
          .word = word,
          .words = words,
          .editable = true};
}
FieldBinding ComboIndex(int control, int word, int byte, int offset) {
  return {.control = control,
          .encoding = Encoding::kComboIndex,
          .word = word,
          .byte = byte,
          .editable = true,
          .bias = offset};
}
FieldBinding ScaledByte(int control, int word, int byte, int scale, int bias, int min, int max) {
  return {.control = control,
          .encoding = Encoding::kScaledByte,
          .word = word,
          .byte = byte,
          .editable = true,
          .scale = scale,
          .bias = bias,
          .min = min,
          .max = max};
}
FieldBinding Battery(int control, int word, int byte) {
  return {.control = control, .encoding = Encoding::kBattery, .word = word, .byte = byte};
}
FieldBinding NibbleTens(int control, int word, int byte) {
  return {.control = control, .encoding = Encoding::kNibbleTens, .word = word, .byte = byte};
}
FieldBinding Seconds32(int control, int word) {
  return {.control = control, .encoding = Encoding::kSeconds32, .word = word, .words = 2};
}
FieldBinding FlagText(int control, int word, uint16_t mask, std::u16string_view text) {
  return {.control = control,
          .encoding = Encoding::kFlagText,
          .word = word,
          .mask = mask,
          .text = text};
}
FieldBinding CheckWord(int control, int word, uint16_t mask) {
  return {.control = control,
          .encoding = Encoding::kCheckWord,
          .word = word,
          .editable = true,
          .mask = mask};
}

FieldBinding Signed32(int control, int word, bool editable) {
  return {.control = control,
          .encoding = Encoding::kSigned32,
          .word = word,
          .words = 2,
          .editable = editable};
}
FieldBinding Suffixed(FieldBinding field, std::u16string_view suffix) {
  field.suffix = suffix;
  return field;
}
FieldBinding ZeroWhenBad(FieldBinding field) {
  field.zero_when_bad = true;
  return field;
}

uint8_t RecordByte(std::span<const uint16_t> record, int word, int byte) {
  const uint16_t w = record[static_cast<size_t>(word)];
  return static_cast<uint8_t>(byte == 1 ? w >> 8 : w);
}

void SetRecordByte(std::span<uint16_t> record, int word, int byte, uint8_t value) {
  uint16_t& w = record[static_cast<size_t>(word)];
  w = byte == 1 ? static_cast<uint16_t>((w & 0x00FF) | (value << 8))
                : static_cast<uint16_t>((w & 0xFF00) | value);
}

bool Covers(const FieldBinding& field, int first, int count) {
  const int end = first + count;
  if (field.encoding == Encoding::kSeconds32) {
    return first <= field.word && field.word + field.words <= end;
  }
  return first < field.word + field.words && field.word < end;
}

namespace {

// The value of a field that is a word or one byte of it.
int Raw(const FieldBinding& f, std::span<const uint16_t> record) {
  if (f.byte < 0) return record[static_cast<size_t>(f.word)];
  return RecordByte(record, f.word, f.byte);
}

void StoreRaw(const FieldBinding& f, std::span<uint16_t> record, int value) {
  if (f.byte < 0) {
    record[static_cast<size_t>(f.word)] = static_cast<uint16_t>(value);
  } else {
    SetRecordByte(record, f.word, f.byte, static_cast<uint8_t>(value));
  }
}

// The shown text of a text encoding, before its suffix.
std::u16string ShownText(const FieldBinding& f, std::span<const uint16_t> record) {
  const auto words = record.subspan(static_cast<size_t>(f.word), static_cast<size_t>(f.words));
  const int raw = Raw(f, record);
  switch (f.encoding) {
    case Encoding::kHex16:
      return Format("0x%04X", raw);
    case Encoding::kVersion:
      return Format("%.2f", raw / 100.0);
    case Encoding::kUnsigned:
      return Format("%d", raw);
    case Encoding::kSignedByte:
      return Format("%d", static_cast<int8_t>(raw));
    case Encoding::kDecimal: {
      // Integer arithmetic, as on collecting, so what is shown is exactly the stored value.
      const int value = f.byte < 0 ? static_cast<int16_t>(raw) : raw;
      const int magnitude = value < 0 ? -value : value;
      const char* sign = value < 0 ? "-" : "";
      if (f.decimals == 0) return Format("%s%d", sign, magnitude);
      int unit = 1;
      for (int i = 0; i < f.decimals; ++i) unit *= 10;
      return Format("%s%d.%0*d", sign, magnitude / unit, f.decimals, magnitude % unit);
    }
    case Encoding::kDeviceText:
      return DecodeDeviceTextWords(words);
    case Encoding::kLowBytes:
      return ui::LoadLowBytes(words);
    case Encoding::kScaledByte:
      return Format("%d", raw * f.scale + f.bias);
    case Encoding::kBattery:
      return Format("%d.%01dV", raw / 10, raw % 10);
    case Encoding::kNibbleTens:
      return Format("%d", (raw & 0x0F) * 10);
    case Encoding::kSeconds32:
      return Format("%d s",
                    static_cast<int32_t>(words[0] | (static_cast<uint32_t>(words[1]) << 16)));
    case Encoding::kSigned32:
      return Format("%d", static_cast<int32_t>(words[0] | (static_cast<uint32_t>(words[1]) << 16)));
    case Encoding::kFlagText:
      return std::u16string((raw & f.mask) != 0 ? f.text : std::u16string_view{});
    case Encoding::kComboIndex:
    case Encoding::kCheckWord:
      break;
  }
  return {};
}

void Show(ui::ControlStore& store, const FieldBinding& f, std::span<const uint16_t> record) {
  switch (f.encoding) {
    case Encoding::kComboIndex: {
      const int index = std::max(Raw(f, record) - f.bias, 0);
      // An index the list does not hold leaves the selection as it is.
      if (index < store.Count(f.control)) store.SetCurSel(f.control, index);
      return;
    }
    case Encoding::kCheckWord:
      store.SetCheck(f.control, (Raw(f, record) & f.mask) != 0);
      return;
    case Encoding::kFlagText:
      store.SetText(f.control, ShownText(f, record));  // an empty flag shows nothing at all
      return;
    default:
      store.SetText(f.control, ShownText(f, record) + std::u16string(f.suffix));
      return;
  }
}

void Collect(const ui::ControlStore& store, const FieldBinding& f, std::span<uint16_t> record) {
  const std::u16string& text = store.Text(f.control);
  switch (f.encoding) {
    case Encoding::kDecimal:
      // Counted from the digits: through a double, 2.01 x 100 truncates to 200, and a value
      // saved again and again walks down by one unit each time.
      if (const auto value = ui::ScanScaledDecimal(text, f.decimals)) {
        // Values beyond a signed word stop at its ends; a byte keeps the low 8 bits.
        StoreRaw(f, record, static_cast<int16_t>(std::clamp<int64_t>(*value, -32768, 32767)));
      } else if (f.zero_when_bad) {
        StoreRaw(f, record, 0);
      }
      return;
    case Encoding::kUnsigned:
      if (const auto value = ui::ScanInt(text)) {
        StoreRaw(f, record, *value);  // the low bits of the word or byte
      } else if (f.zero_when_bad) {
        StoreRaw(f, record, 0);
      }
      return;
    case Encoding::kHex16:
      if (const auto value = ui::ScanHex(text)) {
        StoreRaw(f, record, static_cast<int>(*value & 0xFFFF));
      } else if (f.zero_when_bad) {
        StoreRaw(f, record, 0);
      }
      return;
    case Encoding::kSigned32: {
      const auto value = ui::ScanInt(text);
      if (!value && !f.zero_when_bad) return;
      const auto bits = static_cast<uint32_t>(value.value_or(0));
      record[static_cast<size_t>(f.word)] = static_cast<uint16_t>(bits);
      record[static_cast<size_t>(f.word) + 1] = static_cast<uint16_t>(bits >> 16);
      return;
    }
    case Encoding::kDeviceText: {
      const auto words = record.subspan(static_cast<size_t>(f.word)).first<kDeviceTextWords>();
      // A name left as it was shown keeps its bytes: the device may hold it in a compact form
      // that the low-byte encoding would not give back, and nobody asked to change it.
      if (text != DecodeDeviceTextWords(words)) EncodeDeviceTextWords(text, words);
      return;
    }
    case Encoding::kLowBytes:
      ui::StoreLowBytes(text,
                        record.subspan(static_cast<size_t>(f.word), static_cast<size_t>(f.words)));
      return;
    case Encoding::kComboIndex: {
      const int sel = store.CurSel(f.control);
      if (sel >= 0) StoreRaw(f, record, sel + f.bias);
      return;
    }
    case Encoding::kScaledByte:
      if (const auto value = ui::ScanInt(text)) {
        StoreRaw(f, record, (std::clamp(*value, f.min, f.max) - f.bias) / f.scale);
      } else if (f.zero_when_bad) {
        StoreRaw(f, record, 0);
      }
      return;
    case Encoding::kCheckWord:
      StoreRaw(f, record, store.IsChecked(f.control) ? 1 : 0);
      return;
    default:
      return;  // shown only
  }
}

bool Fits(const FieldBinding& f, size_t size) {
  return f.word >= 0 && static_cast<size_t>(f.word + f.words) <= size;
}

}  // namespace

void RefreshFields(ui::ControlStore& store, std::span<const FieldBinding> fields,
                   std::span<const uint16_t> record, int first, int count) {
  for (const FieldBinding& f : fields) {
    if (Fits(f, record.size()) && Covers(f, first, count)) Show(store, f, record);
  }
}

std::optional<EntryProblem> CheckFieldEntries(const ui::ControlStore& store,
                                              std::span<const FieldBinding> fields,
                                              size_t record_words) {
  for (const FieldBinding& f : fields) {
    if (!f.editable || !Fits(f, record_words) || !store.IsVisible(f.control)) continue;
    const std::u16string& text = store.Text(f.control);
    const bool byte = f.byte >= 0;
    EntryProblem problem{f.control, 0, byte ? 0xFF : 0xFFFF, 0};
    std::optional<int64_t> value;
    switch (f.encoding) {
      case Encoding::kUnsigned:
        value = ui::ScanInt(text);
        break;
      case Encoding::kHex16:
        if (const auto hex = ui::ScanHex(text)) value = *hex;
        break;
      case Encoding::kDecimal:
        value = ui::ScanScaledDecimal(text, f.decimals);
        problem.decimals = f.decimals;
        // A signed word holds -32768..32767 of its hundredths (or tenths): beyond that the value
        // is refused, not stored as the nearest end while the field shows what was typed.
        if (!byte) problem = {f.control, -32768, 32767, f.decimals};
        break;
      case Encoding::kSigned32:
        value = ui::ScanInt(text);
        problem = {f.control, INT32_MIN, INT32_MAX, 0};
        break;
      case Encoding::kScaledByte:
        // Clamped into its range; only a text that is no number is refused.
        if (!ui::ScanInt(text) && !f.zero_when_bad) return EntryProblem{f.control, f.min, f.max, 0};
        continue;
      default:
        continue;
    }
    if (!value) {
      if (f.zero_when_bad) continue;
      return problem;
    }
    if (*value < problem.min || *value > problem.max) return problem;
  }
  return std::nullopt;
}

void CollectFields(const ui::ControlStore& store, std::span<const FieldBinding> fields,
                   std::span<uint16_t> record) {
  for (const FieldBinding& f : fields) {
    if (f.editable && Fits(f, record.size())) Collect(store, f, record);
  }
}

}  // namespace corvane::devices
