#include "net/LineWSocket.h"

#include <algorithm>
#include <cstring>

#include "net/WSocketErrors.h"

namespace tolvar {

void TCustomLineWSocket::SetLineMode(bool Value) {
  if (FLineMode == Value) return;
  FLineMode = Value;
  FLineLength = 0;
  if (!FRcvBuf.empty()) PostForConnection([this] { Dispatch([this] { DeliverBuffered(); }); });
}

int TCustomLineWSocket::RcvdCount() {
  if (FLineMode) return static_cast<int>(FLineLength);
  if (!FRcvBuf.empty()) return static_cast<int>(FRcvBuf.size());
  return TCustomSocksWSocket::RcvdCount();
}

int TCustomLineWSocket::Receive(void* Buffer, int BufferSize) {
  size_t Available = FLineMode ? FLineLength : FRcvBuf.size();
  if (Available == 0 && !FLineMode) return TCustomSocksWSocket::Receive(Buffer, BufferSize);
  ++FReads;
  size_t Count = std::min(Available, static_cast<size_t>(std::max(BufferSize, 0)));
  std::memcpy(Buffer, FRcvBuf.data(), Count);
  FRcvBuf.erase(0, Count);
  if (FLineMode) FLineLength -= Count;
  return static_cast<int>(Count);
}

bool TCustomLineWSocket::TriggerDataAvailable(int Error) {
  if (!FLineMode || Error != 0 || SocksNegotiating())
    return TCustomSocksWSocket::TriggerDataAvailable(Error);
  char Buffer[8192];
  int Count = TCustomSocksWSocket::Receive(Buffer, sizeof Buffer);
  if (Count <= 0) return true;
  EditLine(Buffer, Count);
  if (LineEcho) Send(Buffer, Count);
  DeliverLines();
  return true;
}

void TCustomLineWSocket::EditLine(const char* Data, int Len) {
  if (!LineEdit) {
    FRcvBuf.append(Data, Len);
    return;
  }
  for (int I = 0; I < Len; ++I) {
    if (Data[I] == '\b') {
      if (FRcvBuf.size() > FLineLength) FRcvBuf.pop_back();
    } else if (Data[I] == '\t') {
      size_t LineStart = FRcvBuf.rfind(LineEnd);
      size_t Column = LineStart == std::string::npos ? FRcvBuf.size()
                                                     : FRcvBuf.size() - LineStart - LineEnd.size();
      FRcvBuf.append(8 - Column % 8, ' ');
    } else {
      FRcvBuf += Data[I];
    }
  }
}

// Offers each complete line until the handler leaves one unread.
void TCustomLineWSocket::DeliverLines() {
  auto Token = LifeToken();
  while (FLineMode) {
    if (FLineLength == 0) {
      size_t End = LineEnd.empty() ? std::string::npos : FRcvBuf.find(LineEnd);
      if (End == std::string::npos) {
        if (LineLimit > 0 && FRcvBuf.size() > static_cast<size_t>(LineLimit)) {
          bool Clear = true;
          TriggerLineLimitExceeded(static_cast<int>(FRcvBuf.size()), Clear);
          if (Alive(Token) && Clear) FRcvBuf.clear();
        }
        return;
      }
      FLineLength = End + LineEnd.size();
    }
    if (!OnDataAvailable) {
      FRcvBuf.erase(0, FLineLength);
      FLineLength = 0;
      continue;
    }
    std::uint64_t Before = FReads;
    OnDataAvailable(*this, 0);
    if (!Alive(Token) || FReads == Before) return;
  }
}

void TCustomLineWSocket::DeliverBuffered() {
  if (FLineMode) return DeliverLines();
  auto Token = LifeToken();
  while (!FRcvBuf.empty() && OnDataAvailable) {
    std::uint64_t Before = FReads;
    OnDataAvailable(*this, 0);
    if (!Alive(Token) || FReads == Before) return;
  }
}

void TCustomLineWSocket::TriggerSessionClosed(int Error) {
  auto Token = LifeToken();
  if (FLineMode && FLineLength == 0 && !FRcvBuf.empty() && OnDataAvailable) {
    // The last line had no end: it is offered as it is.
    FLineLength = FRcvBuf.size();
    OnDataAvailable(*this, 0);
    if (!Alive(Token)) return;
  }
  FRcvBuf.clear();
  FLineLength = 0;
  TCustomSocksWSocket::TriggerSessionClosed(Error);
}

void TCustomLineWSocket::TriggerLineLimitExceeded(int Count, bool& ClearData) {
  if (OnLineLimitExceeded) OnLineLimitExceeded(*this, Count, ClearData);
}

int TCustomSyncWSocket::WaitUntilReady(const bool& Done, std::chrono::milliseconds Timeout) {
  using namespace std::chrono;
  auto End = steady_clock::now() + Timeout;
  while (!Done) {
    if (Closed()) return WSAECONNABORTED;
    auto Left = duration_cast<milliseconds>(End - steady_clock::now());
    if (Left.count() <= 0) return WSAETIMEDOUT;
    Loop().ProcessEvents(std::min(Left, milliseconds(100)));
  }
  return 0;
}

bool TCustomSyncWSocket::ReadLine(std::chrono::milliseconds Timeout, std::string& Line) {
  bool Got = false;
  auto Saved = std::move(OnDataAvailable);
  bool WasLineMode = LineMode();
  OnDataAvailable = [&](TCustomWSocket&, int) {
    if (Got) return;
    Line = ReceiveStr();
    Got = true;
  };
  SetLineMode(true);
  if (WasLineMode) DeliverBuffered();  // a line may be waiting already
  WaitUntilReady(Got, Timeout);
  OnDataAvailable = std::move(Saved);
  if (!WasLineMode) SetLineMode(false);
  return Got;
}

}  // namespace tolvar
