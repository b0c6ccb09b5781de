#include "gateway/routed_devices_template.h"

#include "ui/host.h"

namespace corvane::ui {

const DialogTemplate& RoutedDevicesTemplate() {
  constexpr int R = kSubGroupModbus;
  constexpr int B = kSubGroupButtons;
  static const DialogTemplate t{
      .id = 165,
      .title = u"GW Configuration of subdevice ",
      .controls =
          {
              GroupBox(R, u"Routed device", At(0, 0)),
              Label(u"Address", In(R, 0, 0)),
              // Wide enough for a type name and a device name behind the address.
              Sized(ComboEdit(kSubAddress, In(R, 0, 1)), 380),
              Label(u"Connection priority", In(R, 1, 0)),
              ComboList(kSubPriority, In(R, 1, 1),
                        {u"Direct Connection Disable", u"Priority Low", u"Priority Medium",
                         u"Priority High"}),

              GroupBox(B, u"", At(1, 0)),
              Button(kIdOk, u"OK", In(B, 0, 1), kDefault),
              Button(kIdCancel, u"Cancel", In(B, 0, 2)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
