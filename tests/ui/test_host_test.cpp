#include "ui/headless/test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvane::ui {
namespace {

enum : int { kEdit = 10, kButton, kHiddenButton, kCheck, kList, kTable, kNotes, kGroup, kInGroup };

const DialogTemplate& ProbeTemplate() {
  static const DialogTemplate t{
      .title = u"Probe",
      .controls =
          {
              Edit(kEdit, At(0, 0)),
              Button(kButton, u"Go", At(0, 1)),
              Button(kHiddenButton, u"Hidden", At(0, 2), kHidden),
              CheckBox(kCheck, u"Check", At(1, 0)),
              ListBox(kList, At(2, 0), kMultiSelect),
              ListView(kTable, At(2, 1), {{u"A", 40}, {u"B", 40}}),
              Edit(kNotes, At(3, 0), kMultiLine),
              GroupBox(kGroup, u"G", At(4, 0), kDisabled),
              Button(kInGroup, u"In", In(kGroup, 0, 0)),
          },
  };
  return t;
}

// Records every event with the clock, so tests can check order and timing.
class Probe : public Dialog {
 public:
  Probe(TestHost& host, std::string name) : Dialog(ProbeTemplate(), host), th_(host), name_(name) {}

  std::vector<std::string> log;
  std::vector<std::pair<int, int>> timer_calls;  // (id, time)
  std::function<void(int)> on_timer;
  std::function<void(int)> on_command;
  bool swallow_f1 = false;

 protected:
  void OnInit() override { log.push_back("init"); }
  void OnCommand(int id) override {
    log.push_back("command " + std::to_string(id));
    if (on_command) on_command(id);
  }
  void OnCheck(int id) override {
    log.push_back("check " + std::to_string(id) + (IsChecked(id) ? " on" : " off"));
  }
  void OnEditChange(int id) override {
    log.push_back("edit " + std::to_string(id) + " " +
                  std::string(Text(id).begin(), Text(id).end()));
  }
  void OnSelChange(int id) override { log.push_back("sel " + std::to_string(id)); }
  void OnKillFocus(int id) override { log.push_back("killfocus " + std::to_string(id)); }
  void OnDoubleClick(int id, int row, int col) override {
    log.push_back("dbl " + std::to_string(id) + " " + std::to_string(row) + " " +
                  std::to_string(col));
  }
  bool OnKey(int key, bool down) override {
    log.push_back(std::string(down ? "down " : "up ") + std::to_string(key));
    return swallow_f1 && key == vk::kF1;
  }
  void OnDelete(int id) override { log.push_back("delete " + std::to_string(id)); }
  void OnTimer(int id) override {
    timer_calls.emplace_back(id, static_cast<int>(th_.now_ms()));
    if (on_timer) on_timer(id);
  }
  void OnOk() override {
    log.push_back("ok");
    Dialog::OnOk();
  }
  void OnCancel() override {
    log.push_back("cancel");
    Dialog::OnCancel();
  }

 private:
  TestHost& th_;
  std::string name_;
};

TEST(TestHostTimers, FireInTimeOrderAcrossDialogs) {
  TestHost host;
  Probe a(host, "a");
  Probe b(host, "b");
  host.Open(a);
  host.Open(b);
  std::vector<std::string> order;
  a.on_timer = [&](int id) {
    order.push_back("a" + std::to_string(id) + "@" + std::to_string(host.now_ms()));
  };
  b.on_timer = [&](int id) {
    order.push_back("b" + std::to_string(id) + "@" + std::to_string(host.now_ms()));
  };
  a.SetTimer(1, 300);
  b.SetTimer(2, 200);
  a.SetTimer(3, 200);  // same due time as b's timer 2, set later: fires after it
  host.Advance(600);
  EXPECT_EQ(order, (std::vector<std::string>{"b2@200", "a3@200", "a1@300", "b2@400", "a3@400",
                                             "a1@600", "b2@600", "a3@600"}));
  EXPECT_EQ(host.now_ms(), 600);
}

TEST(TestHostTimers, SettingARunningTimerRestartsIt) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  p.SetTimer(15, 5000);
  host.Advance(4000);
  p.SetTimer(15, 5000);
  EXPECT_EQ(host.TimerDueIn(p, 15), 5000);
  host.Advance(4999);
  EXPECT_TRUE(p.timer_calls.empty());
  host.Advance(1);
  ASSERT_EQ(p.timer_calls.size(), 1u);
  EXPECT_EQ(p.timer_calls[0].second, 9000);
  // A new period takes effect at once.
  p.SetTimer(15, 2000);
  EXPECT_EQ(host.TimerPeriod(p, 15), 2000);
}

