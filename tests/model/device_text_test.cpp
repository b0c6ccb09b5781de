#include "model/device_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

std::u16string Decode(std::vector<uint8_t> bytes) { return DecodeDeviceText(bytes); }

TEST(DeviceTextDecode, PlainBytes) {
  EXPECT_EQ(Decode({'H', 'a', 'l', 'l', 0}), u"Hall");
  // Sixteen characters with no NUL: bytes beyond the 16 read as 0.
  EXPECT_EQ(Decode({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F',
                    'X', 'Y'}),
            u"0123456789ABCDEF");
  EXPECT_EQ(Decode({}), u"");
  EXPECT_EQ(Decode({0, 'A'}), u"");
  // Control characters below 0x10 pass through.
  EXPECT_EQ(Decode({0x01, 0x0F, 0}), std::u16string({0x01, 0x0F}));
}

TEST(DeviceTextDecode, MultiByteForms) {
  // 0x10..0x17: ((b & 3) << 7) + next.
  EXPECT_EQ(Decode({0x13, 0x05, 0}), std::u16string(1, char16_t((3 << 7) + 5)));
  // 0x18..0x1B: (((b << 7) + n1) << 7) + n2, modulo 65536.
  const unsigned three = ((((0x19u << 7) + 0x22) << 7) + 0x33) & 0xFFFF;
  EXPECT_EQ(Decode({0x19, 0x22, 0x33, 0}), std::u16string(1, char16_t(three)));
  // 0xC0..0xDF and 0xE0.. are the two- and three-byte forms of UTF-8.
  EXPECT_EQ(Decode({0xC3, 0xA9, 0}), u"\u00E9");
  EXPECT_EQ(Decode({0xE2, 0x82, 0xAC, 0}), u"\u20AC");
  // A two-byte form whose second byte is 0 yields character 0 and ends the text.
  EXPECT_EQ(Decode({'A', 0x10, 0x00, 'B'}), u"A");
}

TEST(DeviceTextDecode, OffsetPrefix) {
  // 0x11, offset 0x0350: characters above 0x40 are shifted, the others not.
  EXPECT_EQ(Decode({0x11, 0x50, 0x03, 'A', ' ', '1', 0}),
            std::u16string({char16_t('A' + 0x350), u' ', u'1'}));
  // Offset arithmetic wraps at 65536.
  EXPECT_EQ(Decode({0x11, 0xFF, 0xFF, 'B', 0}), std::u16string(1, char16_t('B' - 1)));
  // Only byte 0 is a prefix; elsewhere 0x11 is a two-byte character.
  EXPECT_EQ(Decode({'A', 0x11, 0x01, 0}), std::u16string({u'A', char16_t((1 << 7) + 1)}));
}

TEST(DeviceTextDecode, SequencesRunningPastTheEndReadZeros) {
  // A three-byte form starting at byte 15 reads two zeros after it.
  std::vector<uint8_t> bytes(16, 'a');
  bytes[15] = 0xE5;
  const std::u16string text = DecodeDeviceText(bytes);
  ASSERT_EQ(text.size(), 16u);
  EXPECT_EQ(text[15], char16_t(0x5000));
}

TEST(DeviceTextEncode, LowBytesNulPaddedAndCut) {
  auto bytes = EncodeDeviceText(u"Kitchen");
  EXPECT_EQ(bytes[6], 'n');
  for (size_t i = 7; i < 16; ++i) EXPECT_EQ(bytes[i], 0) << i;
  // Exactly 16 characters leave no room for the NUL; more are cut.
  bytes = EncodeDeviceText(u"ABCDEFGHIJKLMNOPQR");
  EXPECT_EQ(bytes[15], 'P');
  // Only the low 8 bits of a wide character are kept.
  bytes = EncodeDeviceText(u"\u0141");
  EXPECT_EQ(bytes[0], 0x41);

  uint16_t words[8] = {};
  EncodeDeviceTextWords(u"Room 1", words);
  EXPECT_EQ(words[0], 'R' | ('o' << 8));
  EXPECT_EQ(words[3], 0);
  EXPECT_EQ(DecodeDeviceTextWords(words), u"Room 1");
}

}  // namespace
}  // namespace corvane
