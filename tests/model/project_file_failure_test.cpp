// Saving a project onto a medium that fails part way: whatever fails, the previous file stays
// byte for byte, no temporary is left beside it, and the failure carries its cause up to the
// message the main window shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/app_harness.h"
#include "app/main_template.h"
#include "model/project.h"
#include "model/user_file.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::AppTest;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

enum class Fault {
  kShortWrites,  // every write takes at most 1000 bytes, all of them arrive in the end
  kShortWrite,   // the medium takes part of a write, then nothing more
  kFullDisk,     // ENOSPC from the first write on
  kFailedSync,
  kSilentSync,   // a flush that fails without saying why (errno left clear)
  kFailedClose,  // a network share that reports the loss only when the file is closed
  kFailedRename,
};

// A medium with one fault, installed for its lifetime.
class FaultyMedium : public FileCalls {
 public:
  explicit FaultyMedium(Fault fault) : fault_(fault) { SetFileCalls(this); }
  ~FaultyMedium() override { SetFileCalls(nullptr); }

  int64_t Write(int handle, const void* bytes, uint64_t length) override {
    switch (fault_) {
      case Fault::kShortWrites:
        return FileCalls::Write(handle, bytes, std::min<uint64_t>(length, 1000));
      case Fault::kShortWrite:
        if (taken_ >= 3000) return 0;
        taken_ += 3000;
        return FileCalls::Write(handle, bytes, std::min<uint64_t>(length, 3000));
      case Fault::kFullDisk:
        errno = ENOSPC;
        return -1;
      default:
        return FileCalls::Write(handle, bytes, length);
    }
  }
  bool Sync(int handle) override {
    if (fault_ != Fault::kFailedSync && fault_ != Fault::kSilentSync) {
      return FileCalls::Sync(handle);
    }
    errno = fault_ == Fault::kFailedSync ? EIO : 0;
    return false;
  }
  bool Close(int handle) override {
    const bool closed = FileCalls::Close(handle);
    if (fault_ != Fault::kFailedClose) return closed;
    errno = EDQUOT;
    return false;
  }
  bool Rename(const fs::path& from, const fs::path& to) override {
    if (fault_ != Fault::kFailedRename) return FileCalls::Rename(from, to);
    errno = EXDEV;
    return false;
  }

 private:
  Fault fault_;
  uint64_t taken_ = 0;
};

// A project whose file is several write chunks long, so that faults hit it mid-way.
Project SiteProject(std::u16string_view name) {
  Project p;
  p.SetName(name);
  for (int i = 0; i < 4; ++i) {
    std::vector<uint16_t> record(900, static_cast<uint16_t>(0x1111 * (i + 1)));
    p.SetEntry(i, 0x00800101 + static_cast<RfAddress>(i), std::move(record));
  }
  return p;
}

class ProjectSaveFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("corvane_save_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    file = dir / "site.cvp";
    ASSERT_TRUE(SaveProjectFile(file, SiteProject(u"Old")).ok);
    before = ReadAll(file);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  fs::path file;
  std::vector<uint8_t> before;
};

TEST_F(ProjectSaveFailureTest, EachFaultKeepsThePreviousFileAndTellsItsCause) {
  const Project edited = SiteProject(u"New");
  const struct {
    Fault fault;
    int cause;
  } cases[] = {{Fault::kShortWrite, ENOSPC},  {Fault::kFullDisk, ENOSPC},
               {Fault::kFailedSync, EIO},     {Fault::kSilentSync, EIO},
               {Fault::kFailedClose, EDQUOT}, {Fault::kFailedRename, EXDEV}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    {
      FaultyMedium medium(c.fault);
      const ProjectSaveResult result = SaveProjectFile(file, edited);
      EXPECT_FALSE(result.ok);
      EXPECT_EQ(result.error, c.cause);
    }
    EXPECT_EQ(ReadAll(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary was left behind";
  }
  // Short writes that all arrive in the end are no failure: the file is complete.
  {
    FaultyMedium medium(Fault::kShortWrites);
    ASSERT_TRUE(SaveProjectFile(file, edited).ok);
  }
  EXPECT_EQ(ReadAll(file), SerializeProject(edited));
}

// The main window on a full disk: "Save Project" names the file and the cause, the project
// stays modified and the file on disk is the one saved before; the next save succeeds.
TEST_F(AppTest, SaveProjectOnAFullDiskTellsTheCauseAndKeepsTheFile) {
  ASSERT_TRUE(SaveProjectFile("site.cvp", SiteProject(u"Old")).ok);
  const std::vector<uint8_t> on_disk = ReadAll("site.cvp");
  command_line = u"site.cvp";
  Start(0);
  dlg->project().SetName(u"Edited");
  dlg->SetModified();
  {
    FaultyMedium medium(Fault::kFullDisk);
    host.Click(*dlg, ui::kMainSaveProject);
  }
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File site.cvp could not be opened 28");
  EXPECT_TRUE(dlg->modified());
  EXPECT_EQ(ReadAll("site.cvp"), on_disk);
  EXPECT_FALSE(fs::exists("site.cvp.saving"));

  host.ClearBoxes();
  host.Click(*dlg, ui::kMainSaveProject);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_FALSE(dlg->modified());
  Project reloaded;
  ASSERT_EQ(LoadProjectFile("site.cvp", reloaded).status, ProjectLoadResult::Status::kOk);
  EXPECT_EQ(reloaded.Name(), u"Edited");
}

}  // namespace
}  // namespace corvane
