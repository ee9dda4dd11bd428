// tolvar-cli tag, run as a user runs it: files, tags read back by mutagen,
// messages and exit statuses.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "TestSupport.h"
#include "tags/RipTags.h"
#include "util/Product.h"

using namespace tolvar;
using namespace std::string_literals;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::TTempDir;
using fixtures::WriteFile;
using tagtest::RunCli;
using tagtest::TRun;

namespace {

std::vector<std::string> AllTexts(const std::string& File) {
  return {"tag",   File,     "--title", "Blue Monday", "--artist", "New Order", "--album",
          "Power", "--year", "1983",    "--comment",   "Factory",  "--genre",   "Electronic"};
}

}  // namespace

TEST(TagCli, WritesBothTagsWithTheRippersTexts) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  std::string Pcm = tagtest::DecodeMp3(Path);
  std::string Old = ReadFile(Path);
  TRun R = RunCli(AllTexts(Path));
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "");

  std::string Now = ReadFile(Path);
  ASSERT_EQ(Now.size(), 4096 + Old.size() + 128);
  EXPECT_EQ(Now.substr(4096, Old.size()), Old);  // the audio, untouched
  // Byte for byte what the ripper's own tag step writes (its bytes are checked
  // field by field in RipTagsTest.cpp).
  std::string Ripped = Dir / "ripped.mp3";
  WriteFile(Ripped, Old);
  ASSERT_TRUE(WriteRipTags(Ripped, {"Blue Monday", "New Order", "Power", "Electronic", "Factory",
                                    "", "1983"})
                  .Ok());
  EXPECT_EQ(Now, ReadFile(Ripped));

  const std::string Link = kProductWebAddress;
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.version"], "2.3.0");
  EXPECT_EQ(Fields["v2.TIT2"], "Blue Monday");
  EXPECT_EQ(Fields["v2.TPE1"], "New Order");
  EXPECT_EQ(Fields["v2.TALB"], "Power");
  EXPECT_EQ(Fields["v2.TYER"], "1983");
  EXPECT_EQ(Fields["v2.TCON"], "Electronic");
  EXPECT_EQ(Fields["v2.COMM"], "eng||Factory");
  EXPECT_EQ(Fields["v2.TENC"], "Tolvar");
  EXPECT_EQ(Fields["v2.WXXX"], "|" + Link);
  EXPECT_EQ(Fields.count("v2.TRCK"), 0u);
  EXPECT_EQ(Fields["v1.TIT2"], "Blue Monday");
  EXPECT_EQ(Fields["v1.TPE1"], "New Order");
  EXPECT_EQ(Fields["v1.TALB"], "Power");
  EXPECT_EQ(Fields["v1.TDRC"], "1983");
  EXPECT_EQ(Fields["v1.COMM"], "Factory");
  EXPECT_EQ(Fields["v1.TCON"], "Electronic");
  EXPECT_EQ(Fields.count("v1.TRCK"), 0u);
  EXPECT_EQ(tagtest::DecodeMp3(Path), Pcm);
}

