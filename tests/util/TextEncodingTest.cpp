#include "util/TextEncoding.h"

#include <gtest/gtest.h>

using namespace tolvar;

TEST(TextEncoding, Latin1RoundTripsThroughUtf8) {
  std::string Latin1 = "Bj\xF6rk \xE9t\xE9 \xA9 \xFF";
  std::string Utf8 = Latin1ToUtf8(Latin1);
  EXPECT_EQ(Utf8, "Bj\xC3\xB6rk \xC3\xA9t\xC3\xA9 \xC2\xA9 \xC3\xBF");
  EXPECT_EQ(Utf8ToLatin1(Utf8), Latin1);
  EXPECT_EQ(Latin1ToUtf8(""), "");
}

TEST(TextEncoding, CharactersOutsideLatin1AndBrokenBytesBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC 5"), "? 5");    // the euro sign
  EXPECT_EQ(Utf8ToLatin1("\xF0\x9F\x8E\xB5!"), "?!");  // a four-byte character
  EXPECT_EQ(Utf8ToLatin1("a\xC3"), "a?");              // cut short
  EXPECT_EQ(Utf8ToLatin1("\xFFok"), "?ok");            // not UTF-8 at all
  EXPECT_EQ(Utf8ToLatin1(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextEncoding, ValidityDecidesBetweenUtf8AndLatin1) {
  EXPECT_TRUE(IsValidUtf8("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_EQ(Utf8OrLatin1("Musik/\xC4rzte"), "Musik/\xC3\x84rzte");
  EXPECT_EQ(Utf8OrLatin1("Musik/\xC3\x84rzte"), "Musik/\xC3\x84rzte");
  EXPECT_TRUE(FitsLatin1("Caf\xC3\xA9 \xC3\xBF"));
  EXPECT_FALSE(FitsLatin1("\xE2\x82\xAC"));
}

TEST(TextEncoding, Utf16TakesSurrogatePairsBeyondTheBasicPlane) {
  EXPECT_EQ(Utf8ToUtf16LE("A\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xB5"),
            std::string("A\0\xE9\0\xE5\x65\x3C\xD8\xB5\xDF", 10));
  EXPECT_EQ(Utf8ToUtf16LE("\xFF"), std::string("?\0", 2));
}

TEST(TextEncoding, CutsNeverSplitACharacter) {
  const std::string Nihon = "\xE6\x97\xA5\xE6\x9C\xAC";  // two three-byte characters
  EXPECT_EQ(Utf8Length("a" + Nihon + "\xC3\xA9"), 4u);
  EXPECT_EQ(Utf8Left("a" + Nihon, 2), "a\xE6\x97\xA5");
  EXPECT_EQ(Utf8Left("ab", 5), "ab");
  EXPECT_EQ(Utf8CutBytes(Nihon, 5), "\xE6\x97\xA5");
  EXPECT_EQ(Utf8CutBytes(Nihon, 6), Nihon);
  EXPECT_EQ(Utf8CutBytes(Nihon, 2), "");
}

TEST(TextEncoding, FileNamePartNeverLeavesTheFolder) {
  EXPECT_EQ(FileNamePart("AC/DC"), "AC_DC");
  EXPECT_EQ(FileNamePart(std::string("a\0b", 3)), "a_b");
  EXPECT_EQ(FileNamePart(".."), "_");
  EXPECT_EQ(FileNamePart("."), "_");
  EXPECT_EQ(FileNamePart("Mot\xC3\xB6rhead"), "Mot\xC3\xB6rhead");
  EXPECT_EQ(FileNamePart("...And Justice"), "...And Justice");
}
