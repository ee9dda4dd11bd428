// The socket's other ways of working: send blocks, name lookup, listening
// and accepting, UDP, line mode, the synchronous line reader and SOCKS.
#include <memory>
#include <vector>

#include "NetTest.h"
#include "net/WSockBuf.h"
#include "net/WSocket.h"
#include "net/WSocketErrors.h"
#include "net/WSocketResolve.h"

namespace tolvar::nettest {
namespace {

TEST(TBufferTest, ReadsFromTheFrontAndStartsOverOnceEmpty) {
  TBuffer Block(8);
  EXPECT_EQ(Block.Write("abcdefghij", 10), 8);  // only what fits
  EXPECT_EQ(Block.Write("x", 1), 0);
  auto Unread = [&] {
    int Len;
    const char* Data = Block.Peek(Len);
    return std::string(Data, Len);
  };
  EXPECT_EQ(Unread(), "abcdefgh");
  EXPECT_EQ(Block.Remove(3), 3);
  EXPECT_EQ(Unread(), "defgh");
  EXPECT_EQ(Block.Write("x", 1), 0) << "never compacted";
  EXPECT_EQ(Block.Remove(100), 5);
  EXPECT_EQ(Block.Write("xyz", 3), 3) << "emptied blocks start over";
  EXPECT_EQ(Unread(), "xyz");

  Block.SetSize(16);  // keeps what was written
  EXPECT_EQ(Unread(), "xyz");
  EXPECT_EQ(TBuffer(0).Size(), 1514);
  EXPECT_EQ(TBuffer(-5).Size(), 1514);
}

TEST(WSocketNamesTest, DottedAddressesAndErrorNumbers) {
  for (const char* Yes : {"10.1.2.3", " 10.1.2.3 ", "255.255.255.255", "0.0.0.0"})
    EXPECT_TRUE(IsDottedAddress(Yes)) << Yes;
  for (const char* No : {"10.1.2", "1.2.3.256", ".1.2.3", "1..2.3", "1.2.3.4.5", "a.b.c.d", ""})
    EXPECT_FALSE(IsDottedAddress(No)) << No;
  EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WinsockErrorFromErrno(EWOULDBLOCK), 10035);
  EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(WSocketErrorDesc(10060), "Connection timed out");
  EXPECT_EQ(WSocketErrorDesc(12345), "Not a WinSock error");
}

class WSocketLookupTest : public TLoopTest {
 protected:
  void SetUp() override { TDnsQuery::SetServers(Dns.HostPort()); }
  void TearDown() override { TDnsQuery::SetServers(""); }

  int Lookup(const std::string& Name, bool& AnsweredAtOnce) {
    int Result = -1;
    Sock.OnDnsLookupDone = [&](TCustomWSocket&, int E) { Result = E; };
    Sock.DnsLookup(Name);
    AnsweredAtOnce = Result != -1;
    Wait([&] { return Result != -1; });
    return Result;
  }

