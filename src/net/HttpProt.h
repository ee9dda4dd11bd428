#pragma once
// THttpCli: an asynchronous HTTP/1.0 client. It composes a request from its
// settings, sends it over its own TWSocket, parses the answer's status line
// and header, follows relocations and writes the body into RcvdStream. Every
// request ends with OnRequestDone, posted to the loop after State is back to
// Idle; a failure gives a non-zero error and a readable ReasonPhrase.
#include <chrono>
#include <ctime>
#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/EventLoop.h"
#include "net/WSocket.h"

namespace tolvar {

enum THttpRequest { httpAbort, httpGET, httpPOST, httpHEAD };

enum class THttpState {
  Idle,
  Starting,
  Connected,
  Resolving,
  Resolved,
  AwaitingHeader,
  ReceivingBody,
  Aborting
};

// The client's own error numbers (OnRequestDone and EHttpException); socket
// failures carry Windows Sockets numbers instead.
enum : int {
  httperrBusy = 1,
  httperrNoData = 2,
  httperrAborted = 3,
  httperrOverflow = 4,
  httperrBadResponse = 5,  // the answer broke off inside its header, or made no sense
  httperrTooManyRelocations = 6,
  httperrRequestFailed = 7,  // the request could not be sent
};

class EHttpException : public std::runtime_error {
 public:
  EHttpException(const std::string& Msg, int Code) : std::runtime_error(Msg), ErrorCode(Code) {}
  int ErrorCode;
};

class THttpCli {
 public:
  using TNotifyEvent = std::function<void(THttpCli& Sender)>;
  using TDataEvent = std::function<void(THttpCli& Sender, const char* Buffer, int Len)>;
  using TBeforeHeaderSendEvent = std::function<void(THttpCli& Sender, const std::string& Method,
                                                    std::vector<std::string>& Headers)>;
  using TCommandEvent = std::function<void(THttpCli& Sender, std::string& Line)>;
  using TCookieEvent = std::function<void(THttpCli& Sender, const std::string& Data, bool& Accept)>;
  using TRequestDoneEvent = std::function<void(THttpCli& Sender, THttpRequest Request, int Error)>;
  using TSocksEvent = std::function<void(THttpCli& Sender, int Error)>;
  using TSocksErrorEvent = std::function<void(THttpCli& Sender, int Error, const std::string& Msg)>;
  using TSocksAuthStateEvent = std::function<void(THttpCli& Sender, TSocksAuthState State)>;

  // At most this many relocations in a row; one more ends the request.
  static constexpr int MaxRelocations = 10;
  // The header lines of one answer, terminators included, may hold this
  // many bytes in all; more ends the request with httperrOverflow.
  static constexpr int MaxHeaderBytes = 64 * 1024;

  explicit THttpCli(TEventLoop& Loop);
  ~THttpCli();
  THttpCli(const THttpCli&) = delete;
  THttpCli& operator=(const THttpCli&) = delete;

  std::string URL;
  std::string LocalAddr = "0.0.0.0";
  std::string Proxy;  // host, optionally ":" port; empty: no proxy
  std::string ProxyPort = "80";
  std::string Sender;
  std::string Agent = "Mozilla/3.0 (compatible)";
  std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  std::string AcceptLanguage;
  std::string Reference;
  std::string Username, Password;
  std::string ProxyUsername, ProxyPassword;
  bool NoCache = false;
  std::time_t ModifiedSince = 0;  // 0: no If-Modified-Since line
  std::string Cookie;
  std::string ContentTypePost = "application/x-www-form-urlencoded";
  std::string ContentRangeBegin, ContentRangeEnd;  // also set by a received Content-Range
  bool MultiThreaded = false;
  std::string SocksServer, SocksLevel, SocksPort, SocksUsercode, SocksPassword;
  TSocksAuthentication SocksAuthentication = socksNoAuthentication;
  // A request that makes no progress for this long ends with error 10060.
  std::chrono::milliseconds Timeout = std::chrono::seconds(60);
  // Every request ends within this time, however steadily the answer comes
  // (error 10060).
  std::chrono::milliseconds Deadline = std::chrono::seconds(120);

  std::ostream* RcvdStream = nullptr;  // receives the body
  std::istream* SendStream = nullptr;  // the body of a POST, from its current position

  int StatusCode() const { return FStatusCode; }
  const std::string& ReasonPhrase() const { return FReasonPhrase; }
  long long ContentLength() const { return FContentLength; }
  const std::string& ContentType() const { return FContentType; }
  const std::string& AcceptRanges() const { return FAcceptRanges; }
  const std::vector<std::string>& RcvdHeader() const { return FRcvdHeader; }
  const std::string& Location() const { return FLocation; }
  const std::string& DocName() const { return FDocName; }
  long long RcvdCount() const { return FRcvdCount; }
  long long SentCount() const { return FSentCount; }
  THttpRequest RequestType() const { return FRequestType; }
  THttpState State() const { return FState; }
  TWSocket& CtrlSocket() { return FCtrlSocket; }

