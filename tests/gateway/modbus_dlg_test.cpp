#include "modbus/modbus_dlg.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/app_harness.h"
#include "modbus/modbus_template.h"
#include "link/messages.h"
#include "model/le.h"
#include "model/type_table.h"
#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using namespace ui;
namespace demo = sim::demo;

constexpr RfAddress kDevice = 0x00500501;

// Records the reports the program queues, as hex text.
class Recorder : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    sent.push_back(testing::Hex(bytes, length));
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(sent);
    return out;
  }
  std::vector<std::string> sent;
};

class NoQueueClient : public RequestQueuesClient {
 public:
  void SetQueueTimer(int, int) override {}
  void KillQueueTimer(int) override {}
  void ShowWriteProgress(int, int, bool) override {}
};

// The dialog on its own: a recording transport under a real message layer and request queues.
class ModbusDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Open(dlg);
    layer.SetModbusInput(&dlg);
  }
  void TearDown() override { EXPECT_EQ(dlg.unknown_id_uses(), 0); }

  void Receive(RfAddress source, uint8_t type, uint16_t first, std::vector<uint16_t> words) {
    std::vector<uint8_t> payload{static_cast<uint8_t>(first), static_cast<uint8_t>(first >> 8)};
    if (IsRegisterBlockType(type)) payload.push_back(static_cast<uint8_t>(words.size()));
    for (uint16_t w : words) {
      payload.push_back(static_cast<uint8_t>(w));
      payload.push_back(static_cast<uint8_t>(w >> 8));
    }
    layer.HandleMsg(source, type, static_cast<int>(payload.size()), payload.data());
  }
  std::vector<std::u16string> Lines() const {
    std::vector<std::u16string> out;
    for (int i = 0; i < dlg.Count(kModbusList); ++i) out.push_back(dlg.Item(kModbusList, i));
    return out;
  }
  void Read(std::u16string_view first, std::u16string_view count) {
    host.Type(dlg, kModbusReadAddress, first);
    host.Type(dlg, kModbusReadCount, count);
    ASSERT_TRUE(host.Click(dlg, kModbusRead));
  }
  void Write(std::u16string_view reg, std::u16string_view value) {
    host.Type(dlg, kModbusWriteAddress, reg);
    host.Type(dlg, kModbusWriteValue, value);
    ASSERT_TRUE(host.Click(dlg, kModbusWrite));
  }

  TestHost host;
  Recorder transport;
  MessageLayer layer{transport};
  NoQueueClient client;
  RequestQueues queues{layer, client};
  CModbus dlg{host, layer, queues, kDevice};
};

// [0x96][9][device][0x6A][3][register][count].
std::string ReadReport(uint16_t reg, uint8_t count) {
  const uint8_t bytes[] = {MSG_RF_SEND,
                           9,
                           0x01,
                           0x05,
                           0x50,
                           0x00,
                           MSG_REG_READ,
                           3,
                           static_cast<uint8_t>(reg),
                           static_cast<uint8_t>(reg >> 8),
                           count};
  return testing::Hex(bytes, sizeof bytes);
}

TEST_F(ModbusDlgTest, TitleNamesTheDevice) {
  EXPECT_EQ(dlg.Title(), u"MODBUS " + DisplayName(kDevice));
  EXPECT_EQ(dlg.Template().id, 142);
  EXPECT_EQ(dlg.Count(kModbusList), 0);
}

TEST_F(ModbusDlgTest, ReadAsksTheDeviceDirectlyForTheRange) {
  Read(u"100", u"20");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(99, 20)});
  EXPECT_FALSE(queues.read_in_flight());  // not through the request queue

  // Register number 0 (or below) starts at register 1 and asks for one register less.
  Read(u"0", u"10");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(0, 9)});
  Read(u"-7", u"2");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(0, 1)});
  Read(u"65536", u"1");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(65535, 1)});
}

