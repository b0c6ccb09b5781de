#include "lighting/dali_command.h"

#include <gtest/gtest.h>

namespace corvane::lighting {
namespace {

TEST(DaliCommand, EncodesFrameMarkerAndPriorityKeepingFlags) {
  EXPECT_EQ(EncodeDaliCommand(0, 0xFF00, 16, 0), 0x0001FF00u);
  EXPECT_EQ(EncodeDaliCommand(0, u"FF00", u"16", u"x"), 0x6001FF00u);  // no number: priority 3
  // Push/pull and "twice" belong to the caller's word and stay; the old frame goes.
  EXPECT_EQ(EncodeDaliCommand(kDaliPushPullBit | kDaliTwiceBit | 0x0FFF, 0x05, 8, 1),
            kDaliPushPullBit | kDaliTwiceBit | (1u << 29) | 0x105);
  // A marker at 28 or above would leave the field: the length is taken as 28 and masked away.
  EXPECT_EQ(EncodeDaliCommand(0, 0x12, 40, 0), 0x12u);
}

TEST(DaliCommand, DecodesTheHighestFrameBitAsLength) {
  EXPECT_EQ(DecodeDaliCommand(0x6001FF00u), (DaliFields{0xFF00, 16, 3}));
  EXPECT_EQ(DecodeDaliCommand(kDaliPushPullBit), (DaliFields{0, 0, 0}));
  EXPECT_EQ(DaliCommandTexts(0x0001FF00u), (DaliCommandText{u"0000FF00", u"16", u"0"}));
  for (uint32_t word : {0x0001FF00u, 0x2000091Au, 0x0FFFFFFFu}) {
    const DaliFields f = DecodeDaliCommand(word);
    EXPECT_EQ(EncodeDaliCommand(word, f.command, f.length, f.priority), word) << word;
  }
}

}  // namespace
}  // namespace corvane::lighting
