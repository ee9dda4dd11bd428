// THttpCli against good and broken answers: bodies with and without a length,
// error statuses, answers without a header, broken and silent servers,
// relocations, failures before the answer, and the busy client.
#include <memory>

#include "HttpTest.h"
#include "net/WSocketErrors.h"

namespace tolvar::nettest {
namespace {

class HttpAnswerTest : public THttpTest {};

TEST_F(HttpAnswerTest, BodyWithContentLengthArrivesWhole) {
  int DocBegins = 0, DocEnds = 0;
  Http.OnDocBegin = [&](THttpCli&) { ++DocBegins; };
  Http.OnDocEnd = [&](THttpCli&) { ++DocEnds; };
  ASSERT_TRUE(Get(Server.Url("/length/100000")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Http.StatusCode(), 200);
  EXPECT_EQ(Http.ReasonPhrase(), "OK");
  EXPECT_EQ(Http.ContentLength(), 100000);
  EXPECT_EQ(Http.RcvdCount(), 100000);
  EXPECT_TRUE(Body.str() == Pattern(100000));
  EXPECT_EQ(Http.RcvdHeader(),
            (std::vector<std::string>{"HTTP/1.0 200 OK", "Content-Length: 100000"}));
  EXPECT_EQ(DocBegins, 1);
  EXPECT_EQ(DocEnds, 1);
}

TEST_F(HttpAnswerTest, BodyWithoutLengthEndsWhenTheServerCloses) {
  ASSERT_TRUE(Get(Server.Url("/nolength/50000")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Http.ContentLength(), -1);
  EXPECT_EQ(Http.ContentType(), "text/plain");
  EXPECT_TRUE(Body.str() == Pattern(50000));
}

TEST_F(HttpAnswerTest, ZeroLengthEndsRightAfterTheHeader) {
  auto Start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Get(Server.Url("/zero")));  // the server keeps the connection for seconds
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 2s);
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Http.ContentLength(), 0);
  EXPECT_EQ(Body.str(), "");
}

TEST_F(HttpAnswerTest, CompleteAnswerEndsWhileTheServerKeepsTheConnection) {
  Http.Timeout = 3s;
  auto Start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Get(Server.Url("/open/1000")));
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 2s);
  EXPECT_EQ(DoneError, 0);
  EXPECT_TRUE(Body.str() == Pattern(1000));
}

