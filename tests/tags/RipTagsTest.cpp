// WriteRipTags: the tag step that the ripper runs after each MP3 rip.
#include "tags/RipTags.h"

#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "TestSupport.h"
#include "util/Product.h"

using namespace tolvar;
using namespace std::string_literals;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::TTempDir;
using fixtures::WriteFile;

namespace {

// A TagInfo slot: the text ended by a zero byte, then leftovers.
std::string Slot(const std::string& Text) {
  std::string Bytes = Text + '\0' + "leftover from an earlier track";
  Bytes.resize(129, '\0');
  return Bytes;
}

}  // namespace

TEST(RipTags, ProductConstantsAreOneNameAndOneAddress) {
  EXPECT_STREQ(kProductName, "Tolvar");
  EXPECT_EQ(std::string(kProductWebAddress).rfind("https://", 0), 0u);
}

TEST(RipTags, WritesVersion1ThenVersion2AsTheRipperDoes) {
  TTempDir Dir;
  std::string Path = Dir / "01 - New Order - Blue Monday.mp3";
  std::string Audio(3000, '\x55');
  WriteFile(Path, Audio);
  const std::string Title = Slot("Blue Monday"), Artist = Slot("New Order"),
                    Album = Slot("Power, Corruption & Lies"), Genre = Slot("Electronic"),
                    Comment = Slot("  Factory  "), Encoder = Slot("not used by the tags"),
                    Year = Slot("1983");
  TRipTagResult Result = WriteRipTags(Path, {Title, Artist, Album, Genre, Comment, Encoder, Year});
  EXPECT_TRUE(Result.Version1);
  EXPECT_TRUE(Result.Version2);
  EXPECT_TRUE(Result.Ok());

  const std::string Link = kProductWebAddress;
  // clang-format off
  std::string Frames =
      "TIT2\x00\x00\x00\x0C\x00\x00\x00"s + "Blue Monday"                // Title
      + "TPE1\x00\x00\x00\x0A\x00\x00\x00"s + "New Order"                // Artist
      + "TALB\x00\x00\x00\x19\x00\x00\x00"s + "Power, Corruption & Lies"  // Album
      + "TYER\x00\x00\x00\x05\x00\x00\x00"s + "1983"                     // Year
      + "TCON\x00\x00\x00\x0B\x00\x00\x00"s + "Electronic"               // Genre
      + "COMM\x00\x00\x00\x0C\x00\x00\x00"s + "eng" + "\x00"s + "Factory"  // Comment
      + "TENC\x00\x00\x00\x07\x00\x00\x00"s + "Tolvar"                   // Encoder
      + "WXXX\x00\x00\x00"s + static_cast<char>(Link.size() + 2)      // Link: size
      + "\x00\x00\x00\x00"s + Link;            // flags, encoding, empty description, link
  std::string Version2 = "ID3\x03\x00\x00"s + "\x00\x00\x1F\x76"s  // Header, size 4086
                         + Frames + std::string(4086 - Frames.size(), '\0');
  std::string Version1 = "TAG"s                                    // Identifier
                         + "Blue Monday" + std::string(19, '\0')   // Title
                         + "New Order" + std::string(21, '\0')     // Artist
                         + "Power, Corruption & Lies" + std::string(6, '\0')  // Album
                         + "1983"                                  // Year
                         + "  Factory" + std::string(21, '\0')     // Comment, leading blanks kept
                         + "\x34";                                 // Genre 52 "Electronic"
  // clang-format on
  EXPECT_EQ(ReadFile(Path), Version2 + Audio + Version1);
}

TEST(RipTags, BothSavesRunAndReportApart) {
  TTempDir Dir;
  std::string Missing = Dir / "missing.mp3";
  TRipTagResult Result = WriteRipTags(Missing, {"T", "A", "L", "Rock", "C", "", "2000"});
  EXPECT_TRUE(Result.Version1);  // a file that cannot be opened is no failure of version 1
  EXPECT_FALSE(Result.Version2);
  EXPECT_FALSE(Result.Ok());
  EXPECT_FALSE(FileExists(Missing));
}

TEST(RipTags, AShortFileGrowsByTheVersion1TagFirstSoBothTagsAreWritten) {
  TTempDir Dir;
  std::string Path = Dir / "short.mp3";
  WriteFile(Path, "abc");
  TRipTagResult Result = WriteRipTags(Path, {"T", "", "", "", "", "", ""});
  EXPECT_TRUE(Result.Ok());
  std::string Now = ReadFile(Path);
  ASSERT_EQ(Now.size(), 4096u + 3 + 128);
  EXPECT_EQ(Now.substr(4096, 6), "abcTAG");
}

TEST(RipTags, ExtrasGoIntoVersion2UnderTheNamesTaggersReadAndLeaveVersion1AsItWas) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  TTagExtras Extras;
  Extras.AlbumArtist = "Various Artists";
  Extras.TrackNumber = 3;
  Extras.TrackTotal = 12;
  Extras.DiscNumber = 2;
  Extras.DiscTotal = 2;
  Extras.Isrc = "USRC17607839";
  Extras.MusicBrainzAlbumId = "album-id";
  Extras.MusicBrainzReleaseTrackId = "release-track-id";
  Extras.MusicBrainzTrackId = "f1e8a3c0-recording";
  Extras.MusicBrainzAlbumArtistId = "album-artist-id";
  Extras.MusicBrainzReleaseGroupId = "group-id";
  Extras.MusicBrainzDiscId = "disc-id-";
  ASSERT_TRUE(WriteRipTags(Path, {"Title", "Artist", "", "", "", "", ""}, Extras).Ok());
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.TPE2"], "Various Artists");
  EXPECT_EQ(Fields["v2.TRCK"], "3/12");
  EXPECT_EQ(Fields["v2.TPOS"], "2/2");
  EXPECT_EQ(Fields["v2.TSRC"], "USRC17607839");
  EXPECT_EQ(Fields["v2.TXXX:MusicBrainz Album Id"], "album-id");
  EXPECT_EQ(Fields["v2.TXXX:MusicBrainz Release Track Id"], "release-track-id");
  EXPECT_EQ(Fields["v2.TXXX:MusicBrainz Album Artist Id"], "album-artist-id");
  EXPECT_EQ(Fields["v2.TXXX:MusicBrainz Release Group Id"], "group-id");
  EXPECT_EQ(Fields["v2.TXXX:MusicBrainz Disc Id"], "disc-id-");
  EXPECT_EQ(Fields["v2.UFID:http://musicbrainz.org"], "f1e8a3c0-recording");
  EXPECT_EQ(Fields.count("v1.TRCK"), 0u);  // version 1 as before: no track byte
  tagtest::TRun R = tagtest::Run({"/usr/bin/id3v2", "-l", Path});
  EXPECT_NE(R.Out.find("TPOS (Part of a set): 2/2\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("TXXX (User defined text information): (MusicBrainz Disc Id): disc-id-\n"),
            std::string::npos)
      << R.Out;
}
