// The HTTP client's answer handling: status line, header fields, relocation
// and body, fed through a real connection so the client's own state machine
// reads it. Byte 0 picks the request (GET, HEAD, POST; through a proxy or
// not), byte 1 the size of the pieces the answer arrives in, the rest is the
// answer every connection gets.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "FuzzTarget.h"
#include "LoopbackServer.h"
#include "net/HttpProt.h"
#include "net/HttpUrl.h"
#include "net/PollLoop.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(http_client) {
  static TPollLoop Loop;
  static fuzz::TLoopbackServer Server(Loop);
  if (Size < 2) return 0;
  const uint8_t Mode = Data[0];
  Server.Serve(std::string(reinterpret_cast<const char*>(Data) + 2, Size - 2),
               Data[1] ? Data[1] * 8u : Size);

  THttpCli Client(Loop);
  Client.Timeout = std::chrono::seconds(2);
  const bool ViaProxy = Mode & 1;
  Client.URL = "http://127.0.0.1:" + Server.Port() + "/dir/doc.txt?q=1";
  if (ViaProxy) {
    // Every relocation then goes to the proxy, whatever host it names.
    Client.URL = "http://fuzz.invalid/dir/doc.txt?q=1";
    Client.Proxy = "127.0.0.1";
    Client.ProxyPort = Server.Port();
  } else {
    // Without a proxy only a relocation back to this server may be followed;
    // any other host would be looked up or connected to for real.
    Client.OnLocationChange = [&](THttpCli& Sender) {
      TUrlParts Url = ParseURL(Sender.Location());
      if (Url.Host != "127.0.0.1" || Url.Port != Server.Port()) Sender.Abort();
    };
  }
  std::stringstream Body;
  std::istringstream Post("name=value&x=1");
  Client.RcvdStream = &Body;
  Client.SendStream = &Post;
  bool Done = false;
  Client.OnRequestDone = [&](THttpCli&, THttpRequest, int) { Done = true; };
  switch ((Mode >> 1) % 3) {
    case 0:
      Client.GetAsync();
      break;
    case 1:
      Client.HeadAsync();
      break;
    default:
      Client.PostAsync();
      break;
  }
  if (!Loop.RunUntil([&] { return Done; }, std::chrono::seconds(10))) {
    std::fprintf(stderr, "the request never ended\n");
    std::abort();
  }
  Server.CloseAll();
  return 0;
}