TEST(TestHostTimers, OneShotThatStopsItselfFiresOnce) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  p.on_timer = [&](int id) { p.KillTimer(id); };
  p.SetTimer(48, 500);
  host.Advance(5000);
  EXPECT_EQ(p.timer_calls, (std::vector<std::pair<int, int>>{{48, 500}}));
  EXPECT_FALSE(host.TimerRunning(p, 48));
}

TEST(TestHostTimers, HandlerRestartingWithAnotherPeriod) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  p.on_timer = [&](int id) { p.SetTimer(id, 1000); };
  p.SetTimer(30, 100);
  host.Advance(2100);
  EXPECT_EQ(p.timer_calls, (std::vector<std::pair<int, int>>{{30, 100}, {30, 1100}, {30, 2100}}));
}

TEST(TestHostTimers, ClosedOrDestroyedDialogsLoseTheirTimers) {
  TestHost host;
  Probe kept(host, "kept");
  host.Open(kept);
  kept.SetTimer(1, 100);
  {
    Probe gone(host, "gone");
    host.Open(gone);
    gone.SetTimer(1, 100);
  }
  Probe closed(host, "closed");
  host.Open(closed);
  closed.SetTimer(1, 100);
  closed.EndDialog(kIdOk);
  EXPECT_FALSE(host.IsOpen(closed));
  host.Advance(100);
  EXPECT_EQ(kept.timer_calls.size(), 1u);
  EXPECT_TRUE(closed.timer_calls.empty());
}

TEST(TestHostTimers, AttachedClockRunsInTimeOrderWithTheTimers) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  // A stand-in for the simulator: events at fixed times, each posting a report to the UI.
  std::vector<int64_t> events = {150, 200, 1000};
  int64_t sim_now = 0;
  std::vector<std::string> order;
  host.AttachClock([&]() -> int64_t { return events.empty() ? INT64_MAX : events.front(); },
                   [&](int64_t t) {
                     sim_now = t;
                     while (!events.empty() && events.front() <= t) {
                       const int64_t at = events.front();
                       events.erase(events.begin());
                       host.Post([&order, at] { order.push_back("report@" + std::to_string(at)); });
                     }
                   });
  p.on_timer = [&](int) { order.push_back("timer@" + std::to_string(host.now_ms())); };
  p.SetTimer(1, 100);
  host.Advance(300);
  EXPECT_EQ(order, (std::vector<std::string>{"timer@100", "report@150", "report@200", "timer@200",
                                             "timer@300"}));
  EXPECT_EQ(sim_now, 300);  // the attached clock is brought up to the end of the step
  EXPECT_EQ(events.size(), 1u);
}

TEST(TestHostModal, ParentTimersKeepFiringInsideNestedRuns) {
  TestHost host;
  Probe parent(host, "parent");
  Probe child(host, "child");
  Probe grandchild(host, "grandchild");
  host.Open(parent);
  parent.SetTimer(2, 250);
  int depth_seen = 0;
  // Hooks are per class; these dialogs share one, so the hook tells them apart.
  host.OnModal<Probe>([&](Probe& d) {
    if (&d == &child) {
      child.SetTimer(7, 100);
      EXPECT_EQ(child.RunModal(grandchild), kIdYes);
      host.Advance(100);
      child.EndDialog(kIdOk);
    } else {
      depth_seen = host.modal_depth();
      host.Advance(1000);
      d.EndDialog(kIdYes);
    }
  });
  EXPECT_EQ(parent.RunModal(child), kIdOk);
  EXPECT_EQ(depth_seen, 2);
  EXPECT_EQ(host.now_ms(), 1100);
  EXPECT_EQ(parent.timer_calls.size(), 4u);  // 250, 500, 750, 1000
  EXPECT_EQ(child.timer_calls.size(), 11u);  // every 100 ms for 1100 ms
  EXPECT_EQ(child.log.front(), "init");
  // The run's window is gone, and so are its timers.
  EXPECT_FALSE(host.IsOpen(child));
  EXPECT_FALSE(host.TimerRunning(child, 7));
  EXPECT_TRUE(host.TimerRunning(parent, 2));
  EXPECT_EQ(host.modal_depth(), 0);
}

