// The reading of a MusicBrainz disc or release-list answer. Byte 0 is the
// disc's audio track count; the bytes up to the first newline are its disc
// ID, and the rest is the answer's body. Beyond not crashing, the releases
// read must keep the numbering the tags and file names rely on.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "metadata/MusicBrainz.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(musicbrainz_json) {
  if (Size < 1) return 0;
  const int AudioTracks = Data[0] % 100;
  const std::string Rest(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  const size_t Newline = Rest.find('\n');
  const std::string DiscId = Newline == std::string::npos ? std::string() : Rest.substr(0, Newline);
  const std::string Body = Newline == std::string::npos ? Rest : Rest.substr(Newline + 1);

  std::vector<TMetaRelease> Releases;
  std::string Error;
  if (!ParseMusicBrainzReleases(Body, DiscId, AudioTracks, Releases, Error)) {
    if (Error.empty() || !Releases.empty()) std::abort();
    return 0;
  }
  for (const TMetaRelease& R : Releases) {
    if (R.Disc < 1 || R.Discs < 1) {
      std::fprintf(stderr, "disc %d of %d\n", R.Disc, R.Discs);
      std::abort();
    }
    for (const TMetaTrack& T : R.Tracks)
      if (T.Number < 1 || T.LengthMs < 0) {
        std::fprintf(stderr, "track %d, %lld ms\n", T.Number, static_cast<long long>(T.LengthMs));
        std::abort();
      }
  }
  return 0;
}
