#include "model/gateway_image.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace corvane {
namespace {

using G = GatewayImage;

// Words that differ from register to register and are never 0, so a lost or misplaced register
// shows in a comparison.
std::vector<uint16_t> PatternBlob(uint16_t version) {
  std::vector<uint16_t> words(G::kWords);
  uint32_t x = 0x2545F491;
  for (auto& w : words) {
    x = x * 1664525u + 1013904223u;
    w = static_cast<uint16_t>((x >> 16) | 1);
  }
  words[G::kRegVersion] = version;
  return words;
}

// Where each register of the converted image comes from, written as one mapping per range of the
// new layout: an old register number, or none for a cleared register.
std::optional<int> SourceOf(int r) {
  if (r < 52) return r;
  if (r < 252) return r;
  if (r < 364) return std::nullopt;
  if (r < 1464) return r - 112;
  if (r < 1632) return std::nullopt;
  if (r == 1632) return 1352;
  if (r == 1633) return r;
  if (r <= 18482) return std::nullopt;
  if (r == 18483) return r;
  if (r < 18492) return std::nullopt;
  if (r < 19317) return r - 280;
  if (r < 19331) return std::nullopt;
  if (r == 19331) return r;
  if (r < 19346) return r - 294;
  return r;
}

TEST(GatewayImageConversion, KeepsEveryOldValueInItsNewPlace) {
  std::vector<uint16_t> blob = PatternBlob(399);
  // One free entry with a cache start, one used entry without: neither is shifted.
  blob[52 + 4 * 7] = blob[53 + 4 * 7] = 0;
  blob[54 + 4 * 9] = 0;
  const std::vector<uint16_t> old = blob;

  ASSERT_TRUE(ConvertPre400Image(blob));

  for (int r = 0; r < G::kWords; ++r) {
    uint16_t expected = SourceOf(r) ? old[static_cast<size_t>(*SourceOf(r))] : 0;
    if (r == 1) expected = 400;
    if (r >= 52 && r < 252 && (r - 52) % 4 == 2) {
      const bool used = (old[r - 2] | old[r - 1]) != 0;
      if (used && expected != 0) expected = static_cast<uint16_t>(expected + 280);
    }
    ASSERT_EQ(blob[static_cast<size_t>(r)], expected) << "register " << r;
  }
}

TEST(GatewayImageConversion, OldCacheStartMovesToTheNewArea) {
  std::vector<uint16_t> blob(G::kWords, 0);
  blob[1] = 350;
  blob[52] = 0x0001;
  blob[53] = 0x0080;
  blob[54] = 1754;
  blob[55] = 0x8000 | 12;
  ASSERT_TRUE(ConvertPre400Image(blob));
  const G image(blob);
  EXPECT_EQ(image.Device(0).address, 0x00800001u);
  EXPECT_EQ(image.Device(0).mb_start, 2034);
  EXPECT_EQ(image.Device(0).MbCount(), 12);
  EXPECT_EQ(image.Version(), 400);
}

TEST(GatewayImageConversion, NeverTouchesA400Layout) {
  // 0 is a gateway that has not told its version: its blob is in the 4.00 layout.
  for (uint16_t version : {0, 400, 424, 0xFFFF}) {
    std::vector<uint16_t> blob = PatternBlob(version);
    const std::vector<uint16_t> before = blob;
    EXPECT_EQ(LayoutOf(blob), GatewayLayout::kV400) << version;
    EXPECT_FALSE(ConvertPre400Image(blob)) << version;
    EXPECT_EQ(blob, before) << version;
  }
  std::vector<uint16_t> blob = PatternBlob(1);
  EXPECT_EQ(LayoutOf(blob), GatewayLayout::kPre400);
  ASSERT_TRUE(ConvertPre400Image(blob));
  const std::vector<uint16_t> once = blob;
  EXPECT_FALSE(ConvertPre400Image(blob));
  EXPECT_EQ(blob, once);

  EXPECT_EQ(LayoutOf({}), GatewayLayout::kV400);
  EXPECT_FALSE(IsOlderThanV400(0));
  EXPECT_TRUE(IsOlderThanV400(1));
  EXPECT_TRUE(IsOlderThanV400(398));
  EXPECT_FALSE(IsOlderThanV400(399));
}

TEST(GatewayImage, MapSizeByVersion) {
  const std::pair<uint16_t, int> rows[] = {
      {0, 19618},   {309, 19618}, {310, 19044}, {311, 19044}, {312, 19618},
      {399, 19618}, {400, 19346}, {402, 19346}, {403, 19370}, {406, 19370},
      {407, 19468}, {408, 19500}, {422, 19500}, {423, 19600}, {424, 19618},
  };
  for (const auto& [version, size] : rows) EXPECT_EQ(MapSize(version), size) << version;
}

// Entry i with address, MB_start, MB_cnt and the cached bit.
void Put(G& image, int i, uint16_t start, uint16_t count, bool cached = true) {
  GwDeviceEntry e;
  e.address = 0x00100000u + static_cast<RfAddress>(i + 1);
  e.mb_start = start;
  e.SetMbCount(count);
  e.SetCached(cached);
  e.SetPriority(2);
  image.SetDevice(i, e);
}

TEST(GatewayCachePlacement, KeepsValidRangesAndPlacesTheRest) {
  G image;
  Put(image, 0, 0, 10);
  Put(image, 1, 0, 20);
  Put(image, 2, 5000, 10);
  Put(image, 3, 0, 5);
  Put(image, 4, 100, 7);   // below the area
  Put(image, 5, 5005, 3);  // overlaps entry 2's range: follows it
  Put(image, 6, 3000, 4, false);
  EXPECT_TRUE(PlaceCache(image).empty());
  EXPECT_EQ(image.Device(0).mb_start, 2034);
  EXPECT_EQ(image.Device(1).mb_start, 2044);
  EXPECT_EQ(image.Device(2).mb_start, 5000);
  EXPECT_EQ(image.Device(3).mb_start, 5010);
  EXPECT_EQ(image.Device(4).mb_start, 5015);
  EXPECT_EQ(image.Device(5).mb_start, 5022);
  EXPECT_EQ(image.Device(6).mb_start, 0);
  EXPECT_EQ(image.Device(2).Priority(), 2);
  EXPECT_TRUE(image.Device(2).Cached());
}

TEST(GatewayCachePlacement, NeverWritesPastTheEndOfTheCache) {
  G image;
  Put(image, 0, 0, 4095);
  Put(image, 1, 0, 4095);
  Put(image, 2, 0, 4095);
  Put(image, 3, 0, 2000);    // 2034 + 3 * 4095 + 2000 = 16319: fits
  Put(image, 4, 0, 100);     // would end at 16419
  Put(image, 5, 0, 51);      // ends at 16370 exactly: fits
  Put(image, 6, 16360, 10);  // valid, but behind entry 5 it would end past the area
  const std::vector<int> unfit = PlaceCache(image);
  EXPECT_EQ(unfit, (std::vector<int>{4, 6}));
  EXPECT_EQ(image.Device(3).mb_start, 14319);
  EXPECT_EQ(image.Device(5).mb_start, 16319);
  for (int i : unfit) {
    EXPECT_EQ(image.Device(i).mb_start, 0) << i;
    EXPECT_FALSE(image.Device(i).Cached()) << i;
  }
  EXPECT_EQ(image.Device(4).MbCount(), 100);
  for (int i = 0; i < G::kDevices; ++i) {
    const GwDeviceEntry e = image.Device(i);
    if (e.Cached()) {
      EXPECT_LE(e.mb_start + e.MbCount(), G::kRegCacheLast + 1) << i;
    }
  }
}

// A device removed from the table ("0x00000000 disable") leaves its flags behind; it must not keep
// cache space, or the devices after it are pushed out of the area.
TEST(GatewayCachePlacement, AFreedEntryIsNotCached) {
  G image;
  Put(image, 0, 2034, 4095);
  GwDeviceEntry freed = image.Device(0);
  freed.address = 0;
  image.SetDevice(0, freed);
  Put(image, 1, 0, 4095);
  Put(image, 2, 0, 4095);
  Put(image, 3, 0, 4095);
  Put(image, 4, 0, 2000);
  EXPECT_TRUE(PlaceCache(image).empty());
  EXPECT_FALSE(image.Device(0).Cached());
  EXPECT_EQ(image.Device(0).mb_start, 0);
  EXPECT_EQ(image.Device(1).mb_start, 2034);
  EXPECT_EQ(image.Device(4).mb_start, 2034 + 3 * 4095);
  EXPECT_TRUE(image.Device(4).Cached());
  EXPECT_TRUE(CompressCache(image).empty());
  EXPECT_FALSE(image.Device(0).Cached());
  EXPECT_EQ(image.Device(1).mb_start, 2034);
}

TEST(GatewayCachePlacement, CompressionPacksFromTheStart) {
  G image;
  Put(image, 0, 9000, 10);
  Put(image, 1, 3000, 4, false);
  Put(image, 2, 4000, 6);
  Put(image, 3, 0, 4095);
  Put(image, 4, 0, 4095);
  Put(image, 5, 0, 4095);
  Put(image, 6, 0, 4095);  // no longer fits
  Put(image, 7, 0, 1);
  EXPECT_EQ(CompressCache(image), (std::vector<int>{6}));
  EXPECT_EQ(image.Device(0).mb_start, 2034);
  EXPECT_EQ(image.Device(1).mb_start, 0);
  EXPECT_EQ(image.Device(2).mb_start, 2044);
  EXPECT_EQ(image.Device(5).mb_start, 2050 + 2 * 4095);
  EXPECT_EQ(image.Device(6).mb_start, 0);
  EXPECT_EQ(image.Device(7).mb_start, 2050 + 3 * 4095);
}

TEST(GatewayModbusCollision, FirstPairLowerEntryFirst) {
  G image;
  Put(image, 3, 0, 0, false);
  Put(image, 8, 0, 0, false);
  Put(image, 12, 0, 0, false);
  image.SetModbusAddress(3, 5);
  image.SetModbusAddress(8, 7);
  image.SetModbusAddress(12, 5);
  image.SetModbusAddress(20, 5);  // free entry: never collides
  const auto c = FindModbusCollision(image);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->first, 3);
  EXPECT_EQ(c->second, 12);
  EXPECT_EQ(CollisionMessage(*c),
            u"Modbus address collision modbus address 5 added to device 0x00100004 and 0x0010000D");

