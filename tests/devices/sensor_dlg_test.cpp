// The sensor dialogs on their own, the test playing the device: the climate sensor's firmware
// limit, service words, Default by model and fields collected as 0; the counter's reset and its
// clamped drop-downs; the window contact's fields and firmware quirk.
#include <gtest/gtest.h>

#include <algorithm>

#include "device_fixture.h"
#include "devices/sensor_dlgs.h"
#include "devices/sensor_templates.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::DeviceTest;
using ui::SourceState;
namespace demo = sim::demo;
using namespace ui;

class SensorDlgTest : public DeviceTest {
 protected:
  template <class D>
  D& OpenMuted(RfAddress address, DialogClass cls) {
    StartWithProject({address});
    sim.SetMute(address, true);
    MarkHeard({address});
    return Open<D>(address, 0, cls);
  }
  CThermoHygroDlg& OpenClimate(RfAddress address = demo::kClimate) {
    return OpenMuted<CThermoHygroDlg>(address, DialogClass::kThermoHygro);
  }
  CCounterDlg& OpenCounter() {
    return OpenMuted<CCounterDlg>(demo::kCounter, DialogClass::kCounter);
  }
  CWindowContactDlg& OpenWindow() {
    return OpenMuted<CWindowContactDlg>(demo::kWindow, DialogClass::kWindowContact);
  }
  static uint16_t Record(const DeviceDialog& d, int word) {
    return d.record()[static_cast<size_t>(word)];
  }
  static std::vector<uint16_t> Head(int count, uint16_t firmware) {
    std::vector<uint16_t> words(static_cast<size_t>(count), 0);
    words[1] = firmware;
    return words;
  }
};

// --- Climate sensor ---------------------------------------------------------------------------

TEST_F(SensorDlgTest, ClimateFirmwareBefore402CompletesWithoutTheLongerRecord) {
  auto& d = OpenClimate();
  EXPECT_EQ(d.unknown_id_uses(), 0);
  host.Click(d, kDevRead);
  Deliver(d, 0, Head(94, 401));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.Text(kDevFwId), u"4.01");

  // From 4.02 on the read waits for all 98 words.
  host.Click(d, kDevRead);
  Deliver(d, 0, Head(94, 402));
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 94, {0, 0, 0, 0});
  EXPECT_EQ(d.source(), SourceState::kDevice);
}

TEST_F(SensorDlgTest, ClimateDefaultFollowsTheModel) {
  StartWithProject({demo::kClimate, demo::kClimateS}, true);
  auto record = dlg->project().Record(0);
  record[0] = CThermoHygroDlg::kHumidityModel;
  record[1] = 401;
  record[5] = 77;
  record[16] = 0x1234;
  record[40] = 0x5555;
  auto& d = Open<CThermoHygroDlg>(demo::kClimate, 0, DialogClass::kThermoHygro);
  host.Click(d, kDevDefault);
  EXPECT_EQ(Record(d, 0), 0xF018);
  EXPECT_EQ(d.Text(kDevName), u"t+rH meter 1");
  EXPECT_EQ(Record(d, 1), 401);
  EXPECT_EQ(Record(d, 5), 77);
  EXPECT_EQ(Record(d, 16), 0x1234);
  EXPECT_EQ(Record(d, 40), 0);
  EXPECT_EQ(Record(d, 26), 0x0100);
  EXPECT_EQ(d.Text(kDevPassword), u"TARVELONIX4817QD");
  EXPECT_EQ(d.Text(kThMeasurePeriod), u"8");
  EXPECT_EQ(d.Text(kThTransmitPeriod), u"5");
  EXPECT_EQ(d.Text(kThChangeTemp), u"0.50");
  EXPECT_EQ(d.Text(kThChangeRh), u"2.00");
  EXPECT_EQ(d.Text(kThChangeCpu), u"2.00");
  dlg->dialog_slots().Release(&d);

  // Any other model, and none at all, is a thermometer; identity words of 0 stay 0.
  auto& s = Open<CThermoHygroDlg>(demo::kClimateS, 0, DialogClass::kThermoHygro);
  host.Click(s, kDevDefault);
  EXPECT_EQ(Record(s, 0), 0xF017);
  EXPECT_EQ(s.Text(kDevName), u"thermometer 1");
  EXPECT_EQ(Record(s, 1), 0);
  EXPECT_EQ(Record(s, 5), 0);
}