TEST_F(ModbusDlgTest, ReadCountsThatCannotTravel) {
  // The count byte holds 255 at most: more is asked as 255, not as its low byte (300 -> 44).
  Read(u"1", u"300");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(0, 255)});
  Read(u"1", u"256");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(0, 255)});
  Read(u"1", u"255");
  EXPECT_EQ(transport.Take(), std::vector<std::string>{ReadReport(0, 255)});

  // Nothing to ask for: no request, but the list is emptied all the same.
  Receive(kDevice, MSG_REG_WORD_84, 3, {1});
  ASSERT_EQ(dlg.Count(kModbusList), 1);
  Read(u"0", u"1");
  Read(u"5", u"0");
  Read(u"5", u"-3");
  Read(u"", u"");
  Read(u"65537", u"1");
  EXPECT_TRUE(transport.Take().empty());
  EXPECT_EQ(dlg.Count(kModbusList), 0);
}

TEST_F(ModbusDlgTest, LinesShowNumberHexAndDecimal) {
  Receive(kDevice, MSG_REG_BLOCK_82, 0, {0x0000, 0xFFFF, 0x00FF});
  Receive(kDevice, MSG_REG_WORD_C0, 9998, {42});
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"0001 0x0000 0", u"0002 0xFFFF 65535",
                                                  u"0003 0x00FF 255", u"9999 0x002A 42"}));
  ASSERT_EQ(dlg.table().size(), 4u);
  EXPECT_EQ(dlg.table()[3].reg, 9998);
}

TEST_F(ModbusDlgTest, ARegisterThatArrivesAgainKeepsItsLine) {
  // After writing register 7 its read-back comes first; a later block 5..9 updates that line in
  // place and appends the other four.
  Receive(kDevice, MSG_REG_WORD_84, 6, {0x0007});
  Receive(kDevice, MSG_REG_BLOCK_86, 4, {0x50, 0x60, 0x70, 0x80, 0x90});
  EXPECT_EQ(Lines(),
            (std::vector<std::u16string>{u"0007 0x0070 112", u"0005 0x0050 80", u"0006 0x0060 96",
                                         u"0008 0x0080 128", u"0009 0x0090 144"}));
}

TEST_F(ModbusDlgTest, OnlyTheShownDevicesDataArrives) {
  Receive(0x00700502, MSG_REG_BLOCK_82, 0, {1, 2});
  Receive(ADDR_DONGLE, MSG_REG_BLOCK_82, 0, {1, 2});
  EXPECT_EQ(dlg.Count(kModbusList), 0);
  Receive(kDevice, MSG_REG_BLOCK_C1, 0, {1, 2});
  EXPECT_EQ(dlg.Count(kModbusList), 2);
}

TEST_F(ModbusDlgTest, AFullTableKeepsItsLinesAndStillUpdatesThem) {
  for (int first = 0; first < 1000; first += 100) {
    Receive(kDevice, MSG_REG_BLOCK_82, static_cast<uint16_t>(first), std::vector<uint16_t>(100, 1));
  }
  EXPECT_EQ(dlg.Count(kModbusList), CModbus::kTableSize);
  EXPECT_EQ(dlg.Item(kModbusList, 799), u"0800 0x0001 1");

  Receive(kDevice, MSG_REG_BLOCK_82, 798, {2, 3, 4});
  EXPECT_EQ(dlg.Count(kModbusList), CModbus::kTableSize);
  EXPECT_EQ(dlg.Item(kModbusList, 798), u"0799 0x0002 2");
  EXPECT_EQ(dlg.Item(kModbusList, 799), u"0800 0x0003 3");

  // Clear makes room again, from an empty table.
  ASSERT_TRUE(host.Click(dlg, kModbusClear));
  EXPECT_EQ(dlg.Count(kModbusList), 0);
  EXPECT_TRUE(dlg.table().empty());
  Receive(kDevice, MSG_REG_WORD_84, 900, {5});
  Receive(kDevice, MSG_REG_WORD_84, 0, {6});
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"0901 0x0005 5", u"0001 0x0006 6"}));
}

TEST_F(ModbusDlgTest, ABlockRunningPastTheLastRegisterStopsThere) {
  Receive(kDevice, MSG_REG_BLOCK_82, 65534, {1, 2, 3});
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"65535 0x0001 1", u"65536 0x0002 2"}));
}

