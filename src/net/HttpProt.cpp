#include "net/HttpProt.h"

#include <cstdio>
#include <cstring>

#include "net/HttpUrl.h"
#include "net/WSocketErrors.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

std::string ErrorText(int Error) {
  return WSocketErrorDesc(Error) + " (Error #" + std::to_string(Error) + ")";
}

// "120 s", or "600 ms" for what is not whole seconds.
std::string DurationText(std::chrono::milliseconds Time) {
  if (Time.count() % 1000 == 0) return std::to_string(Time.count() / 1000) + " s";
  return std::to_string(Time.count()) + " ms";
}

// "Sun, 06 Nov 1994 08:49:37"
std::string HttpDate(std::time_t Time) {
  static const char Days[] = "SunMonTueWedThuFriSat";
  static const char Months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  std::tm T{};
  gmtime_r(&Time, &T);
  char Text[40];
  std::snprintf(Text, sizeof Text, "%.3s, %2.2d %.3s %4.4d %2.2d:%2.2d:%2.2d", Days + T.tm_wday * 3,
                T.tm_mday, Months + T.tm_mon * 3, T.tm_year + 1900, T.tm_hour, T.tm_min, T.tm_sec);
  return Text;
}

// Whole decimal number, as the header's numbers must be.
long long ToInteger(const std::string& Text) {
  std::string T = Trim(Text);
  size_t Used = 0;
  long long Value = 0;
  try {
    Value = std::stoll(T, &Used);
  } catch (const std::exception&) {
    Used = 0;
  }
  if (T.empty() || Used != T.size())
    throw EHttpException("'" + T + "' is not a valid integer value", httperrBadResponse);
  return Value;
}

}  // namespace

THttpCli::THttpCli(TEventLoop& Loop) : FCtrlSocket(Loop), FTarget(Loop) {
  FCtrlSocket.OnSessionConnected = [this](TCustomWSocket&, int E) { SocketSessionConnected(E); };
  FCtrlSocket.OnDataAvailable = [this](TCustomWSocket&, int) { SocketDataAvailable(); };
  FCtrlSocket.OnSessionClosed = [this](TCustomWSocket&, int E) { SocketSessionClosed(E); };
  FCtrlSocket.OnDataSent = [this](TCustomWSocket&, int) { SocketDataSent(); };
  FCtrlSocket.OnDnsLookupDone = [this](TCustomWSocket&, int E) { SocketDnsLookupDone(E); };
  FCtrlSocket.OnError = [this](TCustomWSocket&) { SocketErrorTransfer(); };
  FCtrlSocket.OnSocksError = [this](TCustomWSocket&, int E, const std::string& Msg) {
    if (OnSocksError) OnSocksError(*this, E, Msg);
    NoteFailure(E, Msg);
  };
  FCtrlSocket.OnSocksConnected = [this](TCustomWSocket&, int E) {
    if (OnSocksConnected) OnSocksConnected(*this, E);
  };
  FCtrlSocket.OnSocksAuthState = [this](TCustomWSocket&, TSocksAuthState S) {
    if (OnSocksAuthState) OnSocksAuthState(*this, S);
  };
}

THttpCli::~THttpCli() {
  if (FTimer) FTarget.Loop().StopTimer(FTimer);
  // The socket goes after this object: it must not call back into it.
  FCtrlSocket.OnSessionClosed = nullptr;
  FCtrlSocket.OnError = nullptr;
  FCtrlSocket.OnSocksError = nullptr;
}

// ---- request life ----

