// The register set of the read/write cycle: ranges merge and split as registers come and go, so
// a 19,618-register image is booked as cheaply as a 59-word record.
#include <gtest/gtest.h>

#include "access/register_cycle.h"

namespace corvane {
namespace {

std::vector<std::pair<int, int>> Ranges(const RegisterSet& set) {
  std::vector<std::pair<int, int>> out;
  for (const RegisterRange& r : set.ranges()) out.emplace_back(r.first, r.count);
  return out;
}

TEST(RegisterSetTest, AddingMergesTouchingAndOverlappingRanges) {
  RegisterSet set;
  set.Add(19292, 54);
  set.Add(0, 1634);
  set.Add(33, 1);      // inside
  set.Add(1634, 6);    // touching the end
  set.Add(19280, 20);  // overlapping the start
  set.Add(5000, 0);    // nothing
  EXPECT_EQ(Ranges(set), (std::vector<std::pair<int, int>>{{0, 1640}, {19280, 66}}));
  EXPECT_EQ(set.size(), 1640 + 66);
  EXPECT_TRUE(set.Has(0));
  EXPECT_TRUE(set.Has(19345));
  EXPECT_FALSE(set.Has(19346));
  EXPECT_FALSE(set.Has(1640));
}

TEST(RegisterSetTest, RemovingSplitsAndCountsOnlyWhatWasThere) {
  RegisterSet set;
  set.Add(0, 100);
  set.Add(200, 10);
  EXPECT_EQ(set.Remove(40, 10), 10);      // a hole
  EXPECT_EQ(set.Remove(95, 110), 5 + 5);  // the end of one, the start of another
  EXPECT_EQ(set.Remove(1000, 50), 0);     // beyond
  EXPECT_EQ(Ranges(set), (std::vector<std::pair<int, int>>{{0, 40}, {50, 45}, {205, 5}}));
  EXPECT_EQ(set.Remove(-10, 1 << 30), 90);
  EXPECT_TRUE(set.empty());
}

}  // namespace
}  // namespace corvane