TEST(TagCli, TaggingAgainChangesTheTagsInPlace) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  ASSERT_EQ(RunCli(AllTexts(Path)).Status, 0);
  auto Size = ReadFile(Path).size();
  ino_t Inode = tagtest::Inode(Path);
  TRun R = RunCli({"tag", Path, "--title", "Age of Consent", "--genre", "Rock"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(ReadFile(Path).size(), Size);  // one tag of each version, same room
  EXPECT_EQ(tagtest::Inode(Path), Inode);
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.TIT2"], "Age of Consent");
  EXPECT_EQ(Fields.count("v2.TPE1"), 0u);  // options not given are empty texts
  EXPECT_EQ(Fields["v2.TCON"], "Rock");
  EXPECT_EQ(Fields["v1.TIT2"], "Age of Consent");
  EXPECT_EQ(Fields["v1.TCON"], "Rock");
}

TEST(TagCli, Utf8OptionsAreLatin1WhereItHoldsThemElseUtf16) {
  TTempDir Dir;
  std::string Path = Dir / "Bj\xC3\xB6rk.mp3";  // a UTF-8 file name stays as it is
  WriteFile(Path, std::string(1000, 'a'));
  TRun R = RunCli({"tag", Path, "--artist", "Bj\xC3\xB6rk", "--title", "Price \xE2\x82\xAC 5",
                   "--album", "Caf\xC3\xA9 " + std::string(30, 'x')});
  EXPECT_EQ(R.Status, 0) << R.Err;
  std::string Now = ReadFile(Path);
  // Version 2: the euro sign (outside Latin-1) makes the title UTF-16; the
  // artist stays in Latin-1 bytes.
  EXPECT_EQ(Now.substr(10, 31), "TIT2\x00\x00\x00\x15\x00\x00\x01\xFF\xFE"s +
                                    std::string("P\0r\0i\0c\0e\0 \0\xAC\x20 \0"
                                                "5\0",
                                                18));
  EXPECT_EQ(Now.substr(41, 16), "TPE1\x00\x00\x00\x06\x00\x00\x00"s + "Bj\xF6rk");
  // Version 1: Latin-1, the euro sign as "?", the album cut to 30 bytes.
  std::string V1 = Now.substr(Now.size() - 128);
  EXPECT_EQ(V1.substr(3, 10), "Price ? 5"s + '\0');
  EXPECT_EQ(V1.substr(63, 30), "Caf\xE9 " + std::string(25, 'x'));
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.TIT2"], "Price \xE2\x82\xAC 5");
  EXPECT_EQ(Fields["v2.TPE1"], "Bj\xC3\xB6rk");
  EXPECT_EQ(Fields["v1.TPE1"], "Bj\xC3\xB6rk");
  EXPECT_EQ(Fields["v2.TALB"], "Caf\xC3\xA9 " + std::string(30, 'x'));
}

TEST(TagCli, AnUnknownGenreNameLeavesTheVersion1GenreEmpty) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  WriteFile(Path, std::string(1000, 'a'));
  TRun R = RunCli({"tag", Path, "--genre", "Psychedelic"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  std::string Now = ReadFile(Path);
  EXPECT_EQ(Now.back(), '\xFF');  // version 1 genre byte: none
  EXPECT_EQ(Now.substr(10, 22), "TCON\x00\x00\x00\x0C\x00\x00\x00"s + "Psychedelic");
}

TEST(TagCli, NoTextsGiveOnlyTheProductFrames) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  WriteFile(Path, std::string(1000, 'a'));
  ASSERT_EQ(RunCli({"tag", Path}).Status, 0);
  std::string Now = ReadFile(Path);
  EXPECT_EQ(Now.substr(10, 17), "TENC\x00\x00\x00\x07\x00\x00\x00"s + "Tolvar");
  EXPECT_EQ(Now.substr(27, 4), "WXXX");
  EXPECT_EQ(Now.substr(Now.size() - 128), "TAG" + std::string(124, '\0') + "\xFF");
}

TEST(TagCli, AReadOnlyFileIsTaggedAndBecomesWritable) {
  TTempDir Dir;
  std::string Path = Dir / "ro.mp3";
  WriteFile(Path, std::string(1000, 'a'));
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  TRun R = RunCli(AllTexts(Path));
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(ReadFile(Path).size(), 4096u + 1000 + 128);
  EXPECT_EQ(tagtest::Mode(Path), 0644);
}

TEST(TagCli, AMissingFileFailsAndIsNotCreated) {
  TTempDir Dir;
  std::string Path = Dir / "missing.mp3";
  TRun R = RunCli(AllTexts(Path));
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: " + Path + ": no such file\n");
  EXPECT_FALSE(FileExists(Path));
  EXPECT_FALSE(FileExists(Path + "~"));
}

TEST(TagCli, AFolderFails) {
  TTempDir Dir;
  TRun R = RunCli({"tag", Dir.Path()});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: " + Dir.Path() + ": not a regular file\n");
}

TEST(TagCli, AFailedVersion2SaveFailsTheCommand) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  std::string Old(1000, 'a');
  WriteFile(Path, Old);
  // The rebuild's temporary name is taken by a folder: version 2 cannot be written.
  ASSERT_EQ(mkdir((Path + "~").c_str(), 0755), 0);
  TRun R = RunCli(AllTexts(Path));
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: " + Path + ": ID3 version 2 tag not written\n");
  // Version 1 went in first, as in the ripper; the audio is all there.
  std::string Now = ReadFile(Path);
  EXPECT_EQ(Now.substr(0, 1000), Old);
  EXPECT_EQ(Now.substr(1000, 3), "TAG");
}

TEST(TagCli, MistakesInTheCommandLineExitWith2) {
  TTempDir Dir;
  std::string Path = Dir / "a.mp3";
  WriteFile(Path, std::string(1000, 'a'));
  const std::vector<std::vector<std::string>> Mistakes = {
      {"tag"},                                        // no file
      {"tag", Path, Path},                            // two files
      {"tag", Path, "--titel", "x"},                  // unknown option
      {"tag", Path, "--title", "a", "--title", "b"},  // given twice
      {"tag", Path, "--artist"},                      // no value
  };
  for (const auto& Args : Mistakes) {
    TRun R = RunCli(Args);
    EXPECT_EQ(R.Status, 2) << testing::PrintToString(Args);
    EXPECT_NE(R.Err.find("Try 'tolvar-cli --help'."), std::string::npos) << R.Err;
  }
  EXPECT_EQ(ReadFile(Path), std::string(1000, 'a'));  // nothing written by a mistake
}

TEST(TagCli, HelpListsTheCommand) {
  TRun R = RunCli({"--help"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_NE(R.Out.find("  tag FILE [--title T] [--artist A] [--album L] [--year Y] [--comment C] "
                       "[--genre G]\n"),
            std::string::npos)
      << R.Out;
}

TEST(TagCli, TrackDiscIsrcAndAlbumArtistGoIntoVersion2) {
  TTempDir Dir;
  std::string Path = Dir / "song.mp3";
  tagtest::MakeMp3(Path);
  tagtest::TRun R = tagtest::RunCli({"tag", Path, "--title", "T", "--track", "3/12", "--disc", "2",
                                     "--isrc", "USRC17607839", "--album-artist", "Various"});
  ASSERT_EQ(R.Status, 0) << R.Err;
  auto Fields = tagtest::ReadTagsWithMutagen(Path);
  EXPECT_EQ(Fields["v2.TRCK"], "3/12");
  EXPECT_EQ(Fields["v2.TPOS"], "2");
  EXPECT_EQ(Fields["v2.TSRC"], "USRC17607839");
  EXPECT_EQ(Fields["v2.TPE2"], "Various");
  EXPECT_EQ(tagtest::RunCli({"tag", Path, "--track", "3/2"}).Status,
            2);  // a total below the number
}
