// Loading, saving and dropping project files through the main window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/edit_project.h"
#include "app/edit_project_template.h"
#include "app/main_template.h"
#include "app_harness.h"
#include "model/le.h"
#include "sim/dongle.h"
#include "ui/text.h"

namespace corvane {
namespace {

using testing::AppTest;
using namespace ui;
namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteProjectFile(const fs::path& path, const std::u16string& name,
                      std::vector<std::pair<RfAddress, int>> devices) {
  Project p;
  p.SetName(name);
  p.SetNotes(u"Boiler room, second floor");
  for (size_t i = 0; i < devices.size(); ++i) {
    auto record = DefaultRecordTemplate();
    record.resize(static_cast<size_t>(devices[i].second), 0);
    p.SetEntry(static_cast<int>(i), devices[i].first, std::move(record));
  }
  ASSERT_TRUE(SaveProjectFile(path, p).ok);
}

TEST_F(AppTest, CommandLineProjectWinsOverTheRememberedOne) {
  WriteProjectFile("site.cvp", u"Site", {{0x00A00604, 98}, {0x0030ABCD, 59}});
  WriteProjectFile("other.cvp", u"Other", {});
  profile.values[u"FILENAME"] = u"other.cvp";
  command_line = u"site.cvp";
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"site.cvp");
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 site.cvp");
  EXPECT_EQ(dlg->Text(kMainNotes), u"Boiler room, second floor");
  // Sorted as text: address order; each line shows the name from the record.
  ASSERT_EQ(dlg->Count(kMainDeviceList), 2);
  EXPECT_EQ(dlg->Item(kMainDeviceList, 0), u"0x0030ABCD Quadrel-A default");
  EXPECT_EQ(dlg->Item(kMainDeviceList, 1), u"0x00A00604 Termolo default");
  EXPECT_FALSE(dlg->modified());
}

TEST_F(AppTest, RememberedProjectLoadsWhenReadable) {
  WriteProjectFile("last.cvp", u"Last", {{0x00300001, 59}});
  profile.values[u"FILENAME"] = u"last.cvp";
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"last.cvp");
  EXPECT_EQ(dlg->Count(kMainDeviceList), 1);
  EXPECT_FALSE(fs::exists("new_project.cvp"));
}

