#include "access/register_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using Pattern = RegisterLine::Pattern;

// ---------------------------------------------------------------------------------------------
// Writing

TEST(RegisterTextFormat, OneLinePerRegisterWithCrLfAndNothingElse) {
  const std::array<uint16_t, 3> words{0x0001, 0xABCD, 0x0000};
  EXPECT_EQ(FormatRegisterText(words), "1 0x0001\r\n2 0xABCD\r\n3 0x0000\r\n");
  EXPECT_EQ(FormatRegisterText({}), "");
}

TEST(RegisterTextFormat, LargeImagesKeepDecimalNumbersAndFourHexDigits) {
  std::vector<uint16_t> words(1200, 0);
  words[999] = 0xFFFF;
  words[1199] = 0x00A0;
  const std::string text = FormatRegisterText(words);
  EXPECT_NE(text.find("\r\n1000 0xFFFF\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\n1200 0x00A0\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1200);
}

// ---------------------------------------------------------------------------------------------
// One line

TEST(RegisterLineScan, PatternFollowsTheLinesLetters) {
  EXPECT_EQ(ScanRegisterLine("1 0x10").pattern, Pattern::kHex);
  EXPECT_EQ(ScanRegisterLine("1 0X10").pattern, Pattern::kHexUpper);
  EXPECT_EQ(ScanRegisterLine("1 16").pattern, Pattern::kDecimal);
  // Any lower-case x wins, even one after the value: the line is then read as "%d 0x%X".
  const RegisterLine mixed = ScanRegisterLine("1 0X10 x");
  EXPECT_EQ(mixed.pattern, Pattern::kHex);
  EXPECT_FALSE(mixed.complete);
}

TEST(RegisterLineScan, BlanksAndTrailingTextAsScanfTreatsThem) {
  RegisterLine l = ScanRegisterLine("  \t12   0x00ff\r");
  EXPECT_TRUE(l.complete);
  EXPECT_EQ(l.reg, 12);
  EXPECT_EQ(l.value, 0x00FF);

  // The blank between the numbers may be missing, and the hex value may have blanks before it.
  l = ScanRegisterLine("3\t0x 7A; comment");
  EXPECT_TRUE(l.complete);
  EXPECT_EQ(l.value, 0x7A);

  l = ScanRegisterLine("4 17 and more");
  EXPECT_TRUE(l.complete);
  EXPECT_EQ(l.value, 17);

  // "10x5" reads the register number as 10 and then misses the "0" of "0x".
  EXPECT_FALSE(ScanRegisterLine("10x5").complete);
  // A prefix with no digit after it is not a value.
  EXPECT_FALSE(ScanRegisterLine("1 0xg").complete);
  EXPECT_FALSE(ScanRegisterLine("1 0X").complete);
}

TEST(RegisterLineScan, ValuesKeepTheirLowSixteenBits) {
  EXPECT_EQ(ScanRegisterLine("1 -1").value, 0xFFFF);
  EXPECT_EQ(ScanRegisterLine("1 65537").value, 1);
  EXPECT_EQ(ScanRegisterLine("1 +7").value, 7);
  EXPECT_EQ(ScanRegisterLine("1 0x12345").value, 0x2345);
  EXPECT_EQ(ScanRegisterLine("1 0x-1").value, 0xFFFF);
  // The low bits of a number far beyond 64 bits are still those of the number as written.
  EXPECT_EQ(ScanRegisterLine("1 100000000000000000000065536").value, 0);
  EXPECT_EQ(ScanRegisterLine("1 100000000000000000000065537").value, 1);
}

TEST(RegisterLineScan, HugeRegisterNumbersStayHugeAndNegative) {
  EXPECT_EQ(ScanRegisterLine("99999999999999999999 5").reg, INT32_MAX);
  EXPECT_EQ(ScanRegisterLine("-99999999999999999999 5").reg, INT32_MIN);
  EXPECT_EQ(ScanRegisterLine("-3 5").reg, -3);
}

// ---------------------------------------------------------------------------------------------
// A whole text

struct Parsed {
  RegisterTextParse outcome;
  std::vector<uint16_t> words;
};

Parsed Parse(std::string_view text, size_t map_size, uint16_t fill = 0) {
  Parsed p{{}, std::vector<uint16_t>(map_size, fill)};
  p.outcome = ParseRegisterText(text, p.words);
  return p;
}

TEST(RegisterTextParse, LinesInAnyOrderAndBothNotations) {
  const Parsed p = Parse("2 0x00FF\r\n1 17\r\n", 2);
  EXPECT_EQ(p.outcome.result, 2);
  EXPECT_TRUE(p.outcome.message.empty());
  EXPECT_EQ(p.words, (std::vector<uint16_t>{17, 0x00FF}));

  const Parsed q = Parse("1 0XBEEF\n2 -1\n", 3, 0x5555);
  EXPECT_EQ(q.outcome.result, 2);
  EXPECT_EQ(q.words, (std::vector<uint16_t>{0xBEEF, 0xFFFF, 0x5555}));
}

TEST(RegisterTextParse, LastLineWithoutFeedCountsFromFourBytes) {
  const Parsed short_last = Parse("2 0x0001\r\n1 5", 10);
  EXPECT_EQ(short_last.outcome.result, 1);
  EXPECT_EQ(short_last.words[0], 0);

  const Parsed long_last = Parse("10 5", 10);
  EXPECT_EQ(long_last.outcome.result, 1);
  EXPECT_EQ(long_last.words[9], 5);

  // A last line too long to be a line is dropped too, without the error of a long line.
  const Parsed over = Parse("1 1\n" + std::string("2 2") + std::string(125, ' '), 10);
  EXPECT_EQ(over.outcome.result, 1);
  EXPECT_TRUE(over.outcome.message.empty());
}

TEST(RegisterTextParse, LineLengthLimitIs127BytesBeforeTheFeed) {
  const std::string ok = "1 0x0001" + std::string(127 - 8, ' ');
  ASSERT_EQ(ok.size(), 127u);
  EXPECT_EQ(Parse(ok + "\n", 1).outcome.result, 1);

  const Parsed too_long = Parse("1 1\r\n" + ok + " \n", 1);
  EXPECT_EQ(too_long.outcome.result, kTextCancelled);
  EXPECT_TRUE(too_long.outcome.message.empty());
}

TEST(RegisterTextParse, ParseErrorsNameTheLineAndTheirPattern) {
  const Parsed hex = Parse("1 1\n2 2\nthree 0x3\n", 5);
  EXPECT_EQ(hex.outcome.result, kTextParseHex);
  EXPECT_EQ(hex.outcome.message, u"parse error on line 3");

  const Parsed upper = Parse("1 0X\n", 5);
  EXPECT_EQ(upper.outcome.result, kTextParseHexUpper);
  EXPECT_EQ(upper.outcome.message, u"parse error on line 1");

  const Parsed decimal = Parse("1 1\n2 two\n", 5);
  EXPECT_EQ(decimal.outcome.result, kTextParseDecimal);
  EXPECT_EQ(decimal.outcome.message, u"parse error on line 2");
}

TEST(RegisterTextParse, AShortLineIsAnErrorAndBorrowsNothingFromTheNext) {
  // Read on across the feed, "1" and "5" would make register 1 = 5 and the error would come a
  // line later, or never.
  const Parsed split = Parse("1\r\n5\r\n", 5);
  EXPECT_EQ(split.outcome.result, kTextParseDecimal);
  EXPECT_EQ(split.outcome.message, u"parse error on line 1");

  const Parsed empty_line = Parse("1 0x0001\r\n\r\n2 0x0002\r\n", 5);
  EXPECT_EQ(empty_line.outcome.result, kTextParseDecimal);
  EXPECT_EQ(empty_line.outcome.message, u"parse error on line 2");

  const Parsed bare_feed = Parse("1 1\n\n", 5);
  EXPECT_EQ(bare_feed.outcome.result, kTextParseDecimal);
}

TEST(RegisterTextParse, RegisterNumbersOutsideTheMap) {
  const Parsed zero = Parse("1 1\r\n0 5\r\n", 10);
  EXPECT_EQ(zero.outcome.result, kTextOutsideMap);
  EXPECT_EQ(zero.outcome.message,
            u"write overflow on line 2, write to register 0, modbus map size 10");

  const Parsed above = Parse("65537 0x0000\r\n", 10);
  EXPECT_EQ(above.outcome.result, kTextRegisterTooLarge);
  EXPECT_EQ(above.outcome.message, u"registet > 65536 on line 1");

  const Parsed top = Parse("65536 0x0000\r\n", 10);
  EXPECT_EQ(top.outcome.result, kTextOutsideMap);
  EXPECT_EQ(top.outcome.message,
            u"write overflow on line 1, write to register 65536, modbus map size 10");

  const Parsed negative = Parse("-2 1\n", 10);
  EXPECT_EQ(negative.outcome.result, kTextOutsideMap);
  EXPECT_EQ(negative.outcome.message,
            u"write overflow on line 1, write to register -2, modbus map size 10");

  // The map ends exactly at its size.
  EXPECT_EQ(Parse("10 1\n", 10).outcome.result, 1);
  EXPECT_EQ(Parse("11 1\n", 10).outcome.result, kTextOutsideMap);
  EXPECT_EQ(Parse("1 1\n", 0).outcome.result, kTextOutsideMap);
}

TEST(RegisterTextParse, EmptyAndLeftoverTexts) {
  EXPECT_EQ(Parse("", 4).outcome.result, 0);
  EXPECT_EQ(Parse("\r", 4).outcome.result, 0);  // too short for a last line
  const Parsed nul = Parse(std::string("1 5\0 9\n", 7), 4);
  EXPECT_EQ(nul.outcome.result, 1);
  EXPECT_EQ(nul.words[0], 5);
}

// ---------------------------------------------------------------------------------------------
// Files, through the host's dialogs

class RegisterFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_regtext_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::u16string PathOf(const std::string& name) const {
    return ui::Utf8ToUtf16((dir_ / name).string());
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static const ui::DialogTemplate& OwnerTemplate() {
    static const ui::DialogTemplate t{.id = 1, .title = u"Owner"};
    return t;
  }

  ui::TestHost host;
  ui::Dialog owner{OwnerTemplate(), host};
  std::filesystem::path dir_;
};

TEST_F(RegisterFileTest, ExportWritesTheTextAndOpensIt) {
  const std::array<uint16_t, 3> words{0x0001, 0xABCD, 0x0000};
  host.QueueFileResult(PathOf("out.txt"));
  EXPECT_EQ(Export(owner, words, u"Quadrel_0x00300102"), 3);

  ASSERT_EQ(host.file_requests().size(), 1u);
  const ui::TestHost::FileRequest& request = host.file_requests()[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.spec.initial_name, u"Quadrel_0x00300102.txt");
  EXPECT_TRUE(request.spec.overwrite_prompt);
  ASSERT_EQ(request.spec.filters.size(), 2u);
  EXPECT_EQ(request.spec.filters[0].name, u"TXT Files (*.txt)");
  EXPECT_EQ(request.spec.filters[0].pattern, u"*.txt");
  EXPECT_EQ(request.spec.filters[1].name, u"All Files (*.*)");
  EXPECT_EQ(request.spec.filters[1].pattern, u"*.*");

  EXPECT_EQ(ReadFile("out.txt"), "1 0x0001\r\n2 0xABCD\r\n3 0x0000\r\n");
  ASSERT_EQ(host.shell_opened().size(), 1u);
  EXPECT_EQ(host.shell_opened()[0], PathOf("out.txt"));
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(RegisterFileTest, ExportReplacesAnExistingFile) {
  WriteFile("out.txt", std::string(500, 'z'));
  const std::array<uint16_t, 1> words{0x1234};
  host.QueueFileResult(PathOf("out.txt"));
  EXPECT_EQ(Export(owner, words, u"x"), 1);
  EXPECT_EQ(ReadFile("out.txt"), "1 0x1234\r\n");
}

TEST_F(RegisterFileTest, ExportCancelledOrNotCreated) {
  const std::array<uint16_t, 1> words{1};
  EXPECT_EQ(Export(owner, words, u"x"), kTextCancelled);
  EXPECT_TRUE(host.boxes().empty());

  host.QueueFileResult(PathOf("missing_folder/out.txt"));
  EXPECT_EQ(Export(owner, words, u"x"), kTextNotCreated);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, ui::Format("File could not be opened %d", ENOENT));
  EXPECT_TRUE(host.shell_opened().empty());
}

TEST_F(RegisterFileTest, ImportStoresTheFileIntoTheImage) {
  WriteFile("in.txt", "2 0x00FF\r\n1 17\r\n");
  std::vector<uint16_t> words{9, 9, 9};
  host.QueueFileResult(PathOf("in.txt"));
  EXPECT_EQ(Import(owner, words, 2), 2);
  EXPECT_EQ(words, (std::vector<uint16_t>{17, 0x00FF, 9}));

  ASSERT_EQ(host.file_requests().size(), 1u);
  const ui::TestHost::FileRequest& request = host.file_requests()[0];
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.spec.initial_name, u"*.txt");
  EXPECT_TRUE(request.spec.must_exist);
  EXPECT_EQ(request.spec.filters.size(), 2u);
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(RegisterFileTest, ImportThatFailsLeavesTheImageAsItWas) {
  // The first line would store, the third fails: nothing may stay changed.
  WriteFile("in.txt", "1 0x1111\r\n2 0x2222\r\n7 0x7777\r\n");
  std::vector<uint16_t> words{1, 2, 3};
  host.QueueFileResult(PathOf("in.txt"));
  EXPECT_EQ(Import(owner, words, 3), kTextOutsideMap);
  EXPECT_EQ(words, (std::vector<uint16_t>{1, 2, 3}));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text,
            u"write overflow on line 3, write to register 7, modbus map size 3");

  // Too long a line: no message at all.
  WriteFile("long.txt", "1 0x1111\r\n" + std::string(200, '1') + "\r\n");
  host.QueueFileResult(PathOf("long.txt"));
  EXPECT_EQ(Import(owner, words, 3), kTextCancelled);
  EXPECT_EQ(words, (std::vector<uint16_t>{1, 2, 3}));
  EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(RegisterFileTest, ImportMapSizeBeyondTheImageIsHeldToTheImage) {
  WriteFile("in.txt", "3 5\r\n");
  std::vector<uint16_t> words{0, 0};
  host.QueueFileResult(PathOf("in.txt"));
  EXPECT_EQ(Import(owner, words, 100), kTextOutsideMap);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text,
            u"write overflow on line 1, write to register 3, modbus map size 2");
}

TEST_F(RegisterFileTest, ImportCancelledMissingOrUnopenable) {
  std::vector<uint16_t> words{7};
  EXPECT_EQ(Import(owner, words, 1), kTextCancelled);
  EXPECT_TRUE(host.boxes().empty());

  host.QueueFileResult(PathOf("nothing.txt"));
  EXPECT_EQ(Import(owner, words, 1), kTextUnreadable);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File " + PathOf("nothing.txt") + u" not found");

  // A path through a file is a bad path.
  WriteFile("plain", "x");
  host.QueueFileResult(PathOf("plain/in.txt"));
  EXPECT_EQ(Import(owner, words, 1), kTextUnreadable);
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[1].text, u"File " + PathOf("plain/in.txt") + u" not possible to open");

  // A folder opens but cannot be read.
  host.QueueFileResult(PathOf(""));
  EXPECT_EQ(Import(owner, words, 1), kTextUnreadable);
  EXPECT_EQ(host.boxes().size(), 3u);
  EXPECT_EQ(words[0], 7);
}

