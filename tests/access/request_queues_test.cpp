#include "access/request_queues.h"

#include <gtest/gtest.h>

#include <map>

#include "link/link_fakes.h"

namespace corvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RecordingTransport;
using Strings = std::vector<std::string>;

class FakeQueueClient : public RequestQueuesClient {
 public:
  void SetQueueTimer(int id, int ms) override { timers[id] = ms; }
  void KillQueueTimer(int id) override { timers.erase(id); }
  void ShowWriteProgress(int backlog, int position, bool visible) override {
    progress.push_back(visible ? std::to_string(position) + "/" + std::to_string(backlog)
                               : "hidden");
  }
  std::map<int, int> timers;
  Strings progress;
};

class RequestQueuesTest : public ::testing::Test {
 protected:
  RequestQueuesTest() { layer.SetRequestBookkeeping(&queues); }

  Strings Sent() {
    Strings out;
    for (const Bytes& b : transport.sent)
      out.push_back(Hex(b.data(), std::min<size_t>(b.size(), 16)));
    transport.sent.clear();
    return out;
  }
  // An answer as the dispatcher sees it: a frame from `source` holding `message`.
  void Answer(RfAddress source, Bytes message) {
    Bytes frame = {0x90,
                   static_cast<uint8_t>(message.size() + 5),
                   static_cast<uint8_t>(source),
                   static_cast<uint8_t>(source >> 8),
                   static_cast<uint8_t>(source >> 16),
                   static_cast<uint8_t>(source >> 24),
                   0};
    frame.insert(frame.end(), message.begin(), message.end());
    layer.ProcessBuffer(ADDR_DONGLE, frame.data(), static_cast<int>(frame.size()));
  }
  static Bytes Ack(uint16_t reg, uint8_t count, uint8_t status = 0, uint8_t type = 0x85) {
    return {type, 4, static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8), count, status};
  }

  RecordingTransport transport;
  MessageLayer layer{transport};
  FakeQueueClient client;
  RequestQueues queues{layer, client};
  std::vector<uint16_t> words = std::vector<uint16_t>(600, 0x1111);
};

constexpr RfAddress kNode = 0x0030ABCD;
constexpr RfAddress kGateway = 0x00800001;

TEST_F(RequestQueuesTest, WritesAreChunkedAndSentOneAtATime) {
  for (int i = 0; i < 600; ++i) words[i] = static_cast<uint16_t>(i);
  ASSERT_TRUE(queues.QueueWrite(0, kNode, 100, 600, words.data(), 0, false));
  EXPECT_EQ(queues.pending_writes(), 3);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 9u);  // 250 words wrapped: fragmented into 9 reports
  EXPECT_EQ(sent[0], "05 3E 96 FA CD AB 30 00 6B FA 64 00 FA 00 00 01");
  EXPECT_EQ(client.timers[30], 3500);
  EXPECT_EQ(client.progress, (Strings{"0/3"}));

  Answer(kNode, Ack(100, 250));
  sent = Sent();
  EXPECT_EQ(sent[0], "05 3E 96 FA CD AB 30 00 6B FA 5E 01 FA FA 00 FB");  // register 350
  Answer(kNode, Ack(350, 250));
  sent = Sent();
  EXPECT_EQ(sent[0], "05 3E 96 D1 CD AB 30 00 6B CB 58 02 64 F4 01 F5");  // 600: 100 words
  Answer(kNode, Ack(600, 100));
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(queues.write_in_flight());
  EXPECT_EQ(client.timers.count(30), 0u);
  EXPECT_EQ(client.progress, (Strings{"0/3", "1/3", "2/3", "hidden"}));
}

TEST_F(RequestQueuesTest, OneAndTwoRegisterWrites) {
  queues.QueueWrite(0, kNode, 2, 1, words.data(), 0, false);
  EXPECT_EQ(Sent(), (Strings{"96 0A CD AB 30 00 83 04 02 00 11 11"}));
  Answer(kNode, Ack(2, 1));
  queues.QueueWrite(0, kNode, 2, 2, words.data(), 0, false);
  EXPECT_EQ(Sent(), (Strings{"96 0D CD AB 30 00 6B 07 02 00 02 11 11 11 11"}));
}

TEST_F(RequestQueuesTest, RoutedRequests) {
  // Offset 0: wrapped for the node, handed to the gateway, wrapped again by the send routine.
  queues.QueueRead(kGateway, kNode, 5, 3, 0, false);
  EXPECT_EQ(Sent(), (Strings{"96 0F 01 00 80 00 96 09 CD AB 30 00 6A 03 05 00"}));
  // The answer comes from the node (relayed); cached answers carry 4000 + n.
  Answer(kNode, {0x6B, 9, 5, 0, 3, 1, 0, 2, 0, 3, 0});
  EXPECT_FALSE(queues.read_in_flight());

  queues.QueueRead(kGateway, kNode, 4000, 2, 0, false);
  EXPECT_EQ(Sent(), (Strings{"96 0F 01 00 80 00 96 09 CD AB 30 00 6A 03 A0 0F"}));
  Answer(kNode, {0x8A, 7, 0xA0, 0x0F, 2, 1, 0, 2, 0});
  EXPECT_FALSE(queues.read_in_flight());

  // An offset addresses the route itself at register + offset.
  queues.QueueWrite(kGateway, kNode, 8, 1, words.data(), 4000, false);
  EXPECT_EQ(Sent(), (Strings{"96 0A 01 00 80 00 83 04 A8 0F 11 11"}));
  // Completion still names the device, whoever relays it.
  Answer(kGateway, Ack(4008, 1, 0, 0x8C));
  EXPECT_TRUE(queues.write_in_flight());
  Answer(kNode, Ack(4008, 1, 0, 0x8C));
  EXPECT_FALSE(queues.write_in_flight());
}

