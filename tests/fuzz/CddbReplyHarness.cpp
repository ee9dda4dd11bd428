// The CDDB client's handling of a reply body: the query reply classifier and
// match list, or the read reply's entry collector and ParseEntry. Byte 0
// picks query (even) or read (odd) and, in its upper bits, the match the
// caller chooses; the rest is the body of a "200 OK" HTTP answer.
#include <cstdio>
#include <cstdlib>

#include "FuzzTarget.h"
#include "LoopbackServer.h"
#include "cddb/Cddb.h"
#include "net/PollLoop.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(cddb_reply) {
  static TPollLoop Loop;
  static fuzz::TLoopbackServer Server(Loop);
  if (Size < 1) return 0;
  Server.Serve("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" +
                   std::string(reinterpret_cast<const char*>(Data) + 1, Size - 1),
               Size + 64);

  TCddb Cddb(Loop);
  // The entry is parsed without reading a drive's table of contents.
  Cddb.InternalTOCRetrieve = false;
  Cddb.ServerType = HTTP;
  Cddb.ServerAddr = "127.0.0.1:" + Server.Port();
  Cddb.EmailUser = "fuzz@tolvar.invalid";
  Cddb.HttpClient.Timeout = std::chrono::seconds(2);
  TDiscToc& Toc = Cddb.CDInfo.Toc;
  Toc.TrackCount = 3;
  Toc.Tracks[0] = {0, 2, 0, true};
  Toc.Tracks[1] = {0, 20, 0, true};
  Toc.Tracks[2] = {0, 44, 0, true};
  Toc.LeadOut = {1, 15, 33, false};
  const int32_t Choice = static_cast<int8_t>(Data[0]) >> 1;
  Cddb.OnMatch = [&](TCddb&, const TMatchArray&, int32_t& RightOne) { RightOne = Choice; };

  int32_t Started;
  if (Data[0] & 1) {
    Cddb.CDInfo.Category = "rock";
    Cddb.CDInfo.DiscID = "1e01b703";
    Started = Cddb.HttpRead();
  } else {
    Started = Cddb.HttpQuery();
  }
  if (Started != 0) std::abort();
  if (!Loop.RunUntil([&] { return !Cddb.Busy(); }, std::chrono::seconds(10))) {
    std::fprintf(stderr, "the request never ended\n");
    std::abort();
  }
  Server.CloseAll();
  return 0;
}
