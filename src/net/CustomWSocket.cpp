#include "net/CustomWSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/WSocketErrors.h"
#include "net/WSocketResolve.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

std::string AddrText(const in_addr& Addr) {
  char Text[INET_ADDRSTRLEN];
  return inet_ntop(AF_INET, &Addr, Text, sizeof Text) ? Text : "error";
}

}  // namespace

TCustomWSocket::TCustomWSocket(TEventLoop& Loop) : FTarget(Loop) {
  AssignDefaultValue();
}

TCustomWSocket::~TCustomWSocket() {
  FDestroying = true;
  FDnsQuery.reset();
  if (FHSocket >= 0) {
    Loop().Unwatch(FHSocket);
    close(FHSocket);
  }
}

void TCustomWSocket::AssignDefaultValue() {
  FSin = sockaddr_in{};
  FSin.sin_family = AF_INET;
  FAddrResolved = FPortResolved = FLocalPortResolved = FProtoResolved = false;
  FAddrAssigned = FPortAssigned = false;
  FProtoAssigned = true;
  FProtoStr = "tcp";
  FProto = IPPROTO_TCP;
  FType = SOCK_STREAM;
  FLocalPortStr = "0";
  FLocalAddr = "0.0.0.0";
  LingerOnOff = wsLingerOn;
  LingerTimeout = 0;
  FHSocket = -1;
  FWatched = 0;
  FState = wsClosed;
  FAllSent = true;
  FPaused = false;
  FReadCount = 0;
  FCloseInvoked = false;
  FlushTimeout = 60;
}

// ---- settings ----

bool TCustomWSocket::AssignSetting(const char* What, const std::string& Value, std::string& Setting,
                                   bool* Resolved) {
  if (FState != wsClosed) {
    RaiseException(std::string("Cannot change ") + What + " if not closed");
    return false;
  }
  Setting = Trim(Value);
  if (Resolved) *Resolved = false;
  return true;
}

void TCustomWSocket::SetAddr(const std::string& Value) {
  if (AssignSetting("Addr", Value, FAddrStr, &FAddrResolved)) FAddrAssigned = !FAddrStr.empty();
}

void TCustomWSocket::SetPort(const std::string& Value) {
  if (AssignSetting("Port", Value, FPortStr, &FPortResolved)) FPortAssigned = !FPortStr.empty();
}

void TCustomWSocket::SetProto(const std::string& Value) {
  if (AssignSetting("Proto", Value, FProtoStr, &FProtoResolved))
    FProtoAssigned = !FProtoStr.empty();
}

void TCustomWSocket::SetLocalAddr(const std::string& Value) {
  if (AssignSetting("LocalAddr", Value, FLocalAddr) && FLocalAddr.empty()) FLocalAddr = "0.0.0.0";
}

void TCustomWSocket::SetLocalPort(const std::string& Value) {
  if (AssignSetting("LocalPort", Value, FLocalPortStr, &FLocalPortResolved) &&
      FLocalPortStr.empty())
    FLocalPortStr = "0";
}

int TCustomWSocket::GetPeerName(sockaddr_in& Name) const {
  socklen_t Len = sizeof Name;
  if (FHSocket < 0 || getpeername(FHSocket, reinterpret_cast<sockaddr*>(&Name), &Len) != 0)
    return -1;
  return 0;
}

int TCustomWSocket::GetSockName(sockaddr_in& Name) const {
  socklen_t Len = sizeof Name;
  if (FHSocket < 0 || getsockname(FHSocket, reinterpret_cast<sockaddr*>(&Name), &Len) != 0)
    return -1;
  return 0;
}

std::string TCustomWSocket::PeerAddr() const {
  sockaddr_in Name;
  if (FState != wsConnected || GetPeerName(Name) != 0) return "error";
  return AddrText(Name.sin_addr);
}

std::string TCustomWSocket::PeerPort() const {
  sockaddr_in Name;
  if (FState != wsConnected || GetPeerName(Name) != 0) return "error";
  return std::to_string(ntohs(Name.sin_port));
}

std::string TCustomWSocket::GetXAddr() const {
  sockaddr_in Name;
  return GetSockName(Name) == 0 ? AddrText(Name.sin_addr) : "error";
}

std::string TCustomWSocket::GetXPort() const {
  sockaddr_in Name;
  return GetSockName(Name) == 0 ? std::to_string(ntohs(Name.sin_port)) : "error";
}

// ---- error reporting ----

