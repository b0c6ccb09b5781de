#include "gateway/gw_window_parts.h"

#include "app/project_devices.h"
#include "ui/text.h"

namespace corvane::gw_window {

GwClock ShowClock(ui::Dialog& dialog, int date_id, int time_id, GwClock c) {
  if (c.month == 0 || c.month > 12) c.month = 1;
  if (c.day == 0 || c.day > 31) c.day = 1;
  if (c.hour > 23) c.hour = 0;
  if (c.minute > 59) c.minute = 0;
  if (c.second > 59) c.second = 0;
  dialog.SetDate(date_id, {c.year + 2000, c.month, c.day});
  dialog.SetTime(time_id, {c.hour, c.minute, c.second});
  return c;
}

GwClock NextSecond(GwClock c) {
  if (++c.second > 59) {
    c.second = 0;
    if (++c.minute > 59) {
      c.minute = 0;
      if (++c.hour > 23) c.hour = 0;
    }
  }
  return c;
}

GwClock ClockOf(const ui::LocalTime& now, GwClock c) {
  c.year = static_cast<uint8_t>(now.year - 2000);
  c.month = static_cast<uint8_t>(now.month);
  c.day = static_cast<uint8_t>(now.day);
  c.hour = static_cast<uint8_t>(now.hour);
  c.minute = static_cast<uint8_t>(now.minute);
  c.second = static_cast<uint8_t>(now.second);
  c.set_flag = 1;
  return c;
}

void ReportCacheFull(ui::Dialog& dialog, std::span<const int> left_out,
                     const std::function<GwDeviceEntry(int)>& entry) {
  if (left_out.empty()) return;
  std::u16string text = u"The cache area is full; not cached:";
  for (int i : left_out) {
    const GwDeviceEntry e = entry(i);
    ui::AppendFormat(text, "\nPos. %03d 0x%08X (%d registers)", i + 1, e.address, e.MbCount());
  }
  dialog.MessageBox(text, u"Cache", {ui::Buttons::kOk, ui::Icon::kWarning, 0});
}

bool ApplyHeardList(ui::Dialog& dialog, const DongleLink& dongle, RfAddress address,
                    std::initializer_list<int> buttons, int keep_alive_timer, int keep_alive_ms) {
  const bool heard = IsHeard(dongle, address);
  for (int id : buttons) dialog.Show(id, heard);
  if (heard) {
    dialog.SetTimer(keep_alive_timer, keep_alive_ms);
  } else {
    dialog.KillTimer(keep_alive_timer);
  }
  return heard;
}

void FirmwareUpdate(ui::Dialog& dialog, devices::DeviceServices& services, RfAddress address,
                    RfAddress route, int keep_alive_timer, int keep_alive_ms) {
  dialog.KillTimer(keep_alive_timer);
  if (services.firmware_update) services.firmware_update(dialog, address, route);
  if (IsHeard(services.dongle, address)) dialog.SetTimer(keep_alive_timer, keep_alive_ms);
}

}  // namespace corvane::gw_window