  fixtures::TLocalServer Dns{fixtures::FixturesDir() + "/dns_server.py", {"cddb.test=127.0.0.1"}};
  TWSocket Sock{Loop};
};

TEST_F(WSocketLookupTest, DottedAddressIsAnsweredBeforeTheCallReturns) {
  bool AtOnce;
  EXPECT_EQ(Lookup(" 10.1.2.3 ", AtOnce), 0);
  EXPECT_TRUE(AtOnce);
  EXPECT_EQ(Sock.DnsResult(), "10.1.2.3");
  EXPECT_EQ(Sock.DnsResultList(), std::vector<std::string>{"10.1.2.3"});
}

TEST_F(WSocketLookupTest, NamesAreLookedUpInTheBackground) {
  bool AtOnce;
  EXPECT_EQ(Lookup("cddb.test", AtOnce), 0);
  EXPECT_FALSE(AtOnce);
  EXPECT_EQ(Sock.DnsResult(), "127.0.0.1");
  EXPECT_EQ(Lookup("nowhere.test", AtOnce), WSAHOST_NOT_FOUND);
  EXPECT_EQ(Lookup("1.2.3.256", AtOnce), WSAHOST_NOT_FOUND) << "not dotted: a name";
  EXPECT_FALSE(AtOnce);
}

TEST_F(WSocketLookupTest, EmptyNameIsReportedAndEndsTheLookup) {
  std::string Reported;
  Sock.OnError = [&](TCustomWSocket& S) { Reported = S.LastErrorMessage(); };
  bool AtOnce;
  EXPECT_EQ(Lookup("  ", AtOnce), WSAEINVAL);
  EXPECT_EQ(Reported, "DNS lookup: invalid host name.");
}

TEST_F(WSocketLookupTest, CancelledLookupNeverAnswers) {
  int Answers = 0;
  Sock.OnDnsLookupDone = [&](TCustomWSocket&, int) { ++Answers; };
  Sock.DnsLookup("cddb.test");
  Sock.CancelDnsLookup();
  Settle(200ms);
  EXPECT_EQ(Answers, 0);
}

class WSocketServerTest : public TLoopTest {};

TEST_F(WSocketServerTest, ListensAcceptsAndExchanges) {
  TWSocket Server(Loop);
  std::unique_ptr<TWSocket> Accepted;
  std::string ServerGot, ClientGot;
  Server.SetAddr("127.0.0.1");
  Server.SetPort("0");
  Server.OnSessionAvailable = [&](TCustomWSocket& S, int E) {
    EXPECT_EQ(E, 0);
    Accepted = std::make_unique<TWSocket>(Loop);
    Accepted->OnDataAvailable = [&](TCustomWSocket& A, int) {
      ServerGot += A.ReceiveStr();
      if (ServerGot == "ping") A.SendStr("pong");
    };
    Accepted->Dup(S.Accept());
  };
  Server.Listen();
  ASSERT_EQ(Server.State(), wsListening);

  TWSocket Client(Loop);
  Client.OnSessionConnected = [&](TCustomWSocket& C, int E) {
    EXPECT_EQ(E, 0);
    C.SendStr("ping");
  };
  Client.OnDataAvailable = [&](TCustomWSocket& C, int) { ClientGot += C.ReceiveStr(); };
  Client.SetAddr("127.0.0.1");
  Client.SetPort(Server.GetXPort());
  Client.Connect();
  ASSERT_TRUE(Wait([&] { return ClientGot == "pong"; }));
  EXPECT_EQ(Accepted->State(), wsConnected);
  EXPECT_EQ(Accepted->PeerPort(), Client.GetXPort());
}

TEST_F(WSocketServerTest, UdpDatagramsArriveWithTheirSender) {
  TWSocket Receiver(Loop), Sender(Loop);
  std::string Got, From;
  Receiver.SetProto("udp");
  Receiver.SetAddr("127.0.0.1");
  Receiver.SetPort("0");
  Receiver.OnDataAvailable = [&](TCustomWSocket& S, int) {
    char Buffer[100];
    sockaddr_in Addr{};
    int Count = S.ReceiveFrom(Buffer, sizeof Buffer, Addr);
    if (Count > 0) Got.assign(Buffer, Count);
    From = std::to_string(ntohs(Addr.sin_port));
  };
  Receiver.Listen();
  bool Connected = false;
  Sender.OnSessionConnected = [&](TCustomWSocket&, int) { Connected = true; };
  Sender.SetProto("udp");
  Sender.SetAddr("127.0.0.1");
  Sender.SetPort(Receiver.GetXPort());
  Sender.Connect();
  EXPECT_TRUE(Connected) << "UDP is connected at once";
  Sender.SendStr("datagram");
  ASSERT_TRUE(Wait([&] { return !Got.empty(); }));
  EXPECT_EQ(Got, "datagram");
  EXPECT_EQ(From, Sender.GetXPort());
}

class WSocketPeerTest : public TLoopTest {
 protected:
  void ConnectTo(TWSocket& Sock, int Port, const std::string& Command) {
    bool Connected = false;
    Sock.OnSessionConnected = [&, Command](TCustomWSocket& S, int E) {
      ASSERT_EQ(E, 0);
      S.SendStr(Command + "\n");
      Connected = true;
    };
    Sock.SetAddr("127.0.0.1");
    Sock.SetPort(std::to_string(Port));
    Sock.Connect();
    ASSERT_TRUE(Wait([&] { return Connected; }));
  }

  fixtures::TLocalServer Peer{Script("socket_test_server.py")};
  TWSocket Sock{Loop};
};

TEST_F(WSocketPeerTest, LineModeDeliversLineByLineAndTheLastPartAtClose) {
  std::vector<std::string> Lines;
  bool Closed = false;
  Sock.SetLineMode(true);
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) { Lines.push_back(S.ReceiveStr()); };
  Sock.OnSessionClosed = [&](TCustomWSocket&, int) { Closed = true; };
  ConnectTo(Sock, Peer.Port(), "LINES");
  ASSERT_TRUE(Wait([&] { return Closed; }));
  EXPECT_EQ(Lines, (std::vector<std::string>{"one\r\n", "two\r\n", "three"}));
}

TEST_F(WSocketPeerTest, LineLimitDropsAnOverlongLine) {
  int Exceeded = 0;
  std::vector<std::string> Lines;
  bool Closed = false;
  Sock.SetLineMode(true);
  Sock.LineLimit = 100;
  Sock.OnLineLimitExceeded = [&](TCustomWSocket&, int Count, bool& Clear) {
    EXPECT_GT(Count, 100);
    EXPECT_TRUE(Clear);
    ++Exceeded;
  };
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) { Lines.push_back(S.ReceiveStr()); };
  Sock.OnSessionClosed = [&](TCustomWSocket&, int) { Closed = true; };
  ConnectTo(Sock, Peer.Port(), "SEND 5000");
  ASSERT_TRUE(Wait([&] { return Closed; }));
  EXPECT_GE(Exceeded, 1);
  for (auto& Line : Lines) EXPECT_LE(Line.size(), 200u);
}

