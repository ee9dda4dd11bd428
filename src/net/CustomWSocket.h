#pragma once
// TCustomWSocket: an event-driven TCP/UDP socket. Name lookup, connection,
// sending and receiving never block; their outcome arrives as events from the
// event loop, on the loop's thread. Errors keep the Windows Sockets numbers
// (see WSocketErrors.h). TWSocket (WSocket.h) is the class to use.
#include <netinet/in.h>
#include <sys/socket.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/DnsQuery.h"
#include "net/EventLoop.h"
#include "net/WSockBuf.h"

namespace tolvar {

enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
// ComponentOptions flags.
enum : unsigned { wsoNoReceiveLoop = 1, wsoTcpNoDelay = 2 };

class ESocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCustomWSocket {
 public:
  using TSessionEvent = std::function<void(TCustomWSocket& Sender, int Error)>;
  using TSendDataEvent = std::function<void(TCustomWSocket& Sender, int BytesSent)>;
  using TChangeStateEvent =
      std::function<void(TCustomWSocket& Sender, TSocketState OldState, TSocketState NewState)>;
  using TNotifyEvent = std::function<void(TCustomWSocket& Sender)>;
  using TBgExceptionEvent =
      std::function<void(TCustomWSocket& Sender, const std::exception& E, bool& CanClose)>;

  explicit TCustomWSocket(TEventLoop& Loop);
  virtual ~TCustomWSocket();
  TCustomWSocket(const TCustomWSocket&) = delete;
  TCustomWSocket& operator=(const TCustomWSocket&) = delete;

  // Settings that can change only while the socket is closed. Values are
  // trimmed; an empty Addr or Port is "not assigned".
  const std::string& Addr() const { return FAddrStr; }
  void SetAddr(const std::string& Value);
  const std::string& Port() const { return FPortStr; }
  virtual void SetPort(const std::string& Value);
  const std::string& Proto() const { return FProtoStr; }
  virtual void SetProto(const std::string& Value);
  const std::string& LocalAddr() const { return FLocalAddr; }
  void SetLocalAddr(const std::string& Value);
  const std::string& LocalPort() const { return FLocalPortStr; }
  void SetLocalPort(const std::string& Value);

  std::string PeerAddr() const;  // "error" when not connected
  std::string PeerPort() const;
  std::string GetXAddr() const;  // the local address and port in use, or "error"
  std::string GetXPort() const;
  int GetPeerName(sockaddr_in& Name) const;  // 0, or -1
  int GetSockName(sockaddr_in& Name) const;

  const std::string& DnsResult() const { return FDnsResult; }
  const std::vector<std::string>& DnsResultList() const { return FDnsResultList; }
  TSocketState State() const { return FState; }
  long long ReadCount() const { return FReadCount; }
  // Bytes waiting to be read; -1 on error.
  virtual int RcvdCount();
  int LastError() const { return FLastError; }
  // The text of the last error report, also when OnError took it.
  const std::string& LastErrorMessage() const { return FLastErrorMessage; }
  int HSocket() const { return FHSocket; }
  TEventLoop& Loop() const { return FTarget.Loop(); }

  bool MultiThreaded = false;  // one loop per socket here: kept for callers that set it
  bool MultiCast = false;
  std::string MultiCastAddrStr;
  int MultiCastIpTTL = 1;
  bool ReuseAddr = false;
  unsigned ComponentOptions = 0;
  int FlushTimeout = 60;  // seconds
  TSocketSendFlags SendFlags = wsSendNormal;
  TSocketLingerOnOff LingerOnOff = wsLingerOn;
  int LingerTimeout = 0;  // seconds

  TSessionEvent OnDataAvailable;
  TSessionEvent OnDataSent;
  TSendDataEvent OnSendData;
  TSessionEvent OnSessionClosed;
  TSessionEvent OnSessionAvailable;
  TSessionEvent OnSessionConnected;
  TChangeStateEvent OnChangeState;
  TSessionEvent OnDnsLookupDone;
  TNotifyEvent OnError;
  TBgExceptionEvent OnBgException;

  // Dotted addresses are answered before the call returns; names are looked
  // up in the background. Both end with OnDnsLookupDone.
  virtual void DnsLookup(const std::string& HostName);
  virtual void ReverseDnsLookup(const std::string& HostAddr);
  virtual void CancelDnsLookup();

  // Starts a connection to Addr:Port with Proto; OnSessionConnected tells the outcome.
  virtual void Connect();
  virtual void Close();  // orderly: shut down sending, then close
  virtual void CloseDelayed();
  virtual void Abort();  // at once: drops the send queue, no shutdown
  // Posts the destruction of this socket, which must have been made with new.
  virtual void Release();
  virtual void Flush();              // sends the queue, handling events, up to FlushTimeout
  virtual void WaitForClose();       // handles events until the peer has closed
  virtual void Listen();             // on Addr:Port ("0.0.0.0" when Addr is empty)
  virtual int Accept();              // the accepted descriptor, or -1
  virtual void Dup(int NewHSocket);  // adopts an accepted descriptor as connected
  virtual void ShutDown(int How);
  virtual void Pause();
  virtual void Resume();
  virtual void MessagePump();

