// The scan's rule index must give exactly the rule a walk over the list
// with MatchesText gives, for any rules and any texts.
#include <random>

#include "core/rule_index.h"
#include "tests/core/tray_wnd_world.h"

namespace mm::test {
namespace {

// The simulated desktop answers the code page (0x83 is a lead byte).
class RuleIndexTest : public TrayWndWorld {
 protected:
  static CTrayWndSpec* Linear(const TraySpecList& rules, const std::string& caption,
                              const std::string& className, const std::string& program = "") {
    for (const auto& rule : rules) {
      if (rule->MatchesText(caption, className, program) != 0) return rule.get();
    }
    return nullptr;
  }

  // Short texts over a small alphabet, so that rules and windows meet
  // often; 0x83 is a lead byte of code page 932, '\0' cuts a C string.
  std::string RandomText(std::mt19937& rng, int maxLength) {
    static const char kAlphabet[] = {'a', 'b', 'c', '\x83', '\x62', '\0'};
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, 5);
    std::string text;
    for (int n = length(rng); n > 0; --n) text += kAlphabet[pick(rng)];
    // The rules come from an INI file: they hold no NUL.
    return text;
  }

  std::string RuleText(std::mt19937& rng, int maxLength) {
    std::string text = RandomText(rng, maxLength);
    // ... and in place of one, a pattern's wildcards.
    for (char& c : text) {
      if (c == '\0') c = "a*?"[rng() % 3];
    }
    return text;
  }
};

TEST_F(RuleIndexTest, AgreesWithTheListWalkOnRandomRulesAndTexts) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> flag(0, 3);
  std::uniform_int_distribution<int> type(-1, 5);
  std::uniform_int_distribution<int> ruleCount(0, 12);
  int matched = 0;
  int total = 0;
  for (int round = 0; round < 300; ++round) {
    TraySpecList rules;
    for (int n = ruleCount(rng); n > 0; --n) {
      auto rule = std::make_unique<CTrayWndSpec>();
      rule->UseCaption = flag(rng) != 0 ? 1 : 0;
      rule->UseClassname = flag(rng) == 0 ? 1 : 0;
      rule->CaptionMatchType = type(rng);
      rule->Caption = RuleText(rng, 3);
      rule->ClassName = RuleText(rng, 2);
      rule->ClassMatchType = type(rng);
      // Meets the long class names below once they are cut to 254 bytes.
      if (n % 4 == 0) rule->ClassName = std::string(254, 'a');
      rule->UseExeName = flag(rng) == 0 ? 1 : 0;
      rule->ExeName = n % 2 == 0 ? "A.EXE" : "C:\\p\\b.exe";
      rules.push_back(std::move(rule));
    }
    CRuleIndex index;
    index.Update(rules);
    for (int w = 0; w < 60; ++w) {
      const std::string caption = RandomText(rng, 7);
      std::string className = RandomText(rng, 3);
      if (w % 20 == 0) className = std::string(300, 'a');  // cut by the rule
      const std::string program = w % 3 == 0 ? "C:\\p\\a.exe" : w % 3 == 1 ? "C:\\P\\B.EXE" : "";
      CTrayWndSpec* expected = Linear(rules, caption, className, program);
      ASSERT_EQ(index.FirstMatch(caption, className, program), expected)
          << "round " << round << " window " << w;
      ++total;
      if (expected != nullptr) ++matched;
    }
  }
  // Both outcomes were exercised plenty.
  EXPECT_GT(matched, total / 10);
  EXPECT_GT(total - matched, total / 10);
}

TEST_F(RuleIndexTest, RulesEditedInPlaceAreSeen) {
  TraySpecList rules;
  rules.push_back(std::make_unique<CTrayWndSpec>());
  CTrayWndSpec& rule = *rules.front();
  rule.Caption = "Old";
  rule.CaptionMatchType = 0;
  rule.UseClassname = 0;
  CRuleIndex index;
  index.Update(rules);
  EXPECT_EQ(index.FirstMatch("Old", "C"), &rule);
  EXPECT_FALSE(index.NeedsClassName());

  rule.Caption = "New";
  index.Update(rules);
  EXPECT_EQ(index.FirstMatch("Old", "C"), nullptr);
  EXPECT_EQ(index.FirstMatch("New", "C"), &rule);

  rule.CaptionMatchType = 3;
  rule.UseClassname = 1;
  rule.ClassName = "C";
  index.Update(rules);
  EXPECT_TRUE(index.NeedsClassName());
  EXPECT_EQ(index.FirstMatch("a New one", "C"), &rule);
  EXPECT_EQ(index.FirstMatch("a New one", "D"), nullptr);

  rules.clear();
  index.Update(rules);
  EXPECT_EQ(index.FirstMatch("New", "C"), nullptr);
  EXPECT_FALSE(index.NeedsCaption());
}

}  // namespace
}  // namespace mm::test
