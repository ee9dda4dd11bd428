#pragma once
// Shared by the network tests: a poll loop to run, the test servers' scripts.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "LocalServer.h"
#include "net/PollLoop.h"

namespace tolvar::nettest {

using namespace std::chrono_literals;

inline std::string Script(const std::string& Name) {
  return std::string(TOLVAR_NET_TEST_DIR) + "/" + Name;
}

// The bytes the test servers send: "0123456789abcdef" repeated.
inline std::string Pattern(size_t Size) {
  std::string Text;
  Text.reserve(Size);
  while (Text.size() < Size) Text += "0123456789abcdef";
  Text.resize(Size);
  return Text;
}

// A port on 127.0.0.1 that nobody listens on.
inline int FreePort() {
  int Probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Addr{};
  Addr.sin_family = AF_INET;
  Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof Addr;
  bind(Probe, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr);
  getsockname(Probe, reinterpret_cast<sockaddr*>(&Addr), &Len);
  close(Probe);
  return ntohs(Addr.sin_port);
}

// CRC-32 as Python's zlib.crc32 computes it, for the servers' reports.
inline unsigned long Crc32(const std::string& Data) {
  unsigned long Crc = 0xFFFFFFFFUL;
  for (unsigned char C : Data) {
    Crc ^= C;
    for (int K = 0; K < 8; ++K) Crc = (Crc >> 1) ^ (0xEDB88320UL & (0UL - (Crc & 1)));
  }
  return Crc ^ 0xFFFFFFFFUL;
}

class TLoopTest : public ::testing::Test {
 protected:
  bool Wait(const std::function<bool()>& Done, std::chrono::milliseconds Timeout = 10s) {
    return Loop.RunUntil(Done, Timeout);
  }
  // Lets pending events run for a while.
  void Settle(std::chrono::milliseconds Time = 100ms) {
    Loop.RunUntil([] { return false; }, Time);
  }

  TPollLoop Loop;
};

}  // namespace tolvar::nettest
