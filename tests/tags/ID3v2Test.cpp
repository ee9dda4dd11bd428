// TID3v2: setters, the tag's bytes, and saving in place or by
// rebuilding the file.
#include "tags/ID3v2.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A size in the header's four 7-bit groups.
std::string SizeField(uint32_t Size) {
  return {static_cast<char>((Size >> 21) & 0x7F), static_cast<char>((Size >> 14) & 0x7F),
          static_cast<char>((Size >> 7) & 0x7F), static_cast<char>(Size & 0x7F)};
}

// An old tag as another program may have left it: a header with Flags and a
// size field of Size, then Size bytes (and 10 more when the footer flag is set).
std::string OldTag(uint32_t Size, uint8_t Flags = 0) {
  std::string Tag = "ID3\x04\x00"s + static_cast<char>(Flags) + SizeField(Size);
  Tag += "TIT2" + std::string("\x00\x00\x00\x04\x00\x00\x00", 7) + "old";
  Tag += std::string(Size - 14, '\0');
  if (Flags & 0x10) Tag += "3DI\x04\x00"s + static_cast<char>(Flags) + SizeField(Size);
  return Tag;
}

TTagLayout LayoutWithHeader(const std::string& Header, int64_t FileSize) {
  TTagLayout Layout;
  std::copy(Header.begin(), Header.end(), Layout.Header.begin());
  Layout.FileSize = FileSize;
  return Layout;
}

const std::string kTitleFrame =  // a four-letter title, as every test below writes it
    "TIT2"s                      // Frame identifier
    + "\x00\x00\x00\x05"s        // Frame size: 4 letters + encoding byte
    + "\x00\x00"s                // Frame flags
    + "\x00"s                    // Text encoding 0 (ISO-8859-1)
    + "Song";                    // Text, no terminating zero

}  // namespace

TEST(ID3v2FrameIds, AreTheTwelveFramesInOrder) {
  const char* Expected[] = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON",
                            "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};
  ASSERT_EQ(FrameIds.size(), 12u);
  for (int I = 0; I < 12; ++I) EXPECT_STREQ(FrameIds[I], Expected[I]);
}

TEST(ID3v2Fields, TextSettersTrimBothEndsAndKeepTheRestWhole) {
  TID3v2 Tag;
  Tag.SetTitle("  \t Heroes \r\n\0"s);
  EXPECT_EQ(Tag.Title(), "Heroes");
  std::string Long(1000, 'x');
  Tag.SetArtist(" " + Long + " ");
  EXPECT_EQ(Tag.Artist(), Long);  // no length limit
  Tag.SetAlbum(
      "\xC2\xA0"
      "Caf\xC3\xA9 ");
  EXPECT_EQ(Tag.Album(),
            "\xC2\xA0"
            "Caf\xC3\xA9");  // bytes above 127 are not blanks
  Tag.SetYear(" 1999 ");
  Tag.SetGenre(" Rock ");
  Tag.SetComment(" a  b ");
  Tag.SetEncoder(" Tolvar ");
  Tag.SetLink(" https://example.org/ ");
  EXPECT_EQ(Tag.Year(), "1999");
  EXPECT_EQ(Tag.Genre(), "Rock");
  EXPECT_EQ(Tag.Comment(), "a  b");
  EXPECT_EQ(Tag.Encoder(), "Tolvar");
  EXPECT_EQ(Tag.Link(), "https://example.org/");
  // Composer, Copyright and Language are taken as they are.
  Tag.SetComposer(" Bach ");
  EXPECT_EQ(Tag.Composer(), " Bach ");
}

TEST(ID3v2Render, AFourLetterTitleAlone) {
  TID3v2 Tag;
  Tag.SetTitle("Song");
  EXPECT_EQ(Tag.Render(), "ID3"s                     // Identifier
                              + "\x03\x00"s          // Version 2.3.0
                              + "\x00"s              // Flags: none
                              + "\x00\x00\x1F\x76"s  // Tag size 4086 in 7-bit groups
                              + kTitleFrame          // 15 bytes
                              + std::string(4096 - 10 - 15, '\0'));  // Padding to 4096
}

