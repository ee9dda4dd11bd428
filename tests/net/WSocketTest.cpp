// TWSocket as a TCP client against a Python peer on 127.0.0.1: states,
// sending in blocks, the end of a session, errors and handler exceptions.
#include <sys/socket.h>

#include <stdexcept>
#include <vector>

#include "NetTest.h"
#include "net/WSocket.h"
#include "net/WSocketErrors.h"

namespace tolvar::nettest {
namespace {

class WSocketTest : public TLoopTest {
 protected:
  WSocketTest() {
    Sock.OnSessionConnected = [this](TCustomWSocket&, int E) {
      Connected = true;
      ConnectError = E;
    };
    Sock.OnSessionClosed = [this](TCustomWSocket&, int E) {
      ++ClosedCount;
      CloseError = E;
    };
    Sock.OnChangeState = [this](TCustomWSocket&, TSocketState, TSocketState New) {
      States.push_back(New);
    };
    Sock.OnDataAvailable = [this](TCustomWSocket& S, int) {
      EXPECT_EQ(ClosedCount, 0) << "data after the session closed";
      Received += S.ReceiveStr();
    };
  }

  // Connects to the peer and sends it Command; true once connected.
  bool ConnectWith(const std::string& Command, int Port = -1) {
    Sock.SetAddr("127.0.0.1");
    Sock.SetPort(std::to_string(Port < 0 ? Peer.Port() : Port));
    Sock.Connect();
    if (!Wait([&] { return Connected; })) return false;
    if (ConnectError == 0 && !Command.empty()) Sock.SendStr(Command + "\n");
    return true;
  }

  fixtures::TLocalServer Peer{Script("socket_test_server.py")};
  TWSocket Sock{Loop};
  bool Connected = false;
  int ConnectError = -1;
  int ClosedCount = 0;
  int CloseError = -1;
  std::vector<TSocketState> States;
  std::string Received;
};

TEST_F(WSocketTest, ConnectsExchangesAndClosesThroughItsStates) {
  ASSERT_TRUE(ConnectWith("ECHO"));
  EXPECT_EQ(ConnectError, 0);
  EXPECT_EQ(Sock.PeerAddr(), "127.0.0.1");
  EXPECT_EQ(Sock.PeerPort(), std::to_string(Peer.Port()));
  Sock.SendStr("hello");
  ASSERT_TRUE(Wait([&] { return Received == "hello"; }));

  Sock.Close();
  EXPECT_EQ(ClosedCount, 1);
  EXPECT_EQ(CloseError, 0);
  EXPECT_EQ(States, (std::vector<TSocketState>{wsOpened, wsConnecting, wsConnected, wsClosed}));
  EXPECT_EQ(Sock.PeerAddr(), "error");
  // Closing returned the settings to their defaults.
  EXPECT_EQ(Sock.Proto(), "tcp");
  try {
    Sock.Connect();
    FAIL() << "Connect without a port";
  } catch (const ESocketException& E) {
    EXPECT_STREQ(E.what(), "Connect: No Port Specified");
  }
}

TEST_F(WSocketTest, RefusedConnectionReportsTheErrorThenClosesOnce) {
  ASSERT_TRUE(ConnectWith("", FreePort()));
  EXPECT_EQ(ConnectError, WSAECONNREFUSED);
  Settle(50ms);
  EXPECT_EQ(ClosedCount, 1);
  EXPECT_EQ(Sock.State(), wsClosed);
  EXPECT_EQ(WSocketErrorDesc(ConnectError), "Connection refused");
}

TEST_F(WSocketTest, SendGoesOutInBlocksWithOneDataSent) {
  int DataSent = 0;
  std::vector<int> Pieces;
  Sock.OnDataSent = [&](TCustomWSocket&, int E) {
    EXPECT_EQ(E, 0);
    ++DataSent;
  };
  ASSERT_TRUE(ConnectWith("SINK 4000"));
  ASSERT_TRUE(Wait([&] { return DataSent == 1; }));
  DataSent = 0;
  Sock.OnSendData = [&](TCustomWSocket&, int Count) { Pieces.push_back(Count); };

  std::string Data = Pattern(4000);
  EXPECT_EQ(Sock.Send(Data.data(), 4000), 4000);
  EXPECT_EQ(DataSent, 0) << "OnDataSent comes from the loop, not from Send";
  ASSERT_TRUE(Wait([&] { return Received.find('\n') != std::string::npos; }));
  EXPECT_EQ(Pieces, (std::vector<int>{1460, 1460, 1080}));
  EXPECT_EQ(DataSent, 1);
  EXPECT_EQ(Received, "GOT 4000 " + std::to_string(Crc32(Data)) + "\n");
}

TEST_F(WSocketTest, WhatTheSystemDoesNotTakeGoesOnWritabilityInOrder) {
  int DataSent = 0;
  long long SentBytes = 0;
  ASSERT_TRUE(ConnectWith(""));
  int Small = 4096;
  setsockopt(Sock.HSocket(), SOL_SOCKET, SO_SNDBUF, &Small, sizeof Small);
  const size_t Size = 4 << 20;
  Sock.SendStr("SINK " + std::to_string(Size) + "\n");
  ASSERT_TRUE(Wait([&] { return Sock.State() == wsConnected; }));
  Sock.OnDataSent = [&](TCustomWSocket&, int) { ++DataSent; };
  Sock.OnSendData = [&](TCustomWSocket&, int Count) { SentBytes += Count; };

  std::string Data = Pattern(Size - 7) + "the end";
  EXPECT_EQ(Sock.SendStr(Data), static_cast<int>(Size));
  EXPECT_LT(SentBytes, static_cast<long long>(Size)) << "the peer is not reading yet";
  ASSERT_TRUE(Wait([&] { return Received.find('\n') != std::string::npos; }));
  EXPECT_EQ(Received, "GOT " + std::to_string(Size) + " " + std::to_string(Crc32(Data)) + "\n");
  EXPECT_EQ(SentBytes, static_cast<long long>(Size));
  EXPECT_EQ(DataSent, 1);
}

TEST_F(WSocketTest, SendWhileConnectingFailsAndReportsSend) {
  std::string Reported;
  Sock.OnError = [&](TCustomWSocket& S) { Reported = S.LastErrorMessage(); };
  Sock.SetAddr("127.0.0.1");
  Sock.SetPort(std::to_string(Peer.Port()));
  Sock.Connect();
  ASSERT_EQ(Sock.State(), wsConnecting);
  EXPECT_EQ(Sock.SendStr("too early"), -1);
  EXPECT_EQ(Sock.LastError(), WSAENOTCONN);
  EXPECT_EQ(Reported, "Error 10057 in function Send\r\nSocket is not connected");
}

TEST_F(WSocketTest, PeerClosingWithUnreadDataDeliversAllDataThenClosesOnce) {
  const size_t Size = 300000;
  Sock.ComponentOptions = wsoNoReceiveLoop;
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) {
    EXPECT_EQ(ClosedCount, 0) << "data after the session closed";
    char Buffer[1000];
    int Count = S.Receive(Buffer, sizeof Buffer);
    if (Count > 0) Received.append(Buffer, Count);
  };
  ASSERT_TRUE(ConnectWith("SEND " + std::to_string(Size)));
  ASSERT_TRUE(Wait([&] { return ClosedCount > 0; }));
  Settle(50ms);
  EXPECT_EQ(ClosedCount, 1);
  EXPECT_EQ(CloseError, 0);
  EXPECT_EQ(Received.size(), Size);
  EXPECT_TRUE(Received == Pattern(Size));
}

TEST_F(WSocketTest, PeerResetEndsTheSessionWithTheResetError) {
  ASSERT_TRUE(ConnectWith("RESET"));
  ASSERT_TRUE(Wait([&] { return ClosedCount > 0; }));
  Settle(50ms);
  EXPECT_EQ(ClosedCount, 1);
  EXPECT_EQ(CloseError, WSAECONNRESET);
  EXPECT_EQ(Sock.State(), wsClosed);
}

TEST_F(WSocketTest, HandlerLeavingDataUnreadIsNotCalledAgainUntilItReads) {
  int Calls = 0;
  Sock.OnDataAvailable = [&](TCustomWSocket&, int) { ++Calls; };
  ASSERT_TRUE(ConnectWith("SEND 5000"));
  ASSERT_TRUE(Wait([&] { return Calls > 0; }));
  Settle(100ms);
  EXPECT_EQ(Calls, 1);

  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) { Received += S.ReceiveStr(); };
  Received = Sock.ReceiveStr();  // reading asks for the next announcement
  ASSERT_TRUE(Wait([&] { return ClosedCount > 0; }));
  EXPECT_EQ(Received, Pattern(5000));
}