TEST_F(SensorDlgTest, ClimatePeriodsCollectAsZeroATemperatureNoNumberRefusesTheSave) {
  auto& d = OpenClimate();
  Deliver(d, 64, {2800, 2700, 7000, 6500, 8, 5, 50, 200, 200, 10, 20, 30, 0, 0, 10, 60});
  EXPECT_EQ(d.Text(kThAlarmRhOn), u"70.00");
  EXPECT_EQ(d.Text(kThHeatingPeriod), u"60");
  for (int id : {kThMeasurePeriod, kThTransmitPeriod, kThHeatingTime, kThHeatingPeriod}) {
    host.Type(d, id, id == kThMeasurePeriod ? u"" : u"later");
  }
  host.Type(d, kThAlarmTempOff, u"-2.5");
  // A temperature that is no number is not kept silently: the save stops, naming the field.
  host.Type(d, kThAlarmTempOn, u"warm");
  host.Click(d, kDevSave);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{
                            u"Alarm Temp On must be between -327.68 and 327.67 \u00b0C"});
  EXPECT_EQ(Record(d, 68), 8);
  EXPECT_EQ(d.Text(kThAlarmTempOn), u"warm");
  host.Type(d, kThAlarmTempOn, u"28.00");
  host.Click(d, kDevSave);
  for (int word : {68, 69, 78, 79}) EXPECT_EQ(Record(d, word), 0) << word;
  EXPECT_EQ(Record(d, 64), 2800);
  EXPECT_EQ(static_cast<int16_t>(Record(d, 65)), -250);
  EXPECT_EQ(Record(d, 71), 200);
  EXPECT_EQ(Record(d, 75), 30);
}

TEST_F(SensorDlgTest, ClimateServiceSetsOneWordAndLeavesTheOther) {
  StartWithProject({demo::kClimate});
  auto record = dlg->project().Record(0);
  record[33] = 7;
  record[34] = 9;
  auto& d = Open<CThermoHygroDlg>(demo::kClimate, 0, DialogClass::kThermoHygro);
  host.Toggle(d, kThService);
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 33), 1);
  EXPECT_EQ(Record(d, 34), 9);
  Deliver(d, 33, {5, 6});
  host.Toggle(d, kThService);
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 33), 5);
  EXPECT_EQ(Record(d, 34), 1);
}

TEST_F(SensorDlgTest, ClimateStatusBitsAndTheBosselWithoutHumidity) {
  StartWithProject({demo::kClimate, demo::kClimateS});
  auto& d = Open<CThermoHygroDlg>(demo::kClimate, 0, DialogClass::kThermoHygro);
  EXPECT_TRUE(d.IsVisible(kThHumidity));
  Deliver(d, 50, {2137, 2590, 0x0521, 4550});
  EXPECT_EQ(d.Text(kThTemperature), u"21.37");
  EXPECT_EQ(d.Text(kThCpuTemperature), u"25.90");
  EXPECT_EQ(d.Text(kThCpuVoltage), u"3.3");
  EXPECT_EQ(d.Text(kThHeating), u"1");
  EXPECT_EQ(d.Text(kThTempAlarm), u"0");
  EXPECT_EQ(d.Text(kThRhAlarm), u"1");
  EXPECT_EQ(d.Text(kThHumidity), u"45.50");
  Deliver(d, 28, {0x0000, 0x0001, 0, 0x091E});
  EXPECT_EQ(d.Text(kThUptime), u"65536");
  EXPECT_EQ(d.Text(kThBatteryVoltage), u"3.0V");
  EXPECT_EQ(d.Text(kThBatteryState), u"90%");
  dlg->dialog_slots().Release(&d);

  auto& s = Open<CThermoHygroDlg>(demo::kClimateS, 0, DialogClass::kThermoHygro);
  for (int id : {kThHumidity, kThHumidityLabel, kThHumidityUnit}) {
    EXPECT_FALSE(s.IsVisible(id)) << id;
  }
  EXPECT_TRUE(s.IsVisible(kThAlarmRhOn));
}