  // The same device twice under one Modbus address is no collision.
  GwDeviceEntry twin = image.Device(3);
  image.SetDevice(12, twin);
  EXPECT_FALSE(FindModbusCollision(image));
  EXPECT_EQ(image.ModbusAddress(12), 5);  // nothing changed
}

TEST(GatewayImage, DefaultImageFromTheWorkingOne) {
  G working(PatternBlob(0));
  working.SetWord(G::kRegDeviceId, 0);
  const G d = DefaultGatewayImage(working);
  EXPECT_EQ(d.Word(0), 1293);
  EXPECT_EQ(d.Version(), 400);
  EXPECT_EQ(d.Word(3), 0x1101);
  EXPECT_EQ(d.Word(5), 1141);
  EXPECT_EQ(d.Word(6), working.Word(6));
  const std::vector<uint8_t> name = d.Bytes(G::kRegName, 16);
  EXPECT_EQ(std::string(name.begin(), name.end()), std::string("RS485 Gateway\0\0\0", 16));
  EXPECT_EQ(d.U32(16), working.U32(16));
  const std::vector<uint8_t> password = d.Bytes(G::kRegPassword, 16);
  EXPECT_EQ(std::string(password.begin(), password.end()), "TARVELONIX4817QD");
  EXPECT_EQ(d.Word(26), 0x0200);
  for (int r = 27; r < G::kWords; ++r) ASSERT_EQ(d.Word(r), 0) << r;

  working.SetWord(G::kRegVersion, 410);
  working.SetWord(G::kRegDeviceId, 77);
  EXPECT_EQ(DefaultGatewayImage(working).Version(), 410);
  EXPECT_EQ(DefaultGatewayImage(working).Word(5), 77);
}