TEST_F(WSocketTest, SettingsRefuseChangesWhileNotClosed) {
  ASSERT_TRUE(ConnectWith("ECHO"));
  EXPECT_THROW(Sock.SetPort("81"), ESocketException);
  std::vector<std::string> Reports;
  Sock.OnError = [&](TCustomWSocket& S) { Reports.push_back(S.LastErrorMessage()); };
  Sock.SetAddr("10.0.0.1");
  Sock.SetProto("udp");
  Sock.SetLocalAddr("127.0.0.1");
  Sock.SetLocalPort("1234");
  EXPECT_EQ(Reports,
            (std::vector<std::string>{
                "Cannot change Addr if not closed", "Cannot change Proto if not closed",
                "Cannot change LocalAddr if not closed", "Cannot change LocalPort if not closed"}));
  EXPECT_EQ(Sock.Addr(), "127.0.0.1");
  EXPECT_EQ(Sock.Proto(), "tcp");
}

TEST_F(WSocketTest, HandlerExceptionGoesToBgExceptionNeverToTheLoop) {
  bool LoopSawIt = false;
  Loop.OnException = [&](std::exception_ptr) { LoopSawIt = true; };
  std::string Seen;
  bool Keep = true;
  Sock.OnBgException = [&](TCustomWSocket&, const std::exception& E, bool& CanClose) {
    Seen = E.what();
    CanClose = !Keep;
  };
  Sock.OnDataAvailable = [&](TCustomWSocket& S, int) {
    S.ReceiveStr();
    throw std::runtime_error("handler failed");
  };
  ASSERT_TRUE(ConnectWith("ECHO"));
  Sock.SendStr("one");
  ASSERT_TRUE(Wait([&] { return !Seen.empty(); }));
  EXPECT_EQ(Seen, "handler failed");
  EXPECT_EQ(Sock.State(), wsConnected) << "the handler kept the socket";

  Keep = false;
  Seen.clear();
  Sock.SendStr("two");
  ASSERT_TRUE(Wait([&] { return !Seen.empty(); }));
  EXPECT_EQ(Sock.State(), wsClosed) << "the socket was aborted";
  EXPECT_FALSE(LoopSawIt);
}

}  // namespace
}  // namespace tolvar::nettest