TEST_F(ModbusDlgTest, WriteQueuesTheWordAndItsReadBack) {
  Write(u"9", u"0x1F");
  // [0x83][4][8][0x1F] wrapped for the device, and the read of the same register.
  EXPECT_EQ(transport.Take(), (std::vector<std::string>{"96 0A 01 05 50 00 83 04 08 00 1F 00",
                                                        "96 09 01 05 50 00 6A 03 08 00 01"}));
  EXPECT_TRUE(queues.write_in_flight());
  EXPECT_TRUE(queues.read_in_flight());
}

TEST_F(ModbusDlgTest, WriteValueTexts) {
  auto written = [&] {
    const std::vector<std::string> sent = transport.Take();
    queues.DropWrites();
    queues.DropReads();
    return sent.empty() ? std::string("none") : sent[0].substr(24, 11);
  };
  Write(u"1", u"300");
  EXPECT_EQ(written(), "00 00 2C 01");
  Write(u"1", u"-1");
  EXPECT_EQ(written(), "00 00 FF FF");
  Write(u"1", u"0xABCDE");  // low 16 bits
  EXPECT_EQ(written(), "00 00 DE BC");
  Write(u"0", u"5");  // below 1: register 0
  EXPECT_EQ(written(), "00 00 05 00");
  Write(u"-4", u"5");
  EXPECT_EQ(written(), "00 00 05 00");
  Write(u"65536", u"5");
  EXPECT_EQ(written(), "FF FF 05 00");
  // Neither "0x" with hex digits nor a decimal number: nothing happens.
  Write(u"1", u"abc");
  EXPECT_EQ(written(), "none");
  Write(u"1", u"");
  EXPECT_EQ(written(), "none");
  Write(u"65537", u"5");
  EXPECT_EQ(written(), "none");
}

TEST_F(ModbusDlgTest, WriteFlushesEarlierWrites) {
  Write(u"1", u"1");
  Write(u"2", u"2");
  // The first write is still unanswered; the second replaced it in the queue.
  EXPECT_EQ(queues.pending_writes(), 1);
}

// ---------------------------------------------------------------------------------------------
// Around the dialog: the dongle steps of the "MODBUS" button.

// Logs each step after the reports queued before it.
class FakeSteps : public ModbusDongleSteps {
 public:
  explicit FakeSteps(std::function<void(const char*)> record) : record_(std::move(record)) {}
  void ApplyDongleSettings() override { record_("settings"); }
  uint16_t AccessMode(RfAddress) override { return 0x14; }
  void Scan() override { record_("scan"); }
  void RefreshDeviceList() override { record_("refresh"); }

 private:
  std::function<void(const char*)> record_;
};

