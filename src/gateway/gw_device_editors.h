// The editors of one entry of a device table held in a larger configuration record: a gateway's
// paired (bidirectional) and unidirectional devices. Each edits the owner's memory in place and
// only on OK; Cancel, Escape and the close box leave it as it was.
//
// SubdeviceEditor holds what every such editor shares: the address drop-down with the project's
// devices (the owner left out, heard devices marked), the address parsing, the automatic
// defaults 200 ms after the address changed, and the cache fields of the 8-byte GwDeviceEntry
// layout that the fan-coil controller's routed devices use too. The fan-coil and street-light
// editors derive from it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/project_devices.h"
#include "model/gateway_image.h"
#include "model/project.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane {

namespace subdevice {

inline constexpr std::u16string_view kDisableLine = u"0x00000000 disable";
inline constexpr std::u16string_view kHeardMark = u"  \u16C9";

// The lines of the address drop-down: kDisableLine, then every project device but the owner in
// table order as "0x%08X <type name>", a space and the name from words 8..15 of its cached
// record when it has one, and kHeardMark when the device is in `heard`.
std::vector<std::u16string> AddressLines(const Project& project, RfAddress owner,
                                         std::span<const HeardEntry> heard);

enum class AddressRule : uint8_t {
  kOk,        // as "0x%08X" reads it: at most 8 hexadecimal digits after the prefix
  kDefaults,  // as "0x%X" reads it: any number of digits, as long as the value fits 32 bits
};
// A text with "x" or "X" at its second character or later is hexadecimal behind a "0x" (or
// "0X") prefix; any other text is a decimal number, signed as the device names show it
// (-1 is 0xFFFFFFFF) or unsigned up to 4294967295. Trailing text is ignored, so a line of the
// drop-down reads as its address. nullopt when the text does not give an address.
std::optional<RfAddress> ParseAddress(std::u16string_view text, AddressRule rule);

// A number field: a signed decimal (leading blanks, trailing text ignored), 0 when the text is
// not a number, then cut to the field's `bits` low bits (two's complement for negatives). The
// editors refuse a value beyond those bits before they read it (CheckCacheNumbers).
uint32_t ReadField(std::u16string_view text, int bits);

// A signed decimal number as "%d" reads it, saturated at the ends of int64_t; nullopt when no
// number starts the text.
std::optional<int64_t> ScanSigned(std::u16string_view text);

// What a newly chosen device presets: its whole configuration record in registers, "Priority
// High", and cached when the device does not listen (the gateway answers for it from the cache).
struct CacheDefaults {
  int map_length = 0;  // shown as is; OK refuses more than the 12 bits of MB_cnt hold
  int priority = 3;
  bool cached = false;
};
CacheDefaults DefaultsFor(RfAddress address);

}  // namespace subdevice

class SubdeviceEditor : public ui::Dialog {
 public:
  static constexpr int kDefaultsTimer = 1;
  static constexpr int kDefaultsDelayMs = 200;

 protected:
  // `title` is followed by the display name of the entry's address. With `automatic_defaults`
  // a change of the address presets the cache fields (ApplyDefaults).
  SubdeviceEditor(const ui::DialogTemplate& tpl, ui::Host& host, std::u16string_view title,
                  RfAddress owner, const Project& project, std::vector<HeardEntry> heard,
                  bool automatic_defaults);

  // The address as the entry holds it now.
  virtual RfAddress StoredAddress() const = 0;
  // Shows the entry's other fields; called when the dialog comes up.
  virtual void ShowEntry() = 0;
  // The user chose `address`, which differs from the stored one: preset the fields for it.
  virtual void ApplyDefaults(RfAddress /*address*/) {}

  // The address for OK: the parsed text, or the stored address when the text does not parse.
  RfAddress CollectAddress() const;

  // The cache fields of the GwDeviceEntry layout and the owner's Modbus address byte, for the
  // editors whose template has them ("Cached force" only where the template holds it).
  void ShowCacheFields(const GwDeviceEntry& entry, uint8_t modbus_address);
  // False, after naming the field and its range, when a number field of the cache fields (or
  // one of `more`) holds a value its bits cannot store: OK then leaves the entry as it was and
  // the editor open with what was typed. A text that is no number counts as 0.
  struct NumberField {
    int control;
    int64_t max;
  };
  bool CheckCacheNumbers(std::initializer_list<NumberField> more = {});
  // Everything but the address; the flag word's bits the editor does not show are kept.
  void CollectCacheFields(GwDeviceEntry& entry, uint8_t& modbus_address) const;
  // Presets length, priority and "Cached"; "Cached" is set only when `may_cache` too.
  void PresetCacheFields(RfAddress address, bool may_cache);

  // Ends the run; a pending defaults check dies with it.
  void Finish(int result);

  void OnInit() override;
  void OnSelChange(int id) override;
  void OnKillFocus(int id) override;
  void OnTimer(int id) override;
  bool OnKey(int key, bool down) override;
  void OnCancel() override { Finish(ui::kIdCancel); }

 private:
  void ScheduleDefaults();
  void RunDefaults();

  std::u16string title_;
  RfAddress owner_;
  const Project& project_;
  std::vector<HeardEntry> heard_;
  bool automatic_defaults_;
  // The address the last defaults check saw: the same address seen again (the drop-down losing
  // the focus after a choice) does not overwrite what the user typed since.
  RfAddress last_checked_ = 0;
};

// Modal; on OK the entry (and Modbus address) are changed, on Cancel nothing.
class CGwDevices : public SubdeviceEditor {
 public:
  CGwDevices(ui::Host& host, GwDeviceEntry& entry, uint8_t& modbus_address, RfAddress owner,
             const Project& project, std::vector<HeardEntry> heard);

 protected:
  RfAddress StoredAddress() const override { return entry_.address; }
  void ShowEntry() override { ShowCacheFields(entry_, modbus_address_); }
  void ApplyDefaults(RfAddress address) override;
  // OK (button); Enter runs the defaults check instead and leaves the editor open.
  void OnOk() override;

 private:
  GwDeviceEntry& entry_;
  uint8_t& modbus_address_;
};

// Modal; on OK the entry is changed, on Cancel nothing. Enter is OK. Register numbers are
// entered 1-based, 1 to 32768: a larger one would reach the store-in-FIFO bit, so it is refused
// with a message and the editor stays open.
class CGwDevicesUni : public SubdeviceEditor {
 public:
  static constexpr int kMaxRegisterNumber = GwUniEntry::kRegisterMask + 1;  // 32768

  // `fifo_bits`: the gateway's layout keeps bit 15 of a register word for "Store in FIFO" (4.00
  // and later). The older layout has no FIFO: the boxes are hidden and the word is the register.
  CGwDevicesUni(ui::Host& host, GwUniEntry& entry, RfAddress owner, const Project& project,
                std::vector<HeardEntry> heard, bool fifo_bits = true);

 protected:
  RfAddress StoredAddress() const override { return entry_.address; }
  void ShowEntry() override;
  void OnOk() override;

 private:
  GwUniEntry& entry_;
  bool fifo_bits_;
};

}  // namespace corvane
