#include "model/project.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "model/le.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Status = ProjectLoadResult::Status;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A file image: the record with the given table entries, then `tail` bytes of records.
std::vector<uint8_t> FileImage(std::vector<std::pair<RfAddress, uint32_t>> entries,
                               size_t tail_bytes, uint8_t fill = 0x5A) {
  std::vector<uint8_t> bytes(Project::kRecordBytes, 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    PutU32(bytes.data() + Project::kDeviceTableOffset + 12 * i, entries[i].first);
    PutU32(bytes.data() + Project::kDeviceTableOffset + 12 * i + 4, entries[i].second);
  }
  bytes.resize(bytes.size() + tail_bytes, fill);
  return bytes;
}

class ProjectFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("corvane_project_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST(Project, NewProjectDefaultsAndFieldLimits) {
  Project p;
  EXPECT_EQ(p.Name(), u"New Project");
  EXPECT_EQ(p.Notes(), u"");
  EXPECT_EQ(p.Password(), u"TARVELONIX4817QD");
  EXPECT_EQ(p.FrequencyIndex(), 0u);
  EXPECT_EQ(p.DeviceCount(), 0);
  // The password fills all 16 bytes: no terminator.
  EXPECT_EQ(p.raw()[Project::kPasswordOffset + 15], 'D');

  p.SetName(std::u16string(40, u'N'));
  EXPECT_EQ(p.Name().size(), 31u);
  EXPECT_EQ(GetU16(p.raw().data() + 62), 0);
  p.SetNotes(std::u16string(300, u'x'));
  EXPECT_EQ(p.Notes().size(), 255u);
  EXPECT_EQ(GetU16(p.raw().data() + 64 + 510), 0);
  // Wide characters survive in name and notes; the password keeps low bytes.
  p.SetName(u"Halle \u0141\u00f3d\u017a");
  EXPECT_EQ(p.Name(), u"Halle \u0141\u00f3d\u017a");
  p.SetPassword(u"ab");
  EXPECT_EQ(p.Password(), u"ab");
  EXPECT_EQ(p.raw()[Project::kPasswordOffset + 2], 0);
}

TEST(Project, DefaultRecordTemplate) {
  const auto t = DefaultRecordTemplate();
  ASSERT_EQ(t.size(), 50u);
  EXPECT_EQ(t[3], 0x1100);
  EXPECT_EQ(t[8], 'd' | ('e' << 8));
  EXPECT_EQ(t[11], 't');  // "default" then NUL padding
  EXPECT_EQ(t[12], 0);
  EXPECT_EQ(t[18], 'T' | ('A' << 8));
  EXPECT_EQ(t[24], '1' | ('7' << 8));
  EXPECT_EQ(t[25], 'Q' | ('D' << 8));
  EXPECT_EQ(t[26], 0x0200);
}

TEST(Project, EntriesFindAndFree) {
  Project p;
  p.SetEntry(3, 0x0030ABCD, std::vector<uint16_t>(59, 7));
  EXPECT_EQ(p.Find(0x0030ABCD), 3);
  EXPECT_EQ(p.Find(0), -1);
  EXPECT_EQ(p.FirstFree(), 0);
  EXPECT_EQ(p.Length(3), 59u);
  p.ClearEntry(3);
  EXPECT_EQ(p.Find(0x0030ABCD), -1);
  EXPECT_FALSE(p.HasRecord(3));
}

TEST_F(ProjectFileTest, SavesRecordThenCachedRecordsAndLoadsThemBack) {
  Project p;
  p.SetName(u"Site A");
  p.SetFrequencyIndex(3);
  p.SetEntry(0, 0x0030ABCD, std::vector<uint16_t>(59, 0x1234));
  p.SetEntry(1, 0x00A00001, std::vector<uint16_t>(98, 0xBEEF));
  p.SetEntry(2, 0x00500001, {});  // no record: nothing written for it
  const fs::path file = dir / "site.cvp";
  ASSERT_TRUE(SaveProjectFile(file, p).ok);
  const auto bytes = ReadAll(file);
  ASSERT_EQ(bytes.size(), 7252u + 118u + 196u);
  EXPECT_EQ(bytes[7252], 0x34);
  EXPECT_EQ(bytes[7252 + 118], 0xEF);
  EXPECT_EQ(bytes, SerializeProject(p));
  EXPECT_FALSE(fs::exists(dir / "site.cvp.saving"));

  Project q;
  q.SetEntry(9, 0x00300009, std::vector<uint16_t>(59, 1));  // replaced by the load
  ASSERT_EQ(LoadProjectFile(file, q).status, Status::kOk);
  EXPECT_EQ(q.Name(), u"Site A");
  EXPECT_EQ(q.FrequencyIndex(), 3u);
  EXPECT_EQ(q.Address(9), 0u);
  EXPECT_FALSE(q.HasRecord(9));
  EXPECT_EQ(q.Record(1)[97], 0xBEEF);
  EXPECT_EQ(q.Address(2), 0x00500001u);
  EXPECT_FALSE(q.HasRecord(2));
  EXPECT_EQ(SerializeProject(q), bytes);
}