void TCustomWSocket::RaiseException(const std::string& Msg) {
  FLastErrorMessage = Msg;
  if (OnError) {
    TriggerError();
    return;
  }
  throw ESocketException(Msg);
}

void TCustomWSocket::SocketError(const std::string& Op, int Error) {
  std::string Msg =
      "Error " + std::to_string(Error) + " in function " + Op + "\r\n" + WSocketErrorDesc(Error);
  auto Token = LifeToken();
  // The connection is gone: say so before the report.
  if ((Error == WSAECONNRESET || Error == WSAENOTCONN) && !Closed()) InternalClose(false, Error);
  if (!Alive(Token)) return;
  FLastError = Error;
  RaiseException(Msg);
}

void TCustomWSocket::HandleBackgroundException(const std::exception& E) {
  bool CanClose = true;
  if (OnBgException) {
    try {
      OnBgException(*this, E, CanClose);
    } catch (...) {
      // The handler of last resort must not fail the event loop.
    }
  }
  if (CanClose) Abort();
}

void TCustomWSocket::Dispatch(const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (const std::exception& E) {
    HandleBackgroundException(E);
  } catch (...) {
    HandleBackgroundException(ESocketException("Unknown exception in socket event handler"));
  }
}

// ---- events ----

bool TCustomWSocket::TriggerDataAvailable(int Error) {
  if (!OnDataAvailable) return false;
  OnDataAvailable(*this, Error);
  return true;
}

void TCustomWSocket::TriggerSessionAvailable(int Error) {
  if (OnSessionAvailable) OnSessionAvailable(*this, Error);
}

void TCustomWSocket::TriggerSessionConnected(int Error) {
  if (OnSessionConnected) OnSessionConnected(*this, Error);
}

void TCustomWSocket::TriggerSessionClosed(int Error) {
  if (OnSessionClosed) OnSessionClosed(*this, Error);
}

void TCustomWSocket::TriggerDataSent(int Error) {
  if (OnDataSent) OnDataSent(*this, Error);
}

void TCustomWSocket::TriggerSendData(int BytesSent) {
  if (OnSendData) OnSendData(*this, BytesSent);
}

void TCustomWSocket::TriggerChangeState(TSocketState OldState, TSocketState NewState) {
  if (OnChangeState) OnChangeState(*this, OldState, NewState);
}

void TCustomWSocket::TriggerDnsLookupDone(int Error) {
  if (OnDnsLookupDone) OnDnsLookupDone(*this, Error);
}

void TCustomWSocket::TriggerError() {
  if (OnError) OnError(*this);
}

void TCustomWSocket::ChangeState(TSocketState NewState) {
  TSocketState Old = FState;
  FState = NewState;
  UpdateWatch();
  if (Old != NewState) TriggerChangeState(Old, NewState);
}

// ---- name lookup ----

void TCustomWSocket::DnsLookup(const std::string& HostName) {
  if (Trim(HostName).empty()) return LookupRefused();
  in_addr Addr;
  if (IsDottedAddress(HostName) && inet_aton(Trim(HostName).c_str(), &Addr)) {
    ClearLookup();
    FDnsResult = AddrText(Addr);
    FDnsResultList.push_back(FDnsResult);
    TriggerDnsLookupDone(0);
    return;
  }
  StartQuery(HostName, [&](TDnsQuery& Query, TDnsQuery::TDone Done) {
    return Query.Lookup(HostName, std::move(Done));
  });
}

void TCustomWSocket::ReverseDnsLookup(const std::string& HostAddr) {
  in_addr Addr;
  if (Trim(HostAddr).empty() || !inet_aton(Trim(HostAddr).c_str(), &Addr)) return LookupRefused();
  StartQuery(HostAddr, [&](TDnsQuery& Query, TDnsQuery::TDone Done) {
    return Query.ReverseLookup(Addr, std::move(Done));
  });
}

void TCustomWSocket::LookupRefused() {
  FLastError = WSAEINVAL;
  RaiseException("DNS lookup: invalid host name.");
  TriggerDnsLookupDone(WSAEINVAL);
}

void TCustomWSocket::ClearLookup() {
  CancelDnsLookup();
  FDnsResult.clear();
  FDnsResultList.clear();
}

