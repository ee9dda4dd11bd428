// TCustomWSocket's traffic: the notifications it turns readiness into, the
// send queue and receiving.
#include <sys/ioctl.h>

#include <cerrno>

#include "net/CustomWSocket.h"
#include "net/WSocketErrors.h"

namespace tolvar {

// ---- notifications ----

void TCustomWSocket::UpdateWatch() {
  if (FHSocket < 0) return;
  unsigned Events = 0;
  if (!FPaused) {
    if (FState == wsConnecting)
      Events = TEventLoop::evRead | TEventLoop::evWrite;
    else if (FState == wsConnected)
      Events = (FReadArmed ? TEventLoop::evRead : 0) | (FWriteArmed ? TEventLoop::evWrite : 0);
    else if (FState == wsListening && FReadArmed)
      Events = TEventLoop::evRead;
  }
  if (Events == FWatched) return;
  FWatched = Events;
  Loop().Watch(FHSocket, Events, [this](unsigned Ready) { SocketReady(Ready); });
}

// Turns readiness into the notifications Windows Sockets would have sent.
void TCustomWSocket::SocketReady(unsigned Ready) {
  if (FPaused || FHSocket < 0) return;
  if (FState == wsConnecting) {
    int Err = 0;
    socklen_t Len = sizeof Err;
    getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &Err, &Len);
    if (Err == 0 && !(Ready & TEventLoop::evWrite)) return;
    HandleNotification(FD_CONNECT, WinsockErrorFromErrno(Err));
    return;
  }
  if (FState == wsListening) {
    if (IsStream()) {
      FReadArmed = false;  // until Accept
      UpdateWatch();
      HandleNotification(FD_ACCEPT, 0);
    } else {
      HandleNotification(FD_READ, 0);
    }
    return;
  }
  if (FState != wsConnected) return;
  auto Token = LifeToken();
  if (Ready & TEventLoop::evWrite) {
    HandleNotification(FD_WRITE, 0);
    if (!Alive(Token) || FHSocket < 0 || FState != wsConnected) return;
  }
  if (!(Ready & TEventLoop::evRead)) return;
  if (!IsStream()) return HandleNotification(FD_READ, 0);
  // Readable with nothing to read is the end of the stream, or its error.
  char Byte;
  ssize_t Count = recv(FHSocket, &Byte, 1, MSG_PEEK);
  if (Count > 0)
    HandleNotification(FD_READ, 0);
  else if (Count == 0)
    HandleNotification(FD_CLOSE, 0);
  else if (errno != EAGAIN && errno != EINTR)
    HandleNotification(FD_CLOSE, WinsockErrorFromErrno(errno));
}

void TCustomWSocket::PostForConnection(std::function<void()> Message) {
  FTarget.Post([this, Serial = FConnSerial, Message = std::move(Message)] {
    if (Serial == FConnSerial && FHSocket >= 0) Message();
  });
}

void TCustomWSocket::PostNotification(unsigned Event, int Error) {
  PostForConnection([this, Event, Error] { HandleNotification(Event, Error); });
}

void TCustomWSocket::HandleNotification(unsigned Event, int Error) {
  Dispatch([&] {
    switch (Event) {
      case FD_CONNECT:
        return DoConnectEvent(Error);
      case FD_READ:
        if (FState == wsConnecting) {
          ChangeState(wsConnected);
          TriggerSessionConnected(Error);
        }
        return ReceiveLoop(Error, false);
      case FD_WRITE:
        return DoWriteEvent(Error);
      case FD_ACCEPT:
        return TriggerSessionAvailable(Error);
      case FD_CLOSE:
        return DoCloseEvent(Error);
    }
  });
}

void TCustomWSocket::DoConnectEvent(int Error) {
  if (FState == wsConnected) return;
  auto Token = LifeToken();
  ChangeState(wsConnected);
  TriggerSessionConnected(Error);
  if (Alive(Token) && Error != 0 && !Closed()) Close();
}

void TCustomWSocket::ReceiveLoop(int Error, bool ForceLoop) {
  auto Token = LifeToken();
  char Discard[1024];
  for (;;) {
    std::uint64_t CallsBefore = FRecvCalls;
    if (!TriggerDataAvailable(Error)) {
      if (!Alive(Token)) return;
      if (DoRecv(Discard, sizeof Discard, 0) < 0 && FLastError == WSAEWOULDBLOCK) break;
    }
    if (!Alive(Token) || Closed()) return;
    int Waiting = BytesWaiting();
    if (Waiting > 0 && FRecvCalls == CallsBefore) {
      // The handler left the data where it was: like Windows Sockets, announce
      // more only after the next Receive, instead of spinning on it.
      FReadArmed = false;
      UpdateWatch();
      return;
    }
    if (!ForceLoop && (ComponentOptions & wsoNoReceiveLoop)) return;
    if (Waiting <= 0) return;
  }
}

void TCustomWSocket::DoWriteEvent(int Error) {
  auto Token = LifeToken();
  TryToSend();
  if (Alive(Token) && FAllSent && FState == wsConnected) TriggerDataSent(Error);
}