void THttpCli::DoRequestAsync(THttpRequest Request) {
  if (FState != THttpState::Idle) throw EHttpException("HTTP component is busy", httperrBusy);
  if (Request == httpPOST && !SendStream)
    throw EHttpException("HTTP component has nothing to post", httperrNoData);

  ++FRequestSerial;
  CloseSocketQuietly();  // a connection the last answer left open
  SetState(THttpState::Starting);
  FRequestType = Request;
  FRcvdHeader.clear();
  FAuthList.clear();
  FRequestDoneError = 0;
  FFailureNoted = false;
  FDocName.clear();
  FStatusCode = 0;
  FReasonPhrase.clear();
  FRcvdCount = FSentCount = 0;
  FHeaderLineCount = FBodyLineCount = FHeaderBytes = 0;
  FContentLength = -1;
  FContentType.clear();
  FSendFlag = FConnected = FLocationFlag = FHeaderFlag = FHeaderEnded = false;
  FRelocations = 0;
  FReceiveLen = 0;
  FLocation = URL;

  TUrlParts Url = ParseURL(URL, FPath);
  if (!Url.User.empty()) Username = Url.User;
  if (!Url.Pass.empty()) Password = Url.Pass;
  FTargetHost = Url.Host;
  FTargetPort = Url.Port.empty() ? "80" : Url.Port;
  FDocName = Url.Path;
  if (Proxy.empty()) {
    FHostName = FTargetHost;
    FPort = FTargetPort;
    FPath = Url.Path;
  } else {
    // A proxy gets the whole address in the request line.
    FPath = (Url.Proto.empty() ? "http" : Url.Proto) + "://" + Url.Host +
            (Url.Port.empty() ? "" : ":" + Url.Port) + Url.Path;
    TUrlParts ProxyUrl = ParseURL(Proxy);
    FHostName = ProxyUrl.Host;
    FPort = ProxyUrl.Port.empty() ? ProxyPort : ProxyUrl.Port;
  }
  if (FPath.empty()) FPath = "/";
  FDocName = DocNameFromPath(FDocName);

  FStarted = std::chrono::steady_clock::now();
  Touch();
  if (!FTimer)
    FTimer = FTarget.Loop().StartTimer(std::min(Timeout, Deadline), [this] { CheckProgress(); });
  StartLookup();
}

void THttpCli::StartLookup() {
  FDnsResult.clear();
  SetState(THttpState::Resolving);
  try {
    FCtrlSocket.SetLocalAddr(LocalAddr);
    FCtrlSocket.DnsLookup(FHostName);
  } catch (const std::exception& E) {
    FRequestDoneError = httperrRequestFailed;
    FStatusCode = 404;
    FReasonPhrase = E.what();
    FConnected = false;
    SetState(THttpState::Idle);
  }
}

void THttpCli::DoRequestSync(THttpRequest Request) {
  DoRequestAsync(Request);
  auto Token = FTarget.Token();
  while (Alive(Token) && FState != THttpState::Idle)
    FTarget.Loop().ProcessEvents(std::chrono::milliseconds(100));
  if (Alive(Token) && FStatusCode >= 400) throw EHttpException(FReasonPhrase, FStatusCode);
}

void THttpCli::Abort() {
  if (FState == THttpState::Idle) return;
  FLocationFlag = false;
  SetState(THttpState::Aborting);
  FRequestType = httpAbort;
  FailRequest(httperrAborted, "Connection aborted on request");
}

void THttpCli::SetState(THttpState NewState) {
  if (NewState == FState) return;
  FState = NewState;
  Touch();
  auto Token = FTarget.Token();
  if (OnStateChange) OnStateChange(*this);
  if (!Alive(Token) || NewState != THttpState::Idle || FState != THttpState::Idle) return;
  if (FTimer) FTarget.Loop().StopTimer(FTimer);
  FTimer = 0;
  // Nothing more comes on this connection that the request wants.
  CloseSocketQuietly();
  FTarget.Post([this, Request = FRequestType, Error = FRequestDoneError] {
    if (OnRequestDone) OnRequestDone(*this, Request, Error);
  });
}

void THttpCli::PostIdle() {
  FTarget.Post([this, Serial = FRequestSerial] {
    if (Serial == FRequestSerial) SetState(THttpState::Idle);
  });
}

