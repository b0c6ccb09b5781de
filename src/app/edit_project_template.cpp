#include "app/edit_project_template.h"

#include "ui/host.h"

namespace corvane::ui {

const DialogTemplate& EditProjectTemplate() {
  constexpr int S = kEditProjectGroupScan;
  constexpr int D = kEditProjectGroupDevices;
  constexpr int B = kEditProjectGroupButtons;
  // The lists are wide enough for the longest heard line without scrolling sideways:
  // "0xFFE00001 DEVICE ON MODBUS -128 dBm 65535 s".
  constexpr int kListWidth = 350;
  constexpr int kListHeight = 260;
  static const DialogTemplate t{
      .id = 153,
      .title = u"Edit Project",
      .controls =
          {
              Label(u"Project Name", At(0, 0)),
              Sized(Edit(kEditProjectName, At(0, 1, 1, 3)), 260),
              Label(u"Password", At(1, 0)),
              Sized(Edit(kEditProjectPassword, At(1, 1)), 170),
              Label(u"Frequency", At(1, 2)),
              Sized(ComboList(kEditProjectFrequency, At(1, 3)), 170),

              // Scanning: an unframed row above the heard devices.
              GroupBox(S, u"", At(2, 0, 1, 4)),
              Button(kEditProjectScan, u"Scan Devices", In(S, 0, 0)),
              Button(kEditProjectCleanList, u"Clean List", In(S, 0, 1)),
              Label(u"Sort by", In(S, 0, 3)),
              Sized(ComboList(kEditProjectSortBy, In(S, 0, 4),
                              {u"Address", u"RSSI", u"Time from last communikation"}),
                    200),

              // Heard devices on the left, the project's devices on the right, the transfer
              // buttons between them.
              GroupBox(D, u"", At(3, 0, 1, 4)),
              Label(u"Devices in range", In(D, 0, 0)),
              Label(u"Project devices", In(D, 0, 2)),
              ListBox(kEditProjectInRange, In(D, 1, 0, 3, 1), kMultiSelect, kListWidth,
                      kListHeight),
              Button(kEditProjectAddHeard, u"-->", In(D, 1, 1)),
              Button(kEditProjectRemove, u"X <--", In(D, 2, 1)),
              ListBox(kEditProjectDevices, In(D, 1, 2, 5, 1), kMultiSelect | kSorted, kListWidth,
                      kListHeight),
              Label(u"Manual address entry", In(D, 4, 0)),
              Sized(ComboEdit(kEditProjectManualAddress, In(D, 5, 0)), kListWidth),
              Button(kEditProjectAddManual, u"-->", In(D, 5, 1)),

              Label(u"Project Notes", At(4, 0, 1, 4)),
              Sized(Edit(kEditProjectNotes, At(5, 0, 1, 4), kMultiLine), 0, 90),
              // OK at the right edge: the empty first column takes the spare width.
              GroupBox(B, u"", At(6, 0, 1, 4)),
              Button(kIdOk, u"OK", In(B, 0, 1), kDefault),
          },
      .stretch_columns = {1, 3},
  };
  return t;
}

}  // namespace corvane::ui