void TCustomWSocket::DoCloseEvent(int Error) {
  if (FState == wsConnecting) return;  // the connect notification tells
  auto Token = LifeToken();
  // Whatever arrived before the end is delivered first.
  if (BytesWaiting() > 0) ReceiveLoop(0, true);
  if (!Alive(Token)) return;
  if (!FCloseInvoked) {
    FCloseInvoked = true;
    TriggerSessionClosed(Error);
    if (!Alive(Token)) return;
  }
  if (FState != wsClosed) InternalClose(false, Error);
}

// ---- sending ----

void TCustomWSocket::DeleteBufferedData() {
  FBufList.clear();
  FAllSent = true;
  FWriteArmed = false;
}

int TCustomWSocket::Send(const void* Data, int Len) {
  if (FState != wsConnected) {
    SocketError("Send", WSAENOTCONN);
    return -1;
  }
  if (Len <= 0) return 0;
  FAllSent = false;
  auto* Bytes = static_cast<const char*>(Data);
  int Left = Len;
  while (Left > 0) {
    if (FBufList.empty() || FBufList.back()->Full())
      FBufList.push_back(std::make_unique<TBuffer>(FBufSize));
    int Count = FBufList.back()->Write(Bytes, Left);
    Bytes += Count;
    Left -= Count;
  }
  auto Token = LifeToken();
  TryToSend();
  // OnDataSent always comes from the loop, never from inside Send.
  if (Alive(Token) && FAllSent) PostNotification(FD_WRITE, 0);
  return Len;
}

int TCustomWSocket::SendStr(const std::string& Str) {
  return Send(Str.data(), static_cast<int>(Str.size()));
}

int TCustomWSocket::RealSend(const void* Data, int Len) {
  if (!IsStream())
    return sendto(FHSocket, Data, Len, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&FSin),
                  sizeof FSin);
  return send(FHSocket, Data, Len, MSG_NOSIGNAL | (SendFlags == wsSendUrgent ? MSG_OOB : 0));
}

void TCustomWSocket::TryToSend() {
  auto Token = LifeToken();
  while (FHSocket >= 0 && !FBufList.empty()) {
    TBuffer& Block = *FBufList.front();
    int Len;
    const char* Data = Block.Peek(Len);
    if (Len <= 0) {
      if (FBufList.size() > 1) {
        FBufList.pop_front();
        continue;
      }
      FAllSent = true;
      break;
    }
    int Count = RealSend(Data, Len);
    if (Count == 0) break;
    if (Count < 0) {
      int Error = WinsockErrorFromErrno(errno);
      if (Error == WSAEWOULDBLOCK) break;
      if (Error == WSAECONNRESET || Error == WSAENOTSOCK || Error == WSAENOTCONN ||
          Error == WSAEINVAL || Error == WSAECONNABORTED) {
        FLastError = Error;
        InternalClose(false, Error);
      } else {
        SocketError("TryToSend failed", Error);
      }
      return;
    }
    Block.Remove(Count);
    TriggerSendData(Count);
    if (!Alive(Token)) return;
    if (Count < Len) break;  // the rest goes when the socket takes more
  }
  if (FHSocket < 0) return;
  bool Waiting = !FAllSent && !FBufList.empty();
  if (Waiting != FWriteArmed) {
    FWriteArmed = Waiting;
    UpdateWatch();
  }
}

int TCustomWSocket::SendTo(const sockaddr_in& Dest, const void* Data, int Len) {
  int Count = sendto(FHSocket, Data, Len, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&Dest),
                     sizeof Dest);
  if (Count < 0) FLastError = WinsockErrorFromErrno(errno);
  return Count;
}

// ---- receiving ----

int TCustomWSocket::RcvdCount() {
  return BytesWaiting();
}

int TCustomWSocket::BytesWaiting() const {
  int Count = 0;
  if (FHSocket < 0 || ioctl(FHSocket, FIONREAD, &Count) != 0) return -1;
  return Count;
}

// A read asks for the next read notification, as with Windows Sockets.
bool TCustomWSocket::BeginRead() {
  ++FRecvCalls;
  if (!FReadArmed) {
    FReadArmed = true;
    UpdateWatch();
  }
  if (FHSocket >= 0) return true;
  FLastError = WSAENOTSOCK;
  return false;
}

int TCustomWSocket::EndRead(ssize_t Count) {
  if (Count < 0) {
    FLastError = WinsockErrorFromErrno(errno);
    return -1;
  }
  FReadCount += Count;
  return static_cast<int>(Count);
}

int TCustomWSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
  if (!BeginRead()) return -1;
  return EndRead(recv(FHSocket, Buffer, BufferSize, Flags));
}

int TCustomWSocket::DoRecvFrom(void* Buffer, int BufferSize, sockaddr_in& From) {
  if (!BeginRead()) return -1;
  socklen_t Len = sizeof From;
  return EndRead(
      recvfrom(FHSocket, Buffer, BufferSize, 0, reinterpret_cast<sockaddr*>(&From), &Len));
}

int TCustomWSocket::Receive(void* Buffer, int BufferSize) {
  return DoRecv(Buffer, BufferSize, 0);
}

int TCustomWSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From) {
  return DoRecvFrom(Buffer, BufferSize, From);
}

std::string TCustomWSocket::ReceiveStr() {
  int Count = RcvdCount();
  if (Count < 0) return {};
  if (Count == 0) Count = 255;
  std::string Result(Count, '\0');
  int Got = Receive(Result.data(), Count);
  if (Got <= 0) return {};
  Result.resize(Got);
  return Result;
}

}  // namespace tolvar
