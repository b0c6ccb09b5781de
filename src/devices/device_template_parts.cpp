#include "devices/device_template_parts.h"

#include <initializer_list>
#include <utility>

namespace corvane::ui {

using namespace corvane::devices;

void AddDeviceGroup(std::vector<ControlSpec>& c, int group, Cell cell, std::u16string_view modbus,
                    std::u16string_view firmware, int wide) {
  c.push_back(GroupBox(group, u"Device", cell));
  c.push_back(Label(modbus, In(group, 0, 0)));
  c.push_back(Label(u"", In(group, 0, 1), kDevModbusId));
  c.push_back(Label(firmware, In(group, 0, 2)));
  c.push_back(Label(u"", In(group, 0, 3), kDevFwId));
  c.push_back(Label(u"Device ID", In(group, 1, 0)));
  c.push_back(Label(u"", In(group, 1, 1), kDevDeviceId));
  c.push_back(Label(u"HW num", In(group, 1, 2)));
  c.push_back(Label(u"", In(group, 1, 3), kDevHwNum));
  c.push_back(Label(u"Name", In(group, 2, 0)));
  c.push_back(Sized(Edit(kDevName, In(group, 2, 1, 1, 3)), wide));
  c.push_back(Label(u"Password", In(group, 3, 0)));
  c.push_back(Sized(Edit(kDevPassword, In(group, 3, 1, 1, 3)), wide));
  c.push_back(Label(u"Frequency", In(group, 4, 0)));
  c.push_back(Sized(ComboList(kDevFrequency, In(group, 4, 1, 1, 3)), wide));
  c.push_back(Label(u"RF Power", In(group, 5, 0)));
  c.push_back(Sized(ComboList(kDevRfPower, In(group, 5, 1, 1, 3)), wide));
}

void AddDeviceButtons(std::vector<ControlSpec>& c, int group, Cell cell,
                      std::u16string_view ram_caption) {
  c.push_back(GroupBox(group, u"", cell));
  int col = 0;
  for (const auto& [id, caption] : std::initializer_list<std::pair<int, std::u16string_view>>{
           {kDevRead, u"Read"},
           {kDevWriteRam, ram_caption},
           {kDevWriteEeprom, u"Write to EEPROM"},
           {kDevSave, u"Save"},
           {kDevExport, u"Export"},
           {kDevImport, u"Import"},
           {kDevDefault, u"Default"},
           {kDevFwUpdate, u"FW Update"},
           {kDevReadLog, u"Read Log"}}) {
    c.push_back(Button(id, caption, In(group, 0, col++)));
  }
}

}  // namespace corvane::ui
