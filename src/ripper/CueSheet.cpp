#include "CueSheet.h"

#include <algorithm>

#include "util/FileFunctions.h"
#include "util/StringFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {
// A CUE string cannot hold a double quote; a single one reads the same to
// people. Nor a line break: each text stays on its line.
std::string Quoted(const std::string& Raw) {
  std::string Text = SingleLine(Raw);
  std::replace(Text.begin(), Text.end(), '"', '\'');
  return "\"" + Text + "\"";
}
}  // namespace

std::string CueFileType(const std::string& FileName) {
  std::string Ext = ExtNoDot(FileName);
  if (Ext == "wav" || Ext == "ogg" || Ext == "flac" || Ext == "opus") return "WAVE";
  if (Ext == "pcm") return "BINARY";
  std::transform(Ext.begin(), Ext.end(), Ext.begin(), [](char C) {
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
  });
  return Ext;
}

std::string BuildCueSheet(const std::vector<TCueTrack>& Tracks, const std::string& DiscArtist,
                          const std::string& FileName) {
  std::string Sheet = "FILE " + Quoted(FileName) + " " + CueFileType(FileName) + "\r\n";
  if (Tracks.empty()) return Sheet;
  const int Start = Tracks.front().StartSector;
  for (size_t K = 0; K < Tracks.size(); ++K) {
    const TCueTrack& T = Tracks[K];
    std::string Title = T.Artist != DiscArtist ? T.Artist + " - " + T.Title : T.Title;
    int D = T.StartSector - Start;
    Sheet += "  TRACK " + ZeroPad(static_cast<long long>(K + 1), 2) + " AUDIO\r\n";
    Sheet += "    INDEX 01 " + ZeroPad(D / 4500, 2) + ":" + ZeroPad(D / 75 % 60, 2) + ":" +
             ZeroPad(D % 75, 2) + "\r\n";
    Sheet += "    TITLE " + Quoted(Title) + "\r\n";
  }
  return Sheet;
}

bool WriteCueSheet(const std::string& Path, const std::vector<TCueTrack>& Tracks,
                   const std::string& DiscArtist, const std::string& FileName) {
  return WriteFileAtomic(Path, BuildCueSheet(Tracks, DiscArtist, FileName));
}

}  // namespace tolvar
