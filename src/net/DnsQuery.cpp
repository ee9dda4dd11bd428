#include "net/DnsQuery.h"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>

#include <cstdlib>
#include <mutex>

#include "net/WSocketErrors.h"

namespace tolvar {

namespace {

std::mutex ServersLock;
std::string ServersOverride;
bool ServersSet = false;

std::string ConfiguredServers() {
  std::lock_guard Lock(ServersLock);
  if (ServersSet) return ServersOverride;
  const char* Env = std::getenv("TOLVAR_DNS_SERVERS");
  return Env ? Env : "";
}

int WinsockErrorFromAres(int Status) {
  switch (Status) {
    case ARES_SUCCESS:
      return 0;
    case ARES_ENOTFOUND:
    case ARES_ENONAME:
    // With only the hosts file to ask (or no server reachable) c-ares reports a
    // miss as a refused connection.
    case ARES_ECONNREFUSED:
      return WSAHOST_NOT_FOUND;
    case ARES_ENODATA:
      return WSANO_DATA;
    case ARES_ESERVFAIL:
    case ARES_ETIMEOUT:
      return WSATRY_AGAIN;
    case ARES_ENOMEM:
      return WSAENOBUFS;
    default:
      return WSANO_RECOVERY;
  }
}

}  // namespace

void TDnsQuery::SetServers(const std::string& Servers) {
  std::lock_guard Lock(ServersLock);
  ServersOverride = Servers;
  ServersSet = !Servers.empty();
}

TDnsQuery::TDnsQuery(TEventLoop& Loop) : FLoop(Loop), FTarget(Loop) {}

TDnsQuery::~TDnsQuery() {
  FFinished = FDestroying = true;  // nothing raised by the destruction is delivered
  if (FTimer) FLoop.StopTimer(FTimer);
  for (int Fd : FWatched) FLoop.Unwatch(Fd);
  FWatched.clear();
  if (FChannel) ares_destroy(FChannel);
}

int TDnsQuery::Init() {
  static std::once_flag LibraryInit;
  static int LibraryStatus = ARES_SUCCESS;
  std::call_once(LibraryInit, [] { LibraryStatus = ares_library_init(ARES_LIB_INIT_ALL); });
  if (LibraryStatus != ARES_SUCCESS) return WSANOTINITIALISED;

  ares_options Options{};
  Options.sock_state_cb = &TDnsQuery::SockStateCallback;
  Options.sock_state_cb_data = this;
  int Status = ares_init_options(&FChannel, &Options, ARES_OPT_SOCK_STATE_CB);
  if (Status != ARES_SUCCESS) return WinsockErrorFromAres(Status);
  std::string Servers = ConfiguredServers();
  if (!Servers.empty()) {
    Status = ares_set_servers_ports_csv(FChannel, Servers.c_str());
    if (Status != ARES_SUCCESS) return WSAEINVAL;
  }
  return 0;
}

int TDnsQuery::Lookup(const std::string& Name, TDone Done) {
  if (int Error = Init()) return Error;
  FDone = std::move(Done);
  ares_gethostbyname(FChannel, Name.c_str(), AF_INET, &TDnsQuery::HostCallback, this);
  ScheduleTimeout();
  return 0;
}

int TDnsQuery::ReverseLookup(in_addr Addr, TDone Done) {
  if (int Error = Init()) return Error;
  FDone = std::move(Done);
  ares_gethostbyaddr(FChannel, &Addr, sizeof Addr, AF_INET, &TDnsQuery::ReverseCallback, this);
  ScheduleTimeout();
  return 0;
}

// The three callbacks are called from inside c-ares (C): nothing may leave
// them. A lookup that cannot be followed ends with an error instead.
void TDnsQuery::SockStateCallback(void* Data, int Fd, int Readable, int Writable) noexcept {
  auto* Query = static_cast<TDnsQuery*>(Data);
  try {
    Query->SocketState(Fd, Readable, Writable);
  } catch (...) {
    Query->Fail(WSAENOBUFS);
  }
}

void TDnsQuery::SocketState(int Fd, bool Readable, bool Writable) {
  // Also after the answer: c-ares closes its sockets after the callback, and
  // the loop must not watch a descriptor number that a new socket may get.
  if (FDestroying) return;
  unsigned Events = (Readable ? TEventLoop::evRead : 0) | (Writable ? TEventLoop::evWrite : 0);
  if (Events == 0) {
    FLoop.Unwatch(Fd);
    FWatched.erase(Fd);
    return;
  }
  FWatched.insert(Fd);
  FLoop.Watch(Fd, Events, [this, Fd](unsigned Ready) {
    Process(Ready & TEventLoop::evRead ? Fd : ARES_SOCKET_BAD,
            Ready & TEventLoop::evWrite ? Fd : ARES_SOCKET_BAD);
  });
}

void TDnsQuery::Process(int ReadFd, int WriteFd) {
  ares_process_fd(FChannel, ReadFd, WriteFd);
  ScheduleTimeout();
}

void TDnsQuery::ScheduleTimeout() {
  if (FTimer) FLoop.StopTimer(FTimer);
  FTimer = 0;
  timeval Wait;
  if (FFinished || !ares_timeout(FChannel, nullptr, &Wait)) return;
  auto Ms = std::chrono::milliseconds(Wait.tv_sec * 1000 + (Wait.tv_usec + 999) / 1000);
  FTimer = FLoop.StartTimer(Ms, [this] {
    FTimer = 0;
    Process(ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // lets c-ares retry or give up
  });
}

void TDnsQuery::HostCallback(void* Arg, int Status, int, hostent* Host) noexcept {
  static_cast<TDnsQuery*>(Arg)->Answer(Status, Host, false);
}

void TDnsQuery::ReverseCallback(void* Arg, int Status, int, hostent* Host) noexcept {
  static_cast<TDnsQuery*>(Arg)->Answer(Status, Host, true);
}

void TDnsQuery::Answer(int Status, const hostent* Host, bool Reverse) noexcept {
  try {
    Finish(Status, Host, Reverse);
  } catch (...) {
    Fail(WSAENOBUFS);
  }
}

void TDnsQuery::Fail(int Error) noexcept {
  FFinished = true;
  try {
    FTarget.Post([this, Error] { Deliver(Error, {}); });
  } catch (...) {
    // Not even a message can be posted: nothing is left to report through.
  }
}

void TDnsQuery::Deliver(int Error, const std::vector<std::string>& Results) {
  if (FTimer) FLoop.StopTimer(FTimer);
  FTimer = 0;
  if (!FDone) return;            // answered already
  auto Done = std::move(FDone);  // the callback may destroy this query
  FDone = nullptr;
  Done(Error, Results);
}

void TDnsQuery::Finish(int Status, const hostent* Host, bool Reverse) {
  if (FFinished) return;
  FFinished = true;
  std::vector<std::string> Results;
  if (Status == ARES_SUCCESS && Host) {
    if (Reverse) {
      if (Host->h_name) Results.emplace_back(Host->h_name);
      for (char** Alias = Host->h_aliases; Alias && *Alias; ++Alias) Results.emplace_back(*Alias);
    } else {
      for (char** A = Host->h_addr_list; A && *A; ++A) {
        char Text[INET_ADDRSTRLEN];
        if (inet_ntop(AF_INET, *A, Text, sizeof Text)) Results.emplace_back(Text);
      }
    }
  }
  int Error = WinsockErrorFromAres(Status);
  if (Error == 0 && Results.empty()) Error = WSANO_DATA;
  // c-ares may answer from inside the call that started the lookup, and a
  // channel must not be destroyed from its own callback: deliver later.
  FTarget.Post([this, Error, Results = std::move(Results)] { Deliver(Error, Results); });
}

}  // namespace tolvar