  TNotifyEvent OnStateChange;
  TNotifyEvent OnSessionConnected;
  TNotifyEvent OnRequestHeaderBegin;
  TNotifyEvent OnRequestHeaderEnd;
  TBeforeHeaderSendEvent OnBeforeHeaderSend;
  TCommandEvent OnCommand;
  TNotifyEvent OnHeaderBegin;
  TNotifyEvent OnHeaderData;
  TNotifyEvent OnHeaderEnd;
  TNotifyEvent OnDocBegin;
  TDataEvent OnDocData;
  TNotifyEvent OnDocEnd;
  TNotifyEvent OnSendBegin;
  TDataEvent OnSendData;
  TNotifyEvent OnSendEnd;
  TCookieEvent OnCookie;
  TNotifyEvent OnLocationChange;
  TRequestDoneEvent OnRequestDone;
  TNotifyEvent OnSocketError;
  TSocksEvent OnSocksConnected;
  TSocksAuthStateEvent OnSocksAuthState;
  TSocksErrorEvent OnSocksError;

  // Start a request and return at once; OnRequestDone tells the end. They
  // raise EHttpException "HTTP component is busy" while a request runs.
  void GetAsync() { DoRequestAsync(httpGET); }
  void PostAsync() { DoRequestAsync(httpPOST); }
  void HeadAsync() { DoRequestAsync(httpHEAD); }
  // The same, handling events until the client is idle again; raise
  // EHttpException (ReasonPhrase, StatusCode) for a status of 400 or more.
  void Get() { DoRequestSync(httpGET); }
  void Post() { DoRequestSync(httpPOST); }
  void Head() { DoRequestSync(httpHEAD); }
  // Ends a running request with httperrAborted.
  void Abort();

 private:
  using TLineHandler = void (THttpCli::*)(const char* Data, int Len);

  void DoRequestAsync(THttpRequest Request);
  void DoRequestSync(THttpRequest Request);
  void StartLookup();
  void SetState(THttpState NewState);
  void PostIdle();
  void Touch() { FLastProgress = std::chrono::steady_clock::now(); }
  void CheckProgress();
  void FailRequest(int Error, const std::string& Reason);
  void NoteFailure(int Error, const std::string& Reason);
  void CloseSocketQuietly();
  void SendRequest(const std::string& Method, const std::string& Version);
  std::vector<std::string> RequestLines(const std::string& Method, const std::string& Version);

  void SocketDnsLookupDone(int Error);
  void SocketSessionConnected(int Error);
  void SocketDataAvailable();
  void SocketDataSent();
  void SocketSessionClosed(int Error);
  void LocationSessionClosed();
  void SocketErrorTransfer();

  void GetHeaderLineNext(const char* Line, int Len);
  void HeaderField(const std::string& Line);
  void HeaderEnd();
  bool EnterBody();    // false when a handler destroyed the client
  bool LeaveHeader();  // raises OnHeaderEnd; false when a handler destroyed the client
  void GetBodyLineNext(const char* Data, int Len);
  void NoteLocation(const std::string& Value);
  std::string TargetRoot() const;  // "http://" + host (+ ":" + port when not 80)

  TWSocket FCtrlSocket;
  TLoopTarget FTarget;
  THttpState FState = THttpState::Idle;
  THttpRequest FRequestType = httpGET;
  std::uint64_t FRequestSerial = 0;      // tells this request's posted messages from a later one's
  std::string FHostName, FPort;          // where the connection goes (the proxy when there is one)
  std::string FTargetHost, FTargetPort;  // the document's server; the Host line's value
  std::string FPath;                     // the request-URI
  std::string FDnsResult;
  int FRequestDoneError = 0;
  bool FFailureNoted = false;  // ReasonPhrase already tells why the request fails
  int FStatusCode = 0;
  std::string FReasonPhrase;
  long long FContentLength = -1;
  std::string FContentType;
  std::string FAcceptRanges;
  std::vector<std::string> FRcvdHeader;
  std::vector<std::string> FAuthList;  // WWW-Authenticate values
  std::string FLocation;
  std::string FDocName;
  long long FRcvdCount = 0;
  long long FSentCount = 0;
  bool FConnected = false;
  bool FLocationFlag = false;  // a relocation is due
  bool FHeaderFlag = false;    // inside the answer's header
  bool FHeaderEnded = false;   // the header was complete
  bool FSendFlag = false;      // sending a POST body
  int FHeaderLineCount = 0;
  int FHeaderBytes = 0;
  int FBodyLineCount = 0;
  int FRelocations = 0;
  TLineHandler FNext = nullptr;
  std::string FLineEnd;  // terminator of the line being handled
  static constexpr int LineBufferSize = 8192;
  char FReceiveBuffer[LineBufferSize + 1];
  int FReceiveLen = 0;
  std::chrono::steady_clock::time_point FStarted, FLastProgress;
  TEventLoop::TTimerId FTimer = 0;
};

}  // namespace tolvar