// --- Pulse counter ----------------------------------------------------------------------------

TEST_F(SensorDlgTest, CounterResetAsksAndWritesTheCountAlone) {
  auto& d = OpenCounter();
  const std::vector<uint16_t> before(d.record().begin(), d.record().end());
  // What the reset puts on the wire: MSG_RF_SEND to 0x00F00606 with one block write of
  // registers 50..51 = 0x0000, 0x8000.
  const std::string reset = "06 06 F0 00 6B 07 32 00 02 00 00 00 80";
  auto writes_in = [](const std::vector<std::string>& sent) {
    return std::count_if(sent.begin(), sent.end(), [](const std::string& line) {
      return line.find(" 6B ") != std::string::npos;
    });
  };
  transport.Take();
  host.QueueAnswer(kIdNo);
  host.Click(d, kCoReset);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Reset counter?");
  EXPECT_EQ(host.boxes()[0].caption, u"Reset Counter");
  EXPECT_EQ(host.boxes()[0].buttons, Buttons::kYesNo);
  EXPECT_EQ(host.boxes()[0].icon, Icon::kWarning);
  EXPECT_EQ(writes_in(transport.Take()), 0);

  host.QueueAnswer(kIdYes);
  host.Click(d, kCoReset);
  const auto sent = transport.Take();
  EXPECT_TRUE(AnySent(sent, reset));
  EXPECT_EQ(writes_in(sent), 1);
  EXPECT_EQ(std::vector<uint16_t>(d.record().begin(), d.record().end()), before);
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.pending(), Pending::kNone);
}

TEST_F(SensorDlgTest, CounterDropDownsClampCodesBeyondTheirLists) {
  auto& d = OpenCounter();
  Deliver(d, 58, {0x070C});  // resistor 12, threshold 7
  EXPECT_EQ(d.Item(kCoResistor, d.CurSel(kCoResistor)), u"Pull Down 50k");
  EXPECT_EQ(d.Item(kCoThreshold, d.CurSel(kCoThreshold)), u"0.3V");
  EXPECT_EQ(Record(d, 58), 0x0408);
  host.Select(d, kCoResistor, 5);
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 58), 0x0405);
  Deliver(d, 58, {0x0102});
  EXPECT_EQ(d.Item(kCoResistor, d.CurSel(kCoResistor)), u"Pull Up 220k");
  EXPECT_EQ(d.Item(kCoThreshold, d.CurSel(kCoThreshold)), u"1.2V");
}

TEST_F(SensorDlgTest, CounterWritesBackTheCountsShown) {
  StartWithProject({demo::kCounter});
  auto record = dlg->project().Record(0);
  record[50] = 0x2345;  // count 0x00012345
  record[51] = 0x0001;
  record[52] = 0xFFFF;  // count last -1
  record[53] = 0xFFFF;
  record[54] = 12;
  record[56] = 90;
  record[59] = 5;
  record[60] = 200;
  auto& d = Open<CCounterDlg>(demo::kCounter, 0, DialogClass::kCounter);
  EXPECT_EQ(d.Text(kCoCount), u"74565");
  EXPECT_EQ(d.Text(kCoCountLast), u"-1");
  EXPECT_EQ(d.Text(kCoCountTime), u"90");
  host.Click(d, kDevSave);
  for (int word : {50, 51, 52, 53, 54, 56}) {
    EXPECT_EQ(Record(d, word), dlg->project().Record(0)[static_cast<size_t>(word)]) << word;
  }
  // Texts that are no number: the counts and periods as 0; a temperature stops the save.
  d.SetText(kCoCountActual, u"");
  host.Type(d, kCoTransmitPeriod, u"x");
  host.Type(d, kCoChangeCpu, u"x");
  host.Click(d, kDevSave);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(Record(d, 59), 5);
  host.Type(d, kCoChangeCpu, u"2.00");
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 54), 0);
  EXPECT_EQ(Record(d, 59), 0);
  EXPECT_EQ(Record(d, 60), 200);
}

