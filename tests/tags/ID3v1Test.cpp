// TID3v1: genre table, setters, the 128 bytes, and saving into files.
#include "tags/ID3v1.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "TestSupport.h"

using namespace tolvar;
using namespace std::string_literals;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::TTempDir;
using fixtures::WriteFile;

namespace {

std::string AsString(const TID3v1Bytes& Tag) {
  return std::string(Tag.data(), Tag.size());
}

// A text padded with zeros to Length bytes.
std::string Field(const std::string& Text, size_t Length) {
  return Text + std::string(Length - Text.size(), '\0');
}

}  // namespace

TEST(ID3v1Genres, HoldsThe148NamesOfThePublishedTable) {
  EXPECT_EQ(ID3v1Genres.size(), 148u);
  EXPECT_STREQ(ID3v1Genres[0], "Blues");
  EXPECT_STREQ(ID3v1Genres[17], "Rock");
  EXPECT_STREQ(ID3v1Genres[67], "Psychadelic");
  EXPECT_STREQ(ID3v1Genres[79], "Hard Rock");
  EXPECT_STREQ(ID3v1Genres[85], "Bebob");
  EXPECT_STREQ(ID3v1Genres[92], "Progessive Rock");
  EXPECT_STREQ(ID3v1Genres[93], "Psychedelic Rock");
  EXPECT_STREQ(ID3v1Genres[123], "A capella");
  EXPECT_STREQ(ID3v1Genres[136], "Christian Gangsta Rap");
  EXPECT_STREQ(ID3v1Genres[144], "Trash Metal");
  EXPECT_STREQ(ID3v1Genres[147], "Synthpop");
  // Every name is looked up to its own index: no name comes twice.
  for (int I = 0; I < kID3v1GenreCount; ++I) {
    TID3v1 Tag;
    Tag.SetGenre(ID3v1Genres[I]);
    EXPECT_EQ(Tag.Genre(), I) << ID3v1Genres[I];
  }
}

TEST(ID3v1Genre, WholeNamesMatchWithoutRegardToAsciiCase) {
  TID3v1 Tag;
  Tag.SetGenre("rock");
  EXPECT_EQ(Tag.Genre(), 17);
  Tag.ResetData();
  Tag.SetGenre("ROCK");
  EXPECT_EQ(Tag.Genre(), 17);
  Tag.SetGenre("Psychedelic Rock");
  EXPECT_EQ(Tag.Genre(), 93);
  Tag.SetGenre("r&b");
  EXPECT_EQ(Tag.Genre(), 14);
}

TEST(ID3v1Genre, AnythingElseKeepsThePreviousValue) {
  TID3v1 Tag;
  Tag.SetGenre("Psychedelic");  // the table spells it "Psychadelic"
  EXPECT_EQ(Tag.Genre(), 255);
  Tag.SetGenre("Jazz");
  EXPECT_EQ(Tag.Genre(), 8);
  for (const char* Name : {"", " Jazz", "Jazz ", "Roc", "Rock and Roll", "(17)", "17", "Bluesy"}) {
    Tag.SetGenre(Name);
    EXPECT_EQ(Tag.Genre(), 8) << '"' << Name << '"';
  }
  // Only the letters A to Z fold: Latin-1 capitals stay what they are.
  Tag.SetGenre("\311lectronic");
  EXPECT_EQ(Tag.Genre(), 8);
}

TEST(ID3v1Fields, TrailingBlanksGoBeforeTheCutAndLeadingBlanksStay) {
  TID3v1 Tag;
  Tag.SetTitle("12345678901234567890123456789012345");  // 35 characters
  EXPECT_EQ(Tag.Title(), "123456789012345678901234567890");
  Tag.SetTitle("Heroes   ");
  EXPECT_EQ(Tag.Title(), "Heroes");
  Tag.SetTitle("  Heroes");
  EXPECT_EQ(Tag.Title(), "  Heroes");
  // 28 letters and three blanks: the blanks go first, so nothing of the name is cut.
  Tag.SetArtist("abcdefghijklmnopqrstuvwxyzab   ");
  EXPECT_EQ(Tag.Artist(), "abcdefghijklmnopqrstuvwxyzab");
  // Every byte up to 32 counts as blank, bytes above 127 do not.
  Tag.SetAlbum("Caf\xE9\t\r\n\0 "s);
  EXPECT_EQ(Tag.Album(), "Caf\xE9");
  Tag.SetComment("\xA0");
  EXPECT_EQ(Tag.Comment(), "\xA0");
  Tag.SetYear("19999");
  EXPECT_EQ(Tag.Year(), "1999");
  Tag.SetYear(" 98 ");
  EXPECT_EQ(Tag.Year(), " 98");
}

