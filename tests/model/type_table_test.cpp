#include "model/type_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

TEST(RfAddress, TypeAndSpecialAddresses) {
  EXPECT_EQ(TypeOf(0x0030ABCD), 0x003);
  EXPECT_EQ(TypeOf(ADDR_DONGLE), 0xFFF);
  EXPECT_TRUE(IsDongleLocal(ADDR_DONGLE));
  EXPECT_TRUE(IsDongleLocal(0xFFF00000));
  EXPECT_FALSE(IsDongleLocal(0xFFE00001));
  EXPECT_TRUE(IsModbusSide(0xFFE00001));
}

TEST(TypeTable, DisplayNames) {
  EXPECT_EQ(DisplayName(0x0030ABCD, 0), u"Quadrel-A 0x0030ABCD 3189709 ");
  // The decimal part is signed.
  EXPECT_EQ(DisplayName(0xFFE00001, 0), u"DEVICE ON MODBUS 0xFFE00001 -2097151 ");
  EXPECT_EQ(DisplayName(0x0100ABCD, 0), u" 0x0100ABCD 16821197 ");
  EXPECT_EQ(FormatAddress(0x00A0000F), u"0x00A0000F");
}

TEST(TypeTable, OemModesChangeListedNamesOnly) {
  for (int mode : {1, 2}) {
    EXPECT_NE(TypeName(0x00100001, mode), u"Ventora") << mode;
    EXPECT_FALSE(TypeName(0x00100001, mode).empty()) << mode;
    EXPECT_EQ(TypeName(0xFFE00001, mode), u"DEVICE ON MODBUS");
    EXPECT_EQ(TypeName(0x01000001, mode), u"");
  }
  EXPECT_EQ(TypeName(0x00100001, 1), u"Aldera Fancoil");
  // Any other mode value uses the normal names.
  EXPECT_EQ(TypeName(0x00100001, 3), u"Ventora");
  EXPECT_EQ(TypeName(0x00100001, -1), u"Ventora");

  SetOemMode(2);
  EXPECT_EQ(TypeName(0x00300001), TypeName(0x00300001, 2));
  SetOemMode(0);
  EXPECT_EQ(TypeName(0x00300001), u"Quadrel-A");
}

TEST(TypeTable, ColumnsForListedAndUnlistedCodes) {
  struct Row {
    RfAddress address;
    const char16_t* name;
    int size;
    bool listens;
    WakeHintId hint;
  };
  const Row rows[] = {
      {0x00100000, u"Ventora", 33352, true, WakeHintId::kH0},
      {0x00200000, u"Calidor", 380, false, WakeHintId::kH1},
      {0x00800000, u"Gatrix-xx", 39236, true, WakeHintId::kH0},
      {0x00D00000, u"Bossel", 196, false, WakeHintId::kH2},
      {0x00E00000, u"Klavet", 118, false, WakeHintId::kH3},
      {0x01100000, u"Calidor-C", 156, false, WakeHintId::kH4},
      {0x01200000, u"Fenstro", 118, false, WakeHintId::kH5},
      {0x01400000, u"Quadrel-B", 118, true, WakeHintId::kH0},
      {0x01800000, u"Sextan", 39236, true, WakeHintId::kH0},
      // Unlisted codes; type 0x000 has no record and counts as listening.
      {0x00000001, u"", 0, true, WakeHintId::kH0},
      {0x01000001, u"", 250, false, WakeHintId::kH0},
      {0x01900001, u"", 250, false, WakeHintId::kH0},
      {0xFFF00001, u"", 250, false, WakeHintId::kH0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.address);
    EXPECT_EQ(TypeName(row.address, 0), row.name);
    EXPECT_EQ(RecordSize(row.address), row.size);
    EXPECT_EQ(Listens(row.address), row.listens);
    EXPECT_EQ(WakeHintOf(row.address), row.hint);
  }
  EXPECT_EQ(WakeHint(0x00A00001), u"\r\nPress button, or wait up to 5 minutes");
  EXPECT_EQ(WakeHint(0x01100001),
            u"\r\nSwitch off and then on switch UNI, or wait up to 2 minutes");
}

TEST(TypeTable, DialogChoice) {
  const std::vector<uint16_t> none;
  EXPECT_EQ(DialogFor(0x00300001, none), DialogClass::kInputNode);
  EXPECT_EQ(DialogFor(0x00E00001, none), DialogClass::kInputNode);
  EXPECT_EQ(DialogFor(0x01400001, none), DialogClass::kInputNodeB);
  EXPECT_EQ(DialogFor(0x00C00001, none), DialogClass::kUnsupported);
  EXPECT_EQ(DialogFor(0x01300001, none), DialogClass::kNone);
  EXPECT_EQ(DialogFor(0x01000001, none), DialogClass::kNone);
  EXPECT_EQ(DialogFor(0xFFE00001, none), DialogClass::kDaliBridge);
  EXPECT_STREQ(DialogClassName(DialogFor(0x00900001, none)), "CStreetLightDlg");

  // Gateways: word 1 of the cached record picks the dialog by firmware version.
  for (RfAddress gw : {0x00800001u, 0x01500001u, 0x01600001u, 0x01800001u}) {
    SCOPED_TRACE(gw);
    EXPECT_EQ(DialogFor(gw, std::vector<uint16_t>{0, 398}), DialogClass::kGateway);
    EXPECT_EQ(DialogFor(gw, std::vector<uint16_t>{0, 1}), DialogClass::kGateway);
    EXPECT_EQ(DialogFor(gw, std::vector<uint16_t>{0, 399}), DialogClass::kGatewayV400);
    EXPECT_EQ(DialogFor(gw, std::vector<uint16_t>{0, 0}), DialogClass::kGatewayV400);
    EXPECT_EQ(DialogFor(gw, none), DialogClass::kGatewayV400);
  }
}

}  // namespace
}  // namespace corvane