TEST_F(RequestQueuesTest, NonZeroStatusCompletesNothingThenRetryThenDropAll) {
  queues.QueueWrite(0, kNode, 2, 1, words.data(), 0, false);
  queues.QueueWrite(0, kNode, 3, 1, words.data(), 0, false);
  Sent();
  Answer(kNode, Ack(2, 1, 1));    // status 1: not written
  Answer(kNode, Ack(2, 2));       // wrong count
  Answer(0x0030ABCE, Ack(2, 1));  // wrong device
  EXPECT_EQ(queues.pending_writes(), 2);
  EXPECT_TRUE(Sent().empty());

  queues.OnWriteTimeout();  // one more try
  EXPECT_EQ(Sent(), (Strings{"96 0A CD AB 30 00 83 04 02 00 11 11"}));
  EXPECT_EQ(queues.write_retries(), 0);
  queues.OnWriteTimeout();  // given up: every pending write goes
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(queues.pending_writes(), 0);
  EXPECT_FALSE(queues.write_in_flight());
  EXPECT_EQ(client.progress.back(), "hidden");
  EXPECT_EQ(client.timers.count(30), 0u);
  EXPECT_EQ(queues.write_retries(), 1);
}

TEST_F(RequestQueuesTest, ReadRetriesTwiceThenDropsOnlyThatRead) {
  queues.QueueRead(0, kNode, 0, 10, 0, false);
  queues.QueueRead(0, kNode, 20, 5, 0, false);
  EXPECT_EQ(Sent(), (Strings{"96 09 CD AB 30 00 6A 03 00 00 0A"}));
  EXPECT_EQ(client.timers[31], 1500);
  queues.OnReadTimeout();
  queues.OnReadTimeout();
  EXPECT_EQ(Sent().size(), 2u);
  queues.OnReadTimeout();
  EXPECT_EQ(Sent(), (Strings{"96 09 CD AB 30 00 6A 03 14 00 05"}));
  EXPECT_EQ(queues.read_retries(), 2);
  Answer(kNode, {0x83, 4, 20, 0, 1, 0});  // a single word does not complete a 5-register read
  EXPECT_TRUE(queues.read_in_flight());
}

TEST_F(RequestQueuesTest, FlushedReadPointsTheDongleAtTheTarget) {
  queues.QueueRead(0, kNode, 0, 1, 0, false);
  queues.QueueRead(0, kNode, 1, 1, 0, false);
  Sent();
  queues.set_wait_cancelled(true);
  queues.QueueRead(kGateway, kNode, 4000, 59, 0, true);
  EXPECT_EQ(Sent(), (Strings{"83 04 21 00 06 00", "83 04 22 00 20 00", "6B 07 32 00 02 01 00 80 00",
                             "96 0F 01 00 80 00 96 09 CD AB 30 00 6A 03 A0 0F"}));
  EXPECT_EQ(queues.pending_reads(), 1);
  EXPECT_FALSE(queues.wait_cancelled());
}

TEST_F(RequestQueuesTest, EndingTheAccessDropsBothQueues) {
  queues.QueueRead(0, kNode, 0, 1, 0, false);
  queues.QueueWrite(0, kNode, 0, 1, words.data(), 0, false);
  Sent();
  queues.SetAccessTarget(0, 32, 22);
  EXPECT_EQ(Sent(), (Strings{"83 04 21 00 20 00", "83 04 22 00 16 00"}));
  EXPECT_EQ(queues.pending_reads(), 0);
  EXPECT_EQ(queues.pending_writes(), 0);
}

TEST_F(RequestQueuesTest, FullQueueRefusesTheRest) {
  transport.Close();  // nothing answers
  EXPECT_FALSE(queues.QueueRead(0, kNode, 0, 250 * 33, 0, false));
  EXPECT_EQ(queues.pending_reads(), 32);
  EXPECT_FALSE(
      queues.QueueWrite(0, kNode, 0, 1, words.data(), 0, false) &&
      queues.QueueWrite(0, kNode, 0, 250 * 32, std::vector<uint16_t>(8000).data(), 0, false));
  EXPECT_EQ(queues.pending_writes(), 32);
  // A flush makes room again.
  EXPECT_TRUE(queues.QueueWrite(0, kNode, 0, 1, words.data(), 0, true));
  EXPECT_EQ(queues.pending_writes(), 1);
}

}  // namespace
}  // namespace corvane