TEST(ID3v2Render, ATwoLetterCommentIsACommFrameOfSize7) {
  TID3v2 Tag;
  Tag.SetComment("Hi");
  std::string Bytes = Tag.Render();
  EXPECT_EQ(Bytes.substr(10, 17), "COMM"s                    // Frame identifier
                                      + "\x00\x00\x00\x07"s  // Frame size: 1 + 3 + 1 + 2
                                      + "\x00\x00"s          // Frame flags
                                      + "\x00"s              // Text encoding 0
                                      + "eng"                // Language
                                      + "\x00"s              // Empty description, ended
                                      + "Hi");               // Comment text
  EXPECT_EQ(Bytes.size(), 4096u);
}

TEST(ID3v2Render, TextsBeyondLatin1AreUtf16WithByteOrderMark) {
  TID3v2 Tag;
  Tag.SetTitle("\xE6\x97\xA5\xC3\xA9");  // U+65E5 and e acute
  Tag.SetArtist("Caf\xC3\xA9");          // Latin-1 holds it: encoding 0 as ever
  Tag.SetComment("\xE2\x82\xAC");        // the euro sign
  Tag.SetLink("https://example.org/");
  std::string Bytes = Tag.Render();
  EXPECT_EQ(Bytes.substr(10, 17), "TIT2"s                      // Frame identifier
                                      + "\x00\x00\x00\x07"s    // Size: 1 + BOM + 2 units
                                      + "\x00\x00"s            // Frame flags
                                      + "\x01"s                // Text encoding 1: UTF-16
                                      + "\xFF\xFE"s            // Byte-order mark, little endian
                                      + "\xE5\x65\xE9\x00"s);  // No terminator
  EXPECT_EQ(Bytes.substr(27, 15), "TPE1\x00\x00\x00\x05\x00\x00\x00"s + "Caf\xE9");
  EXPECT_EQ(Bytes.substr(42, 22), "COMM"s + "\x00\x00\x00\x0C"s  // 1 + 3 + 4 + 4
                                      + "\x00\x00\x01"s + "eng"  // Flags, encoding 1, language
                                      + "\xFF\xFE\x00\x00"s      // Empty description, 2-byte end
                                      + "\xFF\xFE\xAC\x20"s);    // The text
  EXPECT_EQ(Bytes.substr(64, 11), "WXXX"s + "\x00\x00\x00\x16"s + "\x00\x00\x00"s);  // Latin-1
}

TEST(ID3v2Render, EveryFrameInFrameIdOrder) {
  TID3v2 Tag;
  // Set in another order than written: the order of FrameIds counts.
  Tag.SetLink("http://x.org/");
  Tag.SetLanguage("eng");
  Tag.SetCopyright("(c) 1983");
  Tag.SetEncoder("Tolvar");
  Tag.SetComposer("Hook");
  Tag.SetComment("c");
  Tag.SetGenre("Electronic");
  Tag.SetYear("1983");
  Tag.SetTrack(12);
  Tag.SetAlbum("Power");
  Tag.SetArtist("New Order");
  Tag.SetTitle("Blue Monday");
  // clang-format off
  const std::string Frames =
      "TIT2\x00\x00\x00\x0C\x00\x00\x00"s + "Blue Monday"   // Title
      + "TPE1\x00\x00\x00\x0A\x00\x00\x00"s + "New Order"   // Artist
      + "TALB\x00\x00\x00\x06\x00\x00\x00"s + "Power"       // Album
      + "TRCK\x00\x00\x00\x03\x00\x00\x00"s + "12"          // Track, decimal
      + "TYER\x00\x00\x00\x05\x00\x00\x00"s + "1983"        // Year
      + "TCON\x00\x00\x00\x0B\x00\x00\x00"s + "Electronic"  // Genre, the name
      + "COMM\x00\x00\x00\x06\x00\x00\x00"s + "eng" + "\x00"s + "c"  // Comment
      + "TCOM\x00\x00\x00\x05\x00\x00\x00"s + "Hook"        // Composer
      + "TENC\x00\x00\x00\x07\x00\x00\x00"s + "Tolvar"      // Encoder
      + "TCOP\x00\x00\x00\x09\x00\x00\x00"s + "(c) 1983"    // Copyright
      + "TLAN\x00\x00\x00\x04\x00\x00\x00"s + "eng"         // Language
      + "WXXX\x00\x00\x00\x0F\x00\x00\x00"s + "\x00"s + "http://x.org/";  // Link
  // clang-format on
  std::string Bytes = Tag.Render();
  ASSERT_EQ(Bytes.size(), 4096u);
  EXPECT_EQ(Bytes.substr(0, 10), "ID3\x03\x00\x00"s + "\x00\x00\x1F\x76"s);  // Header, 4086
  EXPECT_EQ(Bytes.substr(10, Frames.size()), Frames);
  EXPECT_EQ(Bytes.substr(10 + Frames.size()), std::string(4086 - Frames.size(), '\0'));
}