TEST(TestHostModal, WithoutHookTheClockRunsUntilTheDialogEndsItself) {
  TestHost host;
  Probe p(host, "p");
  p.on_command = [&](int) {};
  Probe child(host, "child");
  child.on_timer = [&](int) {
    if (child.timer_calls.size() == 3) child.EndDialog(kIdNo);
  };
  // The dialog starts its own timer in OnInit in real code; here a posted call does it.
  host.Post([&] { child.SetTimer(1, 1000); });
  host.Open(p);
  EXPECT_EQ(p.RunModal(child), kIdNo);
  EXPECT_EQ(host.now_ms(), 3000);
  EXPECT_EQ(host.modal_runs().size(), 1u);
}

TEST(TestHostModal, AnIdleDialogIsClosedByTheCloseBoxAfterTheLimit) {
  TestHost host;
  host.set_idle_limit_ms(60000);
  Probe p(host, "p");
  Probe child(host, "child");
  host.Open(p);
  EXPECT_EQ(p.RunModal(child), kIdCancel);
  EXPECT_EQ(host.now_ms(), 60000);
  EXPECT_EQ(child.log.back(), "cancel");
}

TEST(TestHostBoxes, ScriptedAnswersAndLog) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  host.QueueAnswer(kIdNo);
  EXPECT_EQ(p.MessageBox(u"Still want to write?", u"Possible overwrite",
                         {Buttons::kYesNoCancel, Icon::kQuestion}),
            kIdNo);
  // Nothing queued: the default button answers.
  EXPECT_EQ(p.MessageBox(u"Read unsuccessfull"), kIdOk);
  EXPECT_EQ(p.MessageBox(u"q", u"", {Buttons::kYesNoCancel, Icon::kQuestion, 2}), kIdCancel);
  EXPECT_EQ(p.MessageBox(u"q", u"", {Buttons::kYesNo, Icon::kWarning, 1}), kIdNo);
  ASSERT_EQ(host.boxes().size(), 4u);
  EXPECT_EQ(host.boxes()[0].text, u"Still want to write?");
  EXPECT_EQ(host.boxes()[0].caption, u"Possible overwrite");
  EXPECT_EQ(host.boxes()[0].buttons, Buttons::kYesNoCancel);
  EXPECT_EQ(host.boxes()[0].icon, Icon::kQuestion);
  EXPECT_EQ(host.boxes()[1].caption, u"");
  EXPECT_EQ(host.boxes()[1].icon, Icon::kNone);
}

TEST(TestHostServices, FilesShellClipboardTimeAndPosts) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  FileDialogSpec spec{.title = u"Export",
                      .filters = {{u"Text (*.txt)", u"*.txt"}},
                      .default_extension = u"txt",
                      .initial_name = u"Export_x"};
  host.QueueFileResult(u"/tmp/a.txt");
  EXPECT_EQ(host.SaveFileName(&p, spec), std::optional<std::u16string>(u"/tmp/a.txt"));
  EXPECT_EQ(host.OpenFileName(&p, spec), std::nullopt);  // nothing scripted: cancelled
  ASSERT_EQ(host.file_requests().size(), 2u);
  EXPECT_TRUE(host.file_requests()[0].save);
  EXPECT_EQ(host.file_requests()[1].spec.initial_name, u"Export_x");

  EXPECT_TRUE(host.ShellOpen(u"guide.html"));
  EXPECT_TRUE(host.boxes().empty());
  // A failed open tells the user, as the Qt host does, instead of passing silently.
  host.set_shell_open_result(false);
  EXPECT_FALSE(host.ShellOpen(u"Pellmar.chm"));
  EXPECT_EQ(host.shell_opened(), (std::vector<std::u16string>{u"guide.html", u"Pellmar.chm"}));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Could not open Pellmar.chm: no program is set up to show it.");
  EXPECT_EQ(host.boxes()[0].icon, Icon::kWarning);
  host.SetClipboardText(u"frame");
  EXPECT_EQ(host.ClipboardText(), u"frame");

  host.SetLocalTime({2026, 12, 31, 23, 59, 59, 500});
  host.Advance(600);
  const LocalTime t = host.Now();
  EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
            std::vector<int>({2027, 1, 1, 0, 0, 0, 100}));

  // Work posted from another thread runs on the next Advance, not before.
  int ran = 0;
  std::thread([&] { host.Post([&] { ++ran; }); }).join();
  EXPECT_EQ(ran, 0);
  host.Advance(0);
  EXPECT_EQ(ran, 1);
}

