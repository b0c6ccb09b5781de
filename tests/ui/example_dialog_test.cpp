// How a dialog is tested: run it through TestHost, act as the user, move the virtual clock.
#include "ui/example_dialog.h"

#include <gtest/gtest.h>

#include "ui/headless/test_host.h"

namespace corvane::ui {
namespace {

TEST(ExampleWaitDlg, CountsDownAndGivesUpAsCancel) {
  TestHost host;
  ExampleWaitDlg dlg(host, u"Press button", 30);
  host.Open(dlg);
  EXPECT_EQ(dlg.Text(kExampleHint), u"Press button");
  EXPECT_EQ(dlg.Pos(kExampleBar), 30);
  EXPECT_EQ(dlg.Text(kExampleLeft), u"3.0 s");

  host.Advance(1000);
  EXPECT_EQ(dlg.Pos(kExampleBar), 20);
  EXPECT_EQ(dlg.Text(kExampleLeft), u"2.0 s");
  EXPECT_FALSE(dlg.ended());

  host.Advance(2000);
  EXPECT_TRUE(dlg.ended());
  EXPECT_EQ(dlg.result(), kIdCancel);
  EXPECT_FALSE(host.TimerRunning(dlg, ExampleWaitDlg::kTickTimer));
  EXPECT_EQ(dlg.unknown_id_uses(), 0);
}

TEST(ExampleWaitDlg, RestartAsksAndOnlyYesStartsAgain) {
  TestHost host;
  ExampleWaitDlg dlg(host, u"", 30);
  host.Open(dlg);
  host.Advance(2500);
  ASSERT_EQ(dlg.Pos(kExampleBar), 5);

  // No is the default button of the question.
  ASSERT_TRUE(host.Click(dlg, kExampleRestart));
  EXPECT_EQ(dlg.Pos(kExampleBar), 5);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Start the countdown again?");
  EXPECT_EQ(host.boxes()[0].buttons, Buttons::kYesNo);
  EXPECT_EQ(host.boxes()[0].icon, Icon::kQuestion);

  host.QueueAnswer(kIdYes);
  ASSERT_TRUE(host.Click(dlg, kExampleRestart));
  EXPECT_EQ(dlg.Pos(kExampleBar), 30);
  host.Advance(2999);
  EXPECT_FALSE(dlg.ended());
  host.Advance(1);
  EXPECT_TRUE(dlg.ended());
}

TEST(ExampleWaitDlg, RunModallyAndEndedFromOutside) {
  TestHost host;
  ExampleWaitDlg dlg(host, u"", 3100);
  // The hook plays the rest of the program while the modal run blocks.
  host.OnModal<ExampleWaitDlg>([&](ExampleWaitDlg& d) {
    host.Advance(1500);
    EXPECT_EQ(d.Pos(kExampleBar), 3085);
    d.Arrived();
  });
  EXPECT_EQ(host.RunModal(nullptr, dlg), kIdOk);
  EXPECT_EQ(host.now_ms(), 1500);
}

TEST(ExampleWaitDlg, EscapeCancels) {
  TestHost host;
  ExampleWaitDlg dlg(host, u"", 30);
  host.OnModal<ExampleWaitDlg>([&](ExampleWaitDlg& d) { host.PressKey(d, vk::kEscape); });
  EXPECT_EQ(host.RunModal(nullptr, dlg), kIdCancel);
  EXPECT_EQ(host.now_ms(), 0);
}

}  // namespace
}  // namespace corvane::ui
