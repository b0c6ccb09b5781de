// The simulated gateway as the tool sees it over the air: map size per firmware generation, the
// demo installation in its tables, the EEPROM store, clock, output, transmit request, cached
// copies following the table, and the three FIFOs.
#include "sim/gateway_node.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/gateway_image.h"
#include "model/le.h"
#include "sim/demo_network.h"
#include "tool_side.h"

namespace corvane::sim {
namespace {

using G = GatewayImage;
using testing::BlockMsg;
using testing::ReadMsg;
using testing::ToolSide;
using testing::WordMsg;
using testing::Wrap;

class GatewayNodeTest : public ::testing::Test {
 protected:
  GatewayNodeTest() {
    demo::Build(sim);
    gateway = sim.FindNodeAs<GatewayNode>(demo::kGateway);
  }
  std::vector<uint16_t> Read(ToolSide& tool, uint16_t first, uint8_t count) {
    const size_t before = tool.data.size();
    tool.Send(demo::kGateway, ReadMsg(first, count));
    tool.Run(100);
    for (size_t i = before; i < tool.data.size(); ++i) {
      if (tool.data[i].source == demo::kGateway && tool.data[i].first == first) {
        return tool.data[i].words;
      }
    }
    return {};
  }
  G Image() const { return G(gateway->registers()); }

