#include "gateway/gw_device_editors.h"

#include <algorithm>
#include <limits>

#include "gateway/gw_device_editors_template.h"
#include "model/type_table.h"
#include "ui/entry_problem.h"
#include "ui/text.h"

namespace corvane {
namespace subdevice {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<RfAddress> ParseHex(std::u16string_view text, AddressRule rule) {
  if (text.size() < 2 || text[0] != u'0' || (text[1] != u'x' && text[1] != u'X')) {
    return std::nullopt;
  }
  size_t i = 2;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const size_t max_digits = rule == AddressRule::kOk ? 8 : std::numeric_limits<size_t>::max();
  uint64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && digits < max_digits && HexDigit(text[i]) >= 0; ++i, ++digits) {
    value = (value << 4) | static_cast<uint64_t>(HexDigit(text[i]));
    // More than 32 bits is no address; reading on would only wrap.
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<RfAddress>(value);
}

}  // namespace

std::vector<std::u16string> AddressLines(const Project& project, RfAddress owner,
                                         std::span<const HeardEntry> heard) {
  std::vector<std::u16string> lines{std::u16string(kDisableLine)};
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    const RfAddress address = project.Address(i);
    if (address == 0 || address == owner) continue;
    std::u16string line = FormatAddress(address) + u" " + TypeName(address);
    if (project.HasRecord(i)) {
      const auto record = project.Record(i);
      const size_t first = std::min<size_t>(8, record.size());
      line += u" ";
      line += ui::LoadLowBytes(record.subspan(first, std::min<size_t>(16, record.size()) - first));
    }
    const bool is_heard = std::any_of(heard.begin(), heard.end(),
                                      [&](const HeardEntry& h) { return h.address == address; });
    if (is_heard) line += kHeardMark;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::optional<int64_t> ScanSigned(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9') return std::nullopt;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    const int digit = text[i] - u'0';
    if (value > (kMax - digit) / 10) {
      saturated = true;
    } else if (!saturated) {
      value = value * 10 + digit;
    }
  }
  if (saturated) return negative ? std::numeric_limits<int64_t>::min() : kMax;
  return negative ? -value : value;
}

std::optional<RfAddress> ParseAddress(std::u16string_view text, AddressRule rule) {
  const size_t x = text.find_first_of(u"xX");
  if (x != std::u16string_view::npos && x >= 1) return ParseHex(text, rule);
  const std::optional<int64_t> value = ScanSigned(text);
  if (!value || *value < std::numeric_limits<int32_t>::min() || *value > 0xFFFFFFFFll) {
    return std::nullopt;
  }
  return static_cast<RfAddress>(static_cast<uint64_t>(*value) & 0xFFFFFFFFu);
}

uint32_t ReadField(std::u16string_view text, int bits) {
  const uint64_t value = static_cast<uint64_t>(ScanSigned(text).value_or(0));
  return static_cast<uint32_t>(value & ((uint64_t{1} << bits) - 1));
}

CacheDefaults DefaultsFor(RfAddress address) {
  return {.map_length = (RecordSize(address) + 1) / 2, .priority = 3, .cached = !Listens(address)};
}

}  // namespace subdevice

// --- SubdeviceEditor ----------------------------------------------------------------------------

SubdeviceEditor::SubdeviceEditor(const ui::DialogTemplate& tpl, ui::Host& host,
                                 std::u16string_view title, RfAddress owner, const Project& project,
                                 std::vector<HeardEntry> heard, bool automatic_defaults)
    : Dialog(tpl, host),
      title_(title),
      owner_(owner),
      project_(project),
      heard_(std::move(heard)),
      automatic_defaults_(automatic_defaults) {}

void SubdeviceEditor::OnInit() {
  const RfAddress stored = StoredAddress();
  last_checked_ = stored;
  SetTitle(title_ + DisplayName(stored));
  ResetContent(ui::kSubAddress);
  for (const std::u16string& line : subdevice::AddressLines(project_, owner_, heard_)) {
    AddString(ui::kSubAddress, line);
  }
  SetText(ui::kSubAddress, FormatAddress(stored));
  ShowEntry();
}

