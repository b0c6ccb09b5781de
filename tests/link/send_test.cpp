#include <gtest/gtest.h>

#include <numeric>

#include "link/message_layer.h"
#include "link_fakes.h"

namespace corvane {
namespace {

using testing::Bytes;
using testing::RecordingTransport;

// A complete message [type][length][payload] of `total` bytes with payload bytes 0, 1, 2, ...
Bytes Message(int total, uint8_t type = 0x6B) {
  Bytes m(static_cast<size_t>(total));
  m[0] = type;
  m[1] = static_cast<uint8_t>(std::min(total - 2, 250));
  for (int i = 2; i < total; ++i) m[i] = static_cast<uint8_t>(i - 2);
  return m;
}

class SendTest : public ::testing::Test {
 protected:
  void Send(RfAddress address, const Bytes& m, bool ack = false) {
    layer.SendMsg(address, m.data(), static_cast<int>(m.size()), ack);
  }
  // The fragments joined back together, after checking their types and lengths.
  Bytes Reassemble(const std::vector<int>& expected_lengths) {
    EXPECT_EQ(transport.sent.size(), expected_lengths.size());
    Bytes joined;
    for (size_t i = 0; i < transport.sent.size() && i < expected_lengths.size(); ++i) {
      const Bytes& r = transport.sent[i];
      const uint8_t type = i == 0 ? 0x05 : i + 1 == expected_lengths.size() ? 0x07 : 0x06;
      EXPECT_EQ(r[0], type) << i;
      EXPECT_EQ(r[1], expected_lengths[i]) << i;
      EXPECT_EQ(r.size(), size_t(expected_lengths[i] + 2)) << i;
      joined.insert(joined.end(), r.begin() + 2, r.end());
    }
    return joined;
  }

  RecordingTransport transport;
  MessageLayer layer{transport};
};

TEST_F(SendTest, DongleMessagesUpTo64BytesTravelAsTheyAre) {
  Send(ADDR_DONGLE, Message(64));
  Send(ADDR_DONGLE, Message(63));
  const uint8_t poll[] = {0x01, 0x00};
  layer.SendMsg(ADDR_DONGLE, poll, 2, false);
  ASSERT_EQ(transport.sent.size(), 3u);
  EXPECT_EQ(transport.sent[0], Message(64));
  EXPECT_EQ(transport.sent[1], Message(63));
  EXPECT_EQ(testing::Hex(transport.sent[2]), "01 00");
}

TEST_F(SendTest, RemoteMessagesGetTheRfSendWrapper) {
  const uint8_t read[] = {0x6A, 0x03, 0x00, 0x00, 0x1F};
  layer.SendMsg(0x0030ABCD, read, sizeof read, false);
  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(testing::Hex(transport.sent[0]), "96 09 CD AB 30 00 6A 03 00 00 1F");
}

TEST_F(SendTest, WrapperLengthByteSaturatesAt250) {
  for (int n : {245, 246, 247, 400}) {
    transport.sent.clear();
    Send(0x00300001, Message(n));
    ASSERT_FALSE(transport.sent.empty()) << n;
    EXPECT_EQ(transport.sent[0][2 + 1], std::min(n + 4, 250)) << n;  // inside FRAG_FIRST
  }
}

TEST_F(SendTest, A59ByteRemoteMessageBecomesFirstAndLast) {
  const Bytes m = Message(59);
  Send(0x00300001, m);
  const Bytes joined = Reassemble({62, 3});
  ASSERT_EQ(joined.size(), 65u);
  EXPECT_EQ(testing::Hex(joined.data(), 6), "96 3F 01 00 30 00");
  EXPECT_TRUE(std::equal(m.begin(), m.end(), joined.begin() + 6));
  // The last fragment is short: the ring appends the terminator, not the layer.
  EXPECT_EQ(transport.sent[1].size(), 5u);
}

TEST_F(SendTest, FragmentBoundaries) {
  struct Case {
    int total;
    std::vector<int> lengths;
  };
  const Case cases[] = {
      {65, {62, 3}},       {124, {62, 62}},        {125, {62, 62, 1}},
      {186, {62, 62, 62}}, {187, {62, 62, 62, 1}}, {548, {62, 62, 62, 62, 62, 62, 62, 62, 52}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.total);
    transport.sent.clear();
    const Bytes m = Message(c.total);
    Send(ADDR_DONGLE, m);
    EXPECT_EQ(Reassemble(c.lengths), m);
  }
}

TEST_F(SendTest, MessagesBeyond548BytesWithWrapperAreDropped) {
  Send(0x00300001, Message(542));  // 548 with the wrapper
  EXPECT_EQ(transport.sent.size(), 9u);
  transport.sent.clear();
  Send(0x00300001, Message(543));
  Send(ADDR_DONGLE, Message(549), true);
  layer.SendMsg(ADDR_DONGLE, nullptr, 4, false);
  const uint8_t one = 1;
  layer.SendMsg(ADDR_DONGLE, &one, 0, false);
  EXPECT_TRUE(transport.sent.empty());
}

TEST_F(SendTest, ShortAcknowledgedMessagesGoInOneReport) {
  Send(0x00300001, Message(20), true);
  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(transport.sent[0][0], 0x96);
  EXPECT_EQ(layer.sender(0).key, 0u);
}

TEST_F(SendTest, ClosedTransportDropsEverything) {
  transport.Close();
  Send(ADDR_DONGLE, Message(300));
  Send(ADDR_DONGLE, Message(300), true);
  EXPECT_TRUE(transport.sent.empty());
}

}  // namespace
}  // namespace corvane