TEST(ID3v2Render, EmptyTextsAndTrackZeroWriteNoFrame) {
  TID3v2 Tag;
  Tag.SetTitle("   ");  // trimmed to nothing
  Tag.SetArtist("");
  Tag.SetTrack(0);
  EXPECT_EQ(Tag.Render(), "ID3\x03\x00\x00"s + "\x00\x00\x1F\x76"s  // Header, size 4086
                              + std::string(4086, '\0'));           // Padding only
}

TEST(ID3v2Render, FramesAbove4096BytesGetNoPadding) {
  TID3v2 Tag;
  Tag.SetTitle(std::string(5000, 'a'));
  std::string Bytes = Tag.Render();
  // Unpadded size 10 + 11 + 5000 = 5021; size field 5011 = 39 * 128 + 19.
  ASSERT_EQ(Bytes.size(), 5021u);
  EXPECT_EQ(Bytes.substr(0, 10), "ID3\x03\x00\x00"s + "\x00\x00\x27\x13"s);
  EXPECT_EQ(Bytes.substr(10, 8), "TIT2\x00\x00\x13\x89"s);  // Frame size 5001
  EXPECT_EQ(Bytes.back(), 'a');
}

TEST(ID3v2Layout, GetTagSizeReadsTheSizeFieldAsItStands) {
  // Size field 00 00 01 00: 128, plus the 10 header bytes.
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x03\x00\x00\x00\x00\x01\x00"s, 1000)), 138);
  // Top bits are not masked: 00 00 00 80 counts 128 as well.
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x03\x00\x00\x00\x00\x00\x80"s, 1000)), 138);
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x03\x00\x00\x01\x02\x03\x04"s, 1 << 22)),
            (1 << 21) + (2 << 14) + (3 << 7) + 4 + 10);
  // The footer flag adds 10 more bytes.
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x04\x00\x10\x00\x00\x01\x00"s, 1000)), 148);
  // More than the file holds: 0.
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x03\x00\x00\x00\x00\x01\x00"s, 137)), 0);
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader("ID3\x03\x00\x00\x00\x00\x01\x00"s, 138)), 138);
  // The identifier is not looked at; zeros count as a 10-byte tag.
  EXPECT_EQ(id3v2::GetTagSize(LayoutWithHeader(std::string(10, '\0'), 10)), 10);
}