void TCustomWSocket::StartQuery(const std::string& Name,
                                const std::function<int(TDnsQuery&, TDnsQuery::TDone)>& Start) {
  ClearLookup();
  FDnsQuery = std::make_unique<TDnsQuery>(Loop());
  int Error =
      Start(*FDnsQuery, [this](int E, const std::vector<std::string>& R) { DnsReply(E, R); });
  if (Error != 0) {
    FDnsQuery.reset();
    FLastError = Error;
    RaiseException(Name + ": can't start DNS lookup, error #" + std::to_string(Error));
  }
}

void TCustomWSocket::CancelDnsLookup() {
  FDnsQuery.reset();
}

void TCustomWSocket::DnsReply(int Error, const std::vector<std::string>& Results) {
  // The query has answered and touches nothing of its own after this call:
  // free it (and its resolver) on the way out.
  auto Finished = std::move(FDnsQuery);
  Dispatch([&] {
    if (Error == 0) {
      FDnsResultList = Results;
      FDnsResult = Results.front();
    }
    TriggerDnsLookupDone(Error);
  });
}

// ---- connection ----

bool TCustomWSocket::ResolveAll() {
  std::string Msg;
  int Error = 0;
  bool Ok =
      (FProtoResolved || ResolveProto(FProtoStr, FProto, FType, Msg, Error)) &&
      (FPortResolved || ResolvePort(FPortStr, FProtoStr, FSin.sin_port, Msg, Error)) &&
      (FLocalPortResolved || ResolvePort(FLocalPortStr, FProtoStr, FLocalPortNum, Msg, Error)) &&
      (FAddrResolved || ResolveHost(FAddrStr, FSin.sin_addr, Msg, Error));
  if (!Ok) {
    ResolveFailed("connect: " + Msg, Error);
    return false;
  }
  FProtoResolved = FPortResolved = FLocalPortResolved = FAddrResolved = true;
  return true;
}

void TCustomWSocket::ResolveFailed(const std::string& Msg, int Error) {
  FLastError = Error;
  RaiseException(Msg);
}

void TCustomWSocket::Connect() {
  // A refused call leaves no stale error number behind its report.
  auto Invalid = [this](const char* Msg) {
    FLastError = WSAEINVAL;
    RaiseException(Msg);
  };
  if (FHSocket >= 0 && FState != wsClosed) return Invalid("Connect: Socket already in use");
  if (!FPortAssigned) return Invalid("Connect: No Port Specified");
  if (!FAddrAssigned) return Invalid("Connect: No IP Address Specified");
  if (!FProtoAssigned) return Invalid("Connect: No Protocol Specified");
  if (!ResolveAll()) return;

  DeleteBufferedData();
  int Fd = socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProto);
  if (Fd < 0) return SocketError("Connect (socket)", WinsockErrorFromErrno(errno));
  AdoptHandle(Fd);
  ChangeState(wsOpened);
  if (FState != wsOpened)
    return SocketError("Connect (Invalid operation in OnChangeState)", WSAEINVAL);

  auto Token = LifeToken();
  SetSocketOptions();
  if (!Alive(Token) || FState != wsOpened) return;

  if (!IsStream()) {
    ChangeState(wsConnected);
    TriggerSessionConnected(0);
    return;
  }
  if (connect(Fd, reinterpret_cast<sockaddr*>(&FSin), sizeof FSin) == 0 || errno == EINPROGRESS) {
    ChangeState(wsConnecting);
    return;
  }
  int Error = WinsockErrorFromErrno(errno);
  if (Error == WSAECONNREFUSED || Error == WSAETIMEDOUT || Error == 10051 ||
      Error == WSAEHOSTUNREACH) {
    // Windows Sockets reports these through the connect notification, never
    // from the call itself.
    ChangeState(wsConnecting);
    PostNotification(FD_CONNECT, Error);
    return;
  }
  SocketError("Connect", Error);
}

