// The simulated bootloader of nodes and of the dongle, driven by the tool's message layer.
#include "sim/bootloader.h"

#include <gtest/gtest.h>

#include <map>

#include "link/messages.h"
#include "model/le.h"
#include "sim/tool_side.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ReadMsg;
using testing::ToolSide;

constexpr RfAddress kOutput = 0x00700502;   // listens
constexpr RfAddress kSleeper = 0x00300102;  // battery input node

// Sees every message first, as the firmware dialog does, and keeps what it needs.
class Watcher : public FirmwareHook {
 public:
  bool OfferMessage(RfAddress source, uint8_t type, int length, const uint8_t* payload) override {
    if (type == MSG_FW_BLOCK_ACK && length >= 3) {
      acks.push_back({source, GetU16(payload), payload[2]});
      return true;
    }
    if (IsRegisterBlockType(type) && length >= 3) {
      const int first = GetU16(payload);
      for (int i = 0; i < payload[2] && 3 + 2 * i + 1 < length; ++i) {
        regs[{source, first + i}] = GetU16(payload + 3 + 2 * i);
      }
      return true;
    }
    if (IsRegisterWordType(type) && length >= 4) {
      regs[{source, GetU16(payload)}] = GetU16(payload + 2);
      return true;
    }
    return false;
  }
  struct Ack {
    RfAddress source;
    uint16_t block;
    uint8_t status;
  };
  std::vector<Ack> acks;
  std::map<std::pair<RfAddress, int>, uint16_t> regs;
};

class BootloaderTest : public ::testing::Test {
 protected:
  BootloaderTest() { tool.layer.SetFirmwareHook(&watcher); }
  void TearDown() override { EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText(); }

  void Command(RfAddress to, uint8_t command) { tool.Send(to, {MSG_FW_CMD, 1, command}); }
  void Block(RfAddress to, uint16_t number, const uint8_t* data) {
    Bytes m = {MSG_FW_BLOCK, kLengthToEnd, static_cast<uint8_t>(number),
               static_cast<uint8_t>(number >> 8)};
    m.insert(m.end(), data, data + Bootloader::kBlockBytes);
    tool.Send(to, m, true);
  }
  // Writes `image` block by block, each after the previous acknowledgement.
  void WriteImage(RfAddress to, const std::vector<uint8_t>& image) {
    std::vector<uint8_t> padded = image;
    padded.resize((image.size() + 511) / 512 * 512, 0xFF);
    for (size_t b = 0; b < padded.size() / 512; ++b) {
      const size_t before = watcher.acks.size();
      Block(to, static_cast<uint16_t>(b), padded.data() + 512 * b);
      ASSERT_TRUE(tool.RunUntil([&] { return watcher.acks.size() > before; }, 2000)) << b;
      ASSERT_EQ(watcher.acks.back().status, kFlashOk);
    }
  }
  uint16_t Reg(RfAddress from, int reg) {
    watcher.regs.erase({from, reg});
    tool.Send(from, ReadMsg(static_cast<uint16_t>(reg), 1));
    tool.RunUntil([&] { return watcher.regs.contains({from, reg}); }, 500);
    const auto it = watcher.regs.find({from, reg});
    return it == watcher.regs.end() ? 0xDEAD : it->second;
  }

  Simulator sim;
  ToolSide tool{sim};
  Watcher watcher;
};

TEST_F(BootloaderTest, NodeEntersItsBootloaderAfterARestartAndSaysSoInRegister7) {
  SimNode& node = sim.AddNode(kOutput);
  const uint16_t app = node.registers()[1];
  EXPECT_EQ(Reg(kOutput, 7), 0);
  Command(kOutput, 0xFA);
  tool.Run(50);
  EXPECT_EQ(node.bootloader().mode(), Bootloader::Mode::kRestarting);
  // Deaf while restarting.
  EXPECT_EQ(Reg(kOutput, 7), 0xDEAD);
  tool.Run(300);
  EXPECT_TRUE(node.bootloader().in_bootloader());
  EXPECT_EQ(Reg(kOutput, 7), 105);
  EXPECT_EQ(Reg(kOutput, 1), 105);
  EXPECT_EQ(Reg(kOutput, 5), node.registers()[5]);
  EXPECT_EQ(node.bootloader().application_version(), app);

  // The information window answers in either mode and names the device.
  tool.Send(kOutput, ReadMsg(Bootloader::kInfoFirst, Bootloader::kInfoCount));
  tool.Run(100);
  ASSERT_TRUE(watcher.regs.contains({kOutput, 0xFEE7}));
  EXPECT_EQ((watcher.regs[{kOutput, 0xFED0}]), 0x7544);  // "Du" of the type name
}

TEST_F(BootloaderTest, BlocksAreAcknowledgedAndTheNewApplicationReportsItsVersion) {
  SimNode& node = sim.AddNode(kOutput);
  Command(kOutput, 0xFA);
  tool.Run(400);
  const std::vector<uint8_t> image = MakeFirmwareImage(512, 64 * 1024 + 100, 9);
  WriteImage(kOutput, image);
  EXPECT_EQ(node.bootloader().blocks_written(), 129);
  const std::span<const uint8_t> written = node.bootloader().WrittenImage();
  ASSERT_EQ(written.size(), 129u * 512);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));

  Command(kOutput, 0x00);
  tool.Run(400);
  EXPECT_TRUE(node.bootloader().in_application());
  EXPECT_EQ(Reg(kOutput, 1), 512);
  EXPECT_EQ(Reg(kOutput, 7), 0);
}

