#include "util/FileFunctions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "util/Dialogs.h"

using namespace tolvar;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {
std::vector<std::string> Sorted(std::vector<std::string> List) {
  std::sort(List.begin(), List.end());
  return List;
}
}  // namespace

TEST(FileFunctions, ExtensionsOfTheLastComponentOnly) {
  EXPECT_EQ(ExtNoDot("Rock.INI"), "ini");
  EXPECT_EQ(ExtNoDot("presets/Rock"), "");
  EXPECT_EQ(ExtNoDot("my.presets/Rock"), "");
  EXPECT_EQ(ExtNoDot(""), "");
  EXPECT_EQ(StripExt("Rock.INI"), "Rock");
  EXPECT_EQ(StripExt("a.b.ini"), "a.b");
  EXPECT_EQ(StripExt("Rock"), "Rock");
  EXPECT_EQ(StripExt(""), "");
  // A dotted folder with an extension-less file keeps its whole path.
  EXPECT_EQ(StripExt("/music/a.b/track"), "/music/a.b/track");
  EXPECT_EQ(StripExt("/music/a.b/track.wav"), "/music/a.b/track");
}

TEST(FileFunctions, ListFilesRecursesAndFilters) {
  TTempDir Dir;
  mkdir((Dir / "Rock").c_str(), 0755);
  mkdir((Dir / ".hidden").c_str(), 0755);
  WriteFile(Dir / "Pop.ini", "");
  WriteFile(Dir / "notes.txt", "");
  WriteFile(Dir / "Rock/Heavy.INI", "");
  WriteFile(Dir / ".hidden/Secret.ini", "");

  std::vector<std::string> All;
  ListFiles(All, Dir.Path(), "", true, faAnyFile);
  EXPECT_EQ(Sorted(All), (std::vector<std::string>{".hidden/Secret.ini", "Pop.ini",
                                                   "Rock/Heavy.INI", "notes.txt"}));

  std::vector<std::string> Flat;
  std::vector<std::string> Folders;
  ListFiles(Flat, Dir.Path(), "", false, faAnyFile & ~faHidden,
            [&](const std::string& F) { Folders.push_back(F); });
  EXPECT_EQ(Sorted(Flat), (std::vector<std::string>{"Pop.ini", "notes.txt"}));
  EXPECT_EQ(Folders, std::vector<std::string>{"Rock"});

  std::vector<std::string> Ini;
  std::vector<std::string> Extensions = {"ini"};
  ListFiles(Ini, Dir.Path(), "", true, faAnyFile, nullptr, &Extensions, true);
  ASSERT_EQ(Ini.size(), 3u);
  for (const std::string& Entry : Ini) {
    auto Mark = Entry.find('?');
    ASSERT_NE(Mark, std::string::npos) << Entry;
    EXPECT_EQ(ExtNoDot(Entry.substr(0, Mark)), "ini");
    EXPECT_GT(std::stoll(Entry.substr(Mark + 1)), 0) << Entry;
  }

  std::vector<std::string> Missing;
  ListFiles(Missing, Dir / "nowhere", "", true, faAnyFile);
  EXPECT_TRUE(Missing.empty());
}

TEST(FileFunctions, IsDirEmpty) {
  TTempDir Dir;
  EXPECT_TRUE(IsDirEmpty(Dir.Path()));
  EXPECT_TRUE(IsDirEmpty(Dir / "missing"));  // cannot be listed
  WriteFile(Dir / ".x", "");
  EXPECT_FALSE(IsDirEmpty(Dir.Path()));
}

TEST(FileFunctions, DeleteDirTreeRemovesEverythingButNeverFollowsLinks) {
  TTempDir Dir, Outside;
  std::string Root = Dir / "tree";
  mkdir(Root.c_str(), 0755);
  mkdir((Root + "/sub").c_str(), 0755);
  mkdir((Root + "/sub/deeper").c_str(), 0755);
  WriteFile(Root + "/a.wav", "x");
  WriteFile(Root + "/sub/deeper/b.mp3", "y");
  WriteFile(Outside / "keep.txt", "keep");
  ASSERT_EQ(symlink(Outside.Path().c_str(), (Root + "/link").c_str()), 0);

  TScriptedDialogs Dialogs;
  DeleteDirTree(Root);
  EXPECT_FALSE(FileExists(Root));
  EXPECT_TRUE(FileExists(Outside / "keep.txt"));
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST(FileFunctions, DeleteDirTreeAsksAboutWhatResistsAndRetries) {
  TTempDir Dir;
  std::string Root = Dir / "tree";
  mkdir(Root.c_str(), 0755);
  // A hidden folder is not taken for a plain subfolder: deleting it as a file
  // fails, and the user is asked.
  mkdir((Root + "/.cache").c_str(), 0755);
  WriteFile(Root + "/.cache/x", "");
  WriteFile(Root + "/a.wav", "");

  TScriptedDialogs Dialogs;
  Dialogs.RetryIgnoreAnswers = {TRetryIgnore::Retry, TRetryIgnore::Ignore};
  DeleteDirTree(Root);
  ASSERT_EQ(Dialogs.Shown.size(), 2u);  // asked, retried, asked again
  EXPECT_EQ(Dialogs.Shown[0], "Cannot delete " + Root + "/.cache");
  EXPECT_FALSE(FileExists(Root + "/a.wav"));
  EXPECT_TRUE(FileExists(Root + "/.cache/x"));
}

TEST(FileFunctions, WriteFileAtomicReplacesWholeAndKeepsMode) {
  TTempDir Dir;
  std::string Path = Dir / "settings.ini";
  ASSERT_TRUE(WriteFileAtomic(Path, "old"));
  chmod(Path.c_str(), 0600);
  ASSERT_TRUE(WriteFileAtomic(Path, "new contents"));
  std::string Contents;
  ASSERT_TRUE(ReadFileText(Path, Contents));
  EXPECT_EQ(Contents, "new contents");
  struct stat Info;
  ASSERT_EQ(stat(Path.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0600u);
  EXPECT_TRUE(IsDirEmpty(Dir.Path()) == false);
  std::vector<std::string> Files;
  ListFiles(Files, Dir.Path(), "", false, faAnyFile);
  EXPECT_EQ(Files, std::vector<std::string>{"settings.ini"});  // no temporary left behind

  EXPECT_FALSE(WriteFileAtomic(Dir / "missing/x.ini", "x"));
  EXPECT_FALSE(ReadFileText(Dir / "missing/x.ini", Contents));
}

TEST(FileFunctions, WriteFileAtomicWritesIntoAPipeInsteadOfReplacingIt) {
  TTempDir Dir;
  std::string Path = Dir / "pipe";
  ASSERT_EQ(mkfifo(Path.c_str(), 0600), 0);
  int Reader = open(Path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(Reader, 0);
  EXPECT_TRUE(WriteFileAtomic(Path, "sheet"));
  char Buffer[16] = {};
  EXPECT_EQ(read(Reader, Buffer, sizeof Buffer), 5);
  close(Reader);
  struct stat Info;
  ASSERT_EQ(stat(Path.c_str(), &Info), 0);
  EXPECT_TRUE(S_ISFIFO(Info.st_mode));
  EXPECT_FALSE(WriteFileAtomic(Dir.Path(), "x"));  // a folder is neither written nor replaced
}
