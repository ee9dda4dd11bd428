#pragma once
// An HTTP and HTTPS client for web services, over libcurl's multi interface
// driven by a TEventLoop: curl's sockets become the loop's watches and its
// timeout one of the loop's timers, so the window never blocks and the
// command-line tool runs the very same code on its poll loop.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "net/EventLoop.h"

namespace tolvar {

inline constexpr size_t kJsonBodyCap = 4u << 20;
inline constexpr size_t kImageBodyCap = 10u << 20;

struct TWebRequest {
  std::string Url;
  std::string Service;  // names the service in error texts: "MusicBrainz"
  std::string Accept = "application/json";
  size_t MaxBody = kJsonBodyCap;
};

struct TWebResponse {
  // True when an answer arrived, whatever its status; false with Error set
  // when none did (no connection, time-out, body too large).
  bool Answered = false;
  long Status = 0;
  std::string Body;
  std::string ContentType;
  std::string RetryAfter;  // the Retry-After header, if any
  std::string Error;       // "<Service>: <reason>"
};

// "Tolvar/<version> ( <product web address> )".
std::string WebUserAgent();
// A service's base address: the environment variable Variable when set,
// else Default; without a trailing slash.
std::string ServiceAddress(const char* Variable, const char* Default);

class TWebClient {
 public:
  using TRequestId = std::uint64_t;
  using TDone = std::function<void(const TWebResponse&)>;

  explicit TWebClient(TEventLoop& Loop);
  ~TWebClient();  // cancels whatever still runs, without calling back
  TWebClient(const TWebClient&) = delete;
  TWebClient& operator=(const TWebClient&) = delete;

  // Starts a GET; Done is called once from the loop, never from inside Get.
  TRequestId Get(const TWebRequest& Request, TDone Done);
  // Ends a request; its Done is not called.
  void Cancel(TRequestId Id);
  void CancelAll();
  bool Busy() const { return !FTransfers.empty(); }

  std::chrono::milliseconds ConnectTimeout{15000};
  std::chrono::milliseconds Deadline{60000};
  int MaxRedirects = 5;

 private:
  struct TTransfer;
  friend struct TCurlGlue;
  void Action(int Socket, int Events);
  void CollectDone();
  void Finish(TTransfer& T, int Code);

  TLoopTarget FTarget;
  void* FMulti = nullptr;
  TEventLoop::TTimerId FTimer = 0;
  std::set<int> FWatched;  // sockets curl asked the loop to watch
  TRequestId FNextId = 1;
  std::map<TRequestId, std::unique_ptr<TTransfer>> FTransfers;
};

}  // namespace tolvar