void THttpCli::CheckProgress() {
  FTimer = 0;
  if (FState == THttpState::Idle) return;
  auto Now = std::chrono::steady_clock::now();
  auto Quiet = Now - FLastProgress;
  auto Running = Now - FStarted;
  if (Running >= Deadline)
    return FailRequest(WSAETIMEDOUT, "No complete answer within " + DurationText(Deadline));
  if (Quiet >= Timeout) return FailRequest(WSAETIMEDOUT, ErrorText(WSAETIMEDOUT));
  auto Left =
      std::chrono::ceil<std::chrono::milliseconds>(std::min(Timeout - Quiet, Deadline - Running));
  FTimer = FTarget.Loop().StartTimer(Left, [this] { CheckProgress(); });
}

// Ends the running request at once with Error.
void THttpCli::FailRequest(int Error, const std::string& Reason) {
  if (FState == THttpState::Idle) return;
  NoteFailure(Error, Reason);
  FStatusCode = 404;
  FConnected = false;
  FLocationFlag = false;
  SetState(THttpState::Idle);
}

// Records why the request fails, for the end that follows.
void THttpCli::NoteFailure(int Error, const std::string& Reason) {
  if (FState == THttpState::Idle) return;
  FRequestDoneError = Error;
  FReasonPhrase = Reason;
  FFailureNoted = true;
}

void THttpCli::CloseSocketQuietly() {
  FCtrlSocket.OnSessionClosed = nullptr;
  if (FCtrlSocket.State() != wsClosed || FCtrlSocket.HSocket() >= 0) FCtrlSocket.Abort();
  FCtrlSocket.CancelDnsLookup();
  FCtrlSocket.OnSessionClosed = [this](TCustomWSocket&, int E) { SocketSessionClosed(E); };
}

// ---- socket events ----

void THttpCli::SocketDnsLookupDone(int Error) {
  if (FState != THttpState::Resolving) return;
  if (Error != 0) {
    FRequestDoneError = Error;
    FStatusCode = 404;
    FReasonPhrase = "can't resolve hostname to IP address";
    FFailureNoted = true;
    SocketSessionClosed(Error);
    return;
  }
  FDnsResult = FCtrlSocket.DnsResult();
  SetState(THttpState::Resolved);
  auto Token = FTarget.Token();
  try {
    FCtrlSocket.SetAddr(FDnsResult);
    FCtrlSocket.SetLocalAddr(LocalAddr);
    FCtrlSocket.SetPort(FPort);
    FCtrlSocket.SetProto("tcp");
    FCtrlSocket.MultiThreaded = MultiThreaded;
    FCtrlSocket.SetSocksServer(SocksServer);
    FCtrlSocket.SetSocksPort(SocksPort);
    if (!SocksLevel.empty()) FCtrlSocket.SetSocksLevel(SocksLevel);
    FCtrlSocket.SocksUsercode = SocksUsercode;
    FCtrlSocket.SocksPassword = SocksPassword;
    FCtrlSocket.SocksAuthentication = SocksAuthentication;
    FCtrlSocket.Connect();
  } catch (const std::exception&) {
    if (!Alive(Token) || FState != THttpState::Resolved) return;
    int Error = FCtrlSocket.LastError();
    FRequestDoneError = Error;
    FStatusCode = 404;
    FReasonPhrase = "can't connect: " + ErrorText(Error);
    FFailureNoted = true;
    FCtrlSocket.Close();
    SocketSessionClosed(Error);
  }
}

