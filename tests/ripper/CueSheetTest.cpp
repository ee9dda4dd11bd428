#include "ripper/CueSheet.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ripper/RipNames.h"

using namespace tolvar;
using namespace tolvar::fixtures;

TEST(CueSheet, TwoTracksOfARegionRipLineByLine) {
  // Tracks 3 and 4 ripped into one file; track 4 starts 17,700 frames later.
  std::string Sheet = BuildCueSheet({{"Track 3", "Unknown", 30000}, {"Track 4", "Unknown", 47700}},
                                    "Unknown", "/music/03_04 Unknown - Unknown.mp3");
  EXPECT_EQ(Sheet,
            "FILE \"/music/03_04 Unknown - Unknown.mp3\" MP3\r\n"
            "  TRACK 01 AUDIO\r\n"
            "    INDEX 01 00:00:00\r\n"
            "    TITLE \"Track 3\"\r\n"
            "  TRACK 02 AUDIO\r\n"
            "    INDEX 01 03:56:00\r\n"
            "    TITLE \"Track 4\"\r\n");
}

TEST(CueSheet, TitlesNameOtherArtistsAndLongDistancesKeepAllDigits) {
  std::string Sheet = BuildCueSheet({{"Intro", "Band", 0},
                                     {"Guest \"Song\"", "Guest", 100 * 4500 + 75 * 7 + 3},
                                     {"Caf\xC3\xA9 \xE6\x98\x9F", "Band", 100}},
                                    "Band", "/m/x.wav");
  EXPECT_NE(Sheet.find("FILE \"/m/x.wav\" WAVE\r\n"), std::string::npos);
  EXPECT_NE(Sheet.find("    TITLE \"Intro\"\r\n"), std::string::npos);
  EXPECT_NE(Sheet.find("    INDEX 01 100:07:03\r\n"), std::string::npos);
  EXPECT_NE(Sheet.find("    TITLE \"Guest - Guest 'Song'\"\r\n"), std::string::npos);
  EXPECT_NE(Sheet.find("    TITLE \"Caf\xC3\xA9 \xE6\x98\x9F\"\r\n"), std::string::npos);  // UTF-8
}

TEST(CueSheet, ControlCharactersNeverBreakALine) {
  const std::string Artist = "Art\r\nist";
  const std::string File = SingleTrackFileName("/m", 0, 1, 5, Artist, "Ti\ttle\x01", ".wav");
  EXPECT_EQ(File, "/m/01_02 Art ist - Ti tle.wav");
  std::string Sheet = BuildCueSheet(
      {{"One\r\nTwo\rThree\nFour\x1b", Artist, 0}, {"Five", "Guest\r\n", 75}}, Artist, File);
  EXPECT_EQ(Sheet,
            "FILE \"/m/01_02 Art ist - Ti tle.wav\" WAVE\r\n"
            "  TRACK 01 AUDIO\r\n"
            "    INDEX 01 00:00:00\r\n"
            "    TITLE \"One Two Three Four\"\r\n"
            "  TRACK 02 AUDIO\r\n"
            "    INDEX 01 00:01:00\r\n"
            "    TITLE \"Guest  - Five\"\r\n");
  // The same texts name the file and fill the sheet's FILE line alike.
  EXPECT_EQ(BuildCueSheet({}, "", "/m/a\nb.wav"), "FILE \"/m/a b.wav\" WAVE\r\n");
}

TEST(CueSheet, FileTypesAndAnExportBeforeAnyRip) {
  EXPECT_EQ(CueFileType("a.mp3"), "MP3");
  EXPECT_EQ(CueFileType("a.WAV"), "WAVE");
  EXPECT_EQ(CueFileType("a.ogg"), "WAVE");
  EXPECT_EQ(CueFileType("a.pcm"), "BINARY");
  EXPECT_EQ(BuildCueSheet({}, "Unknown", ""), "FILE \"\" \r\n");
}

TEST(CueSheet, ACueReaderFindsTheTrackStarts) {
  TTempDir Dir;
  std::string Cue = Dir / "my rip.cue";
  ASSERT_TRUE(WriteCueSheet(
      Cue, {{"One", "A", 1000}, {"Two", "A", 1000 + 18 * 75}, {"Three", "A", 1000 + 42 * 75 + 10}},
      "A", Dir / "my rip.wav"));
  int Exit = -1;
  std::string Points = RunCommand("cuebreakpoints " + ShellQuote(Cue), &Exit);
  EXPECT_EQ(Exit, 0) << Points;
  EXPECT_EQ(Points, "0:18.00\n0:42.10\n");
  std::string Titles = RunCommand("cueprint -t '%t\\n' " + ShellQuote(Cue), &Exit);
  EXPECT_EQ(Titles, "One\nTwo\nThree\n");
  EXPECT_FALSE(WriteCueSheet(Dir / "missing/x.cue", {}, "A", ""));
}