TEST(ID3v1Fields, ATextIsAShortStringOfAtMost255Bytes) {
  TID3v1 Tag;
  // "A", 254 blanks, "B": the short string keeps "A" and the blanks, which
  // are then trimmed away.
  Tag.SetTitle("A" + std::string(254, ' ') + "B");
  EXPECT_EQ(Tag.Title(), "A");
}

TEST(ID3v1Render, WritesEveryFieldAtItsOffset) {
  TID3v1 Tag;
  Tag.SetTitle("Blue Monday");
  Tag.SetArtist("New Order");
  Tag.SetAlbum("Power, Corruption & Lies");
  Tag.SetYear("1983");
  Tag.SetComment("Factory FAC 73");
  Tag.SetGenre("Electronic");
  EXPECT_EQ(AsString(Tag.Render()),
            "TAG"s                                       // Identifier
                + Field("Blue Monday", 30)               // Title, offset 3
                + Field("New Order", 30)                 // Artist, offset 33
                + Field("Power, Corruption & Lies", 30)  // Album, offset 63
                + "1983"                                 // Year, offset 93
                + Field("Factory FAC 73", 30)            // Comment, offset 97, no track
                + "\x34");                               // Genre 52 "Electronic", offset 127
}

TEST(ID3v1Render, AnEmptyTagIsZerosAndGenre255) {
  TID3v1 Tag;
  EXPECT_EQ(AsString(Tag.Render()), "TAG"s                        // Identifier
                                        + std::string(124, '\0')  // Texts, all empty
                                        + "\xFF");                // Genre: none
}

TEST(ID3v1Render, WithoutATrackTheCommentTakesAll30Bytes) {
  TID3v1 Tag;
  Tag.SetComment("abcdefghijklmnopqrstuvwxyz1234");
  std::string Bytes = AsString(Tag.Render());
  EXPECT_EQ(Bytes.substr(97, 30), "abcdefghijklmnopqrstuvwxyz1234");  // Comment
}

TEST(ID3v1Render, ATrackTakesTheLastTwoCommentBytes) {
  TID3v1 Tag;
  Tag.SetComment("abcdefghijklmnopqrstuvwxyz1234");
  Tag.SetTrack(7);
  Tag.SetGenre("Rock");
  std::string Bytes = AsString(Tag.Render());
  EXPECT_EQ(Bytes.substr(97, 31),
            "abcdefghijklmnopqrstuvwxyz12"s                    // Comment, first 28 bytes
                + "\x00"s                                      // Byte 125: version 1.1 marker
                + "\x07"                                       // Byte 126: Track
                + "\x11");                                     // Byte 127: Genre 17
  EXPECT_EQ(Tag.Comment(), "abcdefghijklmnopqrstuvwxyz1234");  // the field itself keeps 30
}

TEST(ID3v1File, SaveAppendsTheTagAfterEveryByteOfAFileWithoutOne) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(1000);
  WriteFile(Path, Old);
  TID3v1 Tag;
  Tag.SetTitle("Title");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Old + AsString(Tag.Render()));
}

TEST(ID3v1File, SavingTwiceLeavesOneTag) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(1000);
  WriteFile(Path, Old);
  TID3v1 First;
  First.SetTitle("First");
  ASSERT_TRUE(First.SaveToFile(Path));
  TID3v1 Second;
  Second.SetTitle("Second");
  Second.SetGenre("Jazz");
  ASSERT_TRUE(Second.SaveToFile(Path));
  std::string Now = ReadFile(Path);
  EXPECT_EQ(Now.size(), Old.size() + 128);
  EXPECT_EQ(Now, Old + AsString(Second.Render()));
}

TEST(ID3v1File, OnlyATrailerBeginningWithCapitalTAGIsReplaced) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  // The last 128 bytes begin with "tag": not a tag, so they stay.
  std::string Old = tagtest::TestAudio(500) + "tag" + std::string(125, 'x');
  WriteFile(Path, Old);
  TID3v1 Tag;
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Old + AsString(Tag.Render()));
}