void THttpCli::SocketSessionConnected(int Error) {
  if (FState != THttpState::Resolved) return;
  if (Error != 0) {
    FRequestDoneError = Error;
    FStatusCode = 404;
    FReasonPhrase = ErrorText(Error);
    FFailureNoted = true;
    SocketSessionClosed(Error);
    return;
  }
  auto Token = FTarget.Token();
  FConnected = true;
  SetState(THttpState::Connected);
  if (OnSessionConnected) OnSessionConnected(*this);
  if (!Alive(Token) || FState != THttpState::Connected) return;
  FNext = &THttpCli::GetHeaderLineNext;
  SetState(THttpState::AwaitingHeader);
  if (!Alive(Token) || FState != THttpState::AwaitingHeader) return;  // aborted meanwhile
  try {
    static const char* const Methods[] = {"", "GET", "POST", "HEAD"};
    SendRequest(Methods[FRequestType], "1.0");
    if (!Alive(Token) || FState != THttpState::AwaitingHeader) return;  // sending failed
    if (FRequestType == httpPOST) {
      if (OnSendBegin) OnSendBegin(*this);
      FSendFlag = true;
      SocketDataSent();
    }
  } catch (const std::exception& E) {
    // Without this the closed connection would pass for a complete answer.
    if (!Alive(Token)) return;
    auto* Http = dynamic_cast<const EHttpException*>(&E);
    FailRequest(Http ? Http->ErrorCode : httperrRequestFailed, E.what());
  }
}

void THttpCli::SocketErrorTransfer() {
  auto Token = FTarget.Token();
  if (OnSocketError) OnSocketError(*this);
  if (!Alive(Token) || FState == THttpState::Idle) return;
  // The socket's report ends the request: the caller waits for OnRequestDone.
  int Error = FCtrlSocket.LastError() ? FCtrlSocket.LastError() : WSAEINVAL;
  const std::string& Msg = FCtrlSocket.LastErrorMessage();
  std::string Reason = Msg.compare(0, 6, "Error ") == 0 ? ErrorText(Error) : Msg;
  if (FState == THttpState::Resolved) Reason = "can't connect: " + Reason;
  FailRequest(Error, Reason);
}

void THttpCli::SocketDataAvailable() {
  try {
    int Room = LineBufferSize - FReceiveLen;
    if (Room < 1) throw EHttpException("HTTP line too long", httperrOverflow);
    int Len = FCtrlSocket.Receive(FReceiveBuffer + FReceiveLen, Room);
    if (FRequestType == httpAbort || Len <= 0) return;
    Touch();
    FReceiveLen += Len;
    FReceiveBuffer[FReceiveLen] = 0;
    if (FState == THttpState::ReceivingBody) {
      int Count = FReceiveLen;
      FReceiveLen = 0;
      return GetBodyLineNext(FReceiveBuffer, Count);
    }
    auto Token = FTarget.Token();
    while (FReceiveLen > 0) {
      auto* Lf = static_cast<char*>(std::memchr(FReceiveBuffer, '\n', FReceiveLen));
      if (!Lf) break;
      int Used = static_cast<int>(Lf - FReceiveBuffer) + 1;
      int LineLen = Used - 1;
      if (LineLen > 0 && FReceiveBuffer[LineLen - 1] == '\r') --LineLen;
      std::string Line(FReceiveBuffer, LineLen);
      FLineEnd.assign(FReceiveBuffer + LineLen, Used - LineLen);
      FReceiveLen -= Used;
      std::memmove(FReceiveBuffer, FReceiveBuffer + Used, FReceiveLen);
      FReceiveBuffer[FReceiveLen] = 0;
      if (FState != THttpState::AwaitingHeader && FState != THttpState::ReceivingBody) continue;
      if (!FNext) {
        PostIdle();
        continue;
      }
      (this->*FNext)(Line.data(), static_cast<int>(Line.size()));
      if (!Alive(Token)) return;
      if (FState == THttpState::ReceivingBody && FReceiveLen > 0) {
        // The body began inside this buffer: the rest is body as it came,
        // not lines.
        int Rest = FReceiveLen;
        FReceiveLen = 0;
        GetBodyLineNext(FReceiveBuffer, Rest);
        return;
      }
    }
  } catch (const EHttpException& E) {
    NoteFailure(E.ErrorCode, E.what());
    throw;  // the socket closes the connection
  } catch (const std::exception& E) {
    NoteFailure(httperrBadResponse, E.what());
    throw;
  }
}

