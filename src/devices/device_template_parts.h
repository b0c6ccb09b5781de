// Pieces every device dialog's template shares: the identity and radio group and the row of the
// common buttons.
#pragma once

#include <string_view>
#include <vector>

#include "devices/device_controls.h"
#include "ui/template.h"

namespace corvane::ui {

// Identity and radio settings in group `group` at `cell`: Modbus ID and firmware with the
// captions the device family uses, Device ID, HW num, then Name, Password, Frequency and
// RF Power in edits and lists `wide` pixels wide. Rows from 6 on are free for the caller.
void AddDeviceGroup(std::vector<ControlSpec>& c, int group, Cell cell,
                    std::u16string_view modbus = u"Modbus ID",
                    std::u16string_view firmware = u"FW ID", int wide = 170);

// The common buttons in one frameless row `group` at `cell`. The output node's caption of the
// RAM write differs from the others'.
void AddDeviceButtons(std::vector<ControlSpec>& c, int group, Cell cell,
                      std::u16string_view ram_caption = u"Write To RAM");

}  // namespace corvane::ui
