#include "AppTestSupport.h"

#include <cstdlib>
#include <sstream>

#include "ripper/CDRipIntf.h"
#include "util/MiscFunctions.h"

namespace tolvar::apptest {

TEnv::TEnv(const char* Name, const std::string& Value) : Name(Name) {
  if (const char* Old = std::getenv(Name)) Saved = Old, HadValue = true;
  setenv(Name, Value.c_str(), 1);
}

TEnv::~TEnv() {
  HadValue ? setenv(Name, Saved.c_str(), 1) : unsetenv(Name);
}

std::vector<fixtures::TImageTrack> AudioTracks(int Count, int Seconds) {
  return std::vector<fixtures::TImageTrack>(Count, {static_cast<uint32_t>(Seconds * 75)});
}

namespace {
std::string Images(const fixtures::TTempDir& Dir,
                   const std::vector<std::vector<fixtures::TImageTrack>>& Discs,
                   std::vector<std::string>& Cues) {
  std::string List;
  for (size_t I = 0; I < Discs.size(); ++I) {
    Cues.push_back(Dir / ("disc" + std::to_string(I) + ".cue"));
    fixtures::WriteDiscImage(Cues.back(), Discs[I]);
    List += (List.empty() ? "" : ":") + Cues.back();
  }
  return List;
}
}  // namespace

TWindowEnv::TWindowEnv(const std::vector<std::vector<fixtures::TImageTrack>>& Discs)
    : AppDirVar("TOLVAR_APPDIR", Dir / "app"),
      RegistryVar("TOLVAR_REGISTRY", Dir / "registry.ini"),
      MusicBrainzVar("TOLVAR_MUSICBRAINZ_URL", "http://127.0.0.1:9"),
      CoverArtVar("TOLVAR_COVERART_URL", "http://127.0.0.1:9"),
      AccurateRipVar("TOLVAR_ACCURATERIP_URL", "http://127.0.0.1:9"),
      CddbVar("TOLVAR_CDDB_SERVER", "127.0.0.1:9") {
  ImagesVar = std::make_unique<TEnv>("TOLVAR_CD_IMAGES", Images(Dir, Discs, Cues));
  LoadCDRip();
}

TWindowEnv::~TWindowEnv() {
  FreeCDRip();
}

void Pick(QComboBox* List, const QString& Text) {
  const int Index = List->findText(Text);
  QVERIFY2(Index >= 0, qPrintable("no item " + Text));
  List->setCurrentIndex(Index);
  emit List->activated(Index);
}

std::vector<std::string> IniLayout(const std::string& Text) {
  std::vector<std::string> Layout;
  std::istringstream Lines(Text);
  for (std::string Line; std::getline(Lines, Line);)
    if (!Line.empty()) Layout.push_back(Line[0] == '[' ? Line : Line.substr(0, Line.find('=')));
  return Layout;
}

std::string TWindowEnv::SettingsFile() const {
  return SettingsFileName();
}

}  // namespace tolvar::apptest
