// The project editor through TestHost, with a stand-in for the main window.
#include "app/edit_project.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/radio_settings.h"
#include "ui/headless/test_host.h"
#include "app/edit_project_template.h"

namespace corvane {
namespace {

using namespace ui;  // NOLINT(build/namespaces): control ids and the host

class FakeMainWindow : public EditProjectClient {
 public:
  void ApplyDongleSettings() override { ++applied; }
  void ShowProjectSettings() override { ++shown; }
  void Scan() override { ++scans; }
  void CleanList() override { ++cleans; }
  std::vector<HeardEntry> HeardList() override { return heard; }

  int applied = 0;
  int shown = 0;
  int scans = 0;
  int cleans = 0;
  std::vector<HeardEntry> heard;
};

std::vector<std::u16string> Lines(const Dialog& dlg, int id) {
  std::vector<std::u16string> out;
  for (int i = 0; i < dlg.Count(id); ++i) out.push_back(dlg.Item(id, i));
  return out;
}

class EditProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main.heard = {{0x00300012, 4, -60, 0}, {0x00A00001, 120, -75, 1}, {0, 0, 0, 0}};
  }
  void TearDown() override { EXPECT_EQ(dlg.unknown_id_uses(), 0); }

  TestHost host;
  Project project;
  FakeMainWindow main;
  CEditProject dlg{host, project, main};
};

TEST_F(EditProjectTest, OpeningFillsEveryControlFromTheProject) {
  project.SetName(u"Villa Rosen");
  project.SetNotes(u"Boiler room in the basement");
  project.SetPassword(u"SECRET");
  project.SetFrequencyIndex(3);
  AddProjectDevice(project, 0x00A00001);
  AddProjectDevice(project, 0x00300012);
  host.Open(dlg);

  EXPECT_EQ(dlg.Title(), u"Edit Project");
  ASSERT_EQ(dlg.Count(kEditProjectFrequency), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dlg.Item(kEditProjectFrequency, i), kFrequencyNames[i]);
  EXPECT_EQ(dlg.CurSel(kEditProjectFrequency), 3);
  EXPECT_EQ(dlg.Text(kEditProjectPassword), u"SECRET");
  EXPECT_EQ(dlg.Text(kEditProjectName), u"Villa Rosen");
  EXPECT_EQ(dlg.Text(kEditProjectNotes), u"Boiler room in the basement");
  // The list keeps its lines in text order, which is address order.
  EXPECT_EQ(Lines(dlg, kEditProjectDevices),
            (std::vector<std::u16string>{u"0x00300012 Quadrel-A", u"0x00A00001 Termolo"}));
  EXPECT_EQ(dlg.CurSel(kEditProjectSortBy), 0);
  EXPECT_EQ(dlg.Text(kEditProjectSortBy), u"Address");
  EXPECT_EQ(Lines(dlg, kEditProjectInRange),
            (std::vector<std::u16string>{u"0x00300012 Quadrel-A -60 dBm 4 s",
                                         u"0x00A00001 Termolo -75 dBm 120 s"}));
  ASSERT_EQ(dlg.Count(kEditProjectManualAddress), 23);
  EXPECT_EQ(dlg.Item(kEditProjectManualAddress, 0), u"0x00100000 Ventora");
  EXPECT_EQ(dlg.Item(kEditProjectManualAddress, 22), u"0xFFE00000 DEVICE ON MODBUS");
  // Opening stores nothing and sends nothing.
  EXPECT_EQ(main.applied, 0);
  EXPECT_EQ(main.shown, 0);
}

TEST_F(EditProjectTest, PasswordLongerThanTheFieldShowsSixteenCharacters) {
  project.SetPassword(u"ABCDEFGHIJKLMNOPQRS");
  host.Open(dlg);
  EXPECT_EQ(dlg.Text(kEditProjectPassword), u"ABCDEFGHIJKLMNOP");
}

