// UTF-8 and UTF-16 for the texts shown through the wide calls: titles come
// from other programs and may be anything.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace mm {
namespace {

TEST(TextTest, BrokenTextConvertsWithReplacementsAndNothingIsLost) {
  // A stray continuation byte, a cut sequence, an overlong '/', a UTF-8
  // surrogate: each byte that begins no character is one U+FFFD.
  EXPECT_EQ(Utf8ToUtf16("a\x80" "b\xE3\x83" "c\xC0\xAF" "\xED\xA0\x80"),
            u"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  // No lead byte above F4 begins a character.
  EXPECT_EQ(Utf8ToUtf16("\xF5\x80\x80\xFF"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  // Half a pair from a window title reads as U+FFFD; a whole one survives.
  EXPECT_EQ(Utf16ToUtf8(u"x\xD83C" "y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xF0\x9F\x8E\xB5 テスト")), "\xF0\x9F\x8E\xB5 テスト");
  EXPECT_EQ(Utf8Prefix("ab\x80", 3), "ab\x80");
}

}  // namespace
}  // namespace mm
