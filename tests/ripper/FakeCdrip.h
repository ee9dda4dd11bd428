#pragma once
// A scripted stand-in for libcdrip, built as its own shared library so that
// CDRipIntf loads it exactly like the real one. A test scripts it through the
// state that FakeCdrip_State returns (found with dlsym on the loaded library)
// and reads back the calls it received. Variants of the library leave out
// one entry point each, for the "missing name" failures.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/cdrip/CDRipTypes.h"

namespace tolvar::fake {

struct TFakeChunk {
  int32_t Result = 0;
  int32_t Bytes = 0;  // filled with the byte value Fill
  uint8_t Fill = 0;
};

struct TFakeCdrip {
  int32_t InitResult = 0;
  int32_t Version = 110;
  std::vector<std::string> DriveNames;
  int32_t Active = 0;
  std::vector<bool> Media;  // per drive; a missing value is no disc
  int32_t GetParamsResult = 0;
  cdrip::TDriveParams Params{};  // handed out by CR_GetCDROMParameters
  int32_t SetParamsResult = 0;
  cdrip::TDriveParams LastSetParams{};
  int32_t ReadTocResult = 0;
  // Table of contents per drive (entries 0..n, lead-out last); a drive
  // without one reads an empty table.
  std::vector<std::vector<cdrip::TTocEntry>> Tocs;
  // Extraction, for the rip loop.
  int32_t OpenRipperResult = 0;
  int32_t BufferBytes = 4 * 2352;
  std::deque<TFakeChunk> Chunks;  // then result 4
  int32_t Percent = 0;
  int32_t JitterErrors = 0;
  int32_t JitterStart = 0, JitterEnd = 0;
  // Playback: the results the drive gives.
  int32_t PlayResult = 1;
  bool Playing = false;
  int32_t PauseResult = 1;
  int32_t StopResult = 1;
  int32_t DriveStatus = 21;

  std::vector<std::string> Calls;  // "CR_SetActiveCDROM 1", ...
  int Count(const std::string& Call) const {
    int N = 0;
    for (const std::string& C : Calls) N += C == Call || C.rfind(Call + " ", 0) == 0;
    return N;
  }
};

// An audio track entry and a data track entry.
inline cdrip::TTocEntry Audio(int32_t Start, uint8_t Number) {
  return {Start, 16, Number};
}
inline cdrip::TTocEntry Data(int32_t Start, uint8_t Number) {
  return {Start, 20, Number};
}
inline cdrip::TTocEntry LeadOut(int32_t Start) {
  return {Start, 16, cdrip::kLeadOutTrack};
}

}  // namespace tolvar::fake

using TFakeCdrip_State = tolvar::fake::TFakeCdrip* (*)();
