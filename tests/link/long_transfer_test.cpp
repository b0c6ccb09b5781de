#include <gtest/gtest.h>

#include "link/message_layer.h"
#include "link_fakes.h"
#include "model/le.h"

namespace corvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RecordingConsumers;
using testing::RecordingTransport;

class LongTransferTest : public ::testing::Test {
 protected:
  LongTransferTest() {
    layer.SetDongleRegisterHandler(&consumers);
    layer.SetRegisterFanOut(&consumers);
  }

  void Receive(const Bytes& report, RfAddress from = ADDR_DONGLE) {
    layer.ProcessBuffer(from, report.data(), static_cast<int>(report.size()));
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) layer.LongTransferTick();
  }
  std::vector<std::string> SentHeads() {
    std::vector<std::string> heads;
    for (const Bytes& b : transport.sent)
      heads.push_back(Hex(b.data(), std::min<size_t>(b.size(), 3)));
    transport.sent.clear();
    return heads;
  }
  void SendLong(int total) {
    Bytes m(static_cast<size_t>(total));
    m[0] = 0x15;
    m[1] = 250;
    for (int i = 2; i < total; ++i) m[i] = static_cast<uint8_t>(i);
    message = m;
    layer.SendMsg(ADDR_DONGLE, m.data(), total, true);
  }

  RecordingTransport transport;
  RecordingConsumers consumers;
  MessageLayer layer{transport};
  Bytes message;
};

// --- Sender side ------------------------------------------------------------------------------

TEST_F(LongTransferTest, SenderSplits200BytesIntoFourFragmentsAndCompletes) {
  SendLong(200);
  ASSERT_EQ(transport.sent.size(), 6u);
  EXPECT_EQ(Hex(transport.sent[0]), "10 03 00 C8 00");
  const int data[] = {61, 61, 61, 17};
  Bytes joined;
  for (int i = 0; i < 4; ++i) {
    const Bytes& f = transport.sent[1 + i];
    EXPECT_EQ(f[0], 0x12);
    EXPECT_EQ(f[1], data[i] + 1);
    EXPECT_EQ(f[2], i);
    EXPECT_EQ(f.size(), size_t(data[i] + 3));
    joined.insert(joined.end(), f.begin() + 3, f.end());
  }
  EXPECT_EQ(joined, message);
  EXPECT_EQ(Hex(transport.sent[5]), "13 01 00");
  EXPECT_EQ(layer.sender(0).state, 3);
  EXPECT_EQ(layer.sender(0).countdown, 4);
  EXPECT_EQ(layer.sender(0).key, ADDR_DONGLE);
  transport.sent.clear();

  Receive({0x11, 0x03, 0x00, 0x0F, 0x00});
  EXPECT_TRUE(transport.sent.empty());
  EXPECT_EQ(layer.sender(0).state, 0);
  EXPECT_EQ(layer.sender(0).key, 0u);
  EXPECT_EQ(layer.sender(0).id, 1);  // the next transfer uses id 1

  SendLong(100);
  EXPECT_EQ(Hex(transport.sent[0]), "10 03 01 64 00");
}

TEST_F(LongTransferTest, SenderResendsOnlyMissingFragments) {
  SendLong(200);
  transport.sent.clear();
  Receive({0x11, 0x03, 0x00, 0x0B, 0x00});  // fragment 2 missing
  EXPECT_EQ(SentHeads(), (std::vector<std::string>{"12 3E 02", "13 01 00"}));
  EXPECT_EQ(layer.sender(0).state, 3);
  EXPECT_EQ(layer.sender(0).countdown, 4);
  // A status for another id, or from another source, changes nothing.
  Receive({0x11, 0x03, 0x07, 0x0F, 0x00});
  Receive({0x11, 0x03, 0x00, 0x0F, 0x00}, 0x00300001);
  EXPECT_EQ(layer.sender(0).state, 3);
  // Bits above the fragment count do not hold a transfer open.
  Receive({0x11, 0x03, 0x00, 0xFF, 0xFF});
  EXPECT_EQ(layer.sender(0).state, 0);
  EXPECT_EQ(layer.sender(0).id, 1);
}

TEST_F(LongTransferTest, SecondMessageWhileBusyIsDropped) {
  SendLong(200);
  transport.sent.clear();
  SendLong(300);
  EXPECT_TRUE(transport.sent.empty());
  EXPECT_EQ(layer.sender(0).total, 200);
  EXPECT_EQ(layer.sender(1).key, 0u);
}

