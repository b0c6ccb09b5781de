// The console host's loop on the real clock: timers, work posted from another thread (how the
// USB transport's reports arrive), and modal runs with and without a driver.
#include "cli/console_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>
#include <vector>

namespace corvane::cli {
namespace {

using ::testing::HasSubstr;

const ui::DialogTemplate& Empty() {
  static const ui::DialogTemplate t{.id = 1, .title = u"Wait"};
  return t;
}

class Ticker : public ui::Dialog {
 public:
  explicit Ticker(ui::Host& host) : Dialog(Empty(), host) {}
  std::vector<int> fired;

 protected:
  void OnInit() override {
    SetTimer(1, 30);
    SetTimer(2, 10);
  }
  void OnTimer(int id) override {
    fired.push_back(id);
    if (id == 1) KillTimer(2);
    if (fired.size() == 4) KillTimer(1);
  }
};

TEST(ConsoleHost, TimersRunOnTheRealClockAndPostedWorkWakesTheLoop) {
  std::ostringstream err;
  ConsoleHost host(err);
  Ticker ticker(host);
  host.Open(ticker);
  const int64_t start = host.now_ms();
  host.RunFor(100);
  EXPECT_GE(host.now_ms() - start, 100);
  // 2 every 10 ms until 1 fires at 30 ms and kills it, then 1 every 30 ms until it kills itself
  // (a loop woken late fires a timer once, not once per period missed).
  ASSERT_EQ(ticker.fired.size(), 4u);
  EXPECT_EQ(ticker.fired.front(), 2);
  const auto first_one = std::find(ticker.fired.begin(), ticker.fired.end(), 1);
  EXPECT_EQ(std::count(first_one, ticker.fired.end(), 2), 0);

  // A report from the transport's thread ends a wait that would otherwise run for 5 s.
  bool arrived = false;
  std::thread transport([&] { host.Post([&] { arrived = true; }); });
  const int64_t waited = host.now_ms();
  EXPECT_TRUE(host.RunUntil([&] { return arrived; }, 5000));
  EXPECT_LT(host.now_ms() - waited, 1000);
  transport.join();
}

class Question : public ui::Dialog {
 public:
  explicit Question(ui::Host& host) : Dialog(Empty(), host) {}
  int answer = 0;

 protected:
  void OnTimer(int) override {
    answer = MessageBox(u"Continue?\r\nReally", u"Downgrade?", {ui::Buttons::kYesNo});
    EndDialog(ui::kIdOk);
  }
};

TEST(ConsoleHost, ModalRunsAreDrivenByTheirHookOrClosed) {
  std::ostringstream err;
  ConsoleHost host(err);
  host.SetBoxPolicy([](const ConsoleHost::Box& box) {
    return box.caption == u"Downgrade?" ? ui::kIdNo : ui::kIdOk;
  });
  Ticker owner(host);
  host.Open(owner);

  // Nobody drives it: it is named on standard error and closed at once.
  Question unattended(host);
  EXPECT_EQ(owner.RunModal(unattended), ui::kIdCancel);
  EXPECT_THAT(err.str(), HasSubstr("\"Wait\" needs a user at a screen; closed"));

  host.OnModal<Question>([&](Question& q) {
    q.SetTimer(1, 20);
    host.RunUntil([&] { return q.ended(); }, 2000);
  });
  Question driven(host);
  EXPECT_EQ(owner.RunModal(driven), ui::kIdOk);
  EXPECT_EQ(driven.answer, ui::kIdNo);
  // Every box's text goes to standard error, its lines as a terminal wants them.
  EXPECT_THAT(err.str(), HasSubstr("Downgrade?: Continue?\nReally\n"));
}

}  // namespace
}  // namespace corvane::cli