// What the user sees of the open project, and what would go to the dongle.
struct Shown {
  std::u16string file, title, name, notes, password;
  uint32_t frequency;
  std::vector<std::u16string> lines;
  bool operator==(const Shown&) const = default;
};
Shown Snapshot(CCorvaneDlg& dlg) {
  Shown s{dlg.file_name(),
          dlg.Title(),
          dlg.project().Name(),
          dlg.project().Notes(),
          dlg.project().Password(),
          dlg.project().FrequencyIndex(),
          {}};
  for (int i = 0; i < dlg.Count(kMainDeviceList); ++i)
    s.lines.push_back(dlg.Item(kMainDeviceList, i));
  return s;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST_F(AppTest, RefusedFilesLeaveTheOpenProjectAsItWas) {
  WriteProjectFile("site.cvp", u"Site", {{0x00300001, 59}});
  command_line = u"site.cvp";
  Start(0);
  dlg->project().SetPassword(u"SITEPASSWORD0001");
  dlg->project().SetFrequencyIndex(2);
  dlg->RefreshDeviceList();
  host.Advance(4000);
  const Shown before = Snapshot(*dlg);
  // The dongle's password and frequency registers.
  auto dongle_settings = [&] {
    std::vector<uint16_t> regs;
    for (int r = sim::dongle_reg::kPassword; r <= sim::dongle_reg::kPassword + 8; ++r) {
      regs.push_back(sim.dongle().reg(r));
    }
    return regs;
  };
  const auto dongle_before = dongle_settings();

  dlg->LoadProject(u"missing.cvp");
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File missing.cvp could not be opened 2");
  EXPECT_EQ(Snapshot(*dlg), before);

  // Random bytes whose device table points past the end, an empty file, a cut record: each is
  // "Invalid file" and none of it is taken.
  std::vector<uint8_t> noise(9000);
  uint32_t x = 12345;
  for (auto& b : noise) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  WriteBytes("noise.cvp", noise);
  WriteBytes("empty.cvp", {});
  WriteBytes("short.cvp", std::vector<uint8_t>(Project::kRecordBytes - 1, 0));
  WriteProjectFile("cut.cvp", u"Cut", {{0x00300001, 59}, {0x00A00001, 98}});
  auto cut = ReadAll("cut.cvp");
  cut.resize(cut.size() - 10);
  WriteBytes("cut.cvp", cut);
  for (const char16_t* name : {u"noise.cvp", u"empty.cvp", u"short.cvp", u"cut.cvp"}) {
    host.ClearBoxes();
    EXPECT_FALSE(dlg->LoadProject(name));
    ASSERT_EQ(host.boxes().size(), 1u) << Utf16ToUtf8(name);
    EXPECT_EQ(host.boxes()[0].text, u"Invalid file");
    EXPECT_EQ(Snapshot(*dlg), before) << Utf16ToUtf8(name);
  }
  host.Advance(4000);
  EXPECT_EQ(dongle_settings(), dongle_before);
}

TEST_F(AppTest, NamedPipesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.cvp").c_str(), 0600), 0);
  profile.values[u"FILENAME"] = (dir_ / "pipe.cvp").u16string();
  // The remembered file is a pipe: start-up goes on to "new_project.cvp" instead of hanging.
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_FALSE(dlg->LoadProject(u"pipe.cvp"));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File pipe.cvp could not be opened 22");
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");
}

TEST_F(AppTest, StartUpLoadsAnExistingNewProjectInsteadOfOverwritingIt) {
  WriteProjectFile("new_project.cvp", u"Installed", {{0x00300001, 59}});
  const auto before = ReadAll("new_project.cvp");
  profile.values[u"FILENAME"] = u"gone.cvp";
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");
  EXPECT_EQ(dlg->project().Name(), u"Installed");
  EXPECT_EQ(dlg->Count(kMainDeviceList), 1);
  EXPECT_EQ(ReadAll("new_project.cvp"), before);
}

TEST_F(AppTest, StartUpCreatesNewProjectOnlyWhenAbsent) {
  profile.values[u"FILENAME"] = u"gone.cvp";
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");
  EXPECT_EQ(ReadAll("new_project.cvp").size(), static_cast<size_t>(Project::kRecordBytes));
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 new_project.cvp");
}

TEST_F(AppTest, DroppedProjectFilesLoadOthersAreIgnored) {
  WriteProjectFile("Site.CvP", u"Dropped", {{0x00300001, 59}});
  std::ofstream("notes.txt") << "hello";
  Start(0);
  dlg->OnDropFiles({u"notes.txt", u"Site.CvP"});
  EXPECT_EQ(dlg->file_name(), u"Site.CvP");
  EXPECT_EQ(dlg->project().Name(), u"Dropped");
  EXPECT_FALSE(dlg->modified());  // loading does not set it
}

TEST_F(AppTest, SaveClearsModifiedAndAFailedSaveKeepsTheOldFile) {
  Start(0);
  const auto before = ReadAll("new_project.cvp");
  dlg->SetModified();
  dlg->project().SetName(u"Changed");
  // The save's temporary file cannot be made: the old file stays as it was.
  fs::create_directory("new_project.cvp.saving");
  EXPECT_FALSE(dlg->SaveProject());
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text.rfind(u"File new_project.cvp could not be opened ", 0), 0u);
  EXPECT_TRUE(dlg->modified());
  EXPECT_EQ(ReadAll("new_project.cvp"), before);
  fs::remove("new_project.cvp.saving");
  EXPECT_TRUE(dlg->SaveProject());
  EXPECT_FALSE(dlg->modified());
  EXPECT_NE(ReadAll("new_project.cvp"), before);
}

