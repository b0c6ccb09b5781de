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

// The editor's lists: "All", "Group 0".."Group 8", "0".."19"; "Disabled" and six commands.
TEST(DaliEditorChoice, EncodesAndDecodesTheListEntries) {
  struct Case {
    DaliEditorChoice choice;
    uint32_t frame;
  };
  for (const Case& c : {Case{{0, 1}, 0xFF00}, Case{{9, 6}, 0x91A0}, Case{{1, 2}, 0x8105},
                        Case{{10, 3}, 0x0102}, Case{{29, 5}, 0x2709}, Case{{15, 4}, 0x0B01}}) {
    EXPECT_EQ(EncodeDaliEditorChoice(c.choice), (DaliEditorResult{c.frame, 16})) << c.frame;
    EXPECT_EQ(DecodeDaliEditorChoice(c.frame), c.choice) << c.frame;
  }
  // "Disabled" is no command at all, whatever the address.
  EXPECT_EQ(EncodeDaliEditorChoice({12, 0}), (DaliEditorResult{0, 0}));
  EXPECT_EQ(DecodeDaliEditorChoice(0), (DaliEditorChoice{0, 0}));
  // A command byte the list does not hold keeps the address but selects "Disabled".
  EXPECT_EQ(DecodeDaliEditorChoice(0x91FF), (DaliEditorChoice{9, 0}));
  EXPECT_EQ(DecodeDaliEditorChoice(0x9000), (DaliEditorChoice{9, 0}));  // direct level, S = 0
}

TEST(DaliEditorChoice, AddressesBeyondTheListsSelectNothingThatCouldBeEncoded) {
  // Groups 9..63 and short addresses 20..63 have no entry: no entry past the end of a list
  // and no other group or address is picked, and OK gives no frame.
  for (uint32_t frame : {0x93A0u, 0x9F05u, 0xBD00u, 0x2900u, 0x7F05u, 0x7E01u, 0x11FF00u}) {
    const DaliEditorChoice choice = DecodeDaliEditorChoice(frame);
    EXPECT_EQ(choice, (DaliEditorChoice{0, 0})) << std::hex << frame;
    EXPECT_EQ(EncodeDaliEditorChoice(choice), (DaliEditorResult{0, 0}));
  }
  // Positions outside the lists never encode.
  EXPECT_EQ(EncodeDaliEditorChoice({30, 1}), (DaliEditorResult{0, 0}));
  EXPECT_EQ(EncodeDaliEditorChoice({-1, 1}), (DaliEditorResult{0, 0}));
  EXPECT_EQ(EncodeDaliEditorChoice({0, 7}), (DaliEditorResult{0, 0}));
}

}  // namespace
}  // namespace corvane::lighting