TEST_F(SensorDlgTest, CounterDefault) {
  StartWithProject({demo::kCounter}, true);
  dlg->project().Record(0)[6] = 42;
  auto& d = Open<CCounterDlg>(demo::kCounter, 0, DialogClass::kCounter);
  host.Click(d, kDevDefault);
  EXPECT_EQ(Record(d, 0), 0xF027);
  EXPECT_EQ(Record(d, 1), 400);
  EXPECT_EQ(Record(d, 5), 1188);
  EXPECT_EQ(Record(d, 6), 42);
  EXPECT_EQ(d.Text(kDevName), u"counter 1");
  EXPECT_EQ(Record(d, 26), 0x0100);
  EXPECT_EQ(d.Item(kCoResistor, d.CurSel(kCoResistor)), u"Pull Up 220k");
  EXPECT_EQ(d.Text(kCoTransmitPeriod), u"5");
  EXPECT_EQ(d.Text(kCoChangeCpu), u"2.00");
  EXPECT_EQ(d.unknown_id_uses(), 0);
}

// --- Window contact ---------------------------------------------------------------------------

TEST_F(SensorDlgTest, WindowFieldsAndUptimeFromBothWords) {
  auto& d = OpenWindow();
  EXPECT_EQ(d.unknown_id_uses(), 0);
  Deliver(d, 50, {0x0001, 0x1F00, 0, 0, static_cast<uint16_t>(-150), 0, 200, 3});
  EXPECT_EQ(d.Text(kWcWindowState), u"1");
  EXPECT_EQ(d.Text(kWcCpuVoltage), u"3.1V");
  EXPECT_EQ(d.Text(kWcTemperature), u"-1.50");
  EXPECT_EQ(d.Text(kWcPrg), u"PRG");
  EXPECT_EQ(d.Text(kWcUni), u"UNI");
  Deliver(d, 28, {100, 0});
  EXPECT_EQ(d.Text(kWcUptime), u"100");
  Deliver(d, 29, {1});
  EXPECT_EQ(d.Text(kWcUptime), u"100");

  host.Type(d, kWcTempThreshold, u"2.5");
  host.Type(d, kWcTempCorr, u"-0.25");
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 56), 250);
  EXPECT_EQ(static_cast<int16_t>(Record(d, 55)), -25);
  host.Type(d, kWcTempThreshold, u"two");
  host.Click(d, kDevSave);
  EXPECT_EQ(Record(d, 56), 250);
}

TEST_F(SensorDlgTest, WindowOldFirmwareQuirkAndDefault) {
  auto& d = OpenWindow();
  host.Click(d, kDevRead);
  auto head = Head(53, 99);
  head[5] = 1170;
  Deliver(d, 0, head);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  host.Click(d, kDevRead);
  head[1] = 100;
  Deliver(d, 0, head);
  EXPECT_EQ(d.source(), SourceState::kRead);

  Deliver(d, 0, std::vector<uint16_t>(59, 0));
  host.Click(d, kDevDefault);
  EXPECT_EQ(Record(d, 0), 1297);
  EXPECT_EQ(Record(d, 1), 400);
  EXPECT_EQ(Record(d, 5), 1216);
  EXPECT_EQ(d.Text(kDevName), u"WIN 1");
  EXPECT_EQ(Record(d, 26), 0x0200);
  EXPECT_EQ(d.Text(kWcTempThreshold), u"2.00");
}

}  // namespace
}  // namespace corvane::devices
