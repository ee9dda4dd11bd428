#include "util/IniFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "util/FileFunctions.h"

using namespace tolvar;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

TEST(IniFile, MissingFileReadsAsEmptyAndIsNotCreatedByReading) {
  TTempDir Dir;
  {
    TIniFile Ini(Dir / "none.ini");
    EXPECT_EQ(Ini.ReadString("Settings", "SaveDir", "dflt"), "dflt");
    EXPECT_EQ(Ini.ReadInteger("Lame", "BitRate", 128), 128);
    EXPECT_TRUE(Ini.ReadBool("Settings", "Encode", true));
    EXPECT_FALSE(Ini.SectionExists("Settings"));
  }
  EXPECT_FALSE(FileExists(Dir / "none.ini"));
}

TEST(IniFile, ValuesFollowPrivateProfileRules) {
  TTempDir Dir;
  WriteFile(Dir / "t.ini",
            "[Lame]\r\n"
            "BitRate = 192 \r\n"
            "Mode=abc\r\n"
            "Quality=\r\n"
            "Big=0x10\r\n"
            "Neg=-3\r\n"
            "Half=12abc\r\n"
            "[Settings]\n"
            "Encode=7\n"
            "SingleTrack=0\n"
            "SaveDir=\"/home/me/My Music/\"\n"
            "; Comment=1\n");
  TIniFile Ini(Dir / "t.ini");
  EXPECT_EQ(Ini.ReadInteger("lame", "BITRATE", 0), 192);  // names ignore case, values are trimmed
  EXPECT_EQ(Ini.ReadInteger("Lame", "Mode", 1), 1);       // not a number: the default
  EXPECT_EQ(Ini.ReadInteger("Lame", "Quality", 5), 5);    // empty: the default
  EXPECT_EQ(Ini.ReadInteger("Lame", "Half", 4), 4);       // trailing junk: the default
  EXPECT_EQ(Ini.ReadInteger("Lame", "Big", 0), 16);
  EXPECT_EQ(Ini.ReadInteger("Lame", "Neg", 0), -3);
  EXPECT_TRUE(Ini.ReadBool("Settings", "Encode", false));  // any non-zero integer
  EXPECT_FALSE(Ini.ReadBool("Settings", "SingleTrack", true));
  EXPECT_TRUE(Ini.ReadBool("Lame", "Mode", true));  // unparsable: the default
  EXPECT_EQ(Ini.ReadString("Settings", "SaveDir", ""), "/home/me/My Music/");
  EXPECT_FALSE(Ini.ValueExists("Settings", "Comment"));
  EXPECT_EQ(Ini.ReadSection("settings"),
            (std::vector<std::string>{"Encode", "SingleTrack", "SaveDir"}));
}

TEST(IniFile, WritesKeepOrderAndAppendNewKeysToTheirSection) {
  TTempDir Dir;
  WriteFile(Dir / "t.ini",
            "; Tolvar settings\n"
            "[Form]\n"
            "Top=10\n"
            "Left=20\n"
            "\n"
            "[Lame]\n"
            "BitRate=128\n");
  {
    TIniFile Ini(Dir / "t.ini");
    Ini.WriteInteger("form", "left", 30);  // existing key: replaced in place, its spelling kept
    Ini.WriteInteger("Form", "Width", 800);
    Ini.WriteBool("Settings", "Encode", true);
    Ini.WriteString("Lame", "Mode", "1");
  }  // written by the destructor
  EXPECT_EQ(ReadFile(Dir / "t.ini"),
            "; Tolvar settings\n"
            "[Form]\n"
            "Top=10\n"
            "Left=30\n"
            "Width=800\n"
            "\n"
            "[Lame]\n"
            "BitRate=128\n"
            "Mode=1\n"
            "\n"
            "[Settings]\n"
            "Encode=1\n");
}

TEST(IniFile, NewFileHasSectionsInWriteOrderAndErasesWork) {
  TTempDir Dir;
  TIniFile Ini(Dir / "new.ini");
  Ini.WriteString("Settings", "SaveDir", "/tmp/x/");
  Ini.WriteInteger("Lame", "BitRate", 128);
  Ini.WriteBool("Settings", "Encode", false);
  ASSERT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadFile(Dir / "new.ini"),
            "[Settings]\nSaveDir=/tmp/x/\nEncode=0\n\n[Lame]\nBitRate=128\n");

  Ini.DeleteKey("settings", "savedir");
  Ini.EraseSection("LAME");
  ASSERT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadFile(Dir / "new.ini"), "[Settings]\nEncode=0\n");
  EXPECT_EQ(TIniFile(Dir / "new.ini").ReadSections(), std::vector<std::string>{"Settings"});
}

TEST(IniFile, AFailedWriteLeavesTheOldFileIntact) {
  TTempDir Dir;
  TIniFile Orphan(Dir / "gone/t.ini");  // its folder does not exist
  Orphan.WriteString("A", "B", "C");
  EXPECT_FALSE(Orphan.UpdateFile());

  // A rename onto a non-empty folder fails: what stood there stays, and no
  // temporary file is left behind.
  std::string Blocked = Dir / "blocked.ini";
  ASSERT_EQ(mkdir(Blocked.c_str(), 0755), 0);
  WriteFile(Blocked + "/x", "precious");
  TIniFile Blocker(Blocked);
  Blocker.WriteString("A", "B", "C");
  EXPECT_FALSE(Blocker.UpdateFile());
  EXPECT_EQ(ReadFile(Blocked + "/x"), "precious");
  std::vector<std::string> Left;
  ListFiles(Left, Dir.Path(), "", false, faAnyFile);
  EXPECT_TRUE(Left.empty());
}

TEST(IniFile, ATextThatIsNoUtf8IsWrittenAsLatin1AndGarblesNoOtherText) {
  TTempDir Dir;
  const std::string Path = Dir / "t.ini";
  for (int Round = 0; Round < 3; ++Round) {
    TIniFile Ini(Path);
    if (Round == 0) Ini.WriteString("A", "Name", "Gr\xC3\xBC\xC3\x9F\x65");  // UTF-8
    Ini.WriteString("A", "Old", "\xE9t\xE9");                                // Latin-1
    ASSERT_TRUE(Ini.UpdateFile());
  }
  EXPECT_EQ(ReadFile(Path), "[A]\nName=Gr\xC3\xBC\xC3\x9F\x65\nOld=\xC3\xA9t\xC3\xA9\n");
}
