// Opening the files a user names: never blocking, only regular files, causes kept.
#include "model/user_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class UserFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("corvane_user_file_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(UserFileTest, OnlyRegularFilesOpenAndEachFailureKeepsItsCause) {
  std::ofstream(dir_ / "plain.bin", std::ios::binary) << "abcdef";
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  FileError error;
  UserFile file = UserFile::Open(dir_ / "plain.bin", error);
  ASSERT_TRUE(file.is_open());
  EXPECT_EQ(file.size(), 6u);
  char bytes[8] = {};
  EXPECT_EQ(file.Read(bytes, sizeof bytes), 6);

  struct Case {
    fs::path path;
    FileFailure failure;
    int cause;
  };
  for (const Case& c : {Case{dir_ / "none", FileFailure::kNotFound, ENOENT},
                        Case{dir_ / "pipe", FileFailure::kNotRegular, EINVAL},
                        Case{dir_, FileFailure::kNotRegular, EISDIR},
                        Case{dir_ / "plain.bin" / "x", FileFailure::kBadPath, ENOTDIR}}) {
    EXPECT_FALSE(UserFile::Open(c.path, error).is_open()) << c.path;
    EXPECT_EQ(error.failure, c.failure) << c.path;
    EXPECT_EQ(error.cause, c.cause) << c.path;
  }
  EXPECT_EQ(ChosenFileMessage({FileFailure::kNotFound, ENOENT}, "a.txt"), "File a.txt not found");
  EXPECT_EQ(ChosenFileMessage({FileFailure::kNotAccessible, EACCES}, "a.txt"),
            "File a.txt ,\r\nbut file not accessible");
  EXPECT_EQ(ChosenFileMessage({FileFailure::kNotRegular, EINVAL}, "a.txt"),
            "File a.txt not possible to open");
  EXPECT_EQ(ChosenFileMessage({FileFailure::kBadPath, ENOTDIR}, "a.txt", true), "");
}

TEST_F(UserFileTest, WholeFilesAreReadUpToTheLimit) {
  std::ofstream(dir_ / "ten", std::ios::binary) << "0123456789";
  FileContents contents = ReadUserFile(dir_ / "ten", 10);
  EXPECT_TRUE(contents.error.ok());
  EXPECT_EQ(std::string(contents.bytes.begin(), contents.bytes.end()), "0123456789");
  contents = ReadUserFile(dir_ / "ten", 9);
  EXPECT_EQ(contents.error.failure, FileFailure::kTooLarge);
  EXPECT_TRUE(contents.bytes.empty());
}

TEST_F(UserFileTest, CreateEmptiesARegularFileAndLeavesAnythingElseAlone) {
  std::ofstream(dir_ / "old.txt") << std::string(100, 'x');
  FileError error;
  UserFile file = UserFile::Create(dir_ / "old.txt", error);
  ASSERT_TRUE(file.is_open());
  EXPECT_TRUE(file.Write("new", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(fs::file_size(dir_ / "old.txt"), 3u);

  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(UserFile::Create(dir_ / "pipe", error).is_open());
  EXPECT_EQ(error.failure, FileFailure::kNotRegular);
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));
  EXPECT_FALSE(UserFile::Create(dir_, error).is_open());
}

}  // namespace
}  // namespace corvane