TEST(ID3v2Layout, BuildHeaderChoosesInPlaceOrRewrite) {
  TID3v2 Tag;
  Tag.SetTitle("Song");  // unpadded size 10 + 15 = 25
  struct TCase {
    std::string Header;
    int64_t FileSize;
    bool Rewrite;
    int64_t Padding;
  } Cases[] = {
      {std::string(10, '\0'), 100000, true, 4096 - 25},                  // no tag
      {"ID3\x03\x00\x00"s + SizeField(4086), 100000, false, 4096 - 25},  // room
      {"ID3\x03\x00\x00"s + SizeField(15), 100000, false, 0},            // exactly room
      {"ID3\x03\x00\x00"s + SizeField(14), 100000, true, 4096 - 25},     // too small
      {"ID3\x03\x00\x00"s + SizeField(4087), 100000, true, 4096 - 25},   // above 4096
      {"ID3\x04\x00\x10"s + SizeField(4076), 100000, false, 4096 - 25},  // footer: 4096
      {"ID3\x04\x00\x10"s + SizeField(4077), 100000, true, 4096 - 25},   // footer: 4097
      {"ID3\x03\x00\x00"s + SizeField(4086), 4095, true, 4096 - 25},     // past the end
      {"id3\x03\x00\x00"s + SizeField(4086), 100000, true, 4096 - 25},   // not "ID3"
  };
  for (const TCase& C : Cases) {
    TTagLayout Layout = LayoutWithHeader(C.Header, C.FileSize);
    Tag.FillFrames(Layout);
    id3v2::BuildHeader(Layout);
    EXPECT_EQ(Layout.Rewrite, C.Rewrite) << testing::PrintToString(C.Header);
    EXPECT_EQ(Layout.Padding, C.Padding) << testing::PrintToString(C.Header);
    std::string Header(Layout.Header.begin(), Layout.Header.end());
    EXPECT_EQ(Header, "ID3\x03\x00\x00"s + SizeField(static_cast<uint32_t>(25 + C.Padding - 10)));
  }
}

TEST(ID3v2File, AFileWithoutTagGetsA4096ByteTagInFrontOfAllItsBytes) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  // Audio and an ID3v1 trailer at the end: both stay.
  std::string Old = tagtest::TestAudio(3000) + "TAG" + std::string(125, 'v');
  WriteFile(Path, Old);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  std::string Now = ReadFile(Path);
  ASSERT_EQ(Now.size(), 4096 + Old.size());
  EXPECT_EQ(Now.substr(0, 4096), Tag.Render());
  EXPECT_EQ(Now.substr(4096), Old);
  EXPECT_FALSE(FileExists(Path + "~"));
}

TEST(ID3v2File, FilesShorterThan10BytesAreNeverChanged) {
  TTempDir Dir;
  TID3v2 Tag;
  Tag.SetTitle("Song");
  for (std::string Old : {""s, "I"s, "ID3\x03\x00\x00\x00\x00\x00"s}) {  // 0, 1 and 9 bytes
    std::string Path = Dir / "short.mp3";
    WriteFile(Path, Old);
    EXPECT_FALSE(Tag.SaveToFile(Path)) << Old.size();
    EXPECT_EQ(ReadFile(Path), Old);
    EXPECT_FALSE(FileExists(Path + "~"));
  }
  // Ten bytes are enough.
  std::string Path = Dir / "ten.mp3";
  WriteFile(Path, "0123456789");
  EXPECT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + "0123456789");
}

TEST(ID3v2File, AMissingFileIsNeverCreated) {
  TTempDir Dir;
  std::string Path = Dir / "missing.mp3";
  TID3v2 Tag;
  Tag.SetTitle("Song");
  EXPECT_FALSE(Tag.SaveToFile(Path));
  EXPECT_FALSE(id3v2::ReplaceTag(Path, Tag.Render()));
  EXPECT_FALSE(id3v2::RebuildFile(Path, Tag.Render()));
  EXPECT_FALSE(FileExists(Path));
  EXPECT_FALSE(FileExists(Path + "~"));
  // A folder is no file either.
  std::string Folder = Dir / "folder.mp3";
  ASSERT_EQ(mkdir(Folder.c_str(), 0755), 0);
  EXPECT_FALSE(Tag.SaveToFile(Folder));
  EXPECT_FALSE(FileExists(Folder + "~"));
}

TEST(ID3v2File, SavingAgainRewritesTheTagInPlace) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(5000);
  WriteFile(Path, Old);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  Tag.SetArtist("Somebody with a long name");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  ino_t Before = tagtest::Inode(Path);
  // Same fields again, then fewer: always the first 4096 bytes, same file.
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  Tag.SetArtist("");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  EXPECT_EQ(tagtest::Inode(Path), Before);  // written in place, not rebuilt
}

