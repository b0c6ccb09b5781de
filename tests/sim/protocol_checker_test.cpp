#include "sim/protocol_checker.h"

#include <gtest/gtest.h>

namespace corvane::sim {
namespace {

TEST(ProtocolCheckerTest, LogLinesNameTimeAndPlaceAndTheCountGoesOnPastTheLog) {
  ProtocolChecker checker;
  checker.Report(1234, 0xFFFFFFFD, "MSG_POLL with payload length 2");
  EXPECT_EQ(checker.LogText(), "1234 ms 0xFFFFFFFD: MSG_POLL with payload length 2\n");
  for (int i = 0; i < 300; ++i) checker.Report(2000, 0x00500001, "x");
  EXPECT_EQ(checker.count(), 301);
  EXPECT_EQ(checker.log().size(), ProtocolChecker::kMaxLogLines);
  const std::string text = checker.LogText();
  EXPECT_NE(text.find("... 45 more\n"), std::string::npos);
  checker.Clear();
  EXPECT_EQ(checker.count(), 0);
  EXPECT_TRUE(checker.LogText().empty());
}

}  // namespace
}  // namespace corvane::sim
