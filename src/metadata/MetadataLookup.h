#pragma once
// The one lookup that finds a disc's names: its sources in a configured
// order (MusicBrainz, then CDDB, then the disc's own CD-Text by default).
// The first source with a match ends the chain; a source that fails or
// knows nothing is reported and the next one runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Release.h"
#include "cddb/DiscInfo.h"
#include "net/EventLoop.h"

namespace tolvar {

class TCddb;
class TMusicBrainz;

enum class TMetaSource { MusicBrainz, Cddb, CdText };

// "MusicBrainz", "CDDB", "CD-Text".
const char* SourceName(TMetaSource Source);
// "musicbrainz,cddb,cdtext" in any order and selection; false with Error
// naming the word it does not know.
bool ParseSources(const std::string& List, std::vector<TMetaSource>& Sources, std::string& Error);
inline constexpr const char* kDefaultSources = "musicbrainz,cddb,cdtext";

// The disc to look up, as the CDDB client's reader sees it.
struct TLookupDisc {
  uint8_t Drive = 0;   // index in the CDDB client's drive table
  TDiscToc Toc;        // that reader's TOC of the drive
  std::string Device;  // device or image file, for the CD-Text
};

struct TLookupResult {
  std::string Source;  // SourceName of the source that matched; empty: none did
  std::vector<TMetaRelease> Matches;
};

class TMetadataLookup {
 public:
  explicit TMetadataLookup(TEventLoop& Loop);
  ~TMetadataLookup();
  TMetadataLookup(const TMetadataLookup&) = delete;
  TMetadataLookup& operator=(const TMetadataLookup&) = delete;

  // Runs the chain; OnDone is called once, from the loop.
  void Start(const TLookupDisc& Disc);
  void Cancel();
  bool Busy() const { return FBusy; }

  std::vector<TMetaSource> Sources{TMetaSource::MusicBrainz, TMetaSource::Cddb,
                                   TMetaSource::CdText};
  // Each step and each source that fails: "MusicBrainz: HTTP 503".
  std::function<void(const std::string& Text)> OnStatus;
  std::function<void(const TLookupResult& Result)> OnDone;
  // The MusicBrainz client, for its settings (tests shorten the spacing).
  TMusicBrainz& MusicBrainz() { return *FMusicBrainz; }

 private:
  void PostNext();
  void Next();
  void Matched(TMetaSource Source, std::vector<TMetaRelease> Matches);
  void Failed(const std::string& Text);
  void RunCddb();
  void WatchCddb();
  void CddbAnswered();

  TLoopTarget FTarget;
  std::unique_ptr<TMusicBrainz> FMusicBrainz;
  std::unique_ptr<TCddb> FCddb;
  TLookupDisc FDisc;
  size_t FNext = 0;
  bool FBusy = false;
  unsigned FRun = 0;
  TEventLoop::TTimerId FCddbTimer = 0;
  std::string FCddbRefusal;  // the server's own text when it refused the hello
  std::string FCddbStatus;   // its last status text
};

}  // namespace tolvar
