// The hot-plug poll used where udev is not running: a change in the list of dongles, and only a
// change, reaches the device-change input.
#include "shell/hotplug.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <string>
#include <vector>

namespace corvane {
namespace {

class HotplugPollTest : public ::testing::Test {
 protected:
  HotplugPollTest() {
    monitor_.Start(HotplugMonitor::Source::kPollOnly, 5);
    EXPECT_FALSE(monitor_.watching_udev());
  }

  // Runs the event loop until `polls` more polls have happened (or a generous deadline passes).
  bool RunPolls(int polls) {
    const int target = polls_ + polls;
    QElapsedTimer clock;
    clock.start();
    while (polls_ < target && clock.elapsed() < 10'000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return polls_ >= target;
  }

  static int argc_;
  static char* argv_[];
  QCoreApplication app_{argc_, argv_};
  std::vector<std::string> present_{"/dev/hidraw2"};
  int polls_ = 0;
  int changes_ = 0;
  HotplugMonitor monitor_{[this] {
                            ++polls_;
                            return present_;
                          },
                          [this] { ++changes_; }};
};

int HotplugPollTest::argc_ = 1;
char* HotplugPollTest::argv_[] = {const_cast<char*>("hotplug_tests"), nullptr};

TEST_F(HotplugPollTest, OnlyAChangedListCountsAsADeviceChange) {
  // What is there at start-up is no change: the main window looks for the dongle itself then.
  ASSERT_TRUE(RunPolls(5));
  EXPECT_EQ(changes_, 0);

  present_.push_back("/dev/hidraw5");
  ASSERT_TRUE(RunPolls(5));
  EXPECT_EQ(changes_, 1) << "one change, however many polls see it";

  // The same dongles listed in another order are the same dongles.
  present_ = {"/dev/hidraw5", "/dev/hidraw2"};
  ASSERT_TRUE(RunPolls(5));
  EXPECT_EQ(changes_, 1);

  present_ = {"/dev/hidraw5"};
  ASSERT_TRUE(RunPolls(5));
  EXPECT_EQ(changes_, 2);

  // Replugged at another node between two polls: still a change.
  present_ = {"/dev/hidraw6"};
  ASSERT_TRUE(RunPolls(5));
  EXPECT_EQ(changes_, 3);
}

}  // namespace
}  // namespace corvane
