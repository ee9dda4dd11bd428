#pragma once
// CUE sheets for a rip into one file, or for the whole disc.
#include <string>
#include <vector>

namespace tolvar {

struct TCueTrack {
  std::string Title;
  std::string Artist;
  int StartSector = 0;  // on the disc, in frames of 1/75 s
};

// The sheet's text: FILE line, then TRACK, INDEX 01 and TITLE lines for each
// track, numbered from 01 and timed from the first track's start, lines ended
// by CR LF. The file name and titles are quoted so names with blanks read
// back; WAV, Ogg, FLAC and Opus files get the type WAVE. Texts are written in UTF-8.
std::string BuildCueSheet(const std::vector<TCueTrack>& Tracks, const std::string& DiscArtist,
                          const std::string& FileName);

// The CUE file type for an output file: MP3, WAVE (WAV, Ogg, FLAC, Opus), BINARY (raw PCM).
std::string CueFileType(const std::string& FileName);

// Writes the sheet in one piece, replacing an existing file; false on failure.
bool WriteCueSheet(const std::string& Path, const std::vector<TCueTrack>& Tracks,
                   const std::string& DiscArtist, const std::string& FileName);

}  // namespace tolvar
