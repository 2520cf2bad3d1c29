// The rule list's decisions apart from any window system.
#include <gtest/gtest.h>

#include <map>

#include "dialogs/rule_list_logic.h"

namespace mm {
namespace {

RuleCell Ansi(const char* text) { return RuleCell{text, true}; }
RuleCell Ours(const char* text) { return RuleCell{text, false}; }

TEST(RuleRow, ShowsTheTestsInUseAndTheIconChoiceAlone) {
  CTrayWndSpec rule;
  rule.UserName = "\x83\x81\x83\x82";  // "メモ" in code page 932
  rule.Caption = "kept but not used";
  rule.UseCaption = 0;
  rule.ClassName = "Notepad";
  rule.HideIfIconized = 0;
  rule.UseTrayIcon = 0;  // the icon column shows ShowIconOnlyHidden all the same
  rule.ShowTopMost = 1;
  const auto cells = RuleRowCells(rule);
  EXPECT_EQ(cells[0], Ansi("\x83\x81\x83\x82"));
  EXPECT_EQ(cells[1], Ours("<使用しない>"));
  EXPECT_EQ(cells[2], Ansi("Notepad"));
  EXPECT_EQ(cells[3], Ours("<使用しない>"));
  EXPECT_EQ(cells[4], Ours("隠さない"));
  EXPECT_EQ(cells[5], Ours("いつも表示"));
  EXPECT_EQ(cells[6], Ours("する"));
  EXPECT_EQ(cells[7], Ours(""));

  rule.UseCaption = 1;
  rule.UseClassname = 0;
  rule.ShowIconOnlyHidden = 1;
  rule.UseExeName = 1;
  rule.ExeName = "notepad.exe";
  const auto other = RuleRowCells(rule);
  EXPECT_EQ(other[1], Ansi("kept but not used"));
  EXPECT_EQ(other[2], Ours("<使用しない>"));
  EXPECT_EQ(other[3], Ansi("notepad.exe"));
  EXPECT_EQ(other[5], Ours("隠している間だけ表示"));
}

TEST(RuleListButtons, FollowBothSelectionsAndTheWindowsState) {
  const ManageButtonStates none = ManageButtons(false, false, false);
  EXPECT_FALSE(none.add || none.show || none.hide || none.edit || none.remove);
  const ManageButtonStates shown = ManageButtons(true, true, false);
  EXPECT_TRUE(shown.add && shown.hide);
  EXPECT_FALSE(shown.show || shown.edit || shown.remove);
  const ManageButtonStates hidden = ManageButtons(true, false, true);
  EXPECT_TRUE(hidden.add && hidden.show && hidden.edit && hidden.remove);
  EXPECT_FALSE(hidden.hide);
}

TEST(WindowFilter, ListsHiddenAndUntitledWindowsOnlyWhenAsked) {
  WindowFilter filter;
  EXPECT_TRUE(filter.ListsVisibility(true));
  EXPECT_FALSE(filter.ListsVisibility(false));
  EXPECT_FALSE(filter.ListsTitle(""));
  EXPECT_TRUE(filter.ListsTitle(" "));
  filter.showHidden = true;
  filter.showUnnamed = true;
  EXPECT_TRUE(filter.ListsVisibility(false));
  EXPECT_TRUE(filter.ListsTitle(""));
}

TEST(RuleListChanges, AddingCopiesEveryFieldToANewRuleAtTheEnd) {
  TraySpecList rules;
  rules.push_back(std::make_unique<CTrayWndSpec>());
  CTrayWndSpec fields;
  fields.Caption = "Target";
  fields.TitleStyle = 4;
  fields.AlphaPercentBG = 30;
  CTrayWndSpec& added = AppendRule(rules, fields);
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules.back().get(), &added);
  EXPECT_NE(&added, &fields);
  EXPECT_TRUE(SameRuleFields(added, fields));
}

TEST(RuleListChanges, DeletingTellsFirstWhileTheRuleIsStillThere) {
  TraySpecList rules;
  rules.push_back(std::make_unique<CTrayWndSpec>());
  rules.push_back(std::make_unique<CTrayWndSpec>());
  CTrayWndSpec* first = rules.front().get();
  CTrayWndSpec* second = rules.back().get();
  first->Caption = "first";

  CTrayWndSpec stranger;
  int told = 0;
  EXPECT_FALSE(DeleteRule(rules, &stranger, [&](CTrayWndSpec*) { ++told; }));
  EXPECT_EQ(told, 0);
  EXPECT_EQ(rules.size(), 2u);

  std::string seen;
  EXPECT_TRUE(DeleteRule(rules, first, [&](CTrayWndSpec* doomed) {
    ++told;
    seen = doomed->Caption;
    EXPECT_EQ(FindRule(rules, doomed), doomed);
  }));
  EXPECT_EQ(told, 1);
  EXPECT_EQ(seen, "first");
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(rules.front().get(), second);
  EXPECT_EQ(FindRule(rules, first), nullptr);
}

TEST(WindowPick, WalksParentsAndOwnersUpToTheLastWindowBelowTheDesktop) {
  HWND desktop = reinterpret_cast<HWND>(0x10);
  auto h = [](int n) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x100 + n)); };
  // h(1) a button in h(2), a panel of top-level h(3); h(4) a tool window
  // owned by the dialog h(5), which h(3) owns; h(6) reports the desktop.
  std::map<HWND, HWND> parents = {{h(1), h(2)}, {h(2), h(3)}, {h(4), h(5)},
                                  {h(5), h(3)}, {h(6), desktop}};
  auto parentOf = [&](HWND w) {
    auto it = parents.find(w);
    return it == parents.end() ? nullptr : it->second;
  };
  EXPECT_EQ(PickedWindow(h(1), desktop, parentOf), h(3));
  EXPECT_EQ(PickedWindow(h(4), desktop, parentOf), h(3));
  EXPECT_EQ(PickedWindow(h(3), desktop, parentOf), h(3));
  EXPECT_EQ(PickedWindow(h(6), desktop, parentOf), h(6));
  EXPECT_EQ(PickedWindow(desktop, desktop, parentOf), nullptr);
  EXPECT_EQ(PickedWindow(nullptr, desktop, parentOf), nullptr);
  // A tree that changes under the walk into a loop still ends.
  parents[h(3)] = h(1);
  EXPECT_NE(PickedWindow(h(1), desktop, parentOf), nullptr);
}

}  // namespace
}  // namespace mm