TEST_F(EditProjectTest, SortByReordersTheDevicesInRange) {
  main.heard = {{0x00300012, 30, -80, 0}, {0x00A00001, 5, -75, 1}, {0x00200003, 60, -50, 0}};
  host.Open(dlg);
  auto first_addresses = [&] {
    std::vector<std::u16string> out;
    for (const auto& line : Lines(dlg, kEditProjectInRange)) out.push_back(line.substr(0, 10));
    return out;
  };
  EXPECT_EQ(first_addresses(),
            (std::vector<std::u16string>{u"0x00200003", u"0x00300012", u"0x00A00001"}));
  ASSERT_TRUE(host.Select(dlg, kEditProjectSortBy, 1));
  EXPECT_EQ(first_addresses(),
            (std::vector<std::u16string>{u"0x00200003", u"0x00A00001", u"0x00300012"}));
  ASSERT_TRUE(host.Select(dlg, kEditProjectSortBy, 2));
  EXPECT_EQ(dlg.Text(kEditProjectSortBy), u"Time from last communikation");
  EXPECT_EQ(first_addresses(),
            (std::vector<std::u16string>{u"0x00A00001", u"0x00300012", u"0x00200003"}));
  // A later refresh keeps the chosen order.
  main.heard.push_back({0x00300099, 1, -99, 0});
  dlg.RefreshInRange();
  EXPECT_EQ(dlg.Item(kEditProjectInRange, 0), u"0x00300099 Quadrel-A -99 dBm 1 s");
}

TEST_F(EditProjectTest, AddingSelectedHeardDevicesTwiceLeavesOneEach) {
  host.Open(dlg);
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectInRange, {0, 1}));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddHeard));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddHeard));
  EXPECT_EQ(project.DeviceCount(), 2);
  EXPECT_EQ(project.Length(project.Find(0x00300012)), 59u);
  EXPECT_EQ(project.Length(project.Find(0x00A00001)), 98u);
  EXPECT_EQ(Lines(dlg, kEditProjectDevices),
            (std::vector<std::u16string>{u"0x00300012 Quadrel-A", u"0x00A00001 Termolo"}));
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(EditProjectTest, DoubleClickAddsTheLine) {
  host.Open(dlg);
  ASSERT_TRUE(host.DoubleClick(dlg, kEditProjectInRange, 1));
  EXPECT_EQ(project.DeviceCount(), 1);
  EXPECT_GE(project.Find(0x00A00001), 0);
  EXPECT_EQ(Lines(dlg, kEditProjectDevices), std::vector<std::u16string>{u"0x00A00001 Termolo"});
}

TEST_F(EditProjectTest, OneClickMovesAtMostTenLines) {
  main.heard.clear();
  for (uint32_t i = 1; i <= 12; ++i) {
    main.heard.push_back({0x00300000 + i, 1, -50, 0});
    AddProjectDevice(project, 0x00A00000 + i);
  }
  host.Open(dlg);
  std::vector<int> all(12);
  for (int i = 0; i < 12; ++i) all[i] = i;
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectInRange, all));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddHeard));
  EXPECT_EQ(project.DeviceCount(), 22);
  EXPECT_GE(project.Find(0x0030000A), 0);
  EXPECT_EQ(project.Find(0x0030000B), -1);

  // The project list now starts with the ten new devices, then the twelve others.
  ASSERT_TRUE(
      host.SelectMany(dlg, kEditProjectDevices, {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  ASSERT_TRUE(host.Click(dlg, kEditProjectRemove));
  EXPECT_EQ(project.DeviceCount(), 12);
  EXPECT_GE(project.Find(0x00300008), 0);
  EXPECT_EQ(project.Find(0x00300009), -1);
  EXPECT_EQ(project.Find(0x00A00008), -1);
  EXPECT_GE(project.Find(0x00A00009), 0);
}

TEST_F(EditProjectTest, ManualEntryOfTypeTwoAddsItsAddress) {
  host.Open(dlg);
  ASSERT_EQ(dlg.Item(kEditProjectManualAddress, 1), u"0x00200000 Calidor");
  ASSERT_TRUE(host.Select(dlg, kEditProjectManualAddress, 1));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddManual));
  const int entry = project.Find(0x00200000);
  ASSERT_GE(entry, 0);
  EXPECT_EQ(project.Length(entry), 190u);
  EXPECT_EQ(Lines(dlg, kEditProjectDevices), std::vector<std::u16string>{u"0x00200000 Calidor"});

  // A typed address, hexadecimal with anything around it, or decimal.
  ASSERT_TRUE(host.Type(dlg, kEditProjectManualAddress, u" 0x00a0-0001 "));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddManual));
  EXPECT_GE(project.Find(0x00A00001), 0);
  ASSERT_TRUE(host.Type(dlg, kEditProjectManualAddress, u"1092557"));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddManual));
  EXPECT_GE(project.Find(0x0010ABCD), 0);
  // Nothing readable adds nothing.
  ASSERT_TRUE(host.Type(dlg, kEditProjectManualAddress, u"garden"));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddManual));
  EXPECT_EQ(project.DeviceCount(), 3);
}

