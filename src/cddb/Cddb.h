#pragma once
// TCddb: the CDDB client. It looks the disc up with the CDDB protocol at
// level 6 (UTF-8 answers; level 5 answers in Latin-1), one HTTP GET per
// command with the handshake in the query string,
// and reports through OnStatusMessage (a text per step), OnDataExchange
// (every line sent or received) and OnMatch (the caller picks a match).
// Commands return at once; the answer is handled when the HTTP client's
// request is done, from the event loop.
#include <chrono>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "CddbDisc.h"
#include "net/EventLoop.h"
#include "net/HttpProt.h"

namespace tolvar {

enum TServerType { CDDBP = 0, HTTP = 1 };

class TCddb : public TCddbDisc {
 public:
  using TMatchEvent =
      std::function<void(TCddb& Sender, const TMatchArray& Matches, int32_t& RightOne)>;

  // Protocol states.
  static constexpr int32_t Idle = -1;
  static constexpr int32_t QueryDone = 3;
  static constexpr int32_t MatchesReceived = 4;
  static constexpr int32_t QueryFailed = 5;
  static constexpr int32_t QuerySent = 6;
  static constexpr int32_t ReadSent = 11;
  static constexpr int32_t EntryRead = 12;
  static constexpr int32_t ReadFailed = 13;
  static constexpr int32_t HttpFailed = 16;

  // A reply body beyond this ends the request as failed.
  static constexpr long long MaxReplyBytes = 1 << 20;

  explicit TCddb(TEventLoop& Loop);
  TCddb(const TCddb&) = delete;
  TCddb& operator=(const TCddb&) = delete;

  // Start a query for the TOC in CDInfo / a read of Category and DiscID.
  // 0 when the request went out, -1 otherwise (the reason is reported).
  int32_t HttpQuery();
  int32_t HttpRead();

  // Reports the general text of a reply line's code. Raises EConvertError
  // when the first three characters are not a number.
  void ClassifyReply(const std::string& Line);

  // True from a started request until its answer has been handled.
  bool Busy() const { return FRequestRunning; }
  // Gives up the running request (State HttpFailed); the next command can
  // start at once. A command given while a request runs past the HTTP
  // client's Deadline does the same first.
  void Cancel();
  // True when the answer being handled came at protocol level 5, whose texts
  // are Latin-1 (see EntryText).
  bool AnswerLatin1() const { return FRequestLevel < 6; }

  // The HTTP client's proxy settings, not copies of them.
  std::string& ProxyAddress() { return HttpClient.Proxy; }
  const std::string& ProxyAddress() const { return HttpClient.Proxy; }
  std::string& ProxyPort() { return HttpClient.ProxyPort; }
  const std::string& ProxyPort() const { return HttpClient.ProxyPort; }

  THttpCli HttpClient;
  std::stringstream ReceiveStream;

  TStatusEvent OnDataExchange;
  TMatchEvent OnMatch;
  TMatchArray Matches;
  int32_t State = Idle;

  std::string EmailUser;
  std::string ServerAddr;
  std::string ServerAdditionalAddr = "/~cddb/cddb.cgi";
  TServerType ServerType = CDDBP;
  std::string ClientName = "TCddb";
  std::string ClientVersion = "v0.1.70 Release";
  // The protocol level asked for. A server that answers a request at level 6
  // with "501 Illegal CDDB protocol level" is asked again at level 5, once,
  // and gets level 5 from then on while the program runs.
  int ProtocolLevel = 6;

 private:
  int32_t StartRequest(const std::string& Url, const char* Status, int32_t NewState);
  std::string HelloArguments() const;
  void RequestDone(int Error);
  void HandleBody(int32_t Selector);
  void QueryReply(const std::string& Line);
  void ReadReply(const std::string& Line);
  void ChooseMatch(int32_t RightOne);
  bool TakeMatch(const std::string& Category, const std::string& DiscID);
  int32_t AskMatch();
  void Exchange(const std::string& Line);
  bool RefusedLevel(const std::string& Body);

  bool FRequestRunning = false;
  std::chrono::steady_clock::time_point FRequestStarted;
  int FAbandoned = 0;  // cancelled requests whose end is still to come
  // The running request, kept so that it can be asked again at level 5.
  std::string FUrl;  // without the protocol level
  const char* FStatus = "";
  int32_t FRequestState = Idle;
  int FRequestLevel = 6;
  bool FOverflow = false;  // the running request's body passed MaxReplyBytes
};

// A blank becomes "+", letters and digits stay, every other byte "%XX".
std::string UrlEncode(const std::string& Text);
// "user@host" as the handshake's two words "user host"; the last "@" splits.
// Empty when there is no "@".
std::string HelloUser(const std::string& EmailUser);
// The lines of a reply body, split at CR, LF or CR LF. A last line without an
// ending is kept whole.
std::vector<std::string> SplitLines(const std::string& Body);

// What the main window gives the client; the command-line tool starts from
// the same.
inline constexpr const char* kCddbServer = "gnudb.gnudb.org";
inline constexpr const char* kCddbEmailUser = "tolvar@tolvar.org";
void ApplyWindowSettings(TCddb& Cddb);

}  // namespace tolvar