TEST_F(WSocketPeerTest, ReadLineWaitsForEachLine) {
  ConnectTo(Sock, Peer.Port(), "ECHO");
  Sock.SendStr("first\r\nsecond\r\n");
  std::string Line;
  ASSERT_TRUE(Sock.ReadLine(5s, Line));
  EXPECT_EQ(Line, "first\r\n");
  ASSERT_TRUE(Sock.ReadLine(5s, Line));
  EXPECT_EQ(Line, "second\r\n");
  EXPECT_FALSE(Sock.ReadLine(100ms, Line)) << "nothing more came";
}

class WSocketSocksTest : public WSocketPeerTest {
 protected:
  std::vector<std::string> SocksLog(size_t Count) {
    std::vector<std::string> Lines;
    std::string Line;
    while (Lines.size() < Count && Socks.ReadLine(Line, 2s)) Lines.push_back(Line);
    return Lines;
  }

  fixtures::TLocalServer Socks{Script("socks_server.py"), {"alice", "secret"}};
};

TEST_F(WSocketSocksTest, Level5WithUsercodeReachesThePeer) {
  std::vector<TSocksAuthState> Auth;
  bool SocksConnected = false;
  std::string Got;
  Sock.OnSocksAuthState = [&](TCustomWSocket&, TSocksAuthState S) { Auth.push_back(S); };
  Sock.OnSocksConnected = [&](TCustomWSocket&, int E) { SocksConnected = E == 0; };
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) { Got += S.ReceiveStr(); };
  Sock.SetSocksServer("127.0.0.1");
  Sock.SetSocksPort(std::to_string(Socks.Port()));
  Sock.SocksAuthentication = socksAuthenticateUsercode;
  Sock.SocksUsercode = "alice";
  Sock.SocksPassword = "secret";
  ConnectTo(Sock, Peer.Port(), "ECHO");
  EXPECT_TRUE(SocksConnected);
  Sock.SendStr("through");
  ASSERT_TRUE(Wait([&] { return Got == "through"; }));
  EXPECT_EQ(Auth, (std::vector<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
  EXPECT_EQ(SocksLog(1),
            std::vector<std::string>{"SOCKS5 127.0.0.1:" + std::to_string(Peer.Port())});
}

TEST_F(WSocketSocksTest, Level4AHandsTheNameToTheServer) {
  std::string Got;
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) { Got += S.ReceiveStr(); };
  Sock.SetSocksServer("127.0.0.1");
  Sock.SetSocksPort(std::to_string(Socks.Port()));
  Sock.SetSocksLevel("4A");
  bool Connected = false;
  Sock.OnSessionConnected = [&](TCustomWSocket& S, int E) {
    ASSERT_EQ(E, 0);
    S.SendStr("SEND 10\n");
    Connected = true;
  };
  Sock.SetAddr("localhost");
  Sock.SetPort(std::to_string(Peer.Port()));
  Sock.Connect();
  ASSERT_TRUE(Wait([&] { return Got.size() == 10; }));
  EXPECT_TRUE(Connected);
  EXPECT_EQ(SocksLog(1),
            std::vector<std::string>{"SOCKS4A localhost:" + std::to_string(Peer.Port())});
}

TEST_F(WSocketSocksTest, RefusedCredentialsRaiseSocksErrorAndClose) {
  int SocksError = 0;
  int Closed = -1;
  Sock.OnSocksError = [&](TCustomWSocket&, int E, const std::string&) { SocksError = E; };
  Sock.OnSessionClosed = [&](TCustomWSocket&, int E) { Closed = E; };
  Sock.SetSocksServer("127.0.0.1");
  Sock.SetSocksPort(std::to_string(Socks.Port()));
  Sock.SocksAuthentication = socksAuthenticateUsercode;
  Sock.SocksUsercode = "alice";
  Sock.SocksPassword = "wrong";
  Sock.SetAddr("127.0.0.1");
  Sock.SetPort(std::to_string(Peer.Port()));
  Sock.Connect();
  ASSERT_TRUE(Wait([&] { return Closed != -1; }));
  EXPECT_EQ(SocksError, socksAuthenticationFailed);
  EXPECT_EQ(Closed, socksAuthenticationFailed);
  EXPECT_THROW(Sock.SetSocksLevel("6"), ESocketException);
}

}  // namespace
}  // namespace tolvar::nettest