TEST(TestHostInput, StoreIsUpdatedBeforeTheEvent) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  EXPECT_TRUE(host.Type(p, kEdit, u"abc"));
  EXPECT_TRUE(host.Toggle(p, kCheck));
  EXPECT_TRUE(host.Click(p, kCheck));  // a click on a check box toggles it too
  EXPECT_TRUE(host.Click(p, kButton));
  EXPECT_TRUE(host.LeaveField(p, kEdit));
  EXPECT_EQ(p.log, (std::vector<std::string>{"init", "edit 10 abc", "check 13 on", "check 13 off",
                                             "command 11", "killfocus 10"}));
}

TEST(TestHostInput, ListsSelectAndDoubleClick) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  for (auto line : {u"a", u"b", u"c"}) p.AddString(kList, line);
  p.SetRowCount(kTable, 2);
  EXPECT_TRUE(host.SelectMany(p, kList, {0, 2}));
  EXPECT_EQ(p.SelectedItems(kList), (std::vector<int>{0, 2}));
  EXPECT_FALSE(host.SelectMany(p, kList, {3}));
  EXPECT_TRUE(host.DoubleClick(p, kList, 1));
  EXPECT_EQ(p.SelectedItems(kList), (std::vector<int>{1}));
  EXPECT_TRUE(host.DoubleClick(p, kTable, 1, 1));
  EXPECT_EQ(p.CurSel(kTable), 1);
  EXPECT_FALSE(host.DoubleClick(p, kTable, 2, 0));
  EXPECT_FALSE(host.DoubleClick(p, kTable, 0, 2));
  EXPECT_EQ(p.log, (std::vector<std::string>{"init", "sel 14", "dbl 14 1 0", "dbl 15 1 1"}));
}

TEST(TestHostInput, HiddenDisabledAndWrongKindsAreRefused) {
  TestHost host;
  Probe p(host, "p");
  EXPECT_FALSE(host.Click(p, kButton));  // not shown yet
  host.Open(p);
  EXPECT_FALSE(host.Click(p, kHiddenButton));
  EXPECT_FALSE(host.Click(p, kInGroup));  // inside a disabled group
  p.Enable(kGroup, true);
  EXPECT_TRUE(host.Click(p, kInGroup));
  p.Enable(kButton, false);
  EXPECT_FALSE(host.Click(p, kButton));
  EXPECT_FALSE(host.Type(p, kButton, u"x"));
  EXPECT_FALSE(host.Toggle(p, kEdit));
  EXPECT_FALSE(host.Select(p, kEdit, 0));
  EXPECT_FALSE(host.Click(p, 4711));
  EXPECT_EQ(p.log, (std::vector<std::string>{"init", "command 18"}));
}