TEST(ID3v2File, ATagThatNoLongerFitsRebuildsTheFile) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(2000);
  std::string Small = OldTag(100);  // 110 bytes
  WriteFile(Path, Small + Old);
  ino_t Before = tagtest::Inode(Path);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  Tag.SetComment(std::string(100, 'c'));  // 10 + 15 + 115 = 140 bytes: more than 110
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);  // the old tag is gone, the audio stays
  EXPECT_NE(tagtest::Inode(Path), Before);
  EXPECT_FALSE(FileExists(Path + "~"));
}

TEST(ID3v2File, AnOldTagThatFitsIsFilledWholeWithPadding) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(2000);
  WriteFile(Path, OldTag(100) + Old);  // 110 bytes of tag
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), "ID3\x03\x00\x00"s + SizeField(100)  // Header: the old size
                                + kTitleFrame                    // 15 bytes
                                + std::string(110 - 25, '\0')    // Padding to 110
                                + Old);
}

TEST(ID3v2File, AnOldTagOf8000BytesIsReplacedByOneOf4096) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(2000);
  WriteFile(Path, OldTag(8000 - 10) + Old);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  EXPECT_EQ(ReadFile(Path).size(), 4096 + Old.size());
}

TEST(ID3v2File, InPlaceFillsTheOldExtentFooterIncluded) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(2000);
  std::string WithFooter = OldTag(200, 0x10);  // 10 + 200 + 10 footer bytes
  ASSERT_EQ(WithFooter.size(), 220u);
  WriteFile(Path, WithFooter + Old);
  ino_t Before = tagtest::Inode(Path);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), "ID3\x03\x00"s        // Identifier, version 2.3.0
                                + "\x00"s         // Flags: no footer any more
                                + SizeField(210)  // Tag size: the whole old extent - 10
                                + kTitleFrame     // 15 bytes
                                + std::string(220 - 25, '\0')  // Padding over the old footer
                                + Old);
  EXPECT_EQ(tagtest::Inode(Path), Before);
}

TEST(ID3v2File, AnOldHeaderPromisingMoreThanTheFileKeepsEveryByte) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = "ID3\x03\x00\x00"s + SizeField(100000) + tagtest::TestAudio(500);
  WriteFile(Path, Old);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  // Its size is taken as 0, so the whole old file goes behind the new tag.
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
}

TEST(ID3v2File, AReadOnlyFileLosesItsMarkAndIsTagged) {
  TTempDir Dir;
  std::string Path = Dir / "ro.mp3";
  std::string Old = tagtest::TestAudio(3000);
  WriteFile(Path, Old);
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));  // rebuilt
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  EXPECT_EQ(tagtest::Mode(Path), 0644);  // the rebuilt file keeps the other bits
  ASSERT_EQ(chmod(Path.c_str(), 0440), 0);
  Tag.SetTitle("Tune");
  ASSERT_TRUE(Tag.SaveToFile(Path));  // in place
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  EXPECT_EQ(tagtest::Mode(Path), 0640);
}

TEST(ID3v2File, RebuildingKeepsThePermissionsOfThePrivateFile) {
  TTempDir Dir;
  std::string Path = Dir / "private.mp3";
  WriteFile(Path, tagtest::TestAudio(100));
  ASSERT_EQ(chmod(Path.c_str(), 0600), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(tagtest::Mode(Path), 0600);
}

// The mended fault: the old file is never deleted before the new one takes its
// name; one rename replaces it, so no moment exists in which the audio is gone.
TEST(ID3v2File, RebuildReplacesTheFileByOneRenameWithoutDeletingIt) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  WriteFile(Path, tagtest::TestAudio(5000));
  int Watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(Watch, 0);
  ASSERT_GE(inotify_add_watch(Watch, Dir.Path().c_str(), IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO),
            0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  std::vector<std::string> Events;
  alignas(inotify_event) char Buffer[4096];
  ssize_t N;
  while ((N = read(Watch, Buffer, sizeof Buffer)) > 0) {
    for (char* P = Buffer; P < Buffer + N;) {
      auto* Event = reinterpret_cast<inotify_event*>(P);
      std::string Kind = Event->mask & IN_DELETE       ? "delete "
                         : Event->mask & IN_MOVED_FROM ? "moved from "
                                                       : "moved to ";
      Events.push_back(Kind + (Event->len ? Event->name : ""));
      P += sizeof(inotify_event) + Event->len;
    }
  }
  close(Watch);
  EXPECT_EQ(Events, (std::vector<std::string>{"moved from a.mp3~", "moved to a.mp3"}));
}

TEST(ID3v2File, ARebuildThatCannotCreateItsTemporaryFileLeavesEverythingAsItWas) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(3000);
  WriteFile(Path, Old);
  // A folder holds the temporary name: it can be neither emptied nor created.
  ASSERT_EQ(mkdir((Path + "~").c_str(), 0755), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  EXPECT_FALSE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Old);
  struct stat Info;
  EXPECT_TRUE(stat((Path + "~").c_str(), &Info) == 0 && S_ISDIR(Info.st_mode));
}

