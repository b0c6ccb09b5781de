// The gateway report: its text in both register layouts, checked against texts written out by
// hand, the bytes of the file, and what the user is told when the file cannot be made.
#include "gateway/gateway_report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using namespace ui;

constexpr char16_t kBidirHeadings[] =
    u"\r\n\r\n===========================================\r\n"
    u"Bidirectional devices\r\n"
    u"===========================================\r\n\r\n"
    u"address    | MB addr | device reg | GW reg\r\n"
    u"-------------------------------------------\r\n";
constexpr char16_t kUniHeadings[] =
    u"\r\n\r\n===========================================\r\n"
    u"Unidirectional devices - captured registers\r\n"
    u"===========================================\r\n\r\n"
    u"address    | device register  | GW register\r\n"
    u"-------------------------------------------\r\n";

GwDeviceEntry Cached(RfAddress address, uint16_t mb_start) {
  GwDeviceEntry e{.address = address, .mb_start = mb_start};
  e.SetMbCount(59);
  e.SetCached(true);
  return e;
}

// Paired devices with a gap, one uncached; unidirectional devices at the first and the last
// entry, one with the store-in-FIFO bit.
GatewayImage Populated(const GatewayMap& map, int last_device) {
  GatewayImage image(map);
  image.SetDevice(0, Cached(0x00200012, static_cast<uint16_t>(map.cache.first)));
  image.SetModbusAddress(0, 5);
  image.SetDevice(2, GwDeviceEntry{.address = 0x00500107});
  image.SetModbusAddress(2, 123);
  image.SetDevice(last_device, Cached(0x00A00031, 5000));
  image.SetModbusAddress(last_device, 17);
  image.SetUniDevice(0, GwUniEntry{.address = 0x00300603, .reg = {0x8006, 11}});
  image.SetUniDevice(199, GwUniEntry{.address = 0x00312345, .reg = {0, 1234}});
  return image;
}

TEST(GatewayReport, EmptyGatewayHasOnlyTheHeadings) {
  EXPECT_EQ(GatewayReportText(GatewayImage(kV400Map)),
            std::u16string(kBidirHeadings) + kUniHeadings);
  EXPECT_EQ(GatewayReportText(GatewayImage(kPre400Map)),
            std::u16string(kBidirHeadings) + kUniHeadings);
}

TEST(GatewayReport, V400Layout) {
  const std::u16string expected = std::u16string(kBidirHeadings) +
                                  u"0x00200012 |   5     | 1          | 2035\r\n"
                                  u"0x00500107 | 123     |            |   \r\n"
                                  u"0x00A00031 |  17     | 1          | 5001\r\n" +
                                  kUniHeadings +
                                  u"0x00300603 | 007              | 1635\r\n"
                                  u"0x00300603 | 012              | 1636\r\n"
                                  u"0x00312345 | 001              | 2033\r\n"
                                  u"0x00312345 | 1235              | 2034\r\n";
  EXPECT_EQ(GatewayReportText(Populated(kV400Map, 77)), expected);
}

TEST(GatewayReport, Pre400Layout) {
  // 50 paired devices; the Modbus table at 19012 and the captured values from 1354 on.
  const std::u16string expected = std::u16string(kBidirHeadings) +
                                  u"0x00200012 |   5     | 1          | 1755\r\n"
                                  u"0x00500107 | 123     |            |   \r\n"
                                  u"0x00A00031 |  17     | 1          | 5001\r\n" +
                                  kUniHeadings +
                                  u"0x00300603 | 007              | 1355\r\n"
                                  u"0x00300603 | 012              | 1356\r\n"
                                  u"0x00312345 | 001              | 1753\r\n"
                                  u"0x00312345 | 1235              | 1754\r\n";
  GatewayImage image = Populated(kPre400Map, 49);
  EXPECT_EQ(GatewayReportText(image), expected);
}

TEST(GatewayReport, FanCoilFormListsUncachedEntriesLikeCachedOnes) {
  const ReportDevice devices[] = {{0x00200012, 3, false, 0}, {0, 9, true, 100}};
  EXPECT_EQ(BidirectionalReportText(devices, false),
            std::u16string(kBidirHeadings) + u"0x00200012 |   3     | 1          | 1\r\n");
}

const DialogTemplate& OwnerTemplate() {
  static const DialogTemplate t{.title = u"GW Configuration V4.00"};
  return t;
}

// Each test in a folder of its own: the report goes to REPORT/ under the working directory.
class ReportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_report_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    host.Open(owner);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  TestHost host;
  Dialog owner{OwnerTemplate(), host};

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

TEST_F(ReportFileTest, WritesUtf16WithMarkReplacingAnOldReportAndOpensIt) {
  std::filesystem::create_directory("REPORT");
  std::ofstream("REPORT/Gatrix_report.txt") << std::string(5000, 'x');
  const std::u16string text = GatewayReportText(Populated(kV400Map, 77));
  WriteReport(owner, text);

  std::ifstream in("REPORT/Gatrix_report.txt", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes, "\xFF\xFE" + EncodeUtf16Le(text));
  EXPECT_TRUE(host.boxes().empty());
  ASSERT_EQ(host.shell_opened().size(), 1u);
  EXPECT_TRUE(std::filesystem::equivalent(host.shell_opened()[0], "REPORT/Gatrix_report.txt"));
  EXPECT_TRUE(std::filesystem::path(host.shell_opened()[0]).is_absolute());
}

TEST_F(ReportFileTest, FileThatCannotBeMadeIsReportedAndNotOpened) {
  // A file in the folder's place: the folder is there as far as creating it goes, the report
  // is not.
  std::ofstream("REPORT") << "not a folder";
  WriteReport(owner, u"text");
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, Format("File could not be opened %d", ENOTDIR));
  EXPECT_TRUE(host.shell_opened().empty());

  // The current folder itself gone: no folder can be made in it.
  host.ClearBoxes();
  std::filesystem::create_directory("gone");
  std::filesystem::current_path("gone");
  std::filesystem::remove(std::filesystem::current_path());
  WriteReport(owner, u"text");
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[0].text, u"Not possible to create folder \\REPORT");
  EXPECT_EQ(host.boxes()[1].text, Format("File could not be opened %d", ENOENT));
  EXPECT_TRUE(host.shell_opened().empty());
}

}  // namespace
}  // namespace corvane
