#pragma once
// One asynchronous name lookup through c-ares, driven by an event loop: the
// resolver's sockets and timeouts are watched by the loop, and the answer is
// delivered as a posted message, never from inside the call that started it.
#include <netinet/in.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "net/EventLoop.h"

struct ares_channeldata;
struct hostent;

namespace tolvar {

class TDnsQuery {
 public:
  // Error is a Windows Sockets number, 0 on success. Results are dotted IPv4
  // addresses for a forward lookup, host names for a reverse one. The query may
  // be destroyed inside the callback.
  using TDone = std::function<void(int Error, const std::vector<std::string>& Results)>;

  explicit TDnsQuery(TEventLoop& Loop);
  ~TDnsQuery();  // cancels: Done is not called afterwards
  TDnsQuery(const TDnsQuery&) = delete;
  TDnsQuery& operator=(const TDnsQuery&) = delete;

  // Each returns 0, or the Windows Sockets error that kept the lookup from starting.
  int Lookup(const std::string& Name, TDone Done);
  int ReverseLookup(in_addr Addr, TDone Done);

  // Name servers for every later lookup, as "ip[:port],...", instead of the
  // system's; empty returns to the system's (or $TOLVAR_DNS_SERVERS when set).
  static void SetServers(const std::string& Servers);

 private:
  int Init();
  void SocketState(int Fd, bool Readable, bool Writable);
  void Process(int ReadFd, int WriteFd);
  void ScheduleTimeout();
  void Finish(int Status, const hostent* Host, bool Reverse);
  // Finish, or Fail when Finish cannot complete.
  void Answer(int Status, const hostent* Host, bool Reverse) noexcept;
  // Ends the lookup with Error, delivered later.
  void Fail(int Error) noexcept;
  // Hands the answer to Done, once.
  void Deliver(int Error, const std::vector<std::string>& Results);
  static void SockStateCallback(void* Data, int Fd, int Readable, int Writable) noexcept;
  static void HostCallback(void* Arg, int Status, int Timeouts, hostent* Host) noexcept;
  static void ReverseCallback(void* Arg, int Status, int Timeouts, hostent* Host) noexcept;

  TEventLoop& FLoop;
  ares_channeldata* FChannel = nullptr;
  TDone FDone;
  std::set<int> FWatched;
  TEventLoop::TTimerId FTimer = 0;
  bool FFinished = false;
  bool FDestroying = false;
  TLoopTarget FTarget;
};

}  // namespace tolvar
