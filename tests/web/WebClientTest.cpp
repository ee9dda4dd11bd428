// The web client against the MusicBrainz stand-in on 127.0.0.1: deadlines,
// body caps, cancelling, and HTTPS with a certificate named by TOLVAR_CA_FILE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "LocalServer.h"
#include "TestSupport.h"
#include "net/PollLoop.h"
#include "web/WebClient.h"

using namespace tolvar;

namespace {

class WebClient : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(Dir / "behaviour"); }

  void Start(std::vector<std::string> Extra = {}) {
    Extra.insert(Extra.begin(), Dir.Path());
    Server = std::make_unique<fixtures::TLocalServer>(
        fixtures::FixturesDir() + "/musicbrainz_server.py", Extra);
  }

  // Runs one GET of Path to its end.
  TWebResponse Get(const std::string& Path, const std::string& Scheme = "http") {
    TWebRequest Request;
    Request.Service = "Test";
    Request.Url = Scheme + "://" + Server->HostPort() + Path;
    std::optional<TWebResponse> Got;
    Client.Get(Request, [&Got](const TWebResponse& R) { Got = R; });
    EXPECT_TRUE(Loop.RunUntil([&Got] { return Got.has_value(); }, std::chrono::seconds(30)));
    return Got.value_or(TWebResponse{});
  }

  fixtures::TTempDir Dir;
  std::unique_ptr<fixtures::TLocalServer> Server;
  TPollLoop Loop;
  TWebClient Client{Loop};
};

}  // namespace

TEST_F(WebClient, ASilentServerEndsAtTheDeadlineWhileTheLoopRuns) {
  Start();
  fixtures::WriteFile(Dir / "behaviour/silent", "hang");
  Client.Deadline = std::chrono::milliseconds(1000);
  int Ticks = 0;
  std::function<void()> Tick = [&] {
    ++Ticks;
    Loop.StartTimer(std::chrono::milliseconds(100), Tick);
  };
  Loop.StartTimer(std::chrono::milliseconds(100), Tick);
  const auto Begin = std::chrono::steady_clock::now();
  const TWebResponse R = Get("/ws/2/discid/silent");
  EXPECT_LT(std::chrono::steady_clock::now() - Begin, std::chrono::seconds(5));
  EXPECT_FALSE(R.Answered);
  EXPECT_EQ(R.Error, "Test: timed out after 1 s");
  EXPECT_GE(Ticks, 5);  // the loop went on while the request waited
}

TEST_F(WebClient, ABodyOverTheCapIsAnError) {
  Start();
  fixtures::WriteFile(Dir / "behaviour/huge", "big");
  const TWebResponse R = Get("/ws/2/discid/huge");
  EXPECT_FALSE(R.Answered);
  EXPECT_EQ(R.Error, "Test: answer larger than 4 MiB");
  EXPECT_TRUE(R.Body.empty());
}

TEST_F(WebClient, CancelledAndDestroyedRequestsNeverCallBack) {
  Start();
  fixtures::WriteFile(Dir / "behaviour/slow", "hang hang");
  TWebRequest Request{Server->Url("/ws/2/discid/slow"), "Test"};
  bool Called = false;
  const auto Id = Client.Get(Request, [&Called](const TWebResponse&) { Called = true; });
  Loop.ProcessEvents(std::chrono::milliseconds(200));
  Client.Cancel(Id);
  {
    TWebClient Short(Loop);
    Short.Get(Request, [&Called](const TWebResponse&) { Called = true; });
    Loop.ProcessEvents(std::chrono::milliseconds(200));
  }
  Loop.RunUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_FALSE(Called);
  EXPECT_FALSE(Client.Busy());
}

TEST_F(WebClient, HttpsTrustsTheCertificateThatTolvarCaFileNames) {
  const std::string Cert = Dir / "cert.pem", Key = Dir / "key.pem";
  int Made = -1;
  fixtures::RunCommand(
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
      " -addext subjectAltName=IP:127.0.0.1 -keyout " +
          Key + " -out " + Cert,
      &Made);
  ASSERT_EQ(Made, 0);
  Start({"--tls", Cert, Key});
  unsetenv("TOLVAR_CA_FILE");
  const TWebResponse Untrusted = Get("/ws/2/discid/none", "https");
  EXPECT_FALSE(Untrusted.Answered);
  EXPECT_TRUE(Untrusted.Error.starts_with("Test: ")) << Untrusted.Error;
  setenv("TOLVAR_CA_FILE", Cert.c_str(), 1);
  const TWebResponse Trusted = Get("/ws/2/discid/none", "https");
  unsetenv("TOLVAR_CA_FILE");
  EXPECT_TRUE(Trusted.Answered) << Trusted.Error;
  EXPECT_EQ(Trusted.Status, 404);
  EXPECT_NE(Trusted.Body.find("Not Found"), std::string::npos);
}
