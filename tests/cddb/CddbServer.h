#pragma once
// The CDDB test server (cddb_server.py in the fixtures) on a folder of
// entries of its own, and a server that never answers.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "LocalServer.h"
#include "TestSupport.h"

namespace tolvar::cddbtest {

class TCddbServer {
 public:
  // MaxLevel: the highest protocol level the server knows.
  explicit TCddbServer(int MaxLevel = 6)
      : FServer(fixtures::FixturesDir() + "/cddb_server.py",
                {FEntries.Path(), std::to_string(MaxLevel)}) {}

  // Stores an entry as a server keeps it (UTF-8): the xmcd header with the
  // track offsets and the disc length, then Body, lines ending in "\n".
  void AddEntry(const std::string& Category, const std::string& DiscId,
                const std::vector<int>& Offsets, int Seconds, const std::string& Body) {
    std::filesystem::create_directories(FEntries / Category);
    std::string Text = "# xmcd\n#\n# Track frame offsets:\n";
    for (int Offset : Offsets) Text += "#\t" + std::to_string(Offset) + "\n";
    Text += "#\n# Disc length: " + std::to_string(Seconds) + " seconds\n#\n" + Body;
    fixtures::WriteFile(FEntries / (Category + "/" + DiscId), Text);
  }

  // The request-URIs received since the last call, in order.
  std::vector<std::string> Requests() {
    std::vector<std::string> Uris;
    std::string Line;
    while (FServer.ReadLine(Line, std::chrono::milliseconds(200)))
      if (Line.rfind("REQUEST ", 0) == 0) Uris.push_back(Line.substr(8));
    return Uris;
  }

  std::string HostPort() const { return FServer.HostPort(); }

 private:
  fixtures::TTempDir FEntries;  // before the server, which is given its path
  fixtures::TLocalServer FServer;
};

// Takes connections on 127.0.0.1 and never answers.
class TSilentServer {
 public:
  TSilentServer() : FSocket(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Addr;
    bind(FSocket, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr);
    listen(FSocket, 4);
    getsockname(FSocket, reinterpret_cast<sockaddr*>(&Addr), &Len);
    FPort = ntohs(Addr.sin_port);
  }
  ~TSilentServer() { close(FSocket); }
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(FPort); }

 private:
  int FSocket;
  int FPort = 0;
};

}  // namespace tolvar::cddbtest