TEST_F(AppTest, SaveAsAndLoadDialogs) {
  Start(0);
  host.QueueFileResult(std::u16string(u"copy.cvp"));
  dlg->SaveProjectAs();
  ASSERT_EQ(host.file_requests().size(), 1u);
  const auto& spec = host.file_requests()[0].spec;
  EXPECT_TRUE(host.file_requests()[0].save);
  EXPECT_EQ(spec.default_extension, u"cvp");
  EXPECT_EQ(spec.initial_name, u"new_project");
  EXPECT_TRUE(spec.overwrite_prompt);
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 copy.cvp");
  EXPECT_TRUE(fs::exists("copy.cvp"));

  // Cancelled dialogs change nothing.
  host.QueueFileResult(std::nullopt);
  dlg->LoadProjectDialog();
  EXPECT_EQ(dlg->file_name(), u"copy.cvp");
  WriteProjectFile("b.cvp", u"B", {});
  host.QueueFileResult(std::u16string(u"b.cvp"));
  host.Click(*dlg, kMainLoadProject);
  EXPECT_EQ(dlg->project().Name(), u"B");
  EXPECT_FALSE(host.file_requests().back().save);
  EXPECT_TRUE(host.file_requests().back().spec.must_exist);
}

TEST_F(AppTest, UnsavedChangesQuestion) {
  Start(0);
  dlg->SetModified();
  host.QueueAnswer(kIdCancel);
  EXPECT_FALSE(dlg->AskSaveIfModified());
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Save Project?");
  EXPECT_EQ(host.boxes()[0].caption, u"Warning before Project Exit");
  EXPECT_EQ(host.boxes()[0].icon, Icon::kWarning);
  EXPECT_EQ(host.boxes()[0].buttons, Buttons::kYesNoCancel);
  // Cancel on leaving keeps the program running.
  host.QueueAnswer(kIdCancel);
  host.CloseBox(*dlg);
  host.Advance(200);
  EXPECT_FALSE(dlg->ended());
  // Yes saves.
  host.QueueAnswer(kIdYes);
  EXPECT_TRUE(dlg->AskSaveIfModified());
  EXPECT_FALSE(dlg->modified());
  // New Project: asks (nothing to ask now), resets, opens the editor, saves under the chosen
  // name.
  dlg->project().SetName(u"Old");
  host.QueueFileResult(std::u16string(u"fresh.cvp"));
  int editors = 0;
  host.OnModal<CEditProject>([&](CEditProject& editor) {
    ++editors;
    EXPECT_EQ(editor.Text(kEditProjectName), u"New Project");
    host.CloseBox(editor);
  });
  host.Click(*dlg, kMainNewProject);
  EXPECT_EQ(editors, 1);
  EXPECT_EQ(dlg->project().Name(), u"New Project");
  EXPECT_EQ(dlg->file_name(), u"fresh.cvp");
  EXPECT_TRUE(fs::exists("fresh.cvp"));
}

// Makes every save of `name` fail: its temporary file cannot be created.
void BlockSaves(const fs::path& name) { fs::create_directory(name.string() + ".saving"); }

TEST_F(AppTest, AFailedSaveOnTheQuestionKeepsProgramAndProject) {
  WriteProjectFile("site.cvp", u"Site", {{0x00300001, 59}});
  WriteProjectFile("other.cvp", u"Other", {});
  command_line = u"site.cvp";
  Start(0);
  dlg->SetModified();
  dlg->project().SetName(u"Edited");
  BlockSaves("site.cvp");
  const auto on_disk = ReadAll("site.cvp");

  // Leaving: Yes, the save fails, the program stays.
  host.QueueAnswer(kIdYes);
  host.CloseBox(*dlg);
  host.Advance(500);
  EXPECT_FALSE(dlg->ended());
  // New Project: nothing is reset and no editor opens.
  host.QueueAnswer(kIdYes);
  host.OnModal<CEditProject>([&](CEditProject&) { ADD_FAILURE() << "editor opened"; });
  host.Click(*dlg, kMainNewProject);
  // Load Project and a dropped file: nothing is loaded, no file dialog is shown.
  host.QueueAnswer(kIdYes);
  const size_t requests = host.file_requests().size();
  host.Click(*dlg, kMainLoadProject);
  EXPECT_EQ(host.file_requests().size(), requests);
  host.QueueAnswer(kIdYes);
  dlg->OnDropFiles({u"other.cvp"});

  EXPECT_EQ(dlg->project().Name(), u"Edited");
  EXPECT_EQ(dlg->file_name(), u"site.cvp");
  EXPECT_TRUE(dlg->modified());
  EXPECT_EQ(ReadAll("site.cvp"), on_disk);
  int questions = 0;
  for (const auto& box : host.boxes()) questions += box.text == u"Save Project?";
  EXPECT_EQ(questions, 4);
}