TEST(ID3v2File, ARebuildThatCannotWriteLeavesTheFileAndNoTemporaryFile) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old = tagtest::TestAudio(20000);
  WriteFile(Path, Old);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  bool Written;
  {
    tagtest::TFileSizeLimit FullDisk(10000);  // the copy runs out of room halfway
    Written = Tag.SaveToFile(Path);
  }
  EXPECT_FALSE(Written);
  EXPECT_EQ(ReadFile(Path), Old);
  EXPECT_FALSE(FileExists(Path + "~"));
}

TEST(ID3v2File, AStaleTemporaryFileIsReplacedAndNothingIsWrittenThroughALink) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Other = Dir / "other.txt";
  std::string Old = tagtest::TestAudio(1000);
  WriteFile(Path, Old);
  WriteFile(Other, "keep me");
  ASSERT_EQ(symlink(Other.c_str(), (Path + "~").c_str()), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  EXPECT_EQ(ReadFile(Path), Tag.Render() + Old);
  EXPECT_EQ(ReadFile(Other), "keep me");
  EXPECT_FALSE(FileExists(Path + "~"));
}

TEST(ID3v2File, ALinkStaysALinkAndItsFileIsTagged) {
  TTempDir Dir;
  std::string Real = Dir / "real.mp3";
  std::string Link = Dir / "link.mp3";
  std::string Old = tagtest::TestAudio(1000);
  WriteFile(Real, Old);
  ASSERT_EQ(symlink("real.mp3", Link.c_str()), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  ASSERT_TRUE(Tag.SaveToFile(Link));  // rebuilt
  struct stat Info;
  ASSERT_EQ(lstat(Link.c_str(), &Info), 0);
  EXPECT_TRUE(S_ISLNK(Info.st_mode));
  EXPECT_EQ(ReadFile(Real), Tag.Render() + Old);
}

TEST(ID3v2File, MutagenReadsTheTagBackAndTheAudioStillDecodes) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  std::string Pcm = tagtest::DecodeMp3(Path);
  ASSERT_FALSE(Pcm.empty());
  TID3v2 Tag;
  Tag.SetTitle("Sm\303\270rrebr\303\270d");  // "Smørrebrød": Latin-1 holds it
  Tag.SetArtist("Kim Larsen");
  Tag.SetAlbum("Forkl\303\246dt som voksen");
  Tag.SetYear("1986");
  Tag.SetGenre("Pop");
  Tag.SetComment("track comment");
  Tag.SetEncoder("Tolvar");
  Tag.SetLink("https://example.org/");
  Tag.SetTrack(4);
  Tag.SetComposer("Kim Larsen");
  Tag.SetCopyright("1986 Medley");
  Tag.SetLanguage("dan");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.version"], "2.3.0");
  EXPECT_EQ(Fields["v2.size"], "4096");
  EXPECT_EQ(Fields["v2.unsynch"], "0");
  EXPECT_EQ(Fields["v2.extended"], "0");
  EXPECT_EQ(Fields["v2.TIT2"], "Sm\303\270rrebr\303\270d");
  EXPECT_EQ(Fields["v2.TPE1"], "Kim Larsen");
  EXPECT_EQ(Fields["v2.TALB"], "Forkl\303\246dt som voksen");
  EXPECT_EQ(Fields["v2.TRCK"], "4");
  EXPECT_EQ(Fields["v2.TYER"], "1986");
  EXPECT_EQ(Fields["v2.TCON"], "Pop");
  EXPECT_EQ(Fields["v2.COMM"], "eng||track comment");
  EXPECT_EQ(Fields["v2.TCOM"], "Kim Larsen");
  EXPECT_EQ(Fields["v2.TENC"], "Tolvar");
  EXPECT_EQ(Fields["v2.TCOP"], "1986 Medley");
  EXPECT_EQ(Fields["v2.TLAN"], "dan");
  EXPECT_EQ(Fields["v2.WXXX"], "|https://example.org/");
  for (const char* Id : {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM", "TENC",
                         "TCOP", "TLAN", "WXXX"})
    EXPECT_EQ(Fields["v2."s + Id + ".encoding"], "0") << Id;  // ISO-8859-1
  EXPECT_EQ(Fields["v1"], "none");
  // One second of audio, decoded sample for sample as before the tag.
  EXPECT_EQ(Fields["mp3.length"].substr(0, 3), "1.0");
  EXPECT_EQ(tagtest::DecodeMp3(Path), Pcm);
}