void THttpCli::SocketDataSent() {
  Touch();
  if (!FSendFlag) return;
  char Buffer[8193];
  std::streamsize Count = 0;
  if (SendStream && SendStream->good()) {
    SendStream->read(Buffer, sizeof Buffer);
    Count = SendStream->gcount();
  }
  if (Count > 0) {
    FSentCount += Count;
    if (OnSendData) OnSendData(*this, Buffer, static_cast<int>(Count));
    FCtrlSocket.Send(Buffer, static_cast<int>(Count));
    return;
  }
  FSendFlag = false;
  if (OnSendEnd) OnSendEnd(*this);
}

void THttpCli::SocketSessionClosed(int Error) {
  if (FState == THttpState::Idle) return;
  // A reset or other loss is the cause, not the status line that came before.
  if (Error != 0 && !FFailureNoted) NoteFailure(Error, ErrorText(Error));
  FConnected = false;
  auto Token = FTarget.Token();
  if (FHeaderFlag) {
    if (!LeaveHeader()) return;
    // A header cut off for being too long moves nowhere.
    if (FLocationFlag && !FFailureNoted) return LocationSessionClosed();
  }
  if (FState == THttpState::AwaitingHeader && !FHeaderEnded) {
    // The answer broke off before its header was complete.
    if (!FFailureNoted)
      NoteFailure(httperrBadResponse, "Connection closed before the end of the header");
    if (FStatusCode == 0) FStatusCode = 404;
    return PostIdle();
  }
  if (FBodyLineCount > 0 && OnDocEnd) OnDocEnd(*this);
  if (Alive(Token)) PostIdle();
}

void THttpCli::LocationSessionClosed() {
  FCtrlSocket.OnSessionClosed = [this](TCustomWSocket&, int E) { SocketSessionClosed(E); };
  if (++FRelocations > MaxRelocations)
    return FailRequest(httperrTooManyRelocations,
                       "Too many relocations (more than " + std::to_string(MaxRelocations) + ")");
  FLocation = FLocation.substr(0, FLocation.find('#'));
  FPath = FPath.substr(0, FPath.find('#'));
  FDocName = DocNameFromPath(ParseURL(FLocation).Path);
  FConnected = false;
  FLocationFlag = false;
  FHeaderEnded = false;
  if (FRequestType == httpPOST) FRequestType = httpGET;
  auto Token = FTarget.Token();
  if (OnLocationChange) OnLocationChange(*this);
  if (!Alive(Token)) return;
  FRcvdHeader.clear();
  FHeaderLineCount = FBodyLineCount = FHeaderBytes = 0;
  FContentLength = -1;
  FContentType.clear();
  FStatusCode = 0;
  FReasonPhrase.clear();
  FReceiveLen = 0;
  FTarget.Post([this, Serial = FRequestSerial] {
    if (Serial == FRequestSerial && FState != THttpState::Idle) StartLookup();
  });
}

// ---- the request ----

std::vector<std::string> THttpCli::RequestLines(const std::string& Method,
                                                const std::string& Version) {
  std::vector<std::string> Lines;
  bool Post = FRequestType == httpPOST;
  Lines.push_back(Method + " " + FPath + " HTTP/" + Version);
  if (!Sender.empty()) Lines.push_back("From: " + Sender);
  if (!Accept.empty()) Lines.push_back("Accept: " + Accept);
  if (!Reference.empty()) Lines.push_back("Referer: " + Reference);
  if (!AcceptLanguage.empty()) Lines.push_back("Accept-Language: " + AcceptLanguage);
  if (Post && !ContentTypePost.empty()) Lines.push_back("Content-Type: " + ContentTypePost);
  if (!Agent.empty()) Lines.push_back("User-Agent: " + Agent);
  Lines.push_back("Host: " + FTargetHost);
  if (NoCache) Lines.push_back("Pragma: no-cache");
  if (Post) {
    std::streamoff Size = 0;
    if (SendStream) {
      auto Here = SendStream->tellg();
      SendStream->seekg(0, std::ios::end);
      Size = SendStream->tellg();
      SendStream->seekg(Here);
    }
    Lines.push_back("Content-Length: " + std::to_string(Size));
  }
  if (ModifiedSince != 0) Lines.push_back("If-Modified-Since: " + HttpDate(ModifiedSince) + " GMT");
  if (!Username.empty())
    Lines.push_back("Authorization: Basic " + Base64Encode(Username + ":" + Password));
  if (!Proxy.empty() && !ProxyUsername.empty())
    Lines.push_back("Proxy-Authorization: Basic " +
                    Base64Encode(ProxyUsername + ":" + ProxyPassword));
  if (!Cookie.empty()) Lines.push_back("Cookie: " + Cookie);
  if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
    Lines.push_back("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
    ContentRangeBegin.clear();
    ContentRangeEnd.clear();
  }
  return Lines;
}

