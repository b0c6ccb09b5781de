// Loading, saving and dropping project files through the main window.
#include <gtest/gtest.h>

#include <fstream>

#include "app/edit_project.h"
#include "app_harness.h"
#include "model/le.h"
#include "app/edit_project_template.h"
#include "app/main_template.h"
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

TEST_F(AppTest, BadFilesAreReportedAndChangeNothingElse) {
  Start(0);
  dlg->LoadProject(u"missing.cvp");
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File missing.cvp could not be opened 2");
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");

  // Too short: the project stays, but the name and title are taken over.
  std::ofstream("short.cvp") << "too short";
  dlg->LoadProject(u"short.cvp");
  EXPECT_EQ(dlg->file_name(), u"short.cvp");
  EXPECT_EQ(dlg->project().Name(), u"New Project");

  // A record running past the end: "Invalid file", the earlier devices stay loaded.
  WriteProjectFile("cut.cvp", u"Cut", {{0x00300001, 59}, {0x00A00001, 98}});
  auto bytes = ReadAll("cut.cvp");
  bytes.resize(bytes.size() - 10);
  std::ofstream("cut.cvp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  host.ClearBoxes();
  dlg->LoadProject(u"cut.cvp");
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Invalid file");
  EXPECT_EQ(dlg->project().Record(0)[3], 0x1100);
  EXPECT_EQ(dlg->Count(kMainDeviceList), 2);
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