  virtual int Receive(void* Buffer, int BufferSize);
  virtual std::string ReceiveStr();
  virtual int ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From);
  virtual int Send(const void* Data, int Len);
  virtual int SendStr(const std::string& Str);
  virtual int SendTo(const sockaddr_in& Dest, const void* Data, int Len);

 protected:
  // Windows Sockets notification events, as the socket layer dispatches them.
  enum : unsigned { FD_READ = 1, FD_WRITE = 2, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };

  virtual void AssignDefaultValue();
  virtual void InternalClose(bool Shut, int Error);
  virtual void Bind();
  virtual int RealSend(const void* Data, int Len);
  virtual int DoRecv(void* Buffer, int BufferSize, int Flags);
  virtual int DoRecvFrom(void* Buffer, int BufferSize, sockaddr_in& From);
  // Reports an error: to OnError when assigned, else as ESocketException.
  virtual void RaiseException(const std::string& Msg);
  // Reports "Error n in function Op" with the text of Error.
  void SocketError(const std::string& Op, int Error);
  virtual void HandleBackgroundException(const std::exception& E);

  virtual bool TriggerDataAvailable(int Error);  // false when no handler ran
  virtual void TriggerSessionAvailable(int Error);
  virtual void TriggerSessionConnected(int Error);
  virtual void TriggerSessionClosed(int Error);
  virtual void TriggerDataSent(int Error);
  virtual void TriggerSendData(int BytesSent);
  virtual void TriggerChangeState(TSocketState OldState, TSocketState NewState);
  virtual void TriggerDnsLookupDone(int Error);
  virtual void TriggerError();

  void ChangeState(TSocketState NewState);
  // Runs Handler as the event dispatcher runs every event: an exception goes
  // to the background-exception handling and never further.
  void Dispatch(const std::function<void()>& Handler);
  // Posts a message for the current connection; dropped once it is closed.
  void PostForConnection(std::function<void()> Message);
  void PostNotification(unsigned Event, int Error);
  void HandleNotification(unsigned Event, int Error);
  void ReceiveLoop(int Error, bool ForceLoop);
  void TryToSend();
  void DeleteBufferedData();
  bool Closed() const { return FHSocket < 0 || FState == wsClosed; }
  int BytesWaiting() const;  // in the system's receive queue
  bool IsStream() const { return FType == SOCK_STREAM; }
  // False once the last callback destroyed this socket.
  std::weak_ptr<char> LifeToken() const { return FTarget.Token(); }

  bool FCloseInvoked = false;
  bool FDestroying = false;
  bool FAllSent = true;
  long long FReadCount = 0;
  int FLastError = 0;
  sockaddr_in FSin{};

 private:
  void SocketReady(unsigned Ready);
  void UpdateWatch();
  void DoConnectEvent(int Error);
  void DoWriteEvent(int Error);
  void DoCloseEvent(int Error);
  void DnsReply(int Error, const std::vector<std::string>& Results);
  void LookupRefused();
  void ClearLookup();
  void StartQuery(const std::string& Name,
                  const std::function<int(TDnsQuery&, TDnsQuery::TDone)>& Start);
  bool ResolveAll();  // reports what fails
  void ResolveFailed(const std::string& Msg, int Error);
  // Takes a trimmed setting unless the socket is in use.
  bool AssignSetting(const char* What, const std::string& Value, std::string& Setting,
                     bool* Resolved = nullptr);
  void SetSocketOptions();
  void AdoptHandle(int Fd);
  bool BeginRead();
  int EndRead(ssize_t Count);

  TLoopTarget FTarget;
  int FHSocket = -1;
  std::uint64_t FConnSerial = 0;  // tells one connection's posted messages from the next
  TSocketState FState = wsClosed;
  std::string FAddrStr, FPortStr, FProtoStr = "tcp";
  std::string FLocalAddr = "0.0.0.0", FLocalPortStr = "0";
  bool FAddrAssigned = false, FPortAssigned = false, FProtoAssigned = true;
  bool FAddrResolved = false, FPortResolved = false, FLocalPortResolved = false;
  bool FProtoResolved = false;
  int FProto = 6;
  int FType = SOCK_STREAM;
  in_port_t FLocalPortNum = 0;
  std::string FDnsResult;
  std::vector<std::string> FDnsResultList;
  std::unique_ptr<TDnsQuery> FDnsQuery;
  std::deque<std::unique_ptr<TBuffer>> FBufList;
  int FBufSize = 1460;
  std::string FLastErrorMessage;
  bool FPaused = false;
  bool FReadArmed = true;    // read (or accept) notifications wanted
  bool FWriteArmed = false;  // the queue waits for the socket to take more
  unsigned FWatched = 0;
  std::uint64_t FRecvCalls = 0;  // tells whether a handler read anything
};

}  // namespace tolvar