TEST_F(EditProjectTest, TypeZeroDeviceGetsTheWholeTemplate) {
  host.Open(dlg);
  ASSERT_TRUE(host.Type(dlg, kEditProjectManualAddress, u"0x00000012"));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddManual));
  const int entry = project.Find(0x00000012);
  ASSERT_GE(entry, 0);
  EXPECT_EQ(project.Length(entry), 50u);
  EXPECT_EQ(project.Record(entry)[26], 0x0200);
  EXPECT_EQ(dlg.Item(kEditProjectDevices, 0), u"0x00000012 ");
}

TEST_F(EditProjectTest, RemoveButtonFreesTheRecord) {
  AddProjectDevice(project, 0x00300012);
  AddProjectDevice(project, 0x00A00001);
  AddProjectDevice(project, 0x00200007);
  host.Open(dlg);
  ASSERT_EQ(dlg.Item(kEditProjectDevices, 2), u"0x00A00001 Termolo");
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectDevices, {0, 2}));
  ASSERT_TRUE(host.Click(dlg, kEditProjectRemove));
  EXPECT_EQ(project.Find(0x00200007), -1);
  EXPECT_EQ(project.Find(0x00A00001), -1);
  EXPECT_FALSE(project.HasRecord(1));
  EXPECT_FALSE(project.HasRecord(2));
  EXPECT_EQ(project.Length(1), 0u);
  EXPECT_EQ(Lines(dlg, kEditProjectDevices), std::vector<std::u16string>{u"0x00300012 Quadrel-A"});
  // The freed entries are taken again first.
  ASSERT_TRUE(host.DoubleClick(dlg, kEditProjectInRange, 1));
  EXPECT_EQ(project.Find(0x00A00001), 1);
}

TEST_F(EditProjectTest, DeleteKeyRemovesTwentyMillisecondsLater) {
  AddProjectDevice(project, 0x00300012);
  AddProjectDevice(project, 0x00A00001);
  host.Open(dlg);
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectDevices, {1}));
  EXPECT_TRUE(host.PressKey(dlg, vk::kDelete, kEditProjectDevices));
  EXPECT_EQ(project.DeviceCount(), 2);
  host.Advance(19);
  EXPECT_EQ(project.DeviceCount(), 2);
  host.Advance(1);
  EXPECT_EQ(project.DeviceCount(), 1);
  EXPECT_EQ(project.Find(0x00A00001), -1);
  EXPECT_FALSE(host.TimerRunning(dlg, CEditProject::kTimerDelete));
  // Delete in the heard list removes nothing.
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectInRange, {0}));
  host.PressKey(dlg, vk::kDelete, kEditProjectInRange);
  host.Advance(100);
  EXPECT_EQ(project.DeviceCount(), 1);
  EXPECT_FALSE(dlg.ended());
}

TEST_F(EditProjectTest, FullProjectIgnoresFurtherDevicesSilently) {
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    AddProjectDevice(project, 0x00200000u + static_cast<uint32_t>(i));
  }
  host.Open(dlg);
  ASSERT_TRUE(host.DoubleClick(dlg, kEditProjectInRange, 0));
  EXPECT_EQ(project.Find(0x00300012), -1);
  EXPECT_EQ(dlg.Count(kEditProjectDevices), Project::kMaxDevices);
  EXPECT_TRUE(host.boxes().empty());
}

TEST(EditProjectMemory, FailedRecordShowsMallocErrorAndStopsTheBatch) {
  TestHost host;
  Project project;
  FakeMainWindow main;
  main.heard = {{0x00300012, 4, -60, 0}, {0x00A00001, 120, -75, 1}};
  int calls = 0;
  CEditProject dlg(host, project, main, [&](size_t) -> std::optional<std::vector<uint16_t>> {
    ++calls;
    return std::nullopt;
  });
  host.Open(dlg);
  ASSERT_TRUE(host.SelectMany(dlg, kEditProjectInRange, {0, 1}));
  ASSERT_TRUE(host.Click(dlg, kEditProjectAddHeard));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Malloc Error");
  EXPECT_EQ(host.boxes()[0].icon, Icon::kError);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(project.DeviceCount(), 0);
  EXPECT_EQ(dlg.Count(kEditProjectDevices), 0);
  EXPECT_FALSE(dlg.ended());
}

