#include "util/StringFunctions.h"

#include <gtest/gtest.h>

using namespace tolvar;

TEST(StringFunctions, ZeroPadPadsShortTextsAndKeepsLongOnes) {
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "123");
  EXPECT_EQ(ZeroPad(0, 3), "000");
  EXPECT_EQ(ZeroPad(5, 0), "5");
  EXPECT_EQ(ZeroPad(-5, 3), "0-5");  // the zeros go in front of the whole text
}

TEST(StringFunctions, StartsAndEndsWithTextIgnoreCase) {
  EXPECT_TRUE(StartsWithText("ROCK", "rock and roll"));
  EXPECT_FALSE(StartsWithText("rock and roll!", "rock"));
  EXPECT_TRUE(StartsWithText("", ""));
  EXPECT_TRUE(EndsWithText(".INI", "presets/Rock.ini"));
  EXPECT_TRUE(EndsWithText("\\", "C:\\Music\\"));
  EXPECT_FALSE(EndsWithText("\\", ""));
  EXPECT_FALSE(EndsWithText("x.ini", "ini"));
}

TEST(StringFunctions, ExcludeTrailingSlashRemovesOneSlashOfEitherKind) {
  EXPECT_EQ(ExcludeTrailingSlash("C:\\Music\\\\"), "C:\\Music\\");
  EXPECT_EQ(ExcludeTrailingSlash("/home/me/"), "/home/me");
  EXPECT_EQ(ExcludeTrailingSlash("/home/me"), "/home/me");
  EXPECT_EQ(ExcludeTrailingSlash(""), "");
  EXPECT_EQ(ExcludeTrailingSlash("/"), "");
}
