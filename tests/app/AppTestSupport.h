#pragma once
// What the window tests share: a program folder, a registry file and image
// drives of their own, and a main() that runs a test class inside Tolvar's
// application object (so errors reach the standard error display).
#include <QComboBox>
#include <QtTest>
#include <string>
#include <vector>

#include "DiscImage.h"
#include "TestSupport.h"
#include "app/TolvarApplication.h"

namespace tolvar::apptest {

// Sets an environment variable for a scope and puts the old value back.
class TEnv {
 public:
  TEnv(const char* Name, const std::string& Value);
  ~TEnv();
  TEnv(const TEnv&) = delete;
  TEnv& operator=(const TEnv&) = delete;

 private:
  const char* Name;
  std::string Saved;
  bool HadValue = false;
};

// Count audio tracks of Seconds each.
std::vector<fixtures::TImageTrack> AudioTracks(int Count, int Seconds = 2);

// A temporary program folder (TOLVAR_APPDIR), registry file and one image
// drive per disc (TOLVAR_CD_IMAGES), with the CD library loaded for them.
class TWindowEnv {
 public:
  explicit TWindowEnv(const std::vector<std::vector<fixtures::TImageTrack>>& Discs = {
                          AudioTracks(5)});
  ~TWindowEnv();
  std::string AppDir() const { return Dir.Path() + "/app/"; }
  std::string SettingsFile() const;
  std::string Cue(size_t Disc) const { return Cues.at(Disc); }
  std::string Path(const std::string& Name) const { return Dir / Name; }

 private:
  fixtures::TTempDir Dir;
  std::vector<std::string> Cues;
  TEnv AppDirVar, RegistryVar;
  // A lookup that starts by itself on a disc arrival finds nobody listening.
  TEnv MusicBrainzVar, CoverArtVar, AccurateRipVar, CddbVar;
  std::unique_ptr<TEnv> ImagesVar;
};

// The user picks the item Text of a drop-down list.
void Pick(QComboBox* List, const QString& Text);
// The section headers and key names of an INI text, in file order.
std::vector<std::string> IniLayout(const std::string& Text);

}  // namespace tolvar::apptest

#define TOLVAR_APP_TEST_MAIN(TestClass)         \
  int main(int argc, char** argv) {             \
    tolvar::TTolvarApplication App(argc, argv); \
    TestClass Test;                             \
    return QTest::qExec(&Test, argc, argv);     \
  }