TEST_F(HttpAnswerTest, NotFoundStillDeliversItsBodyWithoutError) {
  // The body comes a moment after the header: closing on the status alone
  // would lose it.
  ASSERT_TRUE(Get(Server.Url("/notfound")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Http.StatusCode(), 404);
  EXPECT_EQ(Http.ReasonPhrase(), "Not Found");
  EXPECT_EQ(Body.str(), "<html>no such page</html>");
}

TEST_F(HttpAnswerTest, AnswerWithoutHeaderIsTheDocumentByteForByte) {
  ASSERT_TRUE(Get(Server.Url("/html")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Http.ContentType(), "text/html");
  EXPECT_EQ(Body.str(), "<HtMl><body>no header</body>\r\n</HTML>\r\n");
}

TEST_F(HttpAnswerTest, LocationIsFollowedEvenOnSuccess) {
  int Changes = 0;
  Http.OnLocationChange = [&](THttpCli&) { ++Changes; };
  ASSERT_TRUE(Get(Server.Url("/moved200")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Body.str().substr(0, 31), "GET /echo?from=200 HTTP/1.0\r\nAc");
}

class HttpBrokenAnswerTest : public THttpTest {};

TEST_F(HttpBrokenAnswerTest, HeaderLineOf8192BytesIsTooLong) {
  ASSERT_TRUE(Get(Server.Url("/longline/8192")));
  EXPECT_EQ(DoneError, httperrOverflow);
  EXPECT_EQ(Http.ReasonPhrase(), "HTTP line too long");
  EXPECT_EQ(Http.CtrlSocket().State(), wsClosed);
}

TEST_F(HttpBrokenAnswerTest, LongButFittingHeaderLineIsRead) {
  Http.OnHeaderEnd = [&](THttpCli& H) { H.Abort(); };  // the server would keep it open
  ASSERT_TRUE(Get(Server.Url("/longline/8000")));
  EXPECT_EQ(Http.RcvdHeader().size(), 2u);
  EXPECT_EQ(Http.RcvdHeader()[1].size(), 8000u);
}

TEST_F(HttpBrokenAnswerTest, EndlessHeaderEndsAt64KiB) {
  ASSERT_TRUE(Get(Server.Url("/endless")));
  EXPECT_EQ(DoneError, httperrOverflow);
  EXPECT_EQ(Http.ReasonPhrase(), "HTTP header too large");
  size_t Held = 0;
  for (const std::string& Line : Http.RcvdHeader()) Held += Line.size() + 2;
  EXPECT_LE(Held, 65536u);
}

TEST_F(HttpBrokenAnswerTest, DrippingServerEndsAtTheDeadline) {
  // Every byte is progress, so only the deadline ends it.
  Http.Deadline = 600ms;
  auto Start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Get(Server.Url("/drip"), 5s));
  auto Took = std::chrono::steady_clock::now() - Start;
  EXPECT_GE(Took, 600ms);
  EXPECT_LT(Took, 2s);
  EXPECT_EQ(DoneError, WSAETIMEDOUT);
  EXPECT_EQ(Http.ReasonPhrase(), "No complete answer within 600 ms");
  EXPECT_EQ(Http.CtrlSocket().State(), wsClosed);
}

TEST_F(HttpBrokenAnswerTest, ResetInsideTheBodyIsReportedAsAReset) {
  ASSERT_TRUE(Get(Server.Url("/reset")));
  EXPECT_EQ(DoneError, WSAECONNRESET);
  EXPECT_EQ(Http.ReasonPhrase(), "Connection reset by peer (Error #10054)");
}

TEST_F(HttpBrokenAnswerTest, ConnectionClosedInsideTheHeaderEndsWithAnError) {
  ASSERT_TRUE(Get(Server.Url("/closeinheader")));
  EXPECT_EQ(DoneError, httperrBadResponse);
  EXPECT_EQ(Http.ReasonPhrase(), "Connection closed before the end of the header");
  Done = 0;
  ASSERT_TRUE(Get(Server.Url("/closenow")));
  EXPECT_EQ(DoneError, httperrBadResponse);
}

TEST_F(HttpBrokenAnswerTest, StatusThatIsNotANumberEndsWithAnError) {
  ASSERT_TRUE(Get(Server.Url("/status/2x0%20OK")));
  EXPECT_EQ(DoneError, httperrBadResponse);
  EXPECT_EQ(Http.ReasonPhrase(), "'2x0' is not a valid integer value");
}

TEST_F(HttpBrokenAnswerTest, SilentServerTimesOut) {
  Http.Timeout = 300ms;
  auto Start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Get(Server.Url("/silent")));
  EXPECT_GE(std::chrono::steady_clock::now() - Start, 300ms);
  EXPECT_EQ(DoneError, WSAETIMEDOUT);
  EXPECT_EQ(Http.ReasonPhrase(), "Connection timed out (Error #10060)");
  EXPECT_EQ(Http.CtrlSocket().State(), wsClosed);
}

class HttpRelocationTest : public THttpTest {};

TEST_F(HttpRelocationTest, AbsoluteHostRelativeAndRelativeLocations) {
  struct Case {
    const char* Path;
    const char* Target;
  };
  for (Case C : {Case{"/redirect/abs", "/echo?from=abs"}, Case{"/redirect/host", "/echo?from=host"},
                 Case{"/dir/relative", "/dir/target?from=rel"}}) {
    Done = 0;
    Body.str("");
    ASSERT_TRUE(Get(Server.Url(C.Path))) << C.Path;
    EXPECT_EQ(DoneError, 0);
    EXPECT_EQ(Http.StatusCode(), 200);
    EXPECT_EQ(Body.str().substr(0, Body.str().find('\r')),
              "GET " + std::string(C.Target) + " HTTP/1.0");
    EXPECT_EQ(Http.Location(), Server.Url(C.Target));
    EXPECT_EQ(Requests(), (std::vector<std::string>{C.Path, C.Target}));
  }
}

TEST_F(HttpRelocationTest, TenRelocationsAreFollowedTheEleventhIsNot) {
  ASSERT_TRUE(Get(Server.Url("/chain/10")));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Requests().size(), 11u);

  Done = 0;
  ASSERT_TRUE(Get(Server.Url("/loop")));
  EXPECT_EQ(DoneError, httperrTooManyRelocations);
  EXPECT_EQ(Http.ReasonPhrase(), "Too many relocations (more than 10)");
  EXPECT_EQ(Requests().size(), 11u);
}

