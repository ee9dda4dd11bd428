#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace tolvar::fuzz {

TLoopbackServer::TLoopbackServer(TEventLoop& Loop) : FLoop(Loop) {
  FListen = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in Addr{};
  Addr.sin_family = AF_INET;
  Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof Addr;
  if (FListen < 0 || bind(FListen, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0 ||
      listen(FListen, 64) != 0 ||
      getsockname(FListen, reinterpret_cast<sockaddr*>(&Addr), &Len) != 0) {
    std::perror("loopback server");
    std::abort();
  }
  FPort = std::to_string(ntohs(Addr.sin_port));
  FLoop.Watch(FListen, TEventLoop::evRead, [this](unsigned) { Accept(); });
}

TLoopbackServer::~TLoopbackServer() {
  CloseAll();
  FLoop.Unwatch(FListen);
  close(FListen);
}

void TLoopbackServer::Serve(std::string Reply, size_t Piece) {
  FReply = std::move(Reply);
  FPiece = std::max<size_t>(Piece, 1);
}

void TLoopbackServer::CloseAll() {
  while (!FConns.empty()) Close(FConns.begin()->first);
}

void TLoopbackServer::Accept() {
  for (;;) {
    int Fd = accept4(FListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (Fd < 0) return;
    FConns[Fd] = {};
    FLoop.Watch(Fd, TEventLoop::evRead | TEventLoop::evWrite,
                [this, Fd](unsigned Events) { Ready(Fd, Events); });
  }
}

void TLoopbackServer::Ready(int Fd, unsigned Events) {
  auto It = FConns.find(Fd);
  if (It == FConns.end()) return;
  TConn& Conn = It->second;
  if (Events & TEventLoop::evWrite && !Conn.Shut) {
    size_t Count = std::min(FPiece, FReply.size() - Conn.Sent);
    ssize_t N = Count ? send(Fd, FReply.data() + Conn.Sent, Count, MSG_NOSIGNAL) : 0;
    if (N > 0) Conn.Sent += static_cast<size_t>(N);
    if (N < 0 && errno != EAGAIN) return Close(Fd);
    if (Conn.Sent == FReply.size()) {
      shutdown(Fd, SHUT_WR);
      Conn.Shut = true;
      FLoop.Watch(Fd, TEventLoop::evRead, [this, Fd](unsigned E) { Ready(Fd, E); });
    }
  }
  if (Events & TEventLoop::evRead) {
    char Buffer[4096];
    ssize_t N = recv(Fd, Buffer, sizeof Buffer, 0);
    if (N == 0 || (N < 0 && errno != EAGAIN)) Close(Fd);
  }
}

void TLoopbackServer::Close(int Fd) {
  FLoop.Unwatch(Fd);
  close(Fd);
  FConns.erase(Fd);
}

}  // namespace tolvar::fuzz
