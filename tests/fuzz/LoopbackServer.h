#pragma once
// A TCP server on 127.0.0.1 that runs on the client's own event loop and
// answers every connection with the same bytes, in pieces of a given size,
// then closes its sending side. It reads and drops what the client sends.
#include <cstddef>
#include <map>
#include <string>

#include "net/EventLoop.h"

namespace tolvar::fuzz {

class TLoopbackServer {
 public:
  explicit TLoopbackServer(TEventLoop& Loop);
  ~TLoopbackServer();
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  const std::string& Port() const { return FPort; }
  // The answer of every connection accepted from now on.
  void Serve(std::string Reply, size_t Piece);
  // Closes the connections still open.
  void CloseAll();

 private:
  struct TConn {
    size_t Sent = 0;
    bool Shut = false;
  };
  void Accept();
  void Ready(int Fd, unsigned Events);
  void Close(int Fd);

  TEventLoop& FLoop;
  int FListen = -1;
  std::string FPort;
  std::string FReply;
  size_t FPiece = 1;
  std::map<int, TConn> FConns;
};

}  // namespace tolvar::fuzz