TEST(ID3v1File, FilesShorterThanATagLoseNoByte) {
  TTempDir Dir;
  TID3v1 Tag;
  Tag.SetArtist("A");
  for (std::string Old : {""s, "TAG"s, "TAG" + std::string(124, 'x')}) {
    std::string Path = Dir / "short.mp3";
    WriteFile(Path, Old);
    ASSERT_TRUE(Tag.SaveToFile(Path)) << Old.size();
    EXPECT_EQ(ReadFile(Path), Old + AsString(Tag.Render())) << Old.size();
  }
}

TEST(ID3v1File, AFileOfExactlyOneTagIsReplacedByTheNewOne) {
  TTempDir Dir;
  std::string Path = Dir / "tag-only.mp3";
  TID3v1 Old;
  Old.SetTitle("Old");
  WriteFile(Path, AsString(Old.Render()));
  TID3v1 New;
  New.SetTitle("New");
  ASSERT_TRUE(New.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), AsString(New.Render()));
}

TEST(ID3v1File, RemoveFromFileCutsOnlyATag) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(300);
  WriteFile(Path, Old);
  EXPECT_TRUE(TID3v1::RemoveFromFile(Path));
  EXPECT_EQ(ReadFile(Path), Old);
  TID3v1 Tag;
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_TRUE(TID3v1::RemoveFromFile(Path));
  EXPECT_EQ(ReadFile(Path), Old);
}

TEST(ID3v1File, AMissingFileIsNotCreatedAndTheStepsReportNothing) {
  TTempDir Dir;
  std::string Path = Dir / "missing.mp3";
  TID3v1 Tag;
  // A failed open is not reported, so the save still says true.
  EXPECT_TRUE(Tag.SaveToFile(Path));
  EXPECT_TRUE(TID3v1::RemoveFromFile(Path));
  EXPECT_FALSE(FileExists(Path));
  std::string Folder = Dir / "folder";
  ASSERT_EQ(mkdir(Folder.c_str(), 0755), 0);
  EXPECT_TRUE(Tag.SaveToFile(Folder));
  EXPECT_TRUE(tagtest::Mode(Folder) == 0755);
}

TEST(ID3v1File, AReadOnlyFileLosesItsMarkAndIsTagged) {
  TTempDir Dir;
  std::string Path = Dir / "ro.mp3";
  std::string Old = tagtest::TestAudio(400);
  WriteFile(Path, Old);
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  TID3v1 Tag;
  Tag.SetTitle("Read only");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Old + AsString(Tag.Render()));
  EXPECT_EQ(tagtest::Mode(Path), 0644);
}

TEST(ID3v1File, AWriteThatFailsIsTakenBackAndReported) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(1000);
  WriteFile(Path, Old);
  bool Saved;
  {
    tagtest::TFileSizeLimit FullDisk(Old.size() + 50);  // no room for the whole tag
    TID3v1 Tag;
    Saved = Tag.SaveToFile(Path);
  }
  EXPECT_FALSE(Saved);
  EXPECT_EQ(ReadFile(Path), Old);  // no part of a tag is left behind
}

TEST(ID3v1File, MutagenReadsTheTagBack) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  TID3v1 Tag;
  Tag.SetTitle("Sm\370rrebr\370d");  // Latin-1 "Smørrebrød"
  Tag.SetArtist("Kim Larsen");
  Tag.SetAlbum("Forklaedt som voksen");
  Tag.SetYear("1986");
  Tag.SetComment("track comment");
  Tag.SetGenre("pop");
  Tag.SetTrack(4);
  ASSERT_TRUE(Tag.SaveToFile(Path));
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2"], "none");
  EXPECT_EQ(Fields["v1.TIT2"], "Sm\303\270rrebr\303\270d");  // Latin-1 read as Latin-1
  EXPECT_EQ(Fields["v1.TPE1"], "Kim Larsen");
  EXPECT_EQ(Fields["v1.TALB"], "Forklaedt som voksen");
  EXPECT_EQ(Fields["v1.TDRC"], "1986");
  EXPECT_EQ(Fields["v1.COMM"], "track comment");
  EXPECT_EQ(Fields["v1.TRCK"], "4");
  EXPECT_EQ(Fields["v1.TCON"], "Pop");
  // The audio in front of the tag still decodes.
  EXPECT_FALSE(tagtest::DecodeMp3(Path).empty());
}