TEST(GatewayImage, AreasStayInsideTheirRegisters) {
  G image;
  const std::vector<uint8_t> data(41, 0xAB);
  image.SetWord(G::kRegTxLength, 3);
  EXPECT_FALSE(image.SetTransmitRequest(0x00500001, data));
  EXPECT_EQ(image.Word(G::kRegTxLength), 3);
  EXPECT_EQ(image.Word(G::kRegTxTrigger), 0);
  ASSERT_TRUE(image.SetTransmitRequest(0x00500001, std::span(data).first(40)));
  EXPECT_EQ(image.Word(G::kRegTxLength), 40);
  EXPECT_EQ(image.Word(G::kRegTxTrigger), 1);
  EXPECT_EQ(image.Word(G::kRegTxData + 19), 0xABAB);

  // A length byte claiming more than the head holds yields only the head's bytes.
  image.SetWord(G::kRegWmbusStatus, 0xC4FF);
  const GwWmbusHead head = image.WmbusHead();
  EXPECT_EQ(head.frame.size(), 124u);
  EXPECT_EQ(head.rssi, -60);

  image.SetWord(G::kRegFifo2Table, 0x0301);
  image.SetWord(G::kRegFifo2Table + 1, 1234);
  image.SetWord(G::kRegFifo2Table + 2, 0x00FF);
  ASSERT_EQ(image.Fifo2Table().size(), 1u);
  EXPECT_EQ(image.Fifo2Table()[0].tdif, 3);
  EXPECT_EQ(image.Fifo2Table()[0].reg, 1234);

  image.SetWord(G::kRegWriteLogCount, 9);
  EXPECT_EQ(image.WriteLogHead().values.size(), 4u);

  image.SetWord(G::kRegDeviceStatus + 6 * 77 + 4, 0xB500);
  image.SetWord(G::kRegDeviceStatus + 6 * 77 + 5, 0x02D0);
  const GwDeviceStatus s = image.DeviceStatus(77);
  EXPECT_EQ(s.rssi_dev_to_gw, -75);
  EXPECT_EQ(s.rssi_gw_to_dev, -48);
  EXPECT_FALSE(s.ReadBit());
  EXPECT_TRUE(s.WriteBit());
}

}  // namespace
}  // namespace corvane