RfAddress SubdeviceEditor::CollectAddress() const {
  return subdevice::ParseAddress(Text(ui::kSubAddress), subdevice::AddressRule::kOk)
      .value_or(StoredAddress());
}

void SubdeviceEditor::ShowCacheFields(const GwDeviceEntry& entry, uint8_t modbus_address) {
  SetText(ui::kSubMapLength, ui::Format("%d", entry.MbCount()));
  SetText(ui::kSubMapOffset, ui::Format("%d", entry.mb_start));
  SetCheck(ui::kSubCached, entry.Cached());
  if (Has(ui::kSubCachedForce)) SetCheck(ui::kSubCachedForce, entry.CachedForce());
  SetCurSel(ui::kSubPriority, entry.Priority());
  SetText(ui::kSubModbusAddress, ui::Format("%d", modbus_address));
}

bool SubdeviceEditor::CheckCacheNumbers(std::initializer_list<NumberField> more) {
  // The widths of MB_cnt (12 bits), MB_start and the Modbus address byte.
  std::vector<NumberField> numbers = {{ui::kSubModbusAddress, 0xFF},
                                      {ui::kSubMapOffset, 0xFFFF},
                                      {ui::kSubMapLength, GwDeviceEntry::kCountMask}};
  numbers.insert(numbers.end(), more.begin(), more.end());
  for (const NumberField& field : numbers) {
    // A text that is no number counts as 0 and is no problem.
    const int64_t value = subdevice::ScanSigned(Text(field.control)).value_or(0);
    const auto problem = ui::RangeProblem(field.control, value, 0, field.max);
    if (!ui::AcceptEntries(*this, problem)) return false;
  }
  return true;
}

void SubdeviceEditor::CollectCacheFields(GwDeviceEntry& entry, uint8_t& modbus_address) const {
  entry.SetMbCount(static_cast<uint16_t>(subdevice::ReadField(Text(ui::kSubMapLength), 12)));
  entry.mb_start = static_cast<uint16_t>(subdevice::ReadField(Text(ui::kSubMapOffset), 16));
  entry.SetCached(IsChecked(ui::kSubCached));
  if (Has(ui::kSubCachedForce)) entry.SetCachedForce(IsChecked(ui::kSubCachedForce));
  // A list that shows no entry keeps the entry's priority.
  entry.SetPriority(CurSelOr(ui::kSubPriority, entry.Priority()));
  modbus_address = static_cast<uint8_t>(subdevice::ReadField(Text(ui::kSubModbusAddress), 8));
}

void SubdeviceEditor::PresetCacheFields(RfAddress address, bool may_cache) {
  const subdevice::CacheDefaults defaults = subdevice::DefaultsFor(address);
  SetText(ui::kSubMapLength, ui::Format("%d", defaults.map_length));
  SetCurSel(ui::kSubPriority, defaults.priority);
  SetCheck(ui::kSubCached, defaults.cached && may_cache);
}

void SubdeviceEditor::Finish(int result) {
  KillTimer(kDefaultsTimer);
  EndDialog(result);
}

void SubdeviceEditor::ScheduleDefaults() {
  if (automatic_defaults_) SetTimer(kDefaultsTimer, kDefaultsDelayMs);
}

void SubdeviceEditor::RunDefaults() {
  const std::optional<RfAddress> address =
      subdevice::ParseAddress(Text(ui::kSubAddress), subdevice::AddressRule::kDefaults);
  if (!address || *address == last_checked_) return;
  last_checked_ = *address;
  if (*address != StoredAddress()) ApplyDefaults(*address);
}

void SubdeviceEditor::OnSelChange(int id) {
  if (id == ui::kSubAddress) ScheduleDefaults();
}

void SubdeviceEditor::OnKillFocus(int id) {
  if (id == ui::kSubAddress) ScheduleDefaults();
}

