// The rule editor's decisions apart from any window system.
#include <gtest/gtest.h>

#include "dialogs/rule_editor_logic.h"

namespace mm {
namespace {

TEST(RuleEditorChecks, ClearingOneMatchTestWhileTheOtherIsOffTicksTheOther) {
  CTrayWndSpec rule;
  rule.UseClassname = 0;
  rule.UseCaption = 0;
  AfterCaptionTestClicked(rule);
  EXPECT_EQ(rule.UseClassname, 1);

  rule.UseCaption = 0;
  rule.UseClassname = 0;
  AfterClassTestClicked(rule);
  EXPECT_EQ(rule.UseCaption, 1);

  // With the other one on, nothing else changes.
  rule.UseCaption = 1;
  rule.UseClassname = 0;
  AfterClassTestClicked(rule);
  EXPECT_EQ(rule.UseCaption, 1);
  EXPECT_EQ(rule.UseClassname, 0);
}

TEST(RuleEditorChecks, AllowingStyleChangesAgainStartsFromTheDefault) {
  CTrayWndSpec rule;
  rule.TitleStyle = TitleStyleCode::NoTitle;
  rule.DisableTitleStyleChanging = 1;
  AfterStyleLockClicked(rule);
  EXPECT_EQ(rule.TitleStyle, TitleStyleCode::NoTitle);  // locking keeps it
  EXPECT_FALSE(EditorEnables(rule).titleStyles);
  rule.DisableTitleStyleChanging = 0;
  AfterStyleLockClicked(rule);
  EXPECT_EQ(rule.TitleStyle, TitleStyleCode::Default);
  EXPECT_TRUE(EditorEnables(rule).titleStyles);
}

TEST(RuleEditorChecks, OkAsksForTheCaptionBeforeTheClassName) {
  CTrayWndSpec rule;
  rule.Caption.clear();
  rule.ClassName.clear();
  EXPECT_EQ(FirstMissingText(rule), MissingText::Caption);
  rule.Caption = " ";  // blanks are a caption
  EXPECT_EQ(FirstMissingText(rule), MissingText::ClassName);
  rule.UseClassname = 0;
  EXPECT_EQ(FirstMissingText(rule), MissingText::None);
  rule.Caption.clear();
  rule.UseCaption = 0;  // both tests off: only a settings file does that
  EXPECT_EQ(FirstMissingText(rule), MissingText::None);
}

TEST(RuleEditorChecks, EachSwitchEnablesOnlyWhatDependsOnIt) {
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.UseTrayIcon = 0;
  const RuleEditorEnables enables = EditorEnables(rule);
  EXPECT_FALSE(enables.captionTest);
  EXPECT_TRUE(enables.className);
  EXPECT_TRUE(enables.titleStyles);
  EXPECT_FALSE(enables.iconOnlyHidden);
}

TEST(RuleEditorChecks, AClassNameThatChangesPerRunProposesItsStablePart) {
  const StableClassPart wpf =
      StablePartOfClass("HwndWrapper[MyApp.exe;;7f1c2b1e-1111-2222-3333-444455556666]");
  EXPECT_EQ(wpf.prefix, "HwndWrapper[MyApp.exe;;");
  EXPECT_FALSE(wpf.wantsProgram);
  // MFC's handles and base differ per run; its mark alone is shared by
  // many programs, so the program test goes with it.
  const StableClassPart mfc = StablePartOfClass("Afx:00400000:8:00010003:00000000:00A10135");
  EXPECT_EQ(mfc.prefix, "Afx:");
  EXPECT_TRUE(mfc.wantsProgram);
  for (const char* plain : {"Notepad", "HwndWrapper[", "Afx:Frame", "Afx:"}) {
    EXPECT_TRUE(StablePartOfClass(plain).prefix.empty()) << plain;
  }
}

}  // namespace
}  // namespace mm