void TCustomWSocket::SetSocketOptions() {
  auto SetOpt = [&](int Level, int Name, const void* Value, socklen_t Len, const char* What) {
    if (setsockopt(FHSocket, Level, Name, Value, Len) == 0) return true;
    SocketError(What, WinsockErrorFromErrno(errno));
    return false;
  };
  int On = 1;
  if (IsStream()) {
    if (!SetOpt(SOL_SOCKET, SO_REUSEADDR, &On, sizeof On, "setsockopt(SO_REUSEADDR)")) return;
    if ((ComponentOptions & wsoTcpNoDelay) &&
        !SetOpt(IPPROTO_TCP, TCP_NODELAY, &On, sizeof On, "setsockopt(IPPROTO_TCP, TCP_NODELAY)"))
      return;
    if (LingerOnOff != wsLingerNoSet) {
      linger Linger{LingerOnOff == wsLingerOn ? 1 : 0, LingerTimeout & 0xFFFF};
      if (!SetOpt(SOL_SOCKET, SO_LINGER, &Linger, sizeof Linger, "setsockopt(SO_LINGER)")) return;
    }
    if (!SetOpt(SOL_SOCKET, SO_KEEPALIVE, &On, sizeof On, "setsockopt(SO_KEEPALIVE)")) return;
    if (FLocalPortStr != "0" || FLocalAddr != "0.0.0.0") Bind();
    return;
  }
  if (ReuseAddr && !SetOpt(SOL_SOCKET, SO_REUSEADDR, &On, sizeof On, "setsockopt(SO_REUSEADDR)"))
    return;
  Bind();
  if (FState != wsOpened) return;
  if (MultiCast) {
    unsigned char Ttl = static_cast<unsigned char>(MultiCastIpTTL);
    if (!SetOpt(IPPROTO_IP, IP_MULTICAST_TTL, &Ttl, sizeof Ttl, "setsockopt(IP_MULTICAST_TTL)"))
      return;
    if (FLocalAddr != "0.0.0.0") {
      in_addr If{};
      inet_aton(FLocalAddr.c_str(), &If);
      if (!SetOpt(IPPROTO_IP, IP_MULTICAST_IF, &If, sizeof If, "setsockopt(IP_MULTICAST_IF)"))
        return;
    }
  }
  if (FSin.sin_addr.s_addr == INADDR_BROADCAST)
    SetOpt(SOL_SOCKET, SO_BROADCAST, &On, sizeof On, "setsockopt(SO_BROADCAST)");
}

void TCustomWSocket::Bind() {
  sockaddr_in Local{};
  Local.sin_family = AF_INET;
  std::string Msg;
  int Error = 0;
  if (!FLocalPortResolved && !ResolvePort(FLocalPortStr, FProtoStr, FLocalPortNum, Msg, Error))
    return ResolveFailed("Bind: " + Msg, Error);
  FLocalPortResolved = true;
  Local.sin_port = FLocalPortNum;
  if (!ResolveHost(FLocalAddr, Local.sin_addr, Msg, Error))
    return ResolveFailed("Bind: " + Msg, Error);
  if (bind(FHSocket, reinterpret_cast<sockaddr*>(&Local), sizeof Local) != 0)
    SocketError("bind", WinsockErrorFromErrno(errno));
}

void TCustomWSocket::AdoptHandle(int Fd) {
  FHSocket = Fd;
  ++FConnSerial;
  FWatched = 0;
  FReadArmed = true;
  FWriteArmed = false;
  FCloseInvoked = false;
}

void TCustomWSocket::Listen() {
  if (!FPortAssigned) return RaiseException("listen: port not assigned");
  if (FHSocket >= 0 && FState != wsClosed) return RaiseException("listen: socket already in use");
  std::string Msg;
  int Error = 0;
  if (!(FProtoResolved || ResolveProto(FProtoStr, FProto, FType, Msg, Error)) ||
      !ResolvePort(FPortStr, FProtoStr, FSin.sin_port, Msg, Error) ||
      !ResolveHost(FAddrAssigned ? FAddrStr : "0.0.0.0", FSin.sin_addr, Msg, Error))
    return ResolveFailed("listen: " + Msg, Error);
  FProtoResolved = true;
  int Fd = socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProto);
  if (Fd < 0) return SocketError("socket", WinsockErrorFromErrno(errno));
  AdoptHandle(Fd);
  ChangeState(wsOpened);
  int On = 1;
  // A restarted server must get its port back while old connections linger.
  if ((IsStream() || ReuseAddr) && setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &On, sizeof On) != 0)
    return SocketError("setsockopt(SO_REUSEADDR)", WinsockErrorFromErrno(errno));
  if (bind(Fd, reinterpret_cast<sockaddr*>(&FSin), sizeof FSin) != 0)
    return SocketError("bind", WinsockErrorFromErrno(errno));
  if (IsStream()) {
    if (listen(Fd, 5) != 0) return SocketError("listen", WinsockErrorFromErrno(errno));
  } else if (MultiCast) {
    ip_mreq Request{};
    inet_aton(MultiCastAddrStr.c_str(), &Request.imr_multiaddr);
    Request.imr_interface.s_addr = htonl(INADDR_ANY);
    if (setsockopt(Fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &Request, sizeof Request) != 0)
      return SocketError("setsockopt(IP_ADD_MEMBERSHIP)", WinsockErrorFromErrno(errno));
  }
  ChangeState(wsListening);
}

