#include "capture/capture_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hex_text.h"

namespace corvane::capture {
namespace {

namespace fs = std::filesystem;
using corvane::testing::Hex;

class CaptureFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("corvane_capture_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string HexOfFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    return Hex(bytes.data(), bytes.size());
  }

  fs::path dir_;
};

TEST_F(CaptureFileTest, FileHeaderRecordsAndPacketHeaderAreWrittenAndFlushedFrameByFrame) {
  const fs::path path = dir_ / "heard.pcap";
  CaptureFile file;
  std::string error;
  ASSERT_TRUE(file.Open(path.string(), error)) << error;

  // pcap 2.4, little-endian magic, microseconds, snap length 65535, LINKTYPE_USER0 (147).
  const std::string global =
      "D4 C3 B2 A1 02 00 04 00 00 00 00 00 00 00 00 00 FF FF 00 00 93 00 00 00";
  EXPECT_EQ(HexOfFile(path), global);

  const uint8_t frame_bytes[] = {0x01, 0x2A, 0xB5, 0x6A, 0x03};
  ASSERT_TRUE(file.Write({.unix_us = 1'700'000'000'123'456,
                          .source = 0x00300102,
                          .destination = 0,
                          .frame_id = 0x1234,
                          .rssi = -75,
                          .bytes = frame_bytes}));
  // Readable before Close: a killed monitor leaves every frame written so far.
  const std::string first =
      // 1700000000 s, 123456 us, 17 bytes captured of 17.
      " 00 F1 53 65 40 E2 01 00 11 00 00 00 11 00 00 00"
      // version 1, source, destination (broadcast), frame id 0x1234, RSSI -75, the frame.
      " 01 02 01 30 00 00 00 00 00 34 12 B5 01 2A B5 6A 03";
  EXPECT_EQ(HexOfFile(path), global + first);
}

TEST_F(CaptureFileTest, OpenFailuresSayWhyAndWritesWithoutAnOpenFileAreRefused) {
  CaptureFile file;
  std::string error;
  const fs::path missing = dir_ / "no such folder" / "heard.pcap";
  EXPECT_FALSE(file.Open(missing.string(), error));
  EXPECT_EQ(error,
            "cannot create capture file " + missing.string() + ": No such file or directory");
  EXPECT_FALSE(file.IsOpen());

  // A full disk shows at the first flush, not only when the file is closed.
  error.clear();
  EXPECT_FALSE(file.Open("/dev/full", error));
  EXPECT_EQ(error, "cannot write capture file /dev/full: No space left on device");

  const uint8_t byte = 0x01;
  const CapturedFrame frame{.unix_us = 0,
                            .source = 0x00300102,
                            .destination = 0,
                            .frame_id = 1,
                            .rssi = -60,
                            .bytes = {&byte, 1}};
  EXPECT_FALSE(file.Write(frame));

  // "-" is a file of that name, never standard output (which carries the monitor's lines).
  const fs::path here = fs::current_path();
  fs::current_path(dir_);
  const bool opened = file.Open("-", error) && file.Write(frame);
  fs::current_path(here);
  ASSERT_TRUE(opened) << error;
  file.Close();
  EXPECT_FALSE(file.Write(frame));
  EXPECT_EQ(fs::file_size(dir_ / "-"), 24u + 16u + 13u);
}

}  // namespace
}  // namespace corvane::capture