TEST(TestHostInput, KeysReachOnKeyFirstThenTheDialog) {
  TestHost host;
  Probe p(host, "p");
  host.Open(p);
  p.swallow_f1 = true;
  EXPECT_TRUE(host.PressKey(p, vk::kF1));
  EXPECT_FALSE(host.PressKey(p, 'S'));
  EXPECT_TRUE(host.PressKey(p, vk::kDelete, kList));
  EXPECT_FALSE(host.PressKey(p, vk::kDelete, kEdit));   // Delete in an edit is the edit's
  EXPECT_FALSE(host.PressKey(p, vk::kReturn, kNotes));  // a line break in a multi-line edit
  EXPECT_EQ(p.log, (std::vector<std::string>{"init", "down 112", "up 112", "down 83", "up 83",
                                             "down 46", "delete 14", "up 46", "down 46", "up 46",
                                             "down 13", "up 13"}));
  p.log.clear();
  EXPECT_TRUE(host.PressKey(p, vk::kReturn, kEdit));
  EXPECT_EQ(p.log, (std::vector<std::string>{"down 13", "ok"}));
  EXPECT_TRUE(p.ended());
  EXPECT_EQ(p.result(), kIdOk);
}

// Help is the program's: any dialog that leaves F1 or Ctrl+H alone passes it to the handler the
// main window registered, modal dialogs included; a dialog that takes the key keeps it.
TEST(TestHostInput, HelpKeysReachTheProgramsHelpFromEveryDialog) {
  TestHost host;
  Probe main(host, "main");
  Probe child(host, "child");
  int helped = 0;
  host.SetHelpHandler([&] { ++helped; });
  host.Open(main);
  EXPECT_TRUE(host.PressKey(main, vk::kF1));
  EXPECT_EQ(helped, 1);
  main.swallow_f1 = true;
  EXPECT_TRUE(host.PressKey(main, vk::kF1));
  EXPECT_EQ(helped, 1);

  host.OnModal<Probe>([&](Probe& d) {
    EXPECT_TRUE(host.PressKey(d, vk::kF1, kEdit));
    EXPECT_FALSE(host.PressKey(d, 'H'));  // H alone is a letter
    host.KeyDown(d, vk::kControl);
    EXPECT_TRUE(host.PressKey(d, 'H', kEdit));
    EXPECT_TRUE(host.PressKey(d, vk::kNumpad0 + 8));
    host.KeyUp(d, vk::kControl);
    EXPECT_FALSE(host.PressKey(d, 'H'));
    d.EndDialog(kIdOk);
  });
  EXPECT_EQ(main.RunModal(child), kIdOk);
  EXPECT_EQ(helped, 4);
  EXPECT_EQ(host.help_requests(), 4);
  // Without a handler the keys are still the program's, not the dialog's.
  host.SetHelpHandler(nullptr);
  main.swallow_f1 = false;
  EXPECT_TRUE(host.PressKey(main, vk::kF1));
  EXPECT_EQ(helped, 4);
  EXPECT_EQ(host.help_requests(), 5);
}

TEST(TestHostInput, EscapeCloseBoxAndCancelButtonAllCancel) {
  TestHost host;
  for (int way = 0; way < 3; ++way) {
    Probe p(host, "p");
    Probe child(host, "child");
    host.OnModal<Probe>([&](Probe& d) {
      if (way == 0) host.PressKey(d, vk::kEscape);
      if (way == 1) host.CloseBox(d);
      if (way == 2) host.Click(d, kIdCancel);  // no such control: refused, idle close follows
    });
    host.Open(p);
    EXPECT_EQ(p.RunModal(child), kIdCancel) << way;
    EXPECT_EQ(child.log.back(), "cancel") << way;
  }
}

TEST(TestHostModeless, CloseHidesAndTimersRunOn) {
  TestHost host;
  Probe owner(host, "owner");
  Probe view(host, "view");
  host.Open(owner);
  owner.ShowModeless(view);
  EXPECT_TRUE(host.IsShown(view));
  view.SetTimer(1, 100);
  EXPECT_TRUE(host.CloseBox(view));
  EXPECT_FALSE(host.IsShown(view));
  EXPECT_TRUE(host.IsOpen(view));
  host.Advance(100);
  EXPECT_EQ(view.timer_calls.size(), 1u);
  EXPECT_FALSE(host.Click(view, kButton));  // hidden windows take no input
  owner.ShowModeless(view);                 // shown again, not initialised again
  EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "init"), 1);
  EXPECT_TRUE(host.Click(view, kButton));
}

}  // namespace
}  // namespace corvane::ui