TEST_F(EditProjectTest, PasswordAndFrequencyAreAppliedAtOnce) {
  host.Open(dlg);
  ASSERT_TRUE(host.Type(dlg, kEditProjectPassword, u"NEWPASS"));
  EXPECT_EQ(project.Password(), u"NEWPASS");
  EXPECT_EQ(main.shown, 1);
  EXPECT_EQ(main.applied, 1);
  // Only the low byte of each character fits the field; the 17th character is dropped.
  ASSERT_TRUE(host.Type(dlg, kEditProjectPassword, u"\u0141BCDEFGHIJKLMNOPQ"));
  const auto bytes = project.PasswordBytes();
  EXPECT_EQ(bytes[0], 0x41);
  EXPECT_EQ(bytes[15], 'P');
  EXPECT_EQ(main.applied, 2);
  ASSERT_TRUE(host.Type(dlg, kEditProjectPassword, u""));
  EXPECT_EQ(project.PasswordBytes(), (std::array<uint8_t, 16>{}));

  ASSERT_TRUE(host.Select(dlg, kEditProjectFrequency, 5));
  EXPECT_EQ(project.FrequencyIndex(), 5u);
  EXPECT_EQ(main.shown, 4);
  EXPECT_EQ(main.applied, 4);

  // Closing without OK keeps what was applied.
  ASSERT_TRUE(host.CloseBox(dlg));
  EXPECT_TRUE(dlg.ended());
  EXPECT_EQ(project.FrequencyIndex(), 5u);
  EXPECT_EQ(project.Password(), u"");
}

TEST_F(EditProjectTest, OkStoresNameAndNotesCutToFit) {
  project.SetFrequencyIndex(2);
  host.Open(dlg);
  const std::u16string name(40, u'N');
  std::u16string notes;
  for (int i = 0; i < 30; ++i) notes += u"line ";
  notes += u"\r\n";
  for (int i = 0; i < 30; ++i) notes += u"more ";
  ASSERT_GT(notes.size(), 255u);
  ASSERT_TRUE(host.Type(dlg, kEditProjectName, name));
  ASSERT_TRUE(host.Type(dlg, kEditProjectNotes, notes));
  // Typing the name or the notes stores nothing yet.
  EXPECT_EQ(project.Name(), u"New Project");
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_TRUE(dlg.ended());
  EXPECT_EQ(dlg.result(), kIdOk);
  EXPECT_EQ(project.Name(), name.substr(0, 31));
  EXPECT_EQ(project.Notes(), notes.substr(0, 255));
  EXPECT_EQ(project.FrequencyIndex(), 2u);
  EXPECT_EQ(project.Password(), kDefaultNetworkPassword);
}

TEST_F(EditProjectTest, CloseBoxDropsNameAndNotesButKeepsDevices) {
  host.Open(dlg);
  ASSERT_TRUE(host.Type(dlg, kEditProjectName, u"Not taken"));
  ASSERT_TRUE(host.DoubleClick(dlg, kEditProjectInRange, 0));
  ASSERT_TRUE(host.PressKey(dlg, vk::kEscape));
  EXPECT_EQ(dlg.result(), kIdCancel);
  EXPECT_EQ(project.Name(), u"New Project");
  EXPECT_GE(project.Find(0x00300012), 0);
}

TEST_F(EditProjectTest, UnknownFrequencyIndexIsKeptUntilTheUserPicksOne) {
  project.SetFrequencyIndex(9);
  host.Open(dlg);
  EXPECT_EQ(dlg.CurSel(kEditProjectFrequency), -1);
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_EQ(project.FrequencyIndex(), 9u);
}

TEST_F(EditProjectTest, ScanAndCleanListGoToTheMainWindow) {
  host.Open(dlg);
  ASSERT_TRUE(host.Click(dlg, kEditProjectScan));
  ASSERT_TRUE(host.Click(dlg, kEditProjectCleanList));
  EXPECT_EQ(main.scans, 1);
  EXPECT_EQ(main.cleans, 1);
}

TEST_F(EditProjectTest, HeardListRefreshesAtOnceOrOnceAfterHalfASecond) {
  host.Open(dlg);
  ASSERT_EQ(dlg.Count(kEditProjectInRange), 2);
  main.heard.push_back({0x00200003, 1, -40, 0});
  dlg.RefreshInRange();
  EXPECT_EQ(dlg.Count(kEditProjectInRange), 3);

  main.heard.clear();
  dlg.StartRefreshTimer();
  EXPECT_EQ(host.TimerPeriod(dlg, CEditProject::kTimerRefresh), 500);
  host.Advance(499);
  EXPECT_EQ(dlg.Count(kEditProjectInRange), 3);
  host.Advance(1);
  EXPECT_EQ(dlg.Count(kEditProjectInRange), 0);
  EXPECT_FALSE(host.TimerRunning(dlg, CEditProject::kTimerRefresh));
}

}  // namespace
}  // namespace corvane
