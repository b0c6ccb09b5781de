#include "lighting/light_control_dev_dlg.h"

#include <array>
#include <optional>
#include <vector>

#include "app/project_devices.h"
#include "devices/control_press.h"
#include "lighting/dali_bridge_dlg.h"
#include "lighting/dali_command.h"
#include "lighting/dali_edit.h"
#include "lighting/light_control_dev_template.h"
#include "ui/text.h"

namespace corvane::lighting {
namespace {

using ui::Format;
using ui::LcdId;

// The push-button devices a bridge can take commands from.
constexpr uint16_t kControlTypes[] = {0x003, 0x00B, 0x00E, 0x012, 0x014};

struct CommandRow {
  ButtonCommand command;
  int cmd;
  int len;
  int prio;
  int edit;
};
constexpr CommandRow kRows[] = {
    {ButtonCommand::kOn, ui::kLcdOnCmd0, ui::kLcdOnLen0, ui::kLcdOnPrio0, ui::kLcdOnEdit0},
    {ButtonCommand::kOff, ui::kLcdOffCmd0, ui::kLcdOffLen0, ui::kLcdOffPrio0, ui::kLcdOffEdit0},
    {ButtonCommand::kLongPress, ui::kLcdLongCmd0, ui::kLcdLongLen0, ui::kLcdLongPrio0,
     ui::kLcdLongEdit0},
};

// "0x" and eight hexadecimal digits at most, as the address list shows them.
std::optional<RfAddress> ParseAddress(std::u16string_view text) {
  if (text.size() < 3 || text[0] != u'0' || (text[1] != u'x' && text[1] != u'X')) {
    return std::nullopt;
  }
  const std::u16string_view digits = text.substr(2, 8);
  if (digits.empty() || digits[0] == u' ' || digits[0] == u'-' || digits[0] == u'+') {
    return std::nullopt;
  }
  return ui::ScanHex(digits);
}

}  // namespace

CLightControlDevDlg::CLightControlDevDlg(ui::Host& host, std::span<uint16_t> record, int k,
                                         const Project& project, RfAddress bridge, Send send)
    : Dialog(ui::LightControlDevTemplate(), host),
      record_(record),
      k_(k),
      project_(project),
      bridge_(bridge),
      send_(std::move(send)) {}

void CLightControlDevDlg::OnInit() {
  SetTitle(Format("Luxbrig-x Control Device %d", k_ + 1));
  devices::FillControlDeviceList(*this, ui::kLcdAddress, project_, kControlTypes,
                                 ControlDeviceAddress(record_, k_));

  for (int b = 0; b < 4; ++b) {
    for (const CommandRow& row : kRows) {
      const DaliCommandText text =
          DaliCommandTexts(RecordWord32(record_, ButtonCommandWord(k_, row.command, b)));
      SetText(LcdId(row.cmd, b), text.command);
      SetText(LcdId(row.len, b), text.length);
      SetText(LcdId(row.prio, b), text.priority);
    }
    const uint32_t on = RecordWord32(record_, ButtonCommandWord(k_, ButtonCommand::kOn, b));
    SetCheck(LcdId(ui::kLcdPushPull0, b), (on & kDaliPushPullBit) != 0);
  }
}

void CLightControlDevDlg::OnCommand(int id) {
  for (int b = 0; b < 4; ++b) {
    if (id == LcdId(ui::kLcdTest0, b)) TestPress(b);
    for (const CommandRow& row : kRows) {
      if (id == LcdId(row.edit, b)) OpenEditor(b, row.command);
    }
  }
}

void CLightControlDevDlg::OnDoubleClick(int id, int /*row*/, int /*column*/) {
  for (int b = 0; b < 4; ++b) {
    for (const CommandRow& row : kRows) {
      if (id == LcdId(row.cmd, b)) OpenEditor(b, row.command);
    }
  }
}

void CLightControlDevDlg::OpenEditor(int button, ButtonCommand command) {
  const CommandRow& row = kRows[static_cast<int>(command)];
  const int id = LcdId(row.cmd, button);
  CDaliEdit editor(host(), ui::ScanHex(Text(id)).value_or(0));
  if (RunModal(editor) != ui::kIdOk || !editor.changed()) return;
  SetText(id, Format("%08X", static_cast<unsigned>(editor.value())));
  SetText(LcdId(row.len, button), Format("%d", editor.length()));
  SetText(LcdId(row.prio, button), u"0");
}

void CLightControlDevDlg::TestPress(int button) {
  ++sequence_;
  const RfAddress device = ControlDeviceAddress(record_, k_);
  // The control device's report as the bridge hears it: a register block of registers 50..51
  // whose first word has the button's bit in its high byte.
  const auto bit = static_cast<uint16_t>(0x0100u << button);
  const std::array<uint8_t, 16> frame = {0x90,
                                         14,
                                         static_cast<uint8_t>(device),
                                         static_cast<uint8_t>(device >> 8),
                                         static_cast<uint8_t>(device >> 16),
                                         static_cast<uint8_t>(device >> 24),
                                         static_cast<uint8_t>(sequence_),
                                         0xC1,
                                         7,
                                         50,
                                         0,
                                         2,
                                         static_cast<uint8_t>(bit),
                                         static_cast<uint8_t>(bit >> 8),
                                         0,
                                         0};
  if (send_) send_(bridge_, frame);
}

void CLightControlDevDlg::OnOk() {
  // A priority the two bits cannot hold keeps the sub-dialog open, with nothing stored yet.
  for (int b = 0; b < 4; ++b) {
    for (const CommandRow& row : kRows) {
      if (!ui::AcceptEntries(*this, DaliPriorityProblem(*this, LcdId(row.prio, b)))) return;
    }
  }
  if (const auto address = ParseAddress(Text(ui::kLcdAddress))) {
    SetRecordWord32(record_, ControlDeviceWord(k_), *address);
  }
  for (int b = 0; b < 4; ++b) {
    for (const CommandRow& row : kRows) {
      const int word = ButtonCommandWord(k_, row.command, b);
      uint32_t value = RecordWord32(record_, word);
      if (const auto command = ui::ScanHex(Text(LcdId(row.cmd, b)))) {
        // A length that is not a number clears the frame; the marker never leaves its field.
        const auto length = ui::ScanInt(Text(LcdId(row.len, b)));
        const uint32_t frame =
            length ? EncodeDaliCommand(0, *command, *length, 0) & kDaliFrameMask : 0;
        value = (value & ~kDaliFrameMask) | frame;
      }
      if (const auto priority = ui::ScanInt(Text(LcdId(row.prio, b)))) {
        value = (value & ~kDaliPriorityMask) | static_cast<uint32_t>(*priority)
                                                   << kDaliPriorityShift;
      }
      if (row.command == ButtonCommand::kOn) {
        value = IsChecked(LcdId(ui::kLcdPushPull0, b)) ? value | kDaliPushPullBit
                                                       : value & ~kDaliPushPullBit;
      }
      SetRecordWord32(record_, word, value);
    }
  }
  EndDialog(ui::kIdOk);
}

}  // namespace corvane::lighting