void THttpCli::SendRequest(const std::string& Method, const std::string& Version) {
  auto Token = FTarget.Token();
  if (OnRequestHeaderBegin) OnRequestHeaderBegin(*this);
  std::vector<std::string> Lines = RequestLines(Method, Version);
  FAcceptRanges.clear();
  if (OnBeforeHeaderSend) OnBeforeHeaderSend(*this, Method, Lines);
  std::string Header;
  for (auto& Line : Lines) {
    if (OnCommand) OnCommand(*this, Line);
    if (!Line.empty()) Header += Line + "\r\n";
  }
  if (OnRequestHeaderEnd) OnRequestHeaderEnd(*this);
  std::string Last;
  if (OnCommand) OnCommand(*this, Last);
  Header += Last + "\r\n";
  if (Alive(Token)) FCtrlSocket.SendStr(Header);
}

// ---- the answer ----

void THttpCli::GetHeaderLineNext(const char* Data, int Len) {
  auto Token = FTarget.Token();
  if (FHeaderLineCount == 0) {
    FHeaderFlag = true;
    if (OnHeaderBegin) OnHeaderBegin(*this);
    if (!Alive(Token)) return;
  }
  ++FHeaderLineCount;
  // A server must not make the client hold or wait on a header without end.
  FHeaderBytes += Len + static_cast<int>(FLineEnd.size());
  if (FHeaderBytes > MaxHeaderBytes) throw EHttpException("HTTP header too large", httperrOverflow);
  std::string Line(Data, Len);
  if (Len >= 6 && SameText(Line.substr(0, 6), "<HTML>")) {
    // No header at all: the answer is the document.
    if (FContentType.empty()) FContentType = "text/html";
    FHeaderEnded = true;
    if (!EnterBody()) return;
    Line += FLineEnd;
    return GetBodyLineNext(Line.data(), static_cast<int>(Line.size()));
  }
  if (Line.empty()) return HeaderEnd();
  FRcvdHeader.push_back(Line);
  if (Line.compare(0, 8, "HTTP/1.0") == 0 || Line.compare(0, 8, "HTTP/1.1") == 0) {
    FStatusCode = static_cast<int>(ToInteger(Line.size() > 9 ? Line.substr(9, 3) : ""));
    FReasonPhrase = Line.size() > 13 ? Line.substr(13) : "";
  } else if (Line.find(':') != std::string::npos) {
    HeaderField(Line);
    if (!Alive(Token)) return;
  }
  if (OnHeaderData) OnHeaderData(*this);
}

void THttpCli::HeaderField(const std::string& Line) {
  size_t Colon = Line.find(':');
  std::string Name = LowerCase(Line.substr(0, Colon));
  size_t ValueStart = Line.find_first_not_of(' ', Colon + 1);
  std::string Value = ValueStart == std::string::npos ? "" : Line.substr(ValueStart);
  if (Name == "location") {
    NoteLocation(Value);
  } else if (Name == "content-length") {
    FContentLength = ToInteger(Value);
  } else if (Name == "content-range") {
    size_t Dash = Value.find('-');
    size_t Slash = Value.find('/');
    if (Value.size() > 6 && Dash != std::string::npos && Dash >= 6)
      ContentRangeBegin = Value.substr(6, Dash - 6);
    if (Dash != std::string::npos)
      ContentRangeEnd =
          Value.substr(Dash + 1, Slash == std::string::npos ? std::string::npos : Slash - Dash - 1);
  } else if (Name == "accept-ranges") {
    FAcceptRanges = Value;
  } else if (Name == "content-type") {
    FContentType = LowerCase(Value);
  } else if (Name == "www-authenticate") {
    FAuthList.push_back(Value);
  } else if (Name == "set-cookie") {
    bool AcceptCookie = true;
    if (OnCookie) OnCookie(*this, Value, AcceptCookie);
  }
}

