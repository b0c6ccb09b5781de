// The Modbus bridge settings as the gateway dialog opens them on its working image: the far-end
// list, the bit field behind the boxes, and what OK, "Set All" and "Clear All" leave behind.
#include <gtest/gtest.h>

#include "gateway/modbus_bridge_dlg.h"
#include "gateway/modbus_bridge_template.h"
#include "model/type_table.h"
#include "ui/headless/test_host.h"

namespace corvane {
namespace {

using namespace ui;

constexpr RfAddress kGateway = 0x00800001;
constexpr RfAddress kFarA = 0x00800002;
constexpr RfAddress kFarB = 0x00800003;
constexpr RfAddress kRelay = 0x00500007;

uint8_t BitByte(const GatewayImage& image, int byte) {
  const uint16_t word = image.Word(GatewayImage::kRegBridgeBits + byte / 2);
  return static_cast<uint8_t>(byte % 2 == 0 ? word : word >> 8);
}

class ModbusBridgeTest : public ::testing::Test {
 protected:
  ModbusBridgeTest() {
    project.SetEntry(0, kFarB, {});
    project.SetEntry(1, kRelay, {});
    project.SetEntry(2, kGateway, {});
    project.SetEntry(5, kFarA, {});
    image.SetWord(GatewayImage::kRegModbusTimeout, 1500);
    // Addresses 8 and 250 (the latter has no box) bridged.
    image.SetWord(GatewayImage::kRegBridgeBits, 0x0100);
    image.SetWord(GatewayImage::kRegBridgeBits + 15, 0x0400);
  }
  void TearDown() override { EXPECT_EQ(dlg.unknown_id_uses(), 0); }

  TestHost host;
  Project project;
  GatewayImage image;
  CModbusBridgeDlg dlg{host, image, kGateway, project};
};

TEST_F(ModbusBridgeTest, OpeningShowsTheSettings) {
  image.SetU32(GatewayImage::kRegBridgeAddress, kFarA);
  host.Open(dlg);
  EXPECT_EQ(dlg.Template().id, 181);
  // Other gateways in table order; the gateway itself and other types left out.
  ASSERT_EQ(dlg.Count(kBridgeFarEnd), 3);
  EXPECT_EQ(dlg.Item(kBridgeFarEnd, 0), u"Nothing");
  EXPECT_EQ(dlg.Item(kBridgeFarEnd, 1), u"0x00800003 " + TypeName(kFarB));
  EXPECT_EQ(dlg.Item(kBridgeFarEnd, 2), u"0x00800002 " + TypeName(kFarA));
  EXPECT_EQ(dlg.CurSel(kBridgeFarEnd), 2);
  EXPECT_EQ(dlg.Text(kBridgeTimeout), u"1500");
  for (int n = 0; n < kBridgeBoxes; ++n) EXPECT_EQ(dlg.IsChecked(BridgeBox(n)), n == 8) << n;
}

TEST_F(ModbusBridgeTest, FarEndNoLongerInTheProjectIsStillOffered) {
  image.SetU32(GatewayImage::kRegBridgeAddress, 0x00800099);
  host.Open(dlg);
  ASSERT_EQ(dlg.Count(kBridgeFarEnd), 4);
  EXPECT_EQ(dlg.Item(kBridgeFarEnd, 3), u"0x00800099 " + TypeName(0x00800099));
  EXPECT_EQ(dlg.CurSel(kBridgeFarEnd), 3);
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_EQ(image.U32(GatewayImage::kRegBridgeAddress), 0x00800099u);
}

TEST_F(ModbusBridgeTest, OkStoresBoxesFarEndAndTimeout) {
  image.SetU32(GatewayImage::kRegBridgeAddress, kFarB);
  host.Open(dlg);
  ASSERT_TRUE(host.Toggle(dlg, BridgeBox(8)));  // cleared
  for (int n : {0, 1, 240}) ASSERT_TRUE(host.Toggle(dlg, BridgeBox(n)));
  ASSERT_TRUE(host.Select(dlg, kBridgeFarEnd, 0));
  // Beyond the register's range: the longest timeout, not the low 16 bits.
  ASSERT_TRUE(host.Type(dlg, kBridgeTimeout, u"70000"));
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_FALSE(host.IsOpen(dlg));
  EXPECT_EQ(BitByte(image, 0), 0x03);
  EXPECT_EQ(BitByte(image, 1), 0x00);
  EXPECT_EQ(BitByte(image, 30), 0x01);
  EXPECT_EQ(BitByte(image, 31), 0x04);  // 250 has no box and stays
  EXPECT_EQ(image.U32(GatewayImage::kRegBridgeAddress), 0u);
  EXPECT_EQ(image.Word(GatewayImage::kRegModbusTimeout), 0xFFFF);

  // A timeout that is no number leaves the register as it was.
  dlg.ResetEnded();
  host.Open(dlg);
  ASSERT_TRUE(host.Type(dlg, kBridgeTimeout, u"fast"));
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_EQ(image.Word(GatewayImage::kRegModbusTimeout), 0xFFFF);
}

TEST_F(ModbusBridgeTest, SetAllAndClearAllStayWhenClosedOtherwise) {
  host.Open(dlg);
  ASSERT_TRUE(host.Click(dlg, kBridgeSetAll));
  EXPECT_TRUE(dlg.IsChecked(BridgeBox(240)));
  ASSERT_TRUE(host.CloseBox(dlg));
  for (int w = 0; w < CModbusBridgeDlg::kBitFieldWords; ++w) {
    EXPECT_EQ(image.Word(GatewayImage::kRegBridgeBits + w), 0xFFFF) << w;
  }

  dlg.ResetEnded();
  host.Open(dlg);
  ASSERT_TRUE(host.Click(dlg, kBridgeClearAll));
  EXPECT_FALSE(dlg.IsChecked(BridgeBox(0)));
  ASSERT_TRUE(host.PressKey(dlg, vk::kEscape));
  for (int w = 0; w < CModbusBridgeDlg::kBitFieldWords; ++w) {
    EXPECT_EQ(image.Word(GatewayImage::kRegBridgeBits + w), 0) << w;
  }
  // Neither touched the far end or the timeout.
  EXPECT_EQ(image.Word(GatewayImage::kRegModbusTimeout), 1500);
}

TEST(ModbusBridge, OlderLayoutHasNothingToEdit) {
  TestHost host;
  Project project;
  GatewayImage older(kPre400Map);
  CModbusBridgeDlg dlg(host, older, kGateway, project);
  host.Open(dlg);
  EXPECT_FALSE(host.Click(dlg, kBridgeSetAll));
  ASSERT_TRUE(host.Click(dlg, kIdOk));
  EXPECT_EQ(older.words().size(), static_cast<size_t>(kPre400Map.words));
}

}  // namespace
}  // namespace corvane
