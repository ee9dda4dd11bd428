#include "ripper/RipNames.h"

#include <gtest/gtest.h>

#include "util/TextEncoding.h"

using namespace tolvar;

TEST(RipNames, SeparateTracksAreNumberedAndNamedAfterArtistAndTitle) {
  EXPECT_EQ(SeparateTrackFileName("/m", 2, "A", "T", ".mp3"), "/m/03 A - T.mp3");
  EXPECT_EQ(SeparateTrackFileName("/m", 99, "A", "T", ".wav"), "/m/100 A - T.wav");
  EXPECT_EQ(SeparateTrackFileName("/m", 0, "", "", ".ogg"), "/m/01  - .ogg");
  // Texts go into names whole, but never make a folder.
  EXPECT_EQ(SeparateTrackFileName("/m", 0, "AC/DC", "Caf\xC3\xA9", ".mp3"),
            "/m/01 AC_DC - Caf\xC3\xA9.mp3");
  EXPECT_EQ(SeparateTrackFileName("/m", 0, "..", "x", ".mp3"), "/m/01 _ - x.mp3");
  // CDDB texts unescape to CR LF: line breaks and tabs become one blank,
  // other control characters go.
  EXPECT_EQ(SeparateTrackFileName("/m", 0, "A\r\nB", "C\tD\x07\n\rE", ".mp3"),
            "/m/01 A B - C D  E.mp3");
}

TEST(RipNames, SingleTrackNamesLeaveOutTheNumbersForTheWholeDisc) {
  EXPECT_EQ(SingleTrackFileName("/m", 0, 11, 12, "Unknown", "Unknown", ".mp3"),
            "/m/Unknown - Unknown.mp3");
  EXPECT_EQ(SingleTrackFileName("/m", 1, 4, 12, "Unknown", "Unknown", ".ogg"),
            "/m/02_05 Unknown - Unknown.ogg");
  EXPECT_EQ(SingleTrackFileName("/m", 11, 11, 12, "A", "B", ".wav"), "/m/12_12 A - B.wav");
}

TEST(RipNames, LongNamesAreShortenedToFitWithoutBreakingCharacters) {
  std::string Artist;  // 300 bytes of three-byte characters
  for (int I = 0; I < 100; ++I) Artist += "\xE6\x97\xA5";
  std::string Title(100, 't');
  std::string Path = SeparateTrackFileName("/m", 4, Artist, Title, ".mp3");
  std::string Name = Path.substr(3);
  EXPECT_LE(Name.size(), kMaxFileNameBytes);
  EXPECT_GE(Name.size(), kMaxFileNameBytes - 2);
  EXPECT_TRUE(IsValidUtf8(Name));
  EXPECT_EQ(Name.rfind("05 \xE6\x97\xA5", 0), 0u);
  EXPECT_EQ(Name.substr(Name.size() - 4), ".mp3");
  // The artist is cut on a character boundary, the shorter title kept whole.
  auto Dash = Name.find(" - ");
  ASSERT_NE(Dash, std::string::npos);
  EXPECT_EQ((Dash - 3) % 3, 0u);
  EXPECT_EQ(Name.substr(Dash + 3, 100), Title);

  std::string Single =
      SingleTrackFileName("/m", 0, 1, 5, std::string(2000, 'a'), std::string(2000, 'b'), ".ogg");
  EXPECT_EQ(Single.size() - 3, kMaxFileNameBytes);
}

TEST(RipNames, SingleTrackRegionRules) {
  auto Region = [](std::vector<bool> Checked) { return FindSingleTrackRegion(Checked); };
  TRegion All = Region(std::vector<bool>(12, true));
  EXPECT_EQ(All.Kind, TRegionKind::Region);
  EXPECT_EQ(All.First, 0);
  EXPECT_EQ(All.Last, 11);

  EXPECT_EQ(Region({true, true, false, true}).Kind, TRegionKind::Invalid);  // a gap
  EXPECT_EQ(Region({false, false, false}).Kind, TRegionKind::Invalid);      // nothing

  std::vector<bool> Fifth(12, false);
  Fifth[4] = true;
  TRegion One = Region(Fifth);
  EXPECT_EQ(One.Kind, TRegionKind::Separate);
  EXPECT_EQ(One.First, 4);

  std::vector<bool> LastOnly(12, false);
  LastOnly[11] = true;
  TRegion Last = Region(LastOnly);
  EXPECT_EQ(Last.Kind, TRegionKind::Region);
  EXPECT_EQ(Last.First, 11);
  EXPECT_EQ(Last.Last, 11);

  TRegion Middle = Region({false, true, true, true, true, false});
  EXPECT_EQ(Middle.Kind, TRegionKind::Region);
  EXPECT_EQ(Middle.First, 1);
  EXPECT_EQ(Middle.Last, 4);
}

TEST(RipNames, ChangeFileExtReplacesTheLastExtensionOnly) {
  EXPECT_EQ(ChangeFileExt("/m/02_05 A - B.ogg", ".cue"), "/m/02_05 A - B.cue");
  EXPECT_EQ(ChangeFileExt("/m.x/Track", ".cue"), "/m.x/Track.cue");
}
