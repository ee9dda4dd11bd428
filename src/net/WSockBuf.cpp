#include "net/WSockBuf.h"

#include <algorithm>
#include <cstring>

namespace tolvar {

TBuffer::TBuffer(int Size) {
  SetSize(Size);
}

void TBuffer::SetSize(int NewSize) {
  if (NewSize <= 0) NewSize = 1514;
  if (NewSize == FSize) return;
  auto Data = std::make_unique<char[]>(NewSize);
  FWrCount = std::min(FWrCount, NewSize);
  FRdCount = std::min(FRdCount, FWrCount);
  if (FWrCount > 0) std::memcpy(Data.get(), FData.get(), FWrCount);
  FData = std::move(Data);
  FSize = NewSize;
}

int TBuffer::Write(const void* Data, int Len) {
  int Count = std::clamp(FSize - FWrCount, 0, std::max(Len, 0));
  if (Count > 0) std::memcpy(FData.get() + FWrCount, Data, Count);
  FWrCount += Count;
  return Count;
}

const char* TBuffer::Peek(int& Len) const {
  Len = FWrCount - FRdCount;
  return FData.get() + FRdCount;
}

int TBuffer::Remove(int Len) {
  int Count = std::clamp(Len, 0, FWrCount - FRdCount);
  FRdCount += Count;
  if (FRdCount >= FWrCount) FRdCount = FWrCount = 0;
  return Count;
}

}  // namespace tolvar
