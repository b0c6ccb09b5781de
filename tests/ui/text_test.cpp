#include "ui/text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

namespace corvane::ui {
namespace {

TEST(Format, PrintfConversionsComeOutAsUtf16) {
  EXPECT_EQ(Format("0x%08X", 0x00A00001u), u"0x00A00001");
  EXPECT_EQ(Format("0x%08X %d", 0x0010ABCDu, 0x0010ABCD), u"0x0010ABCD 1092557");
  EXPECT_EQ(Format("%0.2f", -12.5), u"-12.50");
  EXPECT_EQ(Format("%.2f", 402 / 100.0), u"4.02");
  EXPECT_EQ(Format("%d.%01dV", 36 / 10, 36 % 10), u"3.6V");
  EXPECT_EQ(Format("%04ddBm", -75), u"-075dBm");
  EXPECT_EQ(Format("%04ddBm", 0), u"0000dBm");
  EXPECT_EQ(Format("%03d", 7), u"007");
  EXPECT_EQ(Format("%02X ", 0xAB), u"AB ");
}

TEST(Format, Utf8TextAndLongResults) {
  // The heard-list mark is outside 8 bits; UTF-8 in the format must arrive as one character.
  EXPECT_EQ(Format("  \u16C9 %d dBm", -60), u"  \u16C9 -60 dBm");
  EXPECT_EQ(Format("%s", "caf\xC3\xA9"), u"caf\u00E9");
  const std::string big(1000, 'x');
  EXPECT_EQ(Format("%s!", big.c_str()).size(), 1001u);
  std::u16string line = u"a=";
  AppendFormat(line, "0x%08X", 1u);
  for (int v : {1, 0xBEEF}) AppendFormat(line, "%04X ", v);
  EXPECT_EQ(line, u"a=0x000000010001 BEEF ");
}

TEST(Utf, SurrogatePairsRoundTrip) {
  const std::u16string text = u"A\u00E9\u16C9\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  // A broken sequence becomes a replacement character, not a crash or a lost byte.
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
}

TEST(Scan, ReadsNumbersLikeScanf) {
  EXPECT_EQ(ScanInt(u"  1000 ms"), 1000);
  EXPECT_EQ(ScanInt(u"-5"), -5);
  EXPECT_EQ(ScanInt(u"ms"), std::nullopt);
  EXPECT_EQ(ScanInt(u""), std::nullopt);
  EXPECT_EQ(ScanScaledDecimal(u"2.5", 1), 25);
  EXPECT_EQ(ScanScaledDecimal(u"-0.01", 2), -1);
  EXPECT_EQ(ScanScaledDecimal(u"abc", 2), std::nullopt);
  EXPECT_EQ(ScanScaledDecimal(u"51,5", 6), 51500000);  // a decimal comma
  EXPECT_EQ(ScanScaledDecimal(u"-0,25 \u00b0C", 2), -25);
  EXPECT_EQ(ScanHex(u"00A00001"), 0x00A00001u);
  EXPECT_EQ(ScanHex(u"ffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(ScanHex(u"zz"), std::nullopt);
  // A character beyond ASCII ends the number instead of being misread.
  EXPECT_EQ(ScanInt(u"12\u0661"), 12);
}

TEST(ScanScaledDecimal, CountsTheDigitsAndTruncatesTowardZero) {
  // Each of these loses a unit when it goes through a double times 100.
  EXPECT_EQ(ScanScaledDecimal(u"2.01", 2), 201);
  EXPECT_EQ(ScanScaledDecimal(u"1.16", 2), 116);
  EXPECT_EQ(ScanScaledDecimal(u"0.29", 2), 29);
  EXPECT_EQ(ScanScaledDecimal(u"-327.68", 2), -32768);
  EXPECT_EQ(ScanScaledDecimal(u"-0.5", 2), -50);
  EXPECT_EQ(ScanScaledDecimal(u" \t 3.999xyz", 2), 399);
  EXPECT_EQ(ScanScaledDecimal(u"-0.009", 2), 0);
  EXPECT_EQ(ScanScaledDecimal(u"-3.999", 2), -399);
  EXPECT_EQ(ScanScaledDecimal(u"+.5", 2), 50);
  EXPECT_EQ(ScanScaledDecimal(u"7.", 2), 700);
  EXPECT_EQ(ScanScaledDecimal(u"12", 0), 12);
  EXPECT_EQ(ScanScaledDecimal(u"12.97", 1), 129);
  EXPECT_EQ(ScanScaledDecimal(u"0.07", 3), 70);
  // A point, a sign or a blank alone is no number; neither is a digit past the first blank.
  for (const char16_t* text : {u"", u".", u"-", u"+.", u"   ", u"- 1", u"e5", u"\u0661"}) {
    EXPECT_EQ(ScanScaledDecimal(text, 2), std::nullopt) << Utf16ToUtf8(text);
  }
  // Anything past the number is ignored, a non-ASCII digit included.
  EXPECT_EQ(ScanScaledDecimal(u"1.5\u0661", 2), 150);
  EXPECT_EQ(ScanScaledDecimal(u"1.5.5", 2), 150);
}

TEST(ScanScaledDecimal, ExponentsMoveThePointExactly) {
  EXPECT_EQ(ScanScaledDecimal(u"2.5e1", 2), 2500);
  EXPECT_EQ(ScanScaledDecimal(u"2.5E+1", 2), 2500);
  EXPECT_EQ(ScanScaledDecimal(u"201e-2", 2), 201);
  EXPECT_EQ(ScanScaledDecimal(u"-1999e-5", 2), -1);
  EXPECT_EQ(ScanScaledDecimal(u".5e-3", 2), 0);
  // Without a digit the "e" is trailing text.
  EXPECT_EQ(ScanScaledDecimal(u"2e", 2), 200);
  EXPECT_EQ(ScanScaledDecimal(u"2e-x", 2), 200);
  // Zero stays zero however far it is moved.
  EXPECT_EQ(ScanScaledDecimal(u"0e999999999999999999999", 2), 0);
}

TEST(ScanScaledDecimal, SaturatesInsteadOfOverflowing) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(ScanScaledDecimal(u"9223372036854775807", 0), kMax);
  EXPECT_EQ(ScanScaledDecimal(u"9223372036854775808", 0), kMax);
  EXPECT_EQ(ScanScaledDecimal(std::u16string(5000, u'9'), 2), kMax);
  EXPECT_EQ(ScanScaledDecimal(u"-" + std::u16string(5000, u'9'), 2), kMin);
  EXPECT_EQ(ScanScaledDecimal(u"1e999999999999999999999", 2), kMax);
  EXPECT_EQ(ScanScaledDecimal(u"-1e400", 2), kMin);
  EXPECT_EQ(ScanScaledDecimal(u"1e-999999999999999999999", 2), 0);
  // Digits beyond what a double holds still count.
  EXPECT_EQ(ScanScaledDecimal(u"90071992547409.93", 2), 9007199254740993);
  // Long runs of zeros on either side of the point are counted, not dropped.
  EXPECT_EQ(ScanScaledDecimal(std::u16string(5000, u'0') + u"12.345", 2), 1234);
  EXPECT_EQ(ScanScaledDecimal(u"0." + std::u16string(5000, u'0') + u"7e5001", 2), 700);
}

TEST(LowBytes, FieldsTakeLowBytesAndZeroTheRest) {
  std::array<uint8_t, 16> field{};
  field.fill(0xEE);
  StoreLowBytes(u"abc", field);
  EXPECT_EQ(field[0], 'a');
  EXPECT_EQ(field[2], 'c');
  for (size_t i = 3; i < field.size(); ++i) EXPECT_EQ(field[i], 0) << i;
  // Longer than the field: cut, no NUL.
  StoreLowBytes(u"ABCDEFGHIJKLMNOPQRST", field);
  EXPECT_EQ(field[15], 'P');
  EXPECT_EQ(LoadLowBytes(field), u"ABCDEFGHIJKLMNOP");
  // Only the low 8 bits of a wide character survive.
  StoreLowBytes(u"\u1234\u00E9", field);
  EXPECT_EQ(field[0], 0x34);
  EXPECT_EQ(field[1], 0xE9);
  EXPECT_EQ(LoadLowBytes(field), u"\u0034\u00E9");
}

TEST(LowBytes, RegisterWordsHoldLowByteFirst) {
  std::array<uint16_t, 8> words{};
  words.fill(0xFFFF);
  StoreLowBytes(u"abc", words);
  EXPECT_EQ(words[0], 0x6261);
  EXPECT_EQ(words[1], 0x0063);
  EXPECT_EQ(words[7], 0);
  EXPECT_EQ(LoadLowBytes(words), u"abc");
  words.fill(0x4141);
  EXPECT_EQ(LoadLowBytes(words).size(), 16u);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Utf16File, ReplaceWritesBomAndCrLf) {
  const auto path = std::filesystem::path(::testing::TempDir()) / "corvane_utf16_replace.txt";
  {
    Utf16File f;
    ASSERT_EQ(f.Open(path, Utf16File::Mode::kReplace), 0);
    EXPECT_TRUE(f.WriteLine(u"A\u16C9"));
    EXPECT_TRUE(f.Write(u"\nB"));
  }
  EXPECT_EQ(ReadAll(path), std::string("\xFF\xFE"
                                       "A\0\xC9\x16\r\0\n\0\n\0B\0",
                                       14));
  {
    Utf16File f;
    ASSERT_EQ(f.Open(path, Utf16File::Mode::kReplace), 0);
  }
  EXPECT_EQ(ReadAll(path), "\xFF\xFE");
  std::filesystem::remove(path);
}

TEST(Utf16File, AppendKeepsEarlierRunsAndOneBom) {
  const auto path = std::filesystem::path(::testing::TempDir()) / "corvane_utf16_append.txt";
  std::filesystem::remove(path);
  for (char16_t c : {u'1', u'2'}) {
    Utf16File f;
    ASSERT_EQ(f.Open(path, Utf16File::Mode::kAppend), 0);
    f.WriteLine(std::u16string(1, c));
  }
  EXPECT_EQ(ReadAll(path), std::string("\xFF\xFE"
                                       "1\0\r\0\n\0"
                                       "2\0\r\0\n\0",
                                       14));
  std::filesystem::remove(path);
}

TEST(Utf16File, MissingFolderGivesTheCause) {
  Utf16File f;
  const int err = f.Open("/nonexistent-corvane-dir/x.txt", Utf16File::Mode::kReplace);
  EXPECT_NE(err, 0);
  EXPECT_FALSE(f.is_open());
  EXPECT_FALSE(f.WriteLine(u"x"));
  // A pipe under the log's name: refused at once, in both modes, instead of waiting for a reader.
  const auto pipe = std::filesystem::path(::testing::TempDir()) / "corvane_utf16_pipe.txt";
  std::filesystem::remove(pipe);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_NE(f.Open(pipe, Utf16File::Mode::kAppend), 0);
  EXPECT_NE(f.Open(pipe, Utf16File::Mode::kReplace), 0);
  EXPECT_FALSE(f.is_open());
  std::filesystem::remove(pipe);
}

}  // namespace
}  // namespace corvane::ui