void SubdeviceEditor::OnTimer(int id) {
  if (id != kDefaultsTimer) return;
  KillTimer(kDefaultsTimer);
  RunDefaults();
}

bool SubdeviceEditor::OnKey(int key, bool down) {
  if (key != ui::vk::kReturn || !automatic_defaults_) return false;
  // Enter checks the address at once and never closes these editors; OK does.
  if (down) {
    KillTimer(kDefaultsTimer);
    RunDefaults();
  }
  return true;
}

// --- CGwDevices
// -----------------------------------------------------------------------------------

CGwDevices::CGwDevices(ui::Host& host, GwDeviceEntry& entry, uint8_t& modbus_address,
                       RfAddress owner, const Project& project, std::vector<HeardEntry> heard)
    : SubdeviceEditor(ui::GwDevicesTemplate(), host, u"GW Configuration of subdevice ", owner,
                      project, std::move(heard), true),
      entry_(entry),
      modbus_address_(modbus_address) {}

void CGwDevices::ApplyDefaults(RfAddress address) {
  // A forced cache stays the user's choice: only an entry without it follows the device type.
  PresetCacheFields(address, !entry_.CachedForce());
}

void CGwDevices::OnOk() {
  if (!CheckCacheNumbers()) return;
  GwDeviceEntry edited = entry_;
  uint8_t modbus = modbus_address_;
  edited.address = CollectAddress();
  CollectCacheFields(edited, modbus);
  entry_ = edited;
  modbus_address_ = modbus;
  Finish(ui::kIdOk);
}

// --- CGwDevicesUni
// --------------------------------------------------------------------------------

CGwDevicesUni::CGwDevicesUni(ui::Host& host, GwUniEntry& entry, RfAddress owner,
                             const Project& project, std::vector<HeardEntry> heard, bool fifo_bits)
    : SubdeviceEditor(ui::GwDevicesUniTemplate(), host,
                      u"GW Configuration of unidirectional subdevice ", owner, project,
                      std::move(heard), false),
      entry_(entry),
      fifo_bits_(fifo_bits) {}

void CGwDevicesUni::ShowEntry() {
  constexpr int kNumberIds[2] = {ui::kSubRegister1, ui::kSubRegister2};
  constexpr int kFifoIds[2] = {ui::kSubFifo1, ui::kSubFifo2};
  for (int which = 0; which < 2; ++which) {
    const int number = fifo_bits_ ? entry_.Register(which) : entry_.reg[static_cast<size_t>(which)];
    SetText(kNumberIds[which], ui::Format("%d", number + 1));
    SetCheck(kFifoIds[which], fifo_bits_ && entry_.StoreInFifo(which));
    Show(kFifoIds[which], fifo_bits_);
  }
}

void CGwDevicesUni::OnOk() {
  constexpr int kNumberIds[2] = {ui::kSubRegister1, ui::kSubRegister2};
  constexpr int kFifoIds[2] = {ui::kSubFifo1, ui::kSubFifo2};
  GwUniEntry edited = entry_;
  edited.address = CollectAddress();
  for (int which = 0; which < 2; ++which) {
    const int64_t number = subdevice::ScanSigned(Text(kNumberIds[which])).value_or(0);
    // Register numbers have 15 bits beside the store-in-FIFO bit: a larger one would switch
    // that option instead of naming a register. The older layout's word is the register.
    const int max_number = fifo_bits_ ? kMaxRegisterNumber : 0x10000;
    if (number > max_number) {
      MessageBox(ui::Format("Register Num %d must be between 1 and %d.", which + 1, max_number),
                 u"GW Configuration", {ui::Buttons::kOk, ui::Icon::kWarning, 0});
      return;
    }
    uint16_t reg = number < 1 ? 0 : static_cast<uint16_t>(number - 1);
    if (fifo_bits_ && IsChecked(kFifoIds[which])) reg |= GwUniEntry::kFifoBit;
    edited.reg[static_cast<size_t>(which)] = reg;
  }
  entry_ = edited;
  Finish(ui::kIdOk);
}

}  // namespace corvane
