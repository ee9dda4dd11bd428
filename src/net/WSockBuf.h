#pragma once
// One block of a socket's send queue. Bytes are written at the end and read
// from the front; the block is never compacted, but once everything written
// has been read it starts over from its beginning.
#include <cstddef>
#include <memory>

namespace tolvar {

class TBuffer {
 public:
  // A size of 0 or less means 1514 bytes.
  explicit TBuffer(int Size);
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;

  int Size() const { return FSize; }
  // Resizing keeps the bytes written so far (cut to the new size).
  void SetSize(int NewSize);

  // Copies as many bytes as fit behind those written; returns how many.
  int Write(const void* Data, int Len);
  // The unread bytes: their address, and their count in Len.
  const char* Peek(int& Len) const;
  // Marks up to Len unread bytes as read; returns how many.
  int Remove(int Len);
  int Unread() const { return FWrCount - FRdCount; }
  bool Full() const { return FWrCount >= FSize; }

 private:
  std::unique_ptr<char[]> FData;
  int FSize = 0;
  int FWrCount = 0;
  int FRdCount = 0;
};

}  // namespace tolvar
