#include "modbus/modbus_dlg.h"

#include <algorithm>
#include <optional>
#include <string>

#include "modbus/modbus_template.h"
#include "link/messages.h"
#include "model/le.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane {
namespace {

constexpr int kRegisters = 65536;

std::u16string Line(const CModbus::Entry& entry) {
  return ui::Format("%04d 0x%04X %d", entry.reg + 1, static_cast<unsigned>(entry.value),
                    static_cast<int>(entry.value));
}

// "0x" followed by a hexadecimal number, else a decimal number; nothing else is a value.
std::optional<uint16_t> ParseValue(std::u16string_view text) {
  if (text.starts_with(u"0x")) {
    if (const std::optional<uint32_t> hex = ui::ScanHex(text.substr(2))) {
      return static_cast<uint16_t>(*hex);
    }
  }
  if (const std::optional<int> decimal = ui::ScanInt(text)) {
    return static_cast<uint16_t>(static_cast<uint32_t>(*decimal));
  }
  return std::nullopt;
}

}  // namespace

CModbus::CModbus(ui::Host& host, MessageLayer& layer, RequestQueues& queues, RfAddress address)
    : Dialog(ui::ModbusTemplate(), host),
      layer_(layer),
      queues_(queues),
      address_(address),
      line_of_(kRegisters, -1) {}

void CModbus::OnInit() {
  std::u16string title = u"MODBUS ";
  title += DisplayName(address_);
  SetTitle(title);
  ClearTable();
}

void CModbus::OnCommand(int id) {
  switch (id) {
    case ui::kModbusRead:
      Read();
      break;
    case ui::kModbusWrite:
      Write();
      break;
    case ui::kModbusClear:
      ClearTable();
      break;
    default:
      break;
  }
}

void CModbus::Read() {
  ClearTable();
  // Wide enough that "-2147483648" minus one cannot overflow.
  int64_t first = ui::ScanInt(Text(ui::kModbusReadAddress)).value_or(0);
  int64_t count = ui::ScanInt(Text(ui::kModbusReadCount)).value_or(0);
  if (first <= 0) {
    first = 1;
    count -= 1;
  }
  if (count <= 0) return;
  // There is no register beyond 65536 to ask for.
  if (first > kRegisters) return;
  // The request carries the count in one byte: a larger count is asked as 255 rather than cut to
  // its low byte, which would ask for a few registers (or none) instead of many.
  count = std::min<int64_t>(count, kMaxReadCount);

  uint8_t message[5] = {MSG_REG_READ, 3};
  PutU16(message + 2, static_cast<uint16_t>(first - 1));
  message[4] = static_cast<uint8_t>(count);
  // Straight to the device, not through the request queue: this tool asks for whatever range
  // the user names, answered or not.
  layer_.SendMsg(address_, message, sizeof message, false);
}

void CModbus::Write() {
  const int64_t number = ui::ScanInt(Text(ui::kModbusWriteAddress)).value_or(0);
  if (number > kRegisters) return;
  const uint16_t reg = number < 1 ? 0 : static_cast<uint16_t>(number - 1);
  const std::optional<uint16_t> value = ParseValue(Text(ui::kModbusWriteValue));
  if (!value) return;
  const uint16_t word = *value;
  queues_.QueueWrite(0, address_, reg, 1, &word, 0, true);
  queues_.QueueRead(0, address_, reg, 1, 0, false);
}

void CModbus::OnModbusRegisters(uint16_t first, std::span<const uint16_t> words) {
  for (size_t k = 0; k < words.size(); ++k) {
    const size_t reg = first + k;
    if (reg >= kRegisters) break;
    const Entry entry{static_cast<uint16_t>(reg), words[k]};
    const int line = line_of_[reg];
    if (line >= 0) {
      table_[static_cast<size_t>(line)] = entry;
      DeleteString(ui::kModbusList, line);
      InsertString(ui::kModbusList, line, Line(entry));
      continue;
    }
    // A full table keeps the registers it has: dropping old lines would move every line below
    // them while the user reads them, and the table is there to show a range, not a stream.
    if (used_ >= kTableSize) continue;
    table_[static_cast<size_t>(used_)] = entry;
    line_of_[reg] = static_cast<int16_t>(used_);
    ++used_;
    AddString(ui::kModbusList, Line(entry));
  }
}

void CModbus::ClearTable() {
  for (int i = 0; i < used_; ++i) line_of_[table_[static_cast<size_t>(i)].reg] = -1;
  used_ = 0;
  ResetContent(ui::kModbusList);
}

int RunModbusDialog(ui::Dialog& parent, ModbusDongleSteps& steps, MessageLayer& layer,
                    RequestQueues& queues, RfAddress address) {
  if (address == 0) return 0;
  steps.ApplyDongleSettings();
  queues.SetAccessTarget(address, steps.AccessMode(address), 32);
  steps.Scan();

  CModbus dialog(parent.host(), layer, queues, address);
  layer.SetModbusInput(&dialog);
  const int result = parent.RunModal(dialog);
  layer.SetModbusInput(nullptr);

  // Access mode 32 ends the access and drops both request queues with it.
  queues.SetAccessTarget(0, 32, 22);
  steps.RefreshDeviceList();
  return result;
}

}  // namespace corvane