TEST_F(LongTransferTest, TimeoutsCutRetriesTo7ThenGiveUpAfterEightRestarts) {
  SendLong(130);
  EXPECT_EQ(layer.sender(0).retries, 32);
  int restarts = 0;
  for (int round = 0; round < 20 && layer.sender(0).state != 0; ++round) {
    transport.sent.clear();
    Ticks(3);
    EXPECT_TRUE(transport.sent.empty());
    Ticks(1);
    if (!transport.sent.empty()) {
      ++restarts;
      EXPECT_EQ(Hex(transport.sent.front()), "10 03 00 82 00");
      EXPECT_EQ(Hex(transport.sent.back()), "13 01 00");
      EXPECT_EQ(transport.sent.size(), 5u);  // start, 3 fragments, end
    }
    if (restarts == 1) {
      EXPECT_EQ(layer.sender(0).retries, 7);
    }
  }
  EXPECT_EQ(restarts, 8);
  EXPECT_EQ(layer.sender(0).state, 0);
  EXPECT_EQ(layer.sender(0).key, 0u);
  EXPECT_EQ(layer.sender(0).id, 0);  // never confirmed
}

TEST_F(LongTransferTest, BusyRefusalWaitsFiveSecondsThenRestarts) {
  SendLong(200);
  transport.sent.clear();
  // Too short to carry the busy code: ignored.
  Receive({0x14, 0x03, 0x00, 0x00, 0x03});
  EXPECT_EQ(layer.sender(0).state, 3);
  // Wrong transfer id: ignored.
  Receive({0x14, 0x04, 0x05, 0x00, 0x00, 0x03});
  EXPECT_EQ(layer.sender(0).state, 3);
  // Busy for our id.
  Receive({0x14, 0x04, 0x00, 0x00, 0x00, 0x03});
  EXPECT_EQ(layer.sender(0).state, 4);
  EXPECT_EQ(layer.sender(0).countdown, 20);
  EXPECT_EQ(layer.sender(0).retries, 31);
  Ticks(19);
  EXPECT_TRUE(transport.sent.empty());
  Ticks(1);
  EXPECT_EQ(transport.sent.size(), 6u);
  EXPECT_EQ(layer.sender(0).retries, 30);
  EXPECT_EQ(layer.sender(0).state, 3);
}

TEST_F(LongTransferTest, StatusDuringBusyWaitAbandons) {
  SendLong(200);
  Receive({0x14, 0x04, 0x00, 0x00, 0x00, 0x03});
  Receive({0x11, 0x03, 0x00, 0x0F, 0x00});
  EXPECT_EQ(layer.sender(0).state, 0);
  EXPECT_EQ(layer.sender(0).key, 0u);
  EXPECT_EQ(layer.sender(0).id, 0);
}

TEST_F(LongTransferTest, BusyRefusalsUseUpRetries) {
  SendLong(200);
  for (int i = 0; i < 40; ++i) Receive({0x14, 0x04, 0x00, 0x00, 0x00, 0x03});
  EXPECT_EQ(layer.sender(0).retries, 0);
  EXPECT_EQ(layer.sender(0).state, 4);
  transport.sent.clear();
  Ticks(20);
  EXPECT_TRUE(transport.sent.empty());
  EXPECT_EQ(layer.sender(0).state, 0);
}

// --- Receiver side ----------------------------------------------------------------------------

// A register block from the dongle, long enough to need a transfer: registers 0..79.
Bytes DongleBlock() {
  Bytes m = {0x6B, 250, 0, 0, 80};
  for (int i = 0; i < 80; ++i) {
    m.push_back(static_cast<uint8_t>(i));
    m.push_back(0x12);
  }
  return m;
}

Bytes Data(int index, const Bytes& all, int stride) {
  const int begin = index * stride;
  const int end = std::min<int>(begin + stride, static_cast<int>(all.size()));
  Bytes f = {0x12, static_cast<uint8_t>(end - begin + 1), static_cast<uint8_t>(index)};
  f.insert(f.end(), all.begin() + begin, all.begin() + end);
  return f;
}

TEST_F(LongTransferTest, ReceiverDeliversACompleteTransfer) {
  const Bytes all = DongleBlock();  // 165 bytes: 3 fragments of 61
  Receive({0x10, 0x03, 0x2A, 165, 0});
  EXPECT_EQ(layer.receiver(0).state, 1);
  EXPECT_EQ(layer.receiver(0).expected, 31);
  // The short last fragment first: the stride is learnt from it, then corrected.
  Receive(Data(2, all, 61));
  EXPECT_EQ(layer.receiver(0).stride, 43);
  Receive(Data(0, all, 61));
  EXPECT_EQ(layer.receiver(0).stride, 61);
  EXPECT_EQ(layer.receiver(0).expected, 3);
  EXPECT_EQ(layer.receiver(0).mask, 0x0001);  // cleared by the stride change
  Receive(Data(1, all, 61));
  Receive({0x13, 0x01, 0x2A});
  EXPECT_EQ(SentHeads(), (std::vector<std::string>{"11 03 2A"}));
  EXPECT_TRUE(consumers.calls.empty());
  Receive(Data(2, all, 61));
  Receive({0x13, 0x01, 0x2A});
  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(Hex(transport.sent[0]), "11 03 2A 07 00");
  ASSERT_EQ(consumers.calls, (std::vector<std::string>{"dongle FFFFFFFD r0 n80"}));
  EXPECT_EQ(consumers.last_words[79], 0x124F);
  // Released, with its id lowered by 10.
  EXPECT_EQ(layer.receiver(0).source, 0u);
  EXPECT_EQ(layer.receiver(0).id, 0x20);
}

