#pragma once
// A THttpCli on the test loop, with its answer gathered, against the HTTP
// test server.
#include <sstream>
#include <string>
#include <vector>

#include "NetTest.h"
#include "net/HttpProt.h"

namespace tolvar::nettest {

// Runs Call and checks that it raises EHttpException with Msg and Code.
template <typename F>
void ExpectHttpException(F Call, const std::string& Msg, int Code) {
  try {
    Call();
    ADD_FAILURE() << "no EHttpException \"" << Msg << "\"";
  } catch (const EHttpException& E) {
    EXPECT_EQ(E.what(), Msg);
    EXPECT_EQ(E.ErrorCode, Code);
  }
}

class THttpTest : public TLoopTest {
 protected:
  THttpTest() {
    Http.RcvdStream = &Body;
    Http.OnRequestDone = [this](THttpCli& Sender, THttpRequest, int Error) {
      ++Done;
      DoneError = Error;
      IdleAtDone = Sender.State() == THttpState::Idle;
    };
  }

  // Starts a GET and waits for its end; false when OnRequestDone never came.
  bool Get(const std::string& Url, std::chrono::milliseconds Timeout = 10s) {
    Http.URL = Url;
    Http.GetAsync();
    EXPECT_EQ(Done, 0) << "OnRequestDone comes from the loop";
    bool Ended = Wait([&] { return Done > 0; }, Timeout);
    Settle(30ms);
    EXPECT_EQ(Done, 1) << "exactly one OnRequestDone";
    EXPECT_TRUE(IdleAtDone);
    return Ended;
  }

  // The request-URIs the server saw, in order.
  std::vector<std::string> Requests() {
    std::vector<std::string> Uris;
    std::string Line;
    while (Server.ReadLine(Line, 200ms))
      if (Line.rfind("REQUEST ", 0) == 0) Uris.push_back(Line.substr(8));
    return Uris;
  }

  fixtures::TLocalServer Server{Script("http_test_server.py")};
  THttpCli Http{Loop};
  std::stringstream Body;
  int Done = 0;
  int DoneError = -1;
  bool IdleAtDone = false;
};

}  // namespace tolvar::nettest
