#pragma once
// Line mode on top of the SOCKS socket: received data gathers in a buffer and
// OnDataAvailable comes once per complete line (LineEnd included); and the
// synchronous line reader built on it.
#include <chrono>
#include <string>

#include "net/SocksWSocket.h"

namespace tolvar {

class TCustomLineWSocket : public TCustomSocksWSocket {
 public:
  using TLineLimitEvent =
      std::function<void(TCustomWSocket& Sender, int RcvdLength, bool& ClearData)>;

  using TCustomSocksWSocket::TCustomSocksWSocket;

  bool LineMode() const { return FLineMode; }
  // Switching with data buffered delivers that data again from the loop.
  virtual void SetLineMode(bool Value);
  int LineLimit = 65536;  // bytes without a line end before OnLineLimitExceeded; 0: no limit
  std::string LineEnd = "\r\n";
  bool LineEcho = false;  // send back what arrives
  bool LineEdit = false;  // backspace removes, tab goes to the next 8-column stop

  TLineLimitEvent OnLineLimitExceeded;

  // In line mode: the length of the line waiting to be read.
  int RcvdCount() override;
  int Receive(void* Buffer, int BufferSize) override;

 protected:
  bool TriggerDataAvailable(int Error) override;
  void TriggerSessionClosed(int Error) override;
  virtual void TriggerLineLimitExceeded(int Count, bool& ClearData);
  // Adds received bytes to the line buffer, applying LineEdit.
  virtual void EditLine(const char* Data, int Len);
  // Offers what the buffer holds: lines in line mode, else the raw bytes.
  void DeliverBuffered();

 private:
  void DeliverLines();

  bool FLineMode = false;
  std::string FRcvBuf;
  size_t FLineLength = 0;  // the complete line at the front of FRcvBuf
  std::uint64_t FReads = 0;
};

class TCustomSyncWSocket : public TCustomLineWSocket {
 public:
  using TCustomLineWSocket::TCustomLineWSocket;

  // Handles events until Done holds, the socket closes or Timeout passes:
  // 0, WSAECONNABORTED or WSAETIMEDOUT.
  virtual int WaitUntilReady(const bool& Done, std::chrono::milliseconds Timeout);
  // Reads one line (with its LineEnd), handling events meanwhile.
  virtual bool ReadLine(std::chrono::milliseconds Timeout, std::string& Line);
};

}  // namespace tolvar
