// TCDRipper's read without a file: a sector range read chunk by chunk as the
// rip loop reads it, each chunk handed to OnAudioRead and nothing written.
// Verification reads tracks this way (test reads, offset detection, verify).
#include <algorithm>
#include <vector>

#include "CDRipper.h"

namespace tolvar {

bool TCDRipper::ReadSectors(int32_t FirstSector, int32_t LastSector) {
  if (!ApplyParameters()) throw ECDRIPError("Invalid CD-ROM parameters");
  Cancel = false;
  int32_t BufferBytes = 0;
  if (CR_OpenRipper(BufferBytes, FirstSector, LastSector) != cdrip::kCdexOk) return false;
  BufferBytes = std::max(BufferBytes, 0);
  std::vector<uint8_t> Buffer(static_cast<size_t>(BufferBytes));
  int32_t Result = cdrip::kCdexOk;
  try {
    // A failed chunk ends the read: checksums of audio with a hole are worthless.
    while (!Cancel && Result != cdrip::kCdexRippingDone && Result != cdrip::kCdexError) {
      int32_t Bytes = 0;
      Result = CR_RipChunk(Buffer.data(), Bytes, false);
      Bytes = std::clamp(Bytes, 0, BufferBytes);
      if (Result != cdrip::kCdexError && Bytes > 0 && OnAudioRead)
        OnAudioRead(Buffer.data(), static_cast<size_t>(Bytes));
      NoteChunk(Result);
      if (ProcessMessages) ProcessMessages();
    }
  } catch (...) {
    CR_CloseRipper();
    throw;
  }
  FJittersNum = CR_GetNumberOfJitterErrors();
  CR_CloseRipper();
  return Result != cdrip::kCdexError;
}

}  // namespace tolvar