TEST_F(ProjectFileTest, ShortRecordsGrowToTheirTypeSize) {
  auto image = FileImage({{0x0030ABCD, 50}}, 100);
  Project p;
  ASSERT_EQ(ParseProject(image, p).status, Status::kOk);
  ASSERT_EQ(p.Record(0).size(), 59u);  // 118 bytes
  EXPECT_EQ(p.Record(0)[49], 0x5A5A);
  for (int w = 50; w < 59; ++w) EXPECT_EQ(p.Record(0)[w], 0) << w;
  // The length follows the record, so what a window stores beyond the file's 50 words is saved
  // and loaded back.
  EXPECT_EQ(p.Length(0), 59u);
  p.Record(0)[58] = 0x0102;
  const std::vector<uint8_t> saved = SerializeProject(p);
  ASSERT_EQ(saved.size(), image.size() + 2 * 9);
  EXPECT_TRUE(std::equal(image.begin() + Project::kRecordBytes, image.end(),
                         saved.begin() + Project::kRecordBytes));
  Project q;
  ASSERT_EQ(ParseProject(saved, q).status, Status::kOk);
  EXPECT_EQ(q.Length(0), 59u);
  EXPECT_EQ(q.Record(0)[49], 0x5A5A);
  EXPECT_EQ(q.Record(0)[58], 0x0102);
  EXPECT_EQ(SerializeProject(q), saved);
}

TEST_F(ProjectFileTest, ZeroLengthEntriesAndReservedBytesRoundTrip) {
  auto image = FileImage({{0x0030ABCD, 0}, {0x00A00001, 0}}, 0);
  image[600] = 0x77;  // reserved bytes are kept as they were
  PutU32(image.data() + Project::kDeviceTableOffset + 8, 0xDEADBEEF);  // stale reference
  Project p;
  ASSERT_EQ(ParseProject(image, p).status, Status::kOk);
  EXPECT_EQ(p.DeviceCount(), 2);
  EXPECT_FALSE(p.HasRecord(0));
  EXPECT_FALSE(p.HasRecord(1));
  EXPECT_EQ(SerializeProject(p), image);
}

TEST_F(ProjectFileTest, TooShortOrMissingFilesLeaveTheProjectAlone) {
  Project p;
  p.SetName(u"Keep me");
  const auto short_image = std::vector<uint8_t>(7251, 0);
  EXPECT_EQ(ParseProject(short_image, p).status, Status::kTooShort);
  WriteAll(dir / "short.cvp", short_image);
  EXPECT_EQ(LoadProjectFile(dir / "short.cvp", p).status, Status::kTooShort);
  const fs::path missing = dir / "missing.cvp";
  const auto result = LoadProjectFile(missing, p);
  EXPECT_EQ(result.status, Status::kCannotOpen);
  EXPECT_EQ(result.error, ENOENT);
  EXPECT_EQ(p.Name(), u"Keep me");
}

TEST_F(ProjectFileTest, DamagedLengthsNeverOverAllocateAndStaySaveable) {
  // Entry 0 is fine, entry 1 claims 4 GiB - 1 words, entry 2 comes after the damage.
  auto image = FileImage({{0x0030ABCD, 59}, {0x00A00001, 0xFFFFFFFF}, {0x00800001, 5}}, 118 + 10);
  Project p;
  ASSERT_EQ(ParseProject(image, p).status, Status::kInvalidFile);
  EXPECT_EQ(p.Record(0).size(), 59u);
  // The damaged entry keeps its address, the 10 bytes the file still had, and zeros.
  ASSERT_EQ(p.Record(1).size(), 98u);
  EXPECT_EQ(p.Record(1)[4], 0x5A5A);
  EXPECT_EQ(p.Record(1)[5], 0);
  EXPECT_EQ(p.Length(1), 98u);
  // Later entries get zeroed records of their type's size.
  ASSERT_EQ(p.Record(2).size(), 39236u / 2);
  EXPECT_EQ(p.Length(2), 39236u / 2);
  const auto saved = SerializeProject(p);
  EXPECT_EQ(saved.size(), 7252u + 118 + 196 + 39236);
  Project q;
  EXPECT_EQ(ParseProject(saved, q).status, Status::kOk);
  // The file reader takes the same path as the parser.
  WriteAll(dir / "damaged.cvp", image);
  Project r;
  EXPECT_EQ(LoadProjectFile(dir / "damaged.cvp", r).status, Status::kInvalidFile);
  EXPECT_EQ(SerializeProject(r), saved);

  // A type-0 address with a damaged length gets no record at all.
  image = FileImage({{0x00012345, 1000}}, 0);
  ASSERT_EQ(ParseProject(image, p).status, Status::kInvalidFile);
  EXPECT_FALSE(p.HasRecord(0));
  EXPECT_EQ(p.Length(0), 0u);
}

TEST_F(ProjectFileTest, FailedSaveKeepsThePreviousFile) {
  const fs::path file = dir / "keep.cvp";
  Project p;
  p.SetName(u"Old");
  ASSERT_TRUE(SaveProjectFile(file, p).ok);
  const auto before = ReadAll(file);
  // The temporary name is taken by a folder: the save cannot even start.
  fs::create_directory(dir / "keep.cvp.saving");
  p.SetName(u"New");
  const auto result = SaveProjectFile(file, p);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error, 0);
  EXPECT_EQ(ReadAll(file), before);
  fs::remove(dir / "keep.cvp.saving");
  // A pipe under the temporary name would block a plain open for good; it is refused at once
  // and left alone.
  ASSERT_EQ(::mkfifo((dir / "keep.cvp.saving").c_str(), 0600), 0);
  EXPECT_FALSE(SaveProjectFile(file, p).ok);
  EXPECT_EQ(ReadAll(file), before);
  EXPECT_TRUE(fs::is_fifo(dir / "keep.cvp.saving"));
  fs::remove(dir / "keep.cvp.saving");
  // A folder that does not exist reports the cause.
  const auto missing = SaveProjectFile(dir / "no" / "such.cvp", p);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, ENOENT);
  // Replacing a file by a folder of the same name fails at the rename and leaves no temp file.
  fs::create_directory(dir / "folder.cvp");
  EXPECT_FALSE(SaveProjectFile(dir / "folder.cvp", p).ok);
  EXPECT_FALSE(fs::exists(dir / "folder.cvp.saving"));
}

}  // namespace
}  // namespace corvane
