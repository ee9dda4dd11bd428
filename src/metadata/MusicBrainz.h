#pragma once
// The MusicBrainz web service: the disc ID lookup (with the TOC, so an
// unknown ID still finds releases of the same TOC), and the reading of its
// JSON answer into releases.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "DiscIdentity.h"
#include "Release.h"
#include "web/WebClient.h"

namespace tolvar {

// Reads a disc or release-list answer. The medium is the one that lists
// DiscId, else the first whose track count is AudioTracks, else the first.
// Missing, null or mistyped fields read as empty; false with Error set only
// when Body is not JSON at all.
bool ParseMusicBrainzReleases(const std::string& Body, const std::string& DiscId, int AudioTracks,
                              std::vector<TMetaRelease>& Releases, std::string& Error);

// $TOLVAR_MUSICBRAINZ_URL or https://musicbrainz.org, without a trailing slash.
std::string MusicBrainzBaseUrl();

class TMusicBrainz {
 public:
  // Releases empty and Error empty: the service does not know the disc.
  using TDone = std::function<void(std::vector<TMetaRelease> Releases, std::string Error)>;

  explicit TMusicBrainz(TEventLoop& Loop);
  TMusicBrainz(const TMusicBrainz&) = delete;
  TMusicBrainz& operator=(const TMusicBrainz&) = delete;

  // Looks the disc up; Done is called once, later, from the loop.
  void Lookup(const TDiscIdentity& Disc, TDone Done);
  void Cancel();

  TWebClient Web;
  // Requests of this process keep this far apart; a 503 waits as long.
  std::chrono::milliseconds Spacing{1000};
  int MaxRetries = 3;

 private:
  void Send();
  void Answer(const TWebResponse& Response);

  TLoopTarget FTarget;
  TDiscIdentity FDisc;
  TDone FDone;
  int FRetries = 0;
  TEventLoop::TTimerId FWait = 0;
  TWebClient::TRequestId FRequest = 0;
};

}  // namespace tolvar