TEST_F(RegisterFileTest, NamedPipesAreRefusedAtOnceBothWays) {
  // Nobody writes to or reads from the pipe: a blocking open would freeze the window for good.
  ASSERT_EQ(::mkfifo((dir_ / "pipe.txt").c_str(), 0600), 0);
  std::vector<uint16_t> words{7};
  host.QueueFileResult(PathOf("pipe.txt"));
  EXPECT_EQ(Import(owner, words, 1), kTextUnreadable);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"File " + PathOf("pipe.txt") + u" not possible to open");
  host.QueueFileResult(PathOf("pipe.txt"));
  EXPECT_EQ(Export(owner, words, u"x"), kTextNotCreated);
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[1].text, ui::Format("File could not be opened %d", ENXIO));
  EXPECT_TRUE(host.shell_opened().empty());
  EXPECT_TRUE(std::filesystem::is_fifo(dir_ / "pipe.txt"));
}

TEST_F(RegisterFileTest, ExportThenImportReproducesTheRecord) {
  std::vector<uint16_t> record(300);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint16_t>(i * 0x9E37u + 3);
  record[0] = 0;
  record[299] = 0xFFFF;
  host.QueueFileResult(PathOf("record.txt"));
  ASSERT_EQ(Export(owner, record, u"record"), 300);

  std::vector<uint16_t> copy(300, 0x5A5A);
  host.QueueFileResult(PathOf("record.txt"));
  EXPECT_EQ(Import(owner, copy, 300), 300);
  EXPECT_EQ(copy, record);

  // Into a smaller map the first register past it stops the import, and nothing changes.
  std::vector<uint16_t> smaller(200, 1);
  host.QueueFileResult(PathOf("record.txt"));
  EXPECT_EQ(Import(owner, smaller, 200), kTextOutsideMap);
  EXPECT_EQ(smaller, std::vector<uint16_t>(200, 1));
}

}  // namespace
}  // namespace corvane