void THttpCli::HeaderEnd() {
  FHeaderEnded = true;
  if (FLocationFlag) {
    if (!LeaveHeader()) return;
    FReceiveLen = 0;
    FHeaderLineCount = FBodyLineCount = 0;
    FCtrlSocket.OnSessionClosed = [this](TCustomWSocket&, int) { LocationSessionClosed(); };
    FCtrlSocket.Close();
    return;
  }
  if (FContentLength == 0) {
    if (LeaveHeader()) PostIdle();
    return;
  }
  std::string Ext = FDocName.rfind('.') == std::string::npos
                        ? ""
                        : LowerCase(FDocName.substr(FDocName.rfind('.')));
  if ((Ext.empty() || Ext == ".exe") && FContentType == "text/html")
    FDocName = FDocName.substr(0, FDocName.rfind('.')) + ".htm";
  if (!EnterBody()) return;
  if (FReceiveLen > 0) {
    int Rest = FReceiveLen;
    FReceiveLen = 0;
    GetBodyLineNext(FReceiveBuffer, Rest);
  }
}

bool THttpCli::EnterBody() {
  SetState(THttpState::ReceivingBody);
  FNext = &THttpCli::GetBodyLineNext;
  return LeaveHeader();
}

bool THttpCli::LeaveHeader() {
  FHeaderFlag = false;
  auto Token = FTarget.Token();
  if (OnHeaderEnd) OnHeaderEnd(*this);
  return Alive(Token);
}

void THttpCli::GetBodyLineNext(const char* Data, int Len) {
  auto Token = FTarget.Token();
  if (FBodyLineCount == 0 && OnDocBegin) {
    OnDocBegin(*this);
    if (!Alive(Token)) return;
  }
  ++FBodyLineCount;
  FRcvdCount += Len;
  if (RcvdStream) RcvdStream->write(Data, Len);
  if (OnDocData) OnDocData(*this, Data, Len);
  // An answer is complete at its announced length, whether or not the server
  // closes the connection then.
  if (Alive(Token) && FContentLength >= 0 && FRcvdCount >= FContentLength &&
      FCtrlSocket.State() == wsConnected)
    FCtrlSocket.Close();
}

// ---- relocation ----

std::string THttpCli::TargetRoot() const {
  return "http://" + FTargetHost + (FTargetPort == "80" ? "" : ":" + FTargetPort);
}

void THttpCli::NoteLocation(const std::string& Value) {
  FLocationFlag = true;
  if (!Value.empty() && Value[0] == '/') {
    FLocation = TargetRoot() + Value;
    FPath = Proxy.empty() ? Value : FLocation;
  } else if (StartsWithText("http://", Value)) {
    TUrlParts Url = ParseURL(Value);
    FLocation = Value;
    std::string NewPort = Url.Port.empty() ? "80" : Url.Port;
    if (!Url.User.empty() && !Url.Pass.empty()) {
      Username = Url.User;
      Password = Url.Pass;
    }
    if (Proxy.empty()) FPort = NewPort;
    if (!Url.Host.empty()) {
      FTargetHost = Url.Host;
      FTargetPort = NewPort;
      if (Proxy.empty()) FHostName = Url.Host;
      std::string Path = Url.Path.empty() ? "/" : Url.Path;
      FPath = Proxy.empty() ? Path : TargetRoot() + Path;
    }
  } else {
    FPath = RelativePath(FPath, Value);
    FLocation = Proxy.empty() ? TargetRoot() + FPath : FPath;
  }
}

}  // namespace tolvar
