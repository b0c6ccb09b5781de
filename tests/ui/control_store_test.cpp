#include "ui/control_store.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ui/sample_template.h"

namespace corvane::ui {
namespace {

enum : int { kList = 10, kMulti, kCombo, kEditCombo, kTable, kBar, kPlainCombo, kGroup };

const DialogTemplate& StoreTemplate() {
  static const DialogTemplate t{
      .title = u"Store",
      .controls =
          {
              ListBox(kList, At(0, 0), kSorted),
              ListBox(kMulti, At(0, 1), kSorted | kMultiSelect),
              ComboList(kCombo, At(1, 0), {u"Address", u"RSSI", u"Time from last communikation"}),
              ComboEdit(kEditCombo, At(1, 1), {u"0x00200000 b", u"0x00100000 a"}, kSorted),
              ListView(kTable, At(2, 0), {{u"Pos.", 30}, {u"RF address", 120}}),
              Progress(kBar, At(3, 0), kHidden),
              ComboList(kPlainCombo, At(3, 1)),
              GroupBox(kGroup, u"G", At(4, 0), kDisabled),
          },
  };
  return t;
}

struct Recorder : StoreObserver {
  void OnStoreChange(int id, Change change, int first, int count) override {
    log.emplace_back(id, change, first, count);
  }
  std::vector<std::tuple<int, Change, int, int>> log;
};

TEST(ControlStore, TemplateGivesInitialState) {
  ControlStore s(StoreTemplate());
  EXPECT_EQ(s.Title(), u"Store");
  EXPECT_FALSE(s.IsVisible(kBar));
  EXPECT_FALSE(s.IsEnabled(kGroup));
  EXPECT_TRUE(s.IsVisible(kList));
  EXPECT_EQ(s.Count(kCombo), 3);
  EXPECT_EQ(s.CurSel(kCombo), -1);
  // Initial items of a sorted combo are sorted too.
  EXPECT_EQ(s.Item(kEditCombo, 0), u"0x00100000 a");
  EXPECT_EQ(s.ColumnCount(kTable), 2);
  EXPECT_EQ(s.Column(kTable, 1).caption, u"RF address");
  EXPECT_EQ(s.Column(kTable, 1).width, 120);
  EXPECT_EQ(s.unknown_id_uses(), 0);
}

TEST(ControlStore, SortedListInsertsByTextIgnoringCaseAfterEqualLines) {
  ControlStore s(StoreTemplate());
  EXPECT_EQ(s.AddString(kList, u"0x00A00001 b"), 0);
  EXPECT_EQ(s.AddString(kList, u"0x00300012 a"), 0);
  EXPECT_EQ(s.AddString(kList, u"0x00a00000 c"), 1);  // 'a' sorts as 'A'
  EXPECT_EQ(s.AddString(kList, u"0x00300012 A"), 1);  // equal to line 0: goes after it
  EXPECT_EQ(s.AddString(kList, u"0x00FFFFFF"), 4);
  ASSERT_EQ(s.Count(kList), 5);
  EXPECT_EQ(s.Item(kList, 0), u"0x00300012 a");
  EXPECT_EQ(s.Item(kList, 1), u"0x00300012 A");
  EXPECT_EQ(s.Item(kList, 2), u"0x00a00000 c");
  EXPECT_EQ(s.Item(kList, 3), u"0x00A00001 b");
  // An unsorted combo keeps the order of adding.
  s.AddString(kPlainCombo, u"b");
  s.AddString(kPlainCombo, u"a");
  EXPECT_EQ(s.Item(kPlainCombo, 0), u"b");
}

TEST(ControlStore, SelectionAndCaretFollowTheirLinesOnInsertAndDelete) {
  ControlStore s(StoreTemplate());
  for (auto line : {u"b", u"d", u"f"}) s.AddString(kMulti, line);
  s.SetSel(kMulti, 1, true);  // "d"
  s.SetCaret(kMulti, 2);      // "f"
  s.AddString(kMulti, u"a");  // inserted above both
  EXPECT_EQ(s.SelectedItems(kMulti), (std::vector<int>{2}));
  EXPECT_EQ(s.Caret(kMulti), 3);
  s.DeleteString(kMulti, 0);
  EXPECT_EQ(s.SelectedItems(kMulti), (std::vector<int>{1}));
  s.DeleteString(kMulti, 1);  // the selected line itself
  EXPECT_EQ(s.SelCount(kMulti), 0);
  EXPECT_EQ(s.Caret(kMulti), 1);
  EXPECT_FALSE(s.DeleteString(kMulti, 5));
}

TEST(ControlStore, MultiSelection) {
  ControlStore s(StoreTemplate());
  for (auto line : {u"1", u"2", u"3", u"4"}) s.AddString(kMulti, line);
  EXPECT_TRUE(s.SetSel(kMulti, 0, true));
  EXPECT_TRUE(s.SetSel(kMulti, 3, true));
  EXPECT_EQ(s.SelectedItems(kMulti), (std::vector<int>{0, 3}));
  EXPECT_TRUE(s.SetSel(kMulti, -1, true));
  EXPECT_EQ(s.SelCount(kMulti), 4);
  EXPECT_TRUE(s.SetSel(kMulti, 2, false));
  EXPECT_FALSE(s.IsSelected(kMulti, 2));
  EXPECT_FALSE(s.SetSel(kMulti, 4, true));
  // A plain selection replaces the multiple one, as a click on a line does.
  EXPECT_TRUE(s.SetCurSel(kMulti, 1));
  EXPECT_EQ(s.SelectedItems(kMulti), (std::vector<int>{1}));
  EXPECT_EQ(s.Caret(kMulti), 1);
  // A single-selection list answers SetSel with its one selection.
  s.AddString(kList, u"x");
  s.AddString(kList, u"y");
  EXPECT_TRUE(s.SetSel(kList, 1, true));
  EXPECT_EQ(s.CurSel(kList), 1);
  EXPECT_EQ(s.SelectedItems(kList), (std::vector<int>{1}));
  EXPECT_FALSE(s.SetSel(kList, -1, true));
  EXPECT_TRUE(s.SetSel(kList, 1, false));
  EXPECT_EQ(s.CurSel(kList), -1);
}

TEST(ControlStore, ComboSelectionByTextAndEditText) {
  ControlStore s(StoreTemplate());
  EXPECT_EQ(s.SelectString(kCombo, u"rss"), 1);
  EXPECT_EQ(s.CurSel(kCombo), 1);
  EXPECT_EQ(s.Text(kCombo), u"RSSI");
  // No match leaves the selection as it was.
  EXPECT_EQ(s.SelectString(kCombo, u"Zeta"), -1);
  EXPECT_EQ(s.CurSel(kCombo), 1);
  EXPECT_EQ(s.FindStringExact(kCombo, u"address"), 0);
  EXPECT_EQ(s.FindStringExact(kCombo, u"Addr"), -1);
  // The search starts after `start` and wraps.
  EXPECT_EQ(s.FindString(kCombo, u"", 2), 0);
  // An editable combo keeps typed text apart from its items.
  s.SetText(kEditCombo, u"0x00100000");
  EXPECT_EQ(s.CurSel(kEditCombo), -1);
  s.SetCurSel(kEditCombo, 1);
  EXPECT_EQ(s.Text(kEditCombo), u"0x00200000 b");
  s.ResetContent(kCombo);
  EXPECT_EQ(s.CurSel(kCombo), -1);
  EXPECT_EQ(s.Text(kCombo), u"");
  EXPECT_FALSE(s.SetCurSel(kCombo, 0));
}

TEST(ControlStore, ListViewCellsReportOnlyRealChanges) {
  ControlStore s(StoreTemplate());
  Recorder rec;
  s.SetObserver(&rec);
  s.SetRowCount(kTable, 3);
  EXPECT_TRUE(s.SetCell(kTable, 2, 1, u"0x00300012"));
  EXPECT_TRUE(s.SetCell(kTable, 2, 1, u"0x00300012"));  // same text: no change
  EXPECT_FALSE(s.SetCell(kTable, 3, 0, u"x"));
  EXPECT_FALSE(s.SetCell(kTable, 0, 2, u"x"));
  ASSERT_EQ(rec.log.size(), 2u);
  EXPECT_EQ(rec.log[0], std::make_tuple(int{kTable}, Change::kRowsReset, 0, 0));
  EXPECT_EQ(rec.log[1], std::make_tuple(int{kTable}, Change::kCells, 2, 1));
  EXPECT_EQ(s.Cell(kTable, 2, 1), u"0x00300012");
  s.SetCurSel(kTable, 2);
  s.SetRowCount(kTable, 2);
  EXPECT_EQ(s.CurSel(kTable), -1);
  EXPECT_EQ(s.Cell(kTable, 2, 1), u"");
}

TEST(ControlStore, ObserverSeesInsertionsWithTheirIndex) {
  ControlStore s(StoreTemplate());
  Recorder rec;
  s.SetObserver(&rec);
  s.AddString(kList, u"m");
  s.AddString(kList, u"a");
  s.SetCaret(kList, 0);
  s.SetCaret(kList, 0);  // scrolling to the caret again is still asked for
  ASSERT_EQ(rec.log.size(), 4u);
  EXPECT_EQ(rec.log[1], std::make_tuple(int{kList}, Change::kItemsInserted, 0, 1));
  EXPECT_EQ(std::get<1>(rec.log[3]), Change::kCaret);
}

TEST(ControlStore, ProgressStaysInRange) {
  ControlStore s(StoreTemplate());
  s.SetRange(kBar, 0, 3100);
  s.SetPos(kBar, 5000);
  EXPECT_EQ(s.Pos(kBar), 3100);
  s.SetPos(kBar, -1);
  EXPECT_EQ(s.Pos(kBar), 0);
  s.SetRange(kBar, 0, 10);
  s.SetStep(kBar, 4);
  s.StepIt(kBar);
  s.StepIt(kBar);
  EXPECT_EQ(s.Pos(kBar), 8);
  s.StepIt(kBar);  // past the top wraps to the bottom
  EXPECT_EQ(s.Pos(kBar), 2);
}

TEST(ControlStore, UnknownIdsAreHarmlessAndCounted) {
  ControlStore s(StoreTemplate());
  s.SetText(4711, u"x");
  EXPECT_EQ(s.Text(4711), u"");
  EXPECT_EQ(s.AddString(4711, u"x"), -1);
  EXPECT_EQ(s.Item(kList, 3), u"");  // known id, bad index: not an unknown id
  EXPECT_EQ(s.unknown_id_uses(), 3);
}

TEST(ControlStore, SampleTemplateHasEveryKindWithUniqueIds) {
  const DialogTemplate& t = SampleDialogTemplate();
  std::vector<bool> seen(static_cast<size_t>(ControlKind::kGroupBox) + 1);
  for (const ControlSpec& c : t.controls) {
    seen[static_cast<size_t>(c.kind)] = true;
    if (c.id != kNoId) {
      EXPECT_EQ(t.Find(c.id), &c) << "duplicate id " << c.id;
    }
    if (c.cell.parent != 0) {
      const ControlSpec* parent = t.Find(c.cell.parent);
      ASSERT_NE(parent, nullptr) << c.id;
      EXPECT_EQ(parent->kind, ControlKind::kGroupBox);
    }
  }
  for (size_t k = 0; k < seen.size(); ++k) EXPECT_TRUE(seen[k]) << "kind " << k;
  ControlStore s(t);
  EXPECT_EQ(s.ColumnCount(kSampleTable), kSampleTableColumns);
}

}  // namespace
}  // namespace corvane::ui
