#include "app/main_template.h"

#include "ui/host.h"

namespace corvane::ui {
namespace {

ControlSpec Wide(ControlSpec spec, int min_width) {
  spec.min_width = min_width;
  return spec;
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  constexpr int D = kMainGroupDongle;
  constexpr int P = kMainGroupProject;
  constexpr int A = kMainGroupActions;
  static const DialogTemplate t{
      .id = 102,
      .title = u"Pellmar 4.61 ",
      .controls =
          {
              GroupBox(D, u"Dongle", At(0, 0)),
              Label(u"USB Dongle Not Found", In(D, 0, 0, 1, 2), kMainConnection),
              Label(u"", In(D, 0, 2, 1, 2), kMainDongleAddress),
              Label(u"RF Power", In(D, 1, 0)),
              ComboList(
                  kMainRfPower, In(D, 1, 1),
                  {u"+13 dBm", u"+10 dBm", u"+5dBm", u"0 dBm", u"-5dBm", u"-10dBm", u"-20dBm"}),
              Label(u"Password", In(D, 1, 2)),
              Wide(Edit(kMainPassword, In(D, 1, 3, 1, 2), kReadOnly), 170),
              Label(u"Frequency", In(D, 2, 0)),
              Wide(Edit(kMainFrequency, In(D, 2, 1), kReadOnly), 170),
              Label(u"Bandwidth usage", In(D, 2, 2)),
              Edit(kMainBandwidth, In(D, 2, 3), kReadOnly | kRightAlign),
              Label(u"%", In(D, 2, 4)),
              Label(u"Background RSSI", In(D, 3, 0)),
              Edit(kMainRssi, In(D, 3, 1), kReadOnly | kRightAlign),
              Label(u"dBm", In(D, 3, 2)),
              Label(u"Uptime", In(D, 3, 3)),
              Edit(kMainUptime, In(D, 3, 4), kReadOnly | kRightAlign),
              Button(kMainDongleUpdate, u"Dongle Update", In(D, 4, 0)),

              ImageButton(kMainLogo, u"PLM", At(0, 1)),

              GroupBox(P, u"Project", At(1, 0)),
              ImageButton(kMainScan, u"Scan", In(P, 0, 0)),
              ListBox(kMainDeviceList, In(P, 1, 0), kSorted, 460, 260),
              Wide(Edit(kMainNotes, In(P, 2, 0), kReadOnly | kMultiLine), 460),
              Progress(kMainWriteProgress, In(P, 3, 0), kHidden | kKeepsPlace),

              GroupBox(A, u"", At(1, 1)),
              Button(kMainLoadProject, u"Load Project", In(A, 0, 0)),
              Button(kMainNewProject, u"New Project", In(A, 1, 0)),
              Button(kMainEditProject, u"Edit Project", In(A, 2, 0)),
              Button(kMainSaveProject, u"Save Project", In(A, 3, 0)),
              Button(kMainSaveAs, u"Save As..", In(A, 4, 0)),
              Button(kMainOpenDevice, u"Open Device", In(A, 5, 0), kDefault),
              Button(kMainModbus, u"MODBUS", In(A, 6, 0)),
              Button(kMainMonitor, u"Monitor", In(A, 7, 0)),
              Button(kMainChangePassword, u"Change Passwd", In(A, 8, 0)),
              Button(kMainHelp, u"Help", In(A, 9, 0)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui
