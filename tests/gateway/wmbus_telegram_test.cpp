// Decoding the telegram lines of the wireless M-Bus view: the bytes taken from a line, the
// header fields, the extended link layer's session number and payload label.
#include "gateway/wmbus_telegram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
using Entries = std::vector<std::u16string>;

TEST(WmbusTelegram, HeaderFieldsAndRawData) {
  for (auto [low, high, text] : {std::tuple{0x43, 0x04, u"ABC"},
                                 {0x43, 0x84, u"aBC"},
                                 {0x2D, 0x2C, u"KAM"},
                                 {0xA7, 0x32, u"LUG"},
                                 {0x93, 0x44, u"QDS"}}) {
    EXPECT_EQ(DescribeTelegram(Bytes{0x0B, 0x44, uint8_t(low), uint8_t(high)}).at(0),
              u"Manufacturer  : " + std::u16string(text));
  }
  // A heat meter (LUG) with the long transport header, CI 72.
  EXPECT_EQ(DescribeTelegram(Bytes{0x1E, 0x44, 0xA7, 0x32, 0x56, 0x34, 0x12, 0x00, 0x04, 0x04, 0x72,
                                   0x56, 0x34, 0x12}),
            (Entries{u"Manufacturer  : LUG", u"SerialNumber  : 00123456", u"Version       : 04",
                     u"Device        : 04", u"RAW DATA      : 72 56 34 12"}));
  // No hexadecimal data: zero fields and an empty data entry.
  EXPECT_EQ(ParseTelegramLine(u"09.12.2026 08:04:05, rssi=-71 dBm Data: "),
            (Entries{u"Manufacturer  : @@@", u"SerialNumber  : 00000000", u"Version       : 00",
                     u"Device        : 00", u"RAW DATA      :"}));
}

TEST(WmbusTelegram, ExtendedLinkLayerLabelsThePayloadBySessionNumber) {
  // KAM water meter, CI 8D: CC, access number, session number, payload check, payload.
  Bytes t{0x16, 0x44, 0x2D, 0x2C, 0x78, 0x56, 0x34, 0x12, 0x1B, 0x16, 0x8D, 0x20,
          0x6A, 0x31, 0xFB, 0x7C, 0x20, 0xAA, 0x55, 0x8B, 0x39, 0x0E, 0xF1};
  Entries e = DescribeTelegram(t);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[4], u"SessionNumber : 0x207CFB31");
  EXPECT_EQ(e[5], u"ENCRYPTED DATA: 8B 39 0E F1");
  for (uint8_t top : {0x40, 0x00, 0xE0}) {  // only encryption field 1 is encrypted
    t[16] = top;
    EXPECT_EQ(DescribeTelegram(t)[5], u"DECRYPTED DATA: 8B 39 0E F1") << int(top);
  }
  t[16] = 0x3F;  // the session's other bits do not count
  t.resize(19);  // exactly the extended header: no payload
  e = DescribeTelegram(t);
  EXPECT_EQ(e[4], u"SessionNumber : 0x3F7CFB31");
  EXPECT_EQ(e[5], u"ENCRYPTED DATA:");
}

TEST(WmbusTelegram, BytesOfALine) {
  EXPECT_EQ(TelegramBytes(u"0x1F ab"), (Bytes{0x1F, 0xAB}));
  EXPECT_EQ(TelegramBytes(u"0X1F,0xab;c"), (Bytes{0x1F, 0xAB}));  // a lone last digit is dropped
  // Only the first marker counts; a line without one loses its first four characters.
  EXPECT_EQ(TelegramText(u"ab Data: 01 Data: 02"), u" 01 Data: 02");
  EXPECT_EQ(ParseTelegramLine(u"ABCD0B44A51101").at(0), u"Manufacturer  : DME");
  EXPECT_EQ(TelegramText(u"abc"), u"");
  std::u16string line = u"Data: ";
  for (int i = 0; i < 140; ++i) line += u"5A ";
  EXPECT_EQ(TelegramBytes(TelegramText(line)).size(), kMaxTelegramBytes);
  // The line the owner builds reads back as its telegram.
  const Bytes t{0x0D, 0x44, 0x68, 0x50, 0x11, 0x22, 0x33, 0x44, 0x94, 0x08, 0x7A, 0x5C};
  line = WmbusFifoLine({2026, 3, 7, 8, 4, 5, 0}, -102, t);
  EXPECT_EQ(line, u"07.03.2026 08:04:05, rssi=-102 dBm Data: 0D 44 68 50 11 22 33 44 94 08 7A 5C ");
  EXPECT_EQ(TelegramBytes(TelegramText(line)), t);
}

}  // namespace
}  // namespace corvane