TEST_F(BootloaderTest, EveryStatusCodeCanBeProvoked) {
  SimNode& node = sim.AddNode(kOutput);
  node.bootloader().InjectFault({1, kFlashEraseError, 1});
  node.bootloader().InjectFault({-1, kFlashVerifyError, 1});
  node.bootloader().InjectFault({3, 9, -1});
  Command(kOutput, 0xFA);
  tool.Run(400);
  const std::vector<uint8_t> data(512, 0xAB);
  auto send = [&](uint16_t block) {
    const size_t before = watcher.acks.size();
    Block(kOutput, block, data.data());
    EXPECT_TRUE(tool.RunUntil([&] { return watcher.acks.size() > before; }, 2000));
    return watcher.acks.back();
  };
  EXPECT_EQ(send(1).status, kFlashEraseError);
  EXPECT_EQ(send(0).status, kFlashVerifyError);  // the any-block fault, once
  EXPECT_EQ(send(0).status, kFlashOk);
  EXPECT_EQ(send(1).status, kFlashOk);
  EXPECT_EQ(send(3).status, 9);
  EXPECT_EQ(send(3).status, 9);  // for ever
  const auto beyond = send(static_cast<uint16_t>(node.bootloader().identity().flash_bytes / 512));
  EXPECT_EQ(beyond.status, kFlashOutOfRange);
  EXPECT_EQ(beyond.source, kOutput);
  node.bootloader().InjectFault({-1, kFlashProgramError, 1});
  EXPECT_EQ(send(2).status, kFlashProgramError);
}

TEST_F(BootloaderTest, ErasedFlashWithoutApplicationKeepsTheBootloaderRunning) {
  SimNode& node = sim.AddNode(kOutput);
  Command(kOutput, 0xFA);
  tool.Run(400);
  const std::vector<uint8_t> garbage(512, 0x00);
  Block(kOutput, 0, garbage.data());
  tool.Run(200);
  Command(kOutput, 0x00);
  tool.Run(400);
  EXPECT_TRUE(node.bootloader().in_bootloader());
  EXPECT_EQ(Reg(kOutput, 7), 105);
}

TEST_F(BootloaderTest, RunningApplicationIgnoresBlocksAndAbandonedJumpReturns) {
  SimNode& node = sim.AddNode(kOutput);
  const std::vector<uint8_t> data(512, 1);
  Block(kOutput, 0, data.data());
  tool.Run(300);
  EXPECT_TRUE(watcher.acks.empty());
  EXPECT_EQ(node.bootloader().blocks_ignored(), 1);
  // Into the bootloader and straight back: the factory application is still there.
  const uint16_t app = node.registers()[1];
  Command(kOutput, 0xFA);
  tool.Run(400);
  Command(kOutput, 0x00);
  tool.Run(400);
  EXPECT_TRUE(node.bootloader().in_application());
  EXPECT_EQ(Reg(kOutput, 1), app);
}

TEST_F(BootloaderTest, RefusedJumpLeavesTheApplicationRunning) {
  SimNode& node = sim.AddNode(kOutput);
  node.bootloader().set_refuse_enter(true);
  Command(kOutput, 0xFA);
  tool.Run(400);
  EXPECT_TRUE(node.bootloader().in_application());
  EXPECT_EQ(Reg(kOutput, 7), 0);
}

TEST_F(BootloaderTest, SleepingNodeListensWhileInItsBootloader) {
  SimNode& node = sim.AddNode(kSleeper);
  sim.PressButton(kSleeper);  // awake for a moment
  tool.Run(5);
  Command(kSleeper, 0xFA);
  tool.Run(400);
  ASSERT_TRUE(node.bootloader().in_bootloader());
  tool.Run(120000);  // long after its listen window
  EXPECT_TRUE(node.Awake());
  EXPECT_EQ(Reg(kSleeper, 7), 105);
}

TEST_F(BootloaderTest, DongleUpdatesItselfAndKeepsTheVersionAcrossAReplug) {
  SimDongle& dongle = sim.dongle();
  EXPECT_EQ(Reg(ADDR_DONGLE, 7), 0);
  EXPECT_NE(Reg(ADDR_DONGLE, 5), 0);
  Command(ADDR_DONGLE, 0xFA);
  tool.Run(300);
  ASSERT_TRUE(dongle.bootloader().in_bootloader());
  EXPECT_EQ(Reg(ADDR_DONGLE, 7), 203);
  // No radio work in the bootloader: a message for a node is dropped.
  tool.Send(kOutput, ReadMsg(1, 1));
  tool.Run(50);
  WriteImage(ADDR_DONGLE, MakeFirmwareImage(415, 3000));
  EXPECT_EQ(watcher.acks.back().source, ADDR_DONGLE);
  Command(ADDR_DONGLE, 0x00);
  tool.Run(300);
  EXPECT_EQ(Reg(ADDR_DONGLE, 1), 415);
  EXPECT_EQ(Reg(ADDR_DONGLE, 7), 0);
  sim.Unplug();
  sim.Plug(0);
  EXPECT_EQ(dongle.reg(1), 415);
}

}  // namespace
}  // namespace corvane::sim
