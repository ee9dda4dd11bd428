// Times GET requests of a 1 MiB body from a server on 127.0.0.1 through
// THttpCli on the poll loop, against curl fetching the same body (one curl
// process for all rounds, so its start-up does not count), and against plain
// blocking reads of the same answer.
//
//   http_bench [ROUNDS] [SIZE]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/HttpProt.h"
#include "net/PollLoop.h"

using namespace tolvar;
using TClock = std::chrono::steady_clock;

namespace {

// Answers every connection with the same HTTP/1.0 response, then closes it.
class TBodyServer {
 public:
  explicit TBodyServer(size_t Size) {
    FAnswer = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
              std::to_string(Size) + "\r\n\r\n";
    for (size_t I = 0; I < Size; ++I) FAnswer += static_cast<char>('a' + I % 26);
    FListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Addr;
    if (bind(FListen, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0 ||
        listen(FListen, 16) != 0 ||
        getsockname(FListen, reinterpret_cast<sockaddr*>(&Addr), &Len) != 0) {
      std::perror("server");
      std::exit(1);
    }
    FPort = ntohs(Addr.sin_port);
    FThread = std::thread([this] { Serve(); });
  }
  ~TBodyServer() {
    FStop = true;
    shutdown(FListen, SHUT_RDWR);
    FThread.join();
    close(FListen);
  }
  int Port() const { return FPort; }

 private:
  void Serve() {
    while (!FStop) {
      int Conn = accept(FListen, nullptr, nullptr);
      if (Conn < 0) break;
      char Request[4096];
      std::string Head;
      while (Head.find("\r\n\r\n") == std::string::npos) {
        ssize_t Got = recv(Conn, Request, sizeof Request, 0);
        if (Got <= 0) break;
        Head.append(Request, Got);
      }
      for (size_t Sent = 0; Sent < FAnswer.size();) {
        ssize_t Count = send(Conn, FAnswer.data() + Sent, FAnswer.size() - Sent, MSG_NOSIGNAL);
        if (Count <= 0) break;
        Sent += Count;
      }
      close(Conn);
    }
  }

  std::string FAnswer;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

struct TStats {
  double Min, Median, Mean;
};

TStats Summarize(std::vector<double> Ms) {
  std::sort(Ms.begin(), Ms.end());
  double Sum = 0;
  for (double M : Ms) Sum += M;
  return {Ms.front(), Ms[Ms.size() / 2], Sum / Ms.size()};
}

double Since(TClock::time_point Start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
}

// The same exchange with blocking calls and nothing else: the floor.
double RawGet(int Port, size_t Expected) {
  auto Start = TClock::now();
  int Fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Addr{};
  Addr.sin_family = AF_INET;
  Addr.sin_port = htons(Port);
  Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr);
  const char Request[] = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  send(Fd, Request, sizeof Request - 1, 0);
  std::vector<char> Buffer(8192);
  size_t Total = 0;
  for (ssize_t Got; (Got = recv(Fd, Buffer.data(), Buffer.size(), 0)) > 0;) Total += Got;
  close(Fd);
  if (Total < Expected) std::fprintf(stderr, "raw read short: %zu\n", Total);
  return Since(Start);
}

}  // namespace

int main(int Argc, char** Argv) {
  int Rounds = Argc > 1 ? std::atoi(Argv[1]) : 50;
  size_t Size = Argc > 2 ? std::strtoul(Argv[2], nullptr, 10) : 1 << 20;
  TBodyServer Server(Size);
  std::string Url = "http://127.0.0.1:" + std::to_string(Server.Port()) + "/";

  TPollLoop Loop;
  THttpCli Http(Loop);
  std::stringstream Body;
  Http.RcvdStream = &Body;
  Http.URL = Url;
  bool Done = false;
  int Error = 0;
  Http.OnRequestDone = [&](THttpCli&, THttpRequest, int E) {
    Done = true;
    Error = E;
  };
  std::vector<double> Ours;
  for (int I = 0; I <= Rounds; ++I) {
    Body.str("");
    Done = false;
    auto Start = TClock::now();
    Http.GetAsync();
    Loop.RunUntil([&] { return Done; }, std::chrono::seconds(30));
    double Ms = Since(Start);
    if (!Done || Error != 0 || Body.str().size() != Size) {
      std::fprintf(stderr, "request failed: error %d, %zu bytes, %s\n", Error, Body.str().size(),
                   Http.ReasonPhrase().c_str());
      return 1;
    }
    if (I > 0) Ours.push_back(Ms);  // the first round warms up
  }

  std::vector<double> Raw;
  for (int I = 0; I < Rounds; ++I) Raw.push_back(RawGet(Server.Port(), Size));

  std::string Curl = "curl --http1.0 -s";
  for (int I = 0; I < Rounds; ++I) Curl += " -o /dev/null " + Url;
  auto Start = TClock::now();
  int CurlStatus = std::system((Curl + " 2>/dev/null").c_str());
  double CurlMs = Since(Start) / Rounds;

  TStats S = Summarize(Ours), R = Summarize(Raw);
  std::printf("GET of %zu bytes from 127.0.0.1, %d rounds\n", Size, Rounds);
  std::printf("  THttpCli:       min %.2f ms  median %.2f ms  mean %.2f ms  (%.0f MiB/s)\n", S.Min,
              S.Median, S.Mean, Size / 1048576.0 / (S.Median / 1000));
  std::printf("  blocking recv:  min %.2f ms  median %.2f ms  mean %.2f ms\n", R.Min, R.Median,
              R.Mean);
  if (CurlStatus == 0)
    std::printf("  curl:           mean %.2f ms (one process for all rounds)\n", CurlMs);
  else
    std::printf("  curl:           not available\n");
  std::printf("  ratio THttpCli/blocking recv (median): %.2f\n", S.Median / R.Median);
  if (CurlStatus == 0) std::printf("  ratio THttpCli/curl (mean): %.2f\n", S.Mean / CurlMs);
  return 0;
}