TEST(ID3v2File, Id3v2ToolReadsTheTagBack) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  Tag.SetArtist("Band");
  Tag.SetComment("Hi");
  ASSERT_TRUE(Tag.SaveToFile(Path));
  tagtest::TRun R = tagtest::Run({"/usr/bin/id3v2", "-l", Path});
  ASSERT_EQ(R.Status, 0) << R.Err;
  EXPECT_NE(R.Out.find("TIT2 (Title/songname/content description): Song\n"), std::string::npos)
      << R.Out;
  EXPECT_NE(R.Out.find("TPE1 (Lead performer(s)/Soloist(s)): Band\n"), std::string::npos);
  EXPECT_NE(R.Out.find("COMM (Comments): ()[eng]: Hi\n"), std::string::npos);
}

TEST(ID3v2File, TagReadersReadUtf16TextsBack) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  const std::string Title = "\xE6\x98\x9F\xE3\x81\xAE\xE6\xB5\x81\xE3\x82\x8C";  // kanji, kana
  const std::string Artist =
      "Bj\xC3\xB6rk \xE2\x80\x9CQ\xE2\x80\x9D \xF0\x9F\x8E\xB5";  // astral too
  TID3v2 Tag;
  Tag.SetTitle(Title);
  Tag.SetArtist(Artist);
  Tag.SetAlbum("Caf\xC3\xA9");
  Tag.SetComment("\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1");  // Greek
  ASSERT_TRUE(Tag.SaveToFile(Path));
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.TIT2"], Title);
  EXPECT_EQ(Fields["v2.TIT2.encoding"], "1");
  EXPECT_EQ(Fields["v2.TPE1"], Artist);
  EXPECT_EQ(Fields["v2.TALB"], "Caf\xC3\xA9");
  EXPECT_EQ(Fields["v2.TALB.encoding"], "0");
  EXPECT_EQ(Fields["v2.COMM"], "eng||\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1");
  EXPECT_EQ(tagtest::DecodeMp3(Path).empty(), false);
  tagtest::TRun R = tagtest::Run({"/usr/bin/id3v2", "-l", Path});
  ASSERT_EQ(R.Status, 0) << R.Err;
  for (const std::string& Line : {"TIT2 (Title/songname/content description): " + Title,
                                  "TPE1 (Lead performer(s)/Soloist(s)): " + Artist,
                                  "TALB (Album/Movie/Show title): Caf\xC3\xA9"s})
    EXPECT_NE(R.Out.find(Line + "\n"), std::string::npos) << R.Out;
}

TEST(ID3v2File, AFifoIsNeitherWaitedForNorTagged) {
  TTempDir Dir;
  std::string Path = Dir / "pipe.mp3";
  ASSERT_EQ(mkfifo(Path.c_str(), 0644), 0);
  TID3v2 Tag;
  Tag.SetTitle("Song");
  EXPECT_FALSE(Tag.SaveToFile(Path));  // returns at once: nothing opens the pipe
  EXPECT_FALSE(FileExists(Path + "~"));
}