  Simulator sim;
  GatewayNode* gateway = nullptr;
};

TEST(GatewayGenerations, RegistersPastTheMapAreNotAnsweredAndWritesThereRefused) {
  for (uint16_t version : GatewayNode::kGenerations) {
    SCOPED_TRACE(version);
    Simulator sim;
    constexpr RfAddress kAddress = 0x00800777;
    auto& gw = static_cast<GatewayNode&>(sim.AddNode(
        std::make_unique<GatewayNode>(kAddress, sim.DefaultSettings(kAddress), version)));
    // Before 4.00 the map ends at the wireless M-Bus key, or after it from 3.12.
    const int expected = version >= 400 ? MapSize(version) : version >= 312 ? 19053 : 19044;
    EXPECT_EQ(gw.map_size(), expected);
    EXPECT_EQ(gw.older_layout(), version < 400);
    ToolSide tool(sim);
    const int map = gw.map_size();
    // Straddling the end: only the registers that exist come back.
    tool.Send(kAddress, ReadMsg(static_cast<uint16_t>(map - 2), 10));
    // Wholly past the end: no answer at all.
    tool.Send(kAddress, ReadMsg(static_cast<uint16_t>(map), 2));
    tool.Send(kAddress, WordMsg(static_cast<uint16_t>(map), 7));
    tool.Run(300);
    ASSERT_EQ(tool.data.size(), 1u);
    EXPECT_EQ(tool.data[0].first, map - 2);
    EXPECT_EQ(tool.data[0].words.size(), 2u);
    EXPECT_TRUE(tool.acks.empty());  // refused: no acknowledgement with status 0
    EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
  }
}

TEST_F(GatewayNodeTest, DemoInstallationHasPlacedCachesModbusAddressesAndMovingStatus) {
  G image = Image();
  EXPECT_EQ(image.Version(), GatewayNode::kDefaultFirmware);
  EXPECT_EQ(image.OwnAddress(), demo::kGateway);
  int paired = 0;
  for (int i = 0; i < G::kDevices; ++i) paired += image.Device(i).address != 0 ? 1 : 0;
  EXPECT_EQ(paired, 14);
  // The original four keep their places and the cache layout the routing tests rely on.
  EXPECT_EQ(image.Device(1).address, demo::kGatewayClimate);
  EXPECT_EQ(image.Device(1).mb_start, G::kRegCacheFirst + 59);
  // The ranges are those the tool's own placement gives: placing again changes nothing.
  G placed = image;
  EXPECT_TRUE(PlaceCache(placed).empty());
  EXPECT_TRUE(std::equal(placed.words().begin(), placed.words().end(), image.words().begin()));
  EXPECT_FALSE(FindModbusCollision(image).has_value());
  EXPECT_EQ(image.ModbusAddress(4), 20);
  EXPECT_FALSE(image.Device(13).Cached());  // the keypad: paired, not cached, no Modbus address
  EXPECT_EQ(image.ModbusAddress(13), 0);

  sim.AdvanceBy(130000);  // every device has transmitted at least once
  image = Image();
  const GwDeviceStatus room = image.DeviceStatus(11);
  EXPECT_EQ(image.Device(11).address, demo::kGatewayRoomUnit);
  EXPECT_EQ(room.hub, demo::kGatewayHub);
  EXPECT_NE(room.last_comm, 0u);
  EXPECT_LT(room.rssi_dev_to_gw, 0);
  EXPECT_FALSE(room.ReadBit());
  const uint32_t first_seen = image.DeviceStatus(0).last_comm;
  sim.AdvanceBy(130000);
  EXPECT_GT(Image().DeviceStatus(0).last_comm, first_seen);

  // Meters: captured values grow, with their reception status.
  const int meter = 2;  // after the two original unidirectional devices
  EXPECT_EQ(Image().UniDevice(meter).address, demo::kGatewayWaterMeter);
  const uint16_t litres = Image().CapturedValue(meter, 0);
  EXPECT_NE(Image().UniStatus(meter).last_reception, 0u);
  sim.AdvanceBy(3 * 3600 * 1000);
  EXPECT_NE(Image().CapturedValue(meter, 0), litres);
}

TEST_F(GatewayNodeTest, WrittenTableIsKeptInEepromAndCopiesFollowTheirRanges) {
  ToolSide tool(sim);
  const SimNode* output = sim.FindNode(demo::kGatewayOutput);
  // The tool uncaches the climate sensor, compresses the cache and writes the table back.
  G image = Image();
  GwDeviceEntry climate = image.Device(1);
  climate.SetCached(false);
  image.SetDevice(1, climate);
  image.SetModbusAddress(2, 77);
  CompressCache(image);
  const std::vector<uint16_t> table(image.words().begin() + G::kRegDevices,
                                    image.words().begin() + G::kRegDevices + 40);
  tool.Send(demo::kGateway, BlockMsg(G::kRegDevices, table));
  const uint16_t ma = image.Word(G::kRegModbusTable + 1);
  tool.Send(demo::kGateway, WordMsg(G::kRegModbusTable + 1, ma));
  tool.Send(demo::kGateway, WordMsg(G::kRegCommand, G::kStoreRequestBit));
  tool.Run(500);
  EXPECT_EQ(Image().Device(2).mb_start, G::kRegCacheFirst + 59);  // moved down
  // Being heard again does not undo what the tool wrote.
  sim.AdvanceBy(70000);
  EXPECT_FALSE(Image().Device(1).Cached());
  EXPECT_EQ(Image().ModbusAddress(2), 77);
  const auto eeprom = gateway->eeprom();
  EXPECT_EQ(eeprom[G::kRegDevices + 4 * 2 + 2], G::kRegCacheFirst + 59);
  EXPECT_NE(eeprom[G::kRegCommand] & G::kStoreDoneBit, 0);
  // The output's copy moved with it: a cached read still answers with the output's registers.
  tool.Send(demo::kGateway, Wrap(demo::kGatewayOutput, ReadMsg(4000, 8)));
  tool.Run(100);
  const auto* data = tool.LastData(demo::kGatewayOutput);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->words[0], output->registers()[0]);
  EXPECT_EQ(data->words[5], output->registers()[5]);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

// The routes follow the table too: a device the tool takes out is no longer routed (no copy,
// not overheard), and put back it is routed again.
TEST_F(GatewayNodeTest, ADeviceTakenOutOfTheTableIsNoLongerRouted) {
  ToolSide tool(sim);
  G image = Image();
  int row = -1;
  for (int i = 0; i < G::kDevices; ++i) {
    if (image.Device(i).address == demo::kGatewayOutput) row = i;
  }
  ASSERT_GE(row, 0);
  ASSERT_FALSE(gateway->CachedCopy(demo::kGatewayOutput).empty());
  ASSERT_TRUE(gateway->OverhearsFrom(demo::kGatewayOutput));
  const GwDeviceEntry kept = image.Device(row);
  auto send_entry = [&](const GwDeviceEntry& entry) {
    std::vector<uint16_t> words(4);
    entry.ToWords(words);
    tool.Send(demo::kGateway, BlockMsg(static_cast<uint16_t>(G::kRegDevices + 4 * row), words));
    tool.Run(300);
  };
  send_entry(GwDeviceEntry{});
  EXPECT_TRUE(gateway->CachedCopy(demo::kGatewayOutput).empty());
  EXPECT_FALSE(gateway->OverhearsFrom(demo::kGatewayOutput));
  send_entry(kept);
  EXPECT_FALSE(gateway->CachedCopy(demo::kGatewayOutput).empty());
  EXPECT_TRUE(gateway->OverhearsFrom(demo::kGatewayOutput));
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST_F(GatewayNodeTest, ClockOutputAndTransmitRequest) {
  ToolSide tool(sim);
  // The clock runs and takes a set time: 2031-07-15 12:34:56.
  tool.Send(demo::kGateway, BlockMsg(G::kRegClock, {0x071F, 0x0C0F, 0x3822, 0x0001}));
  tool.Run(100);
  sim.AdvanceBy(10000);
  const auto clock = Read(tool, G::kRegClock, 6);
  ASSERT_EQ(clock.size(), 6u);
  EXPECT_EQ(clock[0], 0x071F);
  EXPECT_EQ(clock[1], 0x0C0F);
  // 12:34:56 and ten seconds on (the second wraps into the next minute).
  EXPECT_EQ(clock[2] & 0xFF, 0x23);
  EXPECT_GE(clock[2] >> 8, 6);
  EXPECT_LE(clock[2] >> 8, 7);

  tool.Send(demo::kGateway, WordMsg(G::kRegOutput, G::kOutputOnBit));
  tool.Run(100);
  EXPECT_TRUE(gateway->output_on());
  EXPECT_NE(Read(tool, G::kRegIndicators, 1).at(0) & 0x8000, 0);
  tool.Send(demo::kGateway, WordMsg(G::kRegOutput, G::kOutputOffBit));
  tool.Run(100);
  EXPECT_FALSE(gateway->output_on());

  // A read of the output node's firmware word, sent by the gateway to the output node.
  G image = Image();
  const uint8_t message[] = {0x6A, 3, 1, 0, 1};
  ASSERT_TRUE(image.SetTransmitRequest(demo::kOutputA, message));
  const std::vector<uint16_t> request(image.words().begin() + G::kRegTxAddress,
                                      image.words().begin() + G::kRegTxTrigger + 1);
  tool.Send(demo::kGateway, BlockMsg(G::kRegTxAddress, request));
  tool.Run(200);
  ASSERT_EQ(gateway->transmitted().size(), 1u);
  EXPECT_EQ(gateway->transmitted()[0].to, demo::kOutputA);
  EXPECT_EQ(gateway->transmitted()[0].data.size(), 5u);
  EXPECT_EQ(Image().Word(G::kRegTxTrigger), 0);  // taken
  // A length beyond the data area is refused.
  tool.Send(demo::kGateway, BlockMsg(G::kRegTxLength, {41, 1}));
  tool.Run(200);
  EXPECT_EQ(gateway->transmitted().size(), 1u);
}

TEST_F(GatewayNodeTest, FifosAreFedAndDrainedTheWayTheToolReadsThem) {
  ToolSide tool(sim);
  G image = Image();
  sim.AdvanceBy(5 * 60 * 1000);
  // Write log: the meters' logged counters. Reading the head and writing 0 brings the next.
  auto head = Read(tool, G::kRegWriteLog, 8);
  ASSERT_EQ(head.size(), 8u);
  ASSERT_EQ(head[3], 1);
  const RfAddress logged = WordsToU32(head[0], head[1]);
  EXPECT_TRUE(logged == demo::kGatewayWaterMeter || logged == demo::kGatewayHeatMeter ||
              logged == demo::kGatewayGasMeter);
  EXPECT_EQ(head[2], 0);
  const size_t waiting = gateway->write_log_waiting();
  ASSERT_GT(waiting, 0u);
  tool.Send(demo::kGateway, WordMsg(G::kRegWriteLogCount, 0));
  tool.Run(100);
  EXPECT_EQ(gateway->write_log_waiting(), waiting - 1);
  EXPECT_EQ(Read(tool, G::kRegWriteLogCount, 1).at(0), 1);

  // FIFO2 records from its start.
  tool.Send(demo::kGateway, WordMsg(G::kRegFifo2Control, G::kFifo2Start));
  tool.Run(100);
  EXPECT_TRUE(Image().Fifo2Table().empty());
  sim.AdvanceBy(5 * 60 * 1000);
  const auto fifo2 = Image().Fifo2Table();
  ASSERT_FALSE(fifo2.empty());
  EXPECT_GE(fifo2[0].index, 2);  // a meter's entry
  EXPECT_LE(fifo2[0].index, 4);

  // Wireless M-Bus: a telegram with a real header; reading the whole head brings the next.
  const auto status = Read(tool, G::kRegWmbusStatus, 1);
  const int length = status.at(0) & 0xFF;
  ASSERT_GT(length, 11);
  EXPECT_LT(static_cast<int8_t>(status[0] >> 8), -50);
  const auto frame = Read(tool, G::kRegWmbusHead, static_cast<uint8_t>((length + 5) / 2));
  std::vector<uint8_t> bytes;
  for (size_t i = 2; i < frame.size(); ++i) {
    bytes.push_back(static_cast<uint8_t>(frame[i]));
    bytes.push_back(static_cast<uint8_t>(frame[i] >> 8));
  }
  EXPECT_EQ(bytes[0], length - 1);  // L-field
  EXPECT_EQ(bytes[1], 0x44);        // SND_NR
  const uint16_t maker = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
  EXPECT_EQ(maker, ('K' - 64) << 10 | ('A' - 64) << 5 | ('M' - 64));
  EXPECT_EQ(bytes[10], 0x7A);
  EXPECT_NE(WordsToU32(frame[0], frame[1]), 0u);
  // The next telegram takes its place.
  const int next = Read(tool, G::kRegWmbusStatus, 1).at(0) & 0xFF;
  ASSERT_GT(next, 0);
  const auto second = Read(tool, G::kRegWmbusHead, static_cast<uint8_t>((next + 5) / 2));
  EXPECT_EQ(second.at(2) & 0xFF, next - 1);
  EXPECT_GE(WordsToU32(second[0], second[1]), WordsToU32(frame[0], frame[1]));
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

}  // namespace
}  // namespace corvane::sim
