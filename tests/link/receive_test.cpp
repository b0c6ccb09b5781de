#include <gtest/gtest.h>

#include "link/message_layer.h"
#include "link_fakes.h"

namespace corvane {
namespace {

using testing::Bytes;
using testing::RecordingConsumers;
using testing::RecordingTransport;
using Calls = std::vector<std::string>;

class ReceiveTest : public ::testing::Test {
 protected:
  ReceiveTest() {
    layer.SetRegisterFanOut(&consumers);
    layer.SetDongleRegisterHandler(&consumers);
    layer.SetHeardFrameHandler(&consumers);
    layer.SetDeviceLogHandler(&consumers);
  }
  // Delivers bytes as a received 64-byte report (zero-filled).
  void Report(Bytes bytes) {
    bytes.resize(64, 0);
    layer.ProcessBuffer(ADDR_DONGLE, bytes.data(), 64);
  }
  void Buffer(const Bytes& bytes, RfAddress from = ADDR_DONGLE) {
    layer.ProcessBuffer(from, bytes.data(), static_cast<int>(bytes.size()));
  }

  RecordingTransport transport;
  RecordingConsumers consumers;
  MessageLayer layer{transport};
};

TEST_F(ReceiveTest, SplitsAReportIntoMessages) {
  Report({0x83, 0x04, 0x38, 0x00, 0x01, 0x00,                    // word: register 56 = 1
          0x6B, 0x07, 0x10, 0x00, 0x02, 0xCD, 0xAB, 0x30, 0x00,  // block: 16..17
          0x01, 0x00});                                          // a poll: nobody takes it
  EXPECT_EQ(consumers.calls, (Calls{"dongle FFFFFFFD r56 n1", "dongle FFFFFFFD r16 n2"}));
  EXPECT_EQ(consumers.last_words, (std::vector<uint16_t>{0xABCD, 0x0030}));
}

TEST_F(ReceiveTest, LengthByte250RunsToTheEndOfTheBuffer) {
  Report({0xF3, 250, 0x01});
  EXPECT_EQ(consumers.calls, (Calls{"log FFFFFFFD 61"}));  // 62 payload bytes less the 1
}

TEST_F(ReceiveTest, BuffersStartingWithTypeZeroOrEmptyDispatchNothing) {
  Report({0x00, 0x04, 0x38, 0x00, 0x01, 0x00});
  Buffer({});
  EXPECT_TRUE(consumers.calls.empty());
}

TEST_F(ReceiveTest, RadioFramesCarryTheirSourceAddress) {
  Report({0x90, 0x0B, 0x01, 0x00, 0x30, 0x00, 0x07,  // from 0x00300001, seq 7
          0x83, 0x04, 0x05, 0x00, 0x34, 0x12});      // register 5 = 0x1234
  EXPECT_EQ(consumers.calls, (Calls{"data 00300001 r5 n1", "dongle 00300001 r5 n1"}));
  consumers.calls.clear();
  // 250 inside a frame means: to the end of the frame, not of the report.
  Buffer({0x90, 0x0A, 0x01, 0x00, 0x30, 0x00, 0x07, 0xF3, 250, 0x01, 0xAA, 0xBB, 0xF3, 0x02, 0x01,
          0xCC});
  EXPECT_EQ(consumers.calls, (Calls{"log 00300001 2", "log FFFFFFFD 1"}));
}

TEST_F(ReceiveTest, CachedAnswersLoseTheir4000) {
  Buffer({0x8A, 0x07, 0xA2, 0x0F, 0x02, 0x01, 0x00, 0x02, 0x00}, 0x00800001);  // 4002
  Buffer({0x8B, 0x04, 0x03, 0x00, 0x09, 0x00}, 0x00800001);                    // 3: no change
  Buffer({0x8C, 0x04, 0xA5, 0x0F, 0x03, 0x00}, 0x00800001);                    // ack 4005
  Buffer({0x85, 0x04, 0x05, 0x00, 0x03, 0x00}, 0x00300001);
  Buffer({0x85, 0x04, 0x05, 0x00, 0x03, 0x01}, 0x00300001);  // status 1: not written
  EXPECT_EQ(consumers.calls, (Calls{"data 00800001 r2 n2 cache", "data 00800001 r3 n1 cache",
                                    "ack 00800001 r5 n3 cache", "ack 00300001 r5 n3"}));
}

TEST_F(ReceiveTest, MalformedLengthsNeverReadPastTheBuffer) {
  // The buffers live in exactly-sized vectors, so ASan catches any over-read.
  Buffer({0x83, 0x09, 0x38, 0x00});        // promises 9, has 2
  Buffer({0x83, 0x02, 0x38, 0x00, 0x83});  // a lone type byte at the very end
  Buffer({0x83});
  Buffer({0x90, 0x03, 0x01, 0x00, 0x30});  // frame shorter than its 5-byte header
  Buffer({0x90, 0x00});
  Buffer({0x6B, 0x02, 0x10, 0x00});                     // block without its count
  Buffer({0x83, 0x03, 0x10, 0x00, 0x01});               // word with 3 of 4 bytes
  Buffer({0xF2, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // traffic shorter than its header
  Buffer({0x85, 0x03, 0x05, 0x00, 0x03});               // ack without status
  EXPECT_TRUE(consumers.calls.empty()) << consumers.calls.front();
  // A block whose count promises more words than it holds delivers the words it has.
  Buffer({0x6B, 0x07, 0x10, 0x00, 0x09, 0x01, 0x00, 0x02, 0x00});
  EXPECT_EQ(consumers.calls, (Calls{"dongle FFFFFFFD r16 n2"}));
}

TEST_F(ReceiveTest, TrafficAndLog) {
  Report(
      {0xF2, 0x0D, 0x01, 0x00, 0x30, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0xB5, 0xAA, 0xBB});
  Report({0xF3, 0x09, 0x01, 1, 2, 3, 4, 5, 6, 7, 8});
  Report({0xF3, 0x01, 0x00});  // a request echo: not a log answer
  EXPECT_EQ(consumers.calls,
            (Calls{"traffic FFFFFFFD 00300001->FFFFFFFD id4660 rssi-75 bytes2", "log FFFFFFFD 8"}));
}

TEST_F(ReceiveTest, DispatchOrder) {
  layer.SetRequestBookkeeping(&consumers);
  layer.SetModbusInput(&consumers);
  consumers.modbus_device = 0x00800001;
  const Bytes block82 = {0x82, 0x05, 0x64, 0x00, 0x01, 0x2A, 0x00};
  const Bytes block6b = {0x6B, 0x05, 0x64, 0x00, 0x01, 0x2A, 0x00};

  // Bookkeeping first, then the Modbus dialog (its types only), then the fan-out, then the
  // dongle handler.
  Buffer(block82, 0x00800001);
  Buffer(block6b, 0x00800001);
  EXPECT_EQ(consumers.calls,
            (Calls{"queue-read 00800001 82 r100 n1", "modbus r100 n1", "data 00800001 r100 n1",
                   "dongle 00800001 r100 n1", "queue-read 00800001 6B r100 n1",
                   "data 00800001 r100 n1", "dongle 00800001 r100 n1"}));
  consumers.calls.clear();

  // The dongle's own registers are not fanned out to device dialogs.
  Buffer(block82);
  EXPECT_EQ(consumers.calls, (Calls{"queue-read FFFFFFFD 82 r100 n1", "dongle FFFFFFFD r100 n1"}));
  consumers.calls.clear();

  // Write acks reach the bookkeeping only with status 0, and carry the raw register.
  Buffer({0x8C, 0x04, 0xA5, 0x0F, 0x03, 0x00}, 0x00800001);
  Buffer({0x85, 0x04, 0x05, 0x00, 0x03, 0x02}, 0x00800001);
  EXPECT_EQ(consumers.calls,
            (Calls{"queue-write 00800001 8C r4005 n3", "ack 00800001 r5 n3 cache"}));
  consumers.calls.clear();

  // The firmware dialog takes what it consumes; whatever it declines skips the dialogs.
  layer.SetFirmwareHook(&consumers);
  consumers.firmware_consumes = true;
  Buffer(block82, 0x00800001);
  EXPECT_EQ(consumers.calls, (Calls{"queue-read 00800001 82 r100 n1", "firmware 00800001 82 L5"}));
  consumers.calls.clear();
  consumers.firmware_consumes = false;
  Buffer(block82, 0x00800001);
  Buffer({0xF3, 0x02, 0x01, 0x00}, 0x00800001);
  EXPECT_EQ(consumers.calls,
            (Calls{"queue-read 00800001 82 r100 n1", "firmware 00800001 82 L5",
                   "dongle 00800001 r100 n1", "firmware 00800001 F3 L2", "log 00800001 1"}));
}

TEST_F(ReceiveTest, PlainFragmentsReassemble) {
  // A 65-byte message split as the sender splits it.
  Bytes inner = {0x86, 61, 0x00, 0x00, 29};
  for (int i = 0; i < 58; ++i) inner.push_back(static_cast<uint8_t>(i));
  inner.resize(63);
  Bytes first = {0x05, 62};
  first.insert(first.end(), inner.begin(), inner.begin() + 62);
  Bytes last = {0x07, 1, inner[62]};
  Report(first);
  EXPECT_EQ(layer.reassembly_held(), 62);
  Report(last);
  EXPECT_EQ(consumers.calls, (Calls{"dongle FFFFFFFD r0 n29"}));
}

TEST_F(ReceiveTest, FragmentOverflowIsIgnored) {
  Bytes next = {0x06, 62};
  next.resize(64, 0x83);
  Report({0x05, 0x00});
  for (int i = 0; i < 8; ++i) Report(next);  // 496 bytes
  EXPECT_EQ(layer.reassembly_held(), 496);
  Report(next);  // 558 > 528: ignored
  EXPECT_EQ(layer.reassembly_held(), 496);
  Bytes last = {0x07, 40};
  last.resize(42, 0x00);
  Report(last);  // 536 > 528: delivers nothing
  EXPECT_EQ(layer.reassembly_held(), 496);
  EXPECT_TRUE(consumers.calls.empty());
  // A first fragment too large for the buffer is ignored too.
  Bytes huge = {0x05, 250};
  huge.resize(600, 0x01);
  Buffer(huge);
  EXPECT_EQ(layer.reassembly_held(), 496);
}

TEST_F(ReceiveTest, LastFragmentsInsideReassembledBuffersEndTheSequence) {
  // Found by fuzzing: a last fragment whose payload is itself an empty last fragment used to
  // re-deliver the held bytes to itself until the stack ran out.
  Buffer({0x07, 0x02, 0x07, 0x00});
  EXPECT_EQ(layer.reassembly_held(), 0);
  Buffer({0x05, 0x02, 0x07, 0x00, 0x07, 0x02, 0x07, 0x00});
  EXPECT_EQ(layer.reassembly_held(), 0);
  // Deep but finite nests of radio frames are still followed.
  Bytes nested = {0x83, 0x04, 0x01, 0x00, 0x02, 0x00};
  for (int i = 0; i < 8; ++i) {
    Bytes frame = {0x90, static_cast<uint8_t>(nested.size() + 5), 0x01, 0x00, 0x30, 0x00, 0x00};
    frame.insert(frame.end(), nested.begin(), nested.end());
    nested = frame;
  }
  Buffer(nested);
  EXPECT_EQ(consumers.calls, (Calls{"data 00300001 r1 n1", "dongle 00300001 r1 n1"}));
}

TEST_F(ReceiveTest, ReassembledFragmentsHoldingFragmentsAreSafe) {
  // The reassembled message itself starts a new fragment sequence and completes it, so the
  // reassembly buffer is rewritten while its old contents are being split.
  Bytes inner = {0x05, 0x06, 0x83, 0x04, 0x02, 0x00, 0x01, 0x00,  // first: half a word
                 0x07, 0x00,                                      // last: completes it
                 0x83, 0x04, 0x03, 0x00, 0x02, 0x00};             // then an ordinary word
  Bytes first = {0x05, 0x0A};
  first.insert(first.end(), inner.begin(), inner.begin() + 10);
  Bytes last = {0x07, 0x06};
  last.insert(last.end(), inner.begin() + 10, inner.end());
  Report(first);
  Report(last);
  EXPECT_EQ(consumers.calls, (Calls{"dongle FFFFFFFD r2 n1", "dongle FFFFFFFD r3 n1"}));
}

}  // namespace
}  // namespace corvane