TEST_F(HttpRelocationTest, RelocationThroughAProxyStaysWithTheProxy) {
  Http.Proxy = Server.HostPort();  // a proxy with its own port
  ASSERT_TRUE(Get("http://example.test/redirect/host"));
  EXPECT_EQ(DoneError, 0);
  EXPECT_EQ(Requests(), (std::vector<std::string>{"http://example.test/redirect/host",
                                                  "http://example.test/echo?from=host"}));
  EXPECT_EQ(Http.Location(), "http://example.test/echo?from=host");
}

class HttpFailureTest : public THttpTest {};

TEST_F(HttpFailureTest, RefusedConnection) {
  ASSERT_TRUE(Get("http://127.0.0.1:" + std::to_string(FreePort()) + "/"));
  EXPECT_EQ(DoneError, WSAECONNREFUSED);
  EXPECT_EQ(Http.StatusCode(), 404);
  EXPECT_EQ(Http.ReasonPhrase(), "Connection refused (Error #10061)");
}

TEST_F(HttpFailureTest, NameThatDoesNotResolve) {
  fixtures::TLocalServer Dns(fixtures::FixturesDir() + "/dns_server.py");
  TDnsQuery::SetServers(Dns.HostPort());
  bool Ended = Get("http://nowhere.test/");
  TDnsQuery::SetServers("");
  ASSERT_TRUE(Ended);
  EXPECT_EQ(DoneError, WSAHOST_NOT_FOUND);
  EXPECT_EQ(Http.StatusCode(), 404);
  EXPECT_EQ(Http.ReasonPhrase(), "can't resolve hostname to IP address");
}

TEST_F(HttpFailureTest, SocketErrorReportEndsTheRequest) {
  int SocketErrors = 0;
  Http.OnSocketError = [&](THttpCli&) { ++SocketErrors; };
  ASSERT_TRUE(Get("http://127.0.0.1:http-nowhere/"));
  EXPECT_EQ(SocketErrors, 1);
  EXPECT_NE(DoneError, 0);
  EXPECT_EQ(Http.ReasonPhrase(),
            "can't connect: connect: WSocketResolvePort: Cannot convert port 'http-nowhere', "
            "Error #11004");
}

TEST_F(HttpFailureTest, BusyClientRefusesASecondRequestAndFinishesTheFirst) {
  Http.URL = Server.Url("/length/20000");
  Http.GetAsync();
  Http.URL = Server.Url("/echo");
  ExpectHttpException([&] { Http.GetAsync(); }, "HTTP component is busy", httperrBusy);
  ASSERT_TRUE(Wait([&] { return Done > 0; }));
  EXPECT_EQ(DoneError, 0);
  EXPECT_TRUE(Body.str() == Pattern(20000));
  EXPECT_EQ(Requests(), std::vector<std::string>{"/length/20000"});
}

TEST_F(HttpFailureTest, AbortEndsTheRequest) {
  Http.URL = Server.Url("/silent");
  Http.OnStateChange = [](THttpCli& H) {
    if (H.State() == THttpState::AwaitingHeader) H.Abort();
  };
  Http.GetAsync();
  ASSERT_TRUE(Wait([&] { return Done > 0; }));
  EXPECT_EQ(DoneError, httperrAborted);
}

class HttpUseTest : public THttpTest {};

TEST_F(HttpUseTest, BlockingGetRaisesForErrorStatus) {
  Http.URL = Server.Url("/length/10");
  Http.Get();
  EXPECT_EQ(Http.State(), THttpState::Idle);
  EXPECT_EQ(Body.str(), Pattern(10));
  Http.URL = Server.Url("/notfound");
  ExpectHttpException([&] { Http.Get(); }, "Not Found", 404);
}

TEST_F(HttpUseTest, NextRequestStartsFromRequestDoneAndClientMayBeFreedThere) {
  auto Client = std::make_unique<THttpCli>(Loop);
  std::vector<int> Errors;
  Client->OnRequestDone = [&](THttpCli& H, THttpRequest, int Error) {
    Errors.push_back(Error);
    if (Errors.size() == 1) {
      H.URL = Server.Url("/zero");
      H.GetAsync();
    } else {
      Client.reset();
    }
  };
  Client->URL = Server.Url("/length/10");
  Client->GetAsync();
  ASSERT_TRUE(Wait([&] { return !Client; }));
  EXPECT_EQ(Errors, (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace tolvar::nettest
