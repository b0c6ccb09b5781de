// What the gateway and fan-coil windows share beyond the read/write cycle: the device clock they
// run and set, the cache-full report of their paired-device tables, the heard-list rule of their
// buttons with its keep-alive, and the firmware update that pauses the keep-alive.
#pragma once

#include <functional>
#include <initializer_list>
#include <span>

#include "devices/device_dialog.h"
#include "model/gateway_image.h"
#include "ui/dialog.h"

namespace corvane::gw_window {

// Shows the device clock in the date and time pickers with impossible values corrected (month
// and day 1, hour, minute and second 0) and returns it so corrected.
GwClock ShowClock(ui::Dialog& dialog, int date_id, int time_id, GwClock clock);
// One second on, carrying into minutes and hours; the date stays (the device keeps the
// calendar).
GwClock NextSecond(GwClock clock);
// The PC's local time, with the set flag, for "Synchronize".
GwClock ClockOf(const ui::LocalTime& now, GwClock clock);

// "The cache area is full; not cached:" with a line per entry left out ("Pos. %03d 0x%08X (%d
// registers)"); nothing when none was.
void ReportCacheFull(ui::Dialog& dialog, std::span<const int> left_out,
                     const std::function<GwDeviceEntry(int)>& entry);

// The buttons that need the device in radio contact are shown while it stands in the dongle's
// heard list, and the keep-alive timer runs then; returns whether it does.
bool ApplyHeardList(ui::Dialog& dialog, const DongleLink& dongle, RfAddress address,
                    std::initializer_list<int> buttons, int keep_alive_timer, int keep_alive_ms);

// The firmware update above `dialog`, with the keep-alive stopped while it runs and started again
// when the device is heard afterwards.
void FirmwareUpdate(ui::Dialog& dialog, devices::DeviceServices& services, RfAddress address,
                    RfAddress route, int keep_alive_timer, int keep_alive_ms);

}  // namespace corvane::gw_window