TEST_F(LongTransferTest, ReceiverAnswersWrongIdNoTotalAndBusy) {
  Receive({0x10, 0x03, 0x05, 100, 0});
  Receive({0x13, 0x01, 0x06});
  EXPECT_EQ(SentHeads(), (std::vector<std::string>{"14 03 06"}));
  Receive({0x13, 0x01, 0x06});
  Receive({0x10, 0x03, 0x09, 100, 0});  // a new start while receiving: busy
  ASSERT_EQ(transport.sent.size(), 2u);
  EXPECT_EQ(Hex(transport.sent[0]), "14 03 06 02 05");
  EXPECT_EQ(Hex(transport.sent[1]), "14 03 09 03 01");
  EXPECT_EQ(layer.receiver(0).id, 5);
  transport.sent.clear();

  // Expiry frees the slot; a start with no total makes the end answer "no start".
  Ticks(4);
  EXPECT_EQ(layer.receiver(0).source, 0u);
  Receive({0x10, 0x03, 0x01, 0, 0});
  Receive({0x13, 0x01, 0x01});
  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(Hex(transport.sent[0]), "14 03 01 01 00");
}

TEST_F(LongTransferTest, ReceiverIgnoresMisplacedFragmentsAndOtherSources) {
  Receive({0x10, 0x03, 0x01, 0x30, 0x02});  // total 560
  Bytes f = {0x12, 0x02, 16, 0xAA};         // index above 15
  Receive(f);
  EXPECT_EQ(layer.receiver(0).mask, 0);
  EXPECT_EQ(layer.receiver(0).stride, 0);
  Bytes big = {0x12, 0x3E, 0};
  big.resize(64, 0x55);
  Receive(big);
  EXPECT_EQ(layer.receiver(0).stride, 61);
  Bytes past = big;
  past[2] = 9;  // 9 x 61 + 61 = 610 > 560
  Receive(past);
  EXPECT_EQ(layer.receiver(0).mask, 0x0001);
  // Data and end messages count only from slot 0's source.
  big[2] = 1;
  Receive(big, 0x00300001);
  Receive({0x13, 0x01, 0x01}, 0x00300001);
  EXPECT_EQ(layer.receiver(0).mask, 0x0001);
  EXPECT_TRUE(transport.sent.empty());
  // A second source takes slot 1 and lowers its id by 10.
  Receive({0x10, 0x03, 0x04, 10, 0}, 0x00300001);
  EXPECT_EQ(layer.receiver(1).source, 0x00300001u);
  EXPECT_EQ(layer.receiver(1).id, 4);
  // A third has no slot.
  Receive({0x10, 0x03, 0x04, 10, 0}, 0x00300002);
  EXPECT_NE(layer.receiver(0).source, 0x00300002u);
  EXPECT_NE(layer.receiver(1).source, 0x00300002u);
  // Zero-length data cannot teach a stride.
  Receive({0x12, 0x01, 0x03});
  EXPECT_EQ(layer.receiver(0).stride, 61);
}

TEST_F(LongTransferTest, BothSidesTalkToEachOther) {
  // Two layers wired back to back: the largest message crosses intact and is confirmed.
  RecordingTransport wire;
  MessageLayer peer{wire};
  RecordingConsumers peer_consumers;
  peer.SetDongleRegisterHandler(&peer_consumers);
  Bytes m = {0x86, 250, 0x10, 0x00, 250};
  for (int i = 0; i < 250; ++i) {
    m.push_back(static_cast<uint8_t>(i));
    m.push_back(static_cast<uint8_t>(0x80 | (i >> 4)));
  }
  m.resize(kMaxMessage, 0xEE);
  layer.SendMsg(ADDR_DONGLE, m.data(), static_cast<int>(m.size()), true);
  EXPECT_EQ(layer.sender(0).fragment_count, 9);
  // Reports cross as 64-byte buffers.
  auto pump = [](RecordingTransport& from, MessageLayer& to) {
    std::vector<Bytes> reports;
    reports.swap(from.sent);
    for (Bytes& r : reports) {
      r.resize(64, 0);
      to.ProcessBuffer(ADDR_DONGLE, r.data(), 64);
    }
  };
  pump(transport, peer);
  ASSERT_EQ(peer_consumers.calls, (std::vector<std::string>{"dongle FFFFFFFD r16 n250"}));
  EXPECT_EQ(peer_consumers.last_words[249], 0x8FF9);
  pump(wire, layer);
  EXPECT_EQ(layer.sender(0).state, 0);
  EXPECT_EQ(layer.sender(0).id, 1);
}

}  // namespace
}  // namespace corvane
