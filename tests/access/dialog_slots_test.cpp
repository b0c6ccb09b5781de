#include "access/dialog_slots.h"

#include <gtest/gtest.h>

#include "access/address_text.h"
#include "model/type_table.h"

namespace corvane {
namespace {

class FakePort : public DeviceDialogPort {
 public:
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override {
    ++data;
    last = {source, first, count, from_cache};
    if (count > 1 && first <= 1 && 1 < first + count) version = words[1 - first];
  }
  void OnWriteAck(RfAddress, uint16_t, int, bool) override { ++acks; }
  int RecordVersion() const override { return version; }
  void CloseForVersion(uint16_t v) override { closed_with.push_back(v); }

  struct Last {
    RfAddress source;
    uint16_t first;
    int count;
    bool cached;
  } last{};
  int data = 0;
  int acks = 0;
  int version = -1;
  std::vector<uint16_t> closed_with;
};

class Warnings : public VersionWarning {
 public:
  void WarnIncompatibleVersion(bool newer) override { shown.push_back(newer); }
  std::vector<bool> shown;
};

TEST(DialogSlots, CapacityPerClassAndFanOut) {
  DialogSlots slots;
  FakePort a, b, c, d, e, f;
  EXPECT_TRUE(slots.Occupy(DialogClass::kInputNode, &a));
  EXPECT_FALSE(slots.Occupy(DialogClass::kInputNode, &b));  // one at a time
  for (FakePort* p : {&b, &c, &d, &e}) EXPECT_TRUE(slots.Occupy(DialogClass::kGatewayV400, p));
  EXPECT_FALSE(slots.Occupy(DialogClass::kGatewayV400, &f));  // four nest, not five
  EXPECT_FALSE(slots.Occupy(DialogClass::kUnsupported, &f));
  EXPECT_EQ(slots.InUse(DialogClass::kGatewayV400), 4);

  const uint16_t words[] = {1, 2, 3};
  slots.OnRegisterData(0x00300001, 7, 3, words, true);
  slots.OnWriteAck(0x00300001, 7, 3, false);
  for (FakePort* p : {&a, &b, &c, &d, &e}) {
    EXPECT_EQ(p->data, 1);
    EXPECT_EQ(p->acks, 1);
    EXPECT_TRUE(p->last.cached);
  }
  EXPECT_EQ(f.data, 0);
  slots.Release(&a);
  EXPECT_EQ(slots.First(DialogClass::kInputNode), nullptr);
  EXPECT_TRUE(slots.Occupy(DialogClass::kInputNode, &f));
  EXPECT_EQ(slots.First(DialogClass::kInputNode), &f);
}

TEST(DialogSlots, GatewayDialogsThatDoNotFitTheFirmwareCloseAndWarnOncePerSlot) {
  Warnings warnings;
  DialogSlots slots(&warnings);
  FakePort v400, old;
  slots.Occupy(DialogClass::kGatewayV400, &v400);
  slots.Occupy(DialogClass::kGateway, &old);
  const uint16_t header_398[] = {0xF008, 398};
  slots.OnRegisterData(0x00800001, 0, 2, header_398, false);
  // The new dialog met old firmware: it records 398 and closes; the old one fits.
  EXPECT_EQ(v400.closed_with, (std::vector<uint16_t>{398}));
  EXPECT_TRUE(old.closed_with.empty());
  EXPECT_EQ(warnings.shown, (std::vector<bool>{false}));  // "older version than expected"

  // Again before a fitting version: closes, but no second message for that slot.
  slots.OnRegisterData(0x00800001, 0, 2, header_398, false);
  EXPECT_EQ(v400.closed_with.size(), 2u);
  EXPECT_EQ(warnings.shown.size(), 1u);

  const uint16_t header_410[] = {0xF008, 410};
  slots.OnRegisterData(0x00800001, 0, 2, header_410, false);
  EXPECT_EQ(old.closed_with, (std::vector<uint16_t>{399}));     // the old dialog records 399
  EXPECT_EQ(warnings.shown, (std::vector<bool>{false, true}));  // "newer version"
  // The V400 slot saw a fitting version: its message is armed again.
  slots.OnRegisterData(0x00800001, 0, 2, header_398, false);
  EXPECT_EQ(warnings.shown.size(), 3u);
}

TEST(AddressText, ListLinesDisplayNamesAndDecimals) {
  EXPECT_EQ(ParseAddressText(u"0x0010ABCD Ventora"), 0x0010ABCDu);
  EXPECT_EQ(ParseAddressText(u"Ventora 0x0010ABCD 1092557 "), 0x0010ABCDu);
  EXPECT_EQ(ParseAddressText(u"1092557"), 1092557u);
  EXPECT_EQ(ParseAddressText(u"  -2097151"), 0xFFE00001u);
  // An x in the type name before the address does not count.
  EXPECT_EQ(ParseAddressText(u"Gatrix-xx 0x00800001 8388609 "), 0x00800001u);
  // Other characters between the digits are skipped; at most eight digits are taken.
  EXPECT_EQ(ParseAddressText(u"0X00 30 ab cd 99"), 0x0030ABCDu);
  EXPECT_EQ(ParseAddressText(u"0x12"), 0x12u);
  EXPECT_EQ(ParseAddressText(u"0x00200000 Calidor"), 0x00200000u);
  EXPECT_EQ(ParseAddressText(u""), 0u);
  EXPECT_EQ(ParseAddressText(u"Calidor"), 0u);
}

}  // namespace
}  // namespace corvane