TEST(RunModbusDialog, PreparesTheDongleAndHandsItBackAfter) {
  TestHost host;
  Recorder transport;
  MessageLayer layer{transport};
  NoQueueClient client;
  RequestQueues queues{layer, client};
  static const DialogTemplate parent_template{.id = 1};
  Dialog parent(parent_template, host);
  host.Open(parent);

  std::vector<std::string> log;
  auto record = [&](const char* what) {
    for (const std::string& s : transport.Take()) log.push_back(s);
    log.push_back(what);
  };
  FakeSteps steps(record);
  host.OnModal<CModbus>([&](CModbus& d) {
    record("open");
    EXPECT_EQ(d.address(), kDevice);
    // The dialog is the message layer's Modbus input while it is open.
    const uint8_t word[] = {5, 0, 0x34, 0x12};
    layer.HandleMsg(kDevice, MSG_REG_WORD_84, 4, word);
    EXPECT_EQ(d.Item(kModbusList, 0), u"0006 0x1234 4660");
    host.CloseBox(d);
  });
  EXPECT_EQ(RunModbusDialog(parent, steps, layer, queues, kDevice), kIdCancel);
  record("done");

  EXPECT_EQ(log, (std::vector<std::string>{
                     "settings",
                     "83 04 21 00 14 00",           // access mode 0x14 to register 33
                     "83 04 22 00 20 00",           // parameter 32 to register 34
                     "6B 07 32 00 02 01 05 50 00",  // the device to registers 50..51
                     "scan", "open",
                     "83 04 21 00 20 00",  // access mode 32: the access ends
                     "83 04 22 00 16 00",  // parameter 22
                     "refresh", "done"}));

  // Closed, it takes nothing more.
  const uint8_t word[] = {5, 0, 1, 0};
  layer.HandleMsg(kDevice, MSG_REG_WORD_84, 4, word);

  log.clear();
  EXPECT_EQ(RunModbusDialog(parent, steps, layer, queues, 0), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(transport.Take().empty());
  EXPECT_EQ(host.modal_runs().size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// End to end: the main window on the simulated demo network.

class MainWindowSteps : public ModbusDongleSteps {
 public:
  explicit MainWindowSteps(CCorvaneDlg& main) : main_(main) {}
  void ApplyDongleSettings() override { main_.dongle().ApplyDongleSettings(); }
  uint16_t AccessMode(RfAddress address) override { return Listens(address) ? 0 : 0x10; }
  void Scan() override { main_.Scan(); }
  void RefreshDeviceList() override { main_.RefreshDeviceList(); }

 private:
  CCorvaneDlg& main_;
};

using ModbusEndToEnd = testing::AppTest;

TEST_F(ModbusEndToEnd, ReadsAndWritesARegisterOfASimulatedNode) {
  Start();
  sim::SimNode* node = sim.FindNode(demo::kOutputB);
  ASSERT_NE(node, nullptr);
  ASSERT_TRUE(Listens(demo::kOutputB));
  const std::vector<uint16_t> before(node->registers().begin(), node->registers().begin() + 12);

  MainWindowSteps steps(*dlg);
  bool ran = false;
  host.OnModal<CModbus>([&](CModbus& d) {
    ran = true;
    EXPECT_EQ(d.Title(), u"MODBUS " + DisplayName(demo::kOutputB));

    // Registers 1..12 of the node, as the list shows them.
    host.Type(d, kModbusReadAddress, u"1");
    host.Type(d, kModbusReadCount, u"12");
    ASSERT_TRUE(host.Click(d, kModbusRead));
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.Count(kModbusList) >= 12; }, 2000));
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(d.Item(kModbusList, i),
                Format("%04d 0x%04X %d", i + 1, before[static_cast<size_t>(i)],
                       before[static_cast<size_t>(i)]));
    }

    // Register 10 (word 9, inside the name) to 0x4142, then its read-back updates its line.
    host.Type(d, kModbusWriteAddress, u"10");
    host.Type(d, kModbusWriteValue, u"0x4142");
    ASSERT_TRUE(host.Click(d, kModbusWrite));
    ASSERT_TRUE(
        host.AdvanceUntil([&] { return d.Item(kModbusList, 9) == u"0010 0x4142 16706"; }, 3000));
    EXPECT_EQ(node->registers()[9], 0x4142);
    EXPECT_EQ(d.Count(kModbusList), 12);
    EXPECT_EQ(dlg->queues().pending_writes(), 0);
    EXPECT_EQ(dlg->queues().pending_reads(), 0);

    // "Read" starts the list afresh.
    host.Type(d, kModbusReadAddress, u"10");
    host.Type(d, kModbusReadCount, u"1");
    ASSERT_TRUE(host.Click(d, kModbusRead));
    EXPECT_EQ(d.Count(kModbusList), 0);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.Count(kModbusList) == 1; }, 2000));
    EXPECT_EQ(d.Item(kModbusList, 0), u"0010 0x4142 16706");
    host.CloseBox(d);
  });
  RunModbusDialog(*dlg, steps, dlg->layer(), dlg->queues(), demo::kOutputB);
  ASSERT_TRUE(ran);
  host.Advance(100);

  // The dongle was pointed at the node for the session and handed back after it.
  const std::span<const uint16_t> dongle = sim.dongle().registers();
  EXPECT_EQ(dongle[33], 32);
  EXPECT_EQ(dongle[34], 22);
  EXPECT_EQ(WordsToU32(dongle[50], dongle[51]), demo::kOutputB);
  EXPECT_TRUE(host.boxes().empty());
}

}  // namespace
}  // namespace corvane
