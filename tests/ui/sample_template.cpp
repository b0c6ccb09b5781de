#include "ui/sample_template.h"

#include "ui/host.h"

namespace corvane::ui {

const DialogTemplate& SampleDialogTemplate() {
  static const DialogTemplate t{
      .id = 0,
      .title = u"Sample Configuration",
      .controls =
          {
              // Top row: device fields, options, indicator column.
              GroupBox(kSampleGroupDevice, u"Device", At(0, 0)),
              Label(u"Name", In(kSampleGroupDevice, 0, 0)),
              Edit(kSampleName, In(kSampleGroupDevice, 0, 1)),
              Label(u"Password", In(kSampleGroupDevice, 1, 0)),
              Edit(kSamplePassword, In(kSampleGroupDevice, 1, 1), kPassword),
              Label(u"FW num", In(kSampleGroupDevice, 2, 0)),
              Edit(kSampleFwNum, In(kSampleGroupDevice, 2, 1), kReadOnly | kRightAlign),
              Label(u"Frequency", In(kSampleGroupDevice, 3, 0)),
              ComboList(kSampleFrequency, In(kSampleGroupDevice, 3, 1),
                        {u"868.950MHz 100kBps", u"868.300MHz 20kBps", u"869.000MHz 20kBps",
                         u"869.525MHz 100kBps", u"868.100MHz 20kBps", u"868.500MHz 20kBps"}),
              Label(u"Manual address entry", In(kSampleGroupDevice, 4, 0)),
              ComboEdit(
                  kSampleAddress, In(kSampleGroupDevice, 4, 1),
                  {u"0x00300000 Quad input", u"0x00100000 Room unit", u"0x00200000 Output node"},
                  kSorted),

              GroupBox(kSampleGroupOptions, u"Options", At(0, 1)),
              CheckBox(kSampleSystemMode, u"System mode", In(kSampleGroupOptions, 0, 0, 1, 2)),
              CheckBox(kSampleLock, u"Lock", In(kSampleGroupOptions, 0, 2)),
              Label(u"Device time", In(kSampleGroupOptions, 1, 0)),
              DatePicker(kSampleDate, In(kSampleGroupOptions, 1, 1), kDisabled),
              TimePicker(kSampleTime, In(kSampleGroupOptions, 1, 2), kDisabled),
              Label(u"Uptime", In(kSampleGroupOptions, 2, 0), kSampleUptimeLabel),
              Label(u"0 s", In(kSampleGroupOptions, 2, 1), kSampleUptime),
              GroupBox(kSampleGroupInputs, u"Inputs", In(kSampleGroupOptions, 3, 0, 1, 3)),
              Label(u"1", In(kSampleGroupInputs, 0, 0), kNoId, kCenter),
              Label(u"2", In(kSampleGroupInputs, 0, 1), kNoId, kCenter),
              Label(u"3", In(kSampleGroupInputs, 0, 2), kNoId, kCenter),
              Label(u"4", In(kSampleGroupInputs, 0, 3), kNoId, kCenter),
              ColorSquare(kSampleSquare1, In(kSampleGroupInputs, 1, 0)),
              ColorSquare(kSampleSquare2, In(kSampleGroupInputs, 1, 1)),
              ColorSquare(kSampleSquare3, In(kSampleGroupInputs, 1, 2)),
              ColorSquare(kSampleSquare4, In(kSampleGroupInputs, 1, 3)),

              SourceIndicator(kSampleIndicator, At(0, 2)),

              // Middle: the big lists.
              GroupBox(kSampleGroupLists, u"Devices with bidirectional communication",
                       At(1, 0, 1, 2)),
              ListView(kSampleTable, In(kSampleGroupLists, 0, 0),
                       {{u"Pos.", 34},
                        {u"RF address", 150},
                        {u"Cache", 44},
                        {u"MB_start", 62},
                        {u"MB_cnt", 56},
                        {u"RSSI", 60},
                        {u"Action", 76},
                        {u"Tstamp", 64}},
                       kFullRowSelect | kGridLines, 170),
              ListBox(kSampleDevices, At(1, 2), kSorted | kMultiSelect, 250, 170),
              Label(u"Project Notes", At(2, 0)),
              Edit(kSampleNotes, At(3, 0, 1, 2), kMultiLine),
              ListBox(kSampleLog, At(2, 2, 2, 1), 0, 250, 70),

              // Bottom: progress and the buttons.
              Progress(kSampleProgress, At(4, 0, 1, 2)),
              Label(u"--:--:--", At(4, 2), kSampleLastComm, kRightAlign),
              GroupBox(kSampleButtonRow, u"", At(5, 0, 1, 3)),
              ImageButton(kSampleScan, u"Scan", In(kSampleButtonRow, 0, 0)),
              Button(kSampleRead, u"Read", In(kSampleButtonRow, 0, 1)),
              Button(kSampleWrite, u"Write to EEPROM", In(kSampleButtonRow, 0, 2)),
              Button(kIdOk, u"OK", In(kSampleButtonRow, 0, 4), kDefault),
              Button(kIdCancel, u"Cancel", In(kSampleButtonRow, 0, 5)),
          },
      .stretch_columns = {0, 1},
  };
  return t;
}

}  // namespace corvane::ui
