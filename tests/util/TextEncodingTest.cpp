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

TEST(TextEncoding, FileNamePartNeverLeavesTheFolder) {
  EXPECT_EQ(FileNamePart("AC/DC"), "AC_DC");
  EXPECT_EQ(FileNamePart(std::string("a\0b", 3)), "a_b");
  EXPECT_EQ(FileNamePart(".."), "_");
  EXPECT_EQ(FileNamePart("."), "_");
  EXPECT_EQ(FileNamePart("Mot\xF6rhead"), "Mot\xC3\xB6rhead");
  EXPECT_EQ(FileNamePart("...And Justice"), "...And Justice");
}