TEST_F(AppTest, LoadingAndDroppingAskBeforeDiscardingChanges) {
  WriteProjectFile("other.cvp", u"Other", {});
  Start(0);
  dlg->SetModified();
  dlg->project().SetName(u"Edited");
  // Cancel keeps the work; neither the file dialog nor the drop loads anything.
  host.QueueAnswer(kIdCancel);
  host.Click(*dlg, kMainLoadProject);
  EXPECT_TRUE(host.file_requests().empty());
  host.QueueAnswer(kIdCancel);
  dlg->OnDropFiles({u"notes.txt", u"other.cvp", u"other.cvp"});
  EXPECT_EQ(dlg->project().Name(), u"Edited");
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[1].text, u"Save Project?");
  // No: the dropped project replaces it, asked once for the whole drop.
  host.ClearBoxes();
  host.QueueAnswer(kIdNo);
  dlg->OnDropFiles({u"other.cvp", u"other.cvp"});
  EXPECT_EQ(dlg->project().Name(), u"Other");
  EXPECT_EQ(host.boxes().size(), 1u);
  EXPECT_FALSE(dlg->modified());
  // Nothing modified: no question.
  host.ClearBoxes();
  host.QueueFileResult(std::u16string(u"other.cvp"));
  host.Click(*dlg, kMainLoadProject);
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(AppTest, AFailedSaveAsKeepsTheFormerNameAndTitle) {
  WriteProjectFile("site.cvp", u"Site", {});
  command_line = u"site.cvp";
  Start(0);
  BlockSaves("locked.cvp");
  host.QueueFileResult(std::u16string(u"locked.cvp"));
  EXPECT_FALSE(dlg->SaveProjectAs());
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text.rfind(u"File locked.cvp could not be opened ", 0), 0u);
  EXPECT_EQ(dlg->file_name(), u"site.cvp");
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 site.cvp");
  // New Project whose name dialog is cancelled has no file: Save asks for one instead of
  // writing the empty project over the site.
  const auto site = ReadAll("site.cvp");
  host.OnModal<CEditProject>([&](CEditProject& editor) { host.CloseBox(editor); });
  host.QueueFileResult(std::nullopt);
  host.Click(*dlg, kMainNewProject);
  EXPECT_EQ(dlg->file_name(), u"");
  host.QueueFileResult(std::nullopt);
  EXPECT_FALSE(dlg->SaveProject());
  EXPECT_EQ(ReadAll("site.cvp"), site);
  host.QueueFileResult(std::u16string(u"fresh.cvp"));
  EXPECT_TRUE(dlg->SaveProject());
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 fresh.cvp");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST_F(AppTest, EditorScansAddsHeardDevicesAndTheMainListMarksThem) {
  Start(1000);
  host.Advance(30000);  // the demo nodes report, the dongle hears them
  int in_range = 0;
  host.OnModal<CEditProject>([&](CEditProject& editor) {
    host.Click(editor, kEditProjectScan);
    EXPECT_TRUE(host.AdvanceUntil([&] { return editor.Count(kEditProjectInRange) > 5; }, 3000));
    in_range = editor.Count(kEditProjectInRange);
    host.SelectMany(editor, kEditProjectInRange, {0, 1, 2});
    host.Click(editor, kEditProjectAddHeard);
    EXPECT_EQ(editor.Count(kEditProjectDevices), 3);
    host.Click(editor, ui::kIdOk);
  });
  host.Click(*dlg, ui::kMainEditProject);
  EXPECT_GT(in_range, 5);
  EXPECT_EQ(dlg->project().DeviceCount(), 3);
  EXPECT_TRUE(dlg->modified());
  // The project list went to the dongle, and the next scan marks the heard devices.
  host.Click(*dlg, ui::kMainScan);
  host.Advance(1500);
  ASSERT_EQ(dlg->Count(ui::kMainDeviceList), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(dlg->Item(ui::kMainDeviceList, i).find(u"  \u16C9 -"), std::u16string::npos)
        << ui::Utf16ToUtf8(dlg->Item(ui::kMainDeviceList, i));
  }
  EXPECT_EQ(sim.dongle().reg(55), 2);
}

}  // namespace
}  // namespace corvane