int TCustomWSocket::Accept() {
  if (FState != wsListening || !IsStream()) {
    FLastError = WSAEINVAL;
    RaiseException("not a listening socket");
    return -1;
  }
  int Fd = accept4(FHSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  int Errno = errno;
  FReadArmed = true;  // the next waiting connection is announced again
  UpdateWatch();
  if (Fd < 0) {
    FLastError = WinsockErrorFromErrno(Errno);
    if (FLastError != WSAEWOULDBLOCK) SocketError("accept", FLastError);
  }
  return Fd;
}

void TCustomWSocket::Dup(int NewHSocket) {
  if (NewHSocket < 0) {
    FLastError = WSAEINVAL;
    return RaiseException("Dup: invalid socket handle");
  }
  if (FHSocket >= 0 && FState != wsClosed) return RaiseException("Dup: socket already in use");
  fcntl(NewHSocket, F_SETFL, fcntl(NewHSocket, F_GETFL) | O_NONBLOCK);
  int Type = SOCK_STREAM;
  socklen_t Len = sizeof Type;
  getsockopt(NewHSocket, SOL_SOCKET, SO_TYPE, &Type, &Len);
  FType = Type;
  FProto = Type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP;
  FProtoStr = Type == SOCK_STREAM ? "tcp" : "udp";
  DeleteBufferedData();
  AdoptHandle(NewHSocket);
  ChangeState(wsConnected);
}

void TCustomWSocket::ShutDown(int How) {
  if (FHSocket >= 0) shutdown(FHSocket, How);
}

void TCustomWSocket::Pause() {
  FPaused = true;
  UpdateWatch();
}

void TCustomWSocket::Resume() {
  FPaused = false;
  UpdateWatch();
}

void TCustomWSocket::MessagePump() {
  Loop().ProcessEvents(std::chrono::milliseconds(0));
}

// ---- closing ----

void TCustomWSocket::InternalClose(bool Shut, int Error) {
  if (FHSocket < 0) {
    if (FState != wsClosed) ChangeState(wsClosed);
    AssignDefaultValue();
    return;
  }
  if (Shut) shutdown(FHSocket, SHUT_WR);
  Loop().Unwatch(FHSocket);
  if (close(FHSocket) != 0 && errno != EINTR) {
    FHSocket = -1;
    SocketError("Disconnect (closesocket)", WinsockErrorFromErrno(errno));
  }
  FHSocket = -1;
  FWatched = 0;
  DeleteBufferedData();
  auto Token = LifeToken();
  ChangeState(wsClosed);
  if (!Alive(Token)) return;
  bool Raise = !FCloseInvoked && !FDestroying;
  FCloseInvoked = true;
  // Defaults first, so that the closed handler may set up a new connection.
  AssignDefaultValue();
  if (Raise) TriggerSessionClosed(Error);
}

void TCustomWSocket::Close() {
  InternalClose(true, 0);
}

void TCustomWSocket::CloseDelayed() {
  PostForConnection([this] { Dispatch([this] { Close(); }); });
}

void TCustomWSocket::Release() {
  FTarget.Post([this] { delete this; });
}

void TCustomWSocket::Abort() {
  CancelDnsLookup();
  DeleteBufferedData();
  if (FHSocket >= 0 && FState == wsConnected && IsStream()) {
    linger Off{0, 0};
    setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &Off, sizeof Off);
  }
  InternalClose(false, 0);
}

void TCustomWSocket::Flush() {
  using namespace std::chrono;
  auto End = steady_clock::now() + seconds(FlushTimeout);
  auto Token = LifeToken();
  while (FHSocket >= 0 && !FAllSent && steady_clock::now() < End) {
    TryToSend();
    if (!Alive(Token)) return;
    if (FHSocket < 0 || FAllSent) break;
    Loop().ProcessEvents(milliseconds(50));
    if (!Alive(Token)) return;
  }
}

void TCustomWSocket::WaitForClose() {
  auto Token = LifeToken();
  while (Alive(Token) && FHSocket >= 0 && FState != wsClosed)
    Loop().ProcessEvents(std::chrono::milliseconds(100));
}

}  // namespace tolvar
