// The scripted CD library (see FakeCdrip.h). FAKE_OMIT names one entry point
// that this build leaves out.
#include "FakeCdrip.h"

#include <algorithm>
#include <cstring>

#define FAKE_API extern "C" __attribute__((visibility("default")))

using namespace tolvar;
using namespace tolvar::fake;
using cdrip::TDriveParams;
using cdrip::TTocEntry;

namespace {

TFakeCdrip& S() {
  static TFakeCdrip State;
  return State;
}

void Log(const std::string& Call) {
  S().Calls.push_back(Call);
}

const std::vector<TTocEntry>& ActiveToc() {
  static const std::vector<TTocEntry> Empty;
  TFakeCdrip& F = S();
  return F.Active >= 0 && F.Active < static_cast<int32_t>(F.Tocs.size()) ? F.Tocs[F.Active] : Empty;
}

// The table that CR_ReadToc last read.
std::vector<TTocEntry>& ReadTable() {
  static std::vector<TTocEntry> Table;
  return Table;
}

}  // namespace

FAKE_API TFakeCdrip* FakeCdrip_State() {
  return &S();
}

FAKE_API int32_t CR_Init(const char* Name) {
  Log(std::string("CR_Init ") + (Name ? Name : ""));
  return S().InitResult;
}

#ifndef FAKE_OMIT_CR_GetCDRipVersion
FAKE_API int32_t CR_GetCDRipVersion() {
  Log("CR_GetCDRipVersion");
  return S().Version;
}
#endif

FAKE_API int32_t CR_GetNumCDROM() {
  return static_cast<int32_t>(S().DriveNames.size());
}

FAKE_API int32_t CR_GetCDROMIDByIndex(int32_t Index, char* Name, int32_t Size) {
  if (Index < 0 || Index >= static_cast<int32_t>(S().DriveNames.size()) || Size <= 0) return 1;
  std::string Text = S().DriveNames[Index].substr(0, Size - 1);
  std::memcpy(Name, Text.c_str(), Text.size() + 1);
  return 0;
}

FAKE_API int32_t CR_SetActiveCDROM(int32_t Index) {
  Log("CR_SetActiveCDROM " + std::to_string(Index));
  if (Index < 0 || Index >= static_cast<int32_t>(S().DriveNames.size())) return 1;
  S().Active = Index;
  return 0;
}

FAKE_API int32_t CR_GetActiveCDROM() {
  return S().Active;
}

FAKE_API int32_t CR_GetCDROMParameters(TDriveParams* Params) {
  Log("CR_GetCDROMParameters");
  if (S().GetParamsResult == 0) *Params = S().Params;
  return S().GetParamsResult;
}

FAKE_API int32_t CR_SetCDROMParameters(const TDriveParams* Params) {
  Log("CR_SetCDROMParameters");
  S().LastSetParams = *Params;
  return S().SetParamsResult;
}

FAKE_API int32_t CR_ReadToc() {
  Log("CR_ReadToc");
  ReadTable().clear();
  if (S().ReadTocResult != 0) return S().ReadTocResult;
  ReadTable() = ActiveToc();
  return 0;
}

FAKE_API int32_t CR_GetNumTocEntries() {
  return ReadTable().empty() ? 0 : static_cast<int32_t>(ReadTable().size()) - 1;
}

#ifndef FAKE_OMIT_CR_GetTocEntry2
FAKE_API int32_t CR_GetTocEntry2(int32_t Index, TTocEntry* Entry) {
  if (Index < 0 || Index >= static_cast<int32_t>(ReadTable().size())) return 1;
  *Entry = ReadTable()[Index];
  return 0;
}
#endif

FAKE_API int32_t CR_IsMediaLoaded() {
  TFakeCdrip& F = S();
  return F.Active >= 0 && F.Active < static_cast<int32_t>(F.Media.size()) && F.Media[F.Active];
}

FAKE_API int32_t CR_IsMediaLoadedByIndex(int32_t Index) {
  TFakeCdrip& F = S();
  return Index >= 0 && Index < static_cast<int32_t>(F.Media.size()) && F.Media[Index];
}

FAKE_API int32_t CR_OpenRipper(int32_t* BufferBytes, int32_t First, int32_t Last) {
  Log("CR_OpenRipper " + std::to_string(First) + " " + std::to_string(Last));
  *BufferBytes = S().BufferBytes;
  return S().OpenRipperResult;
}

FAKE_API int32_t CR_RipChunk(uint8_t* Buffer, int32_t* NumBytes, int32_t* /*Abort*/) {
  *NumBytes = 0;
  if (S().Chunks.empty()) return 4;
  TFakeChunk C = S().Chunks.front();
  S().Chunks.pop_front();
  *NumBytes = std::min(C.Bytes, S().BufferBytes);
  std::memset(Buffer, C.Fill, static_cast<size_t>(*NumBytes));
  return C.Result;
}

FAKE_API int32_t CR_GetPercentCompleted() {
  return S().Percent;
}

FAKE_API int32_t CR_GetLastJitterErrorPosition(int32_t* Start, int32_t* End) {
  *Start = S().JitterStart;
  *End = S().JitterEnd;
  return 0;
}

FAKE_API int32_t CR_GetNumberOfJitterErrors() {
  return S().JitterErrors;
}

FAKE_API int32_t CR_CloseRipper() {
  Log("CR_CloseRipper");
  return 0;
}

FAKE_API int32_t CR_PlayTrack(int32_t Track) {
  Log("CR_PlayTrack " + std::to_string(Track));
  return S().PlayResult;
}
FAKE_API int32_t CR_IsAudioPlaying() {
  return S().Playing ? 1 : 0;
}
FAKE_API int32_t CR_PauseCD(int32_t Pause) {
  Log("CR_PauseCD " + std::to_string(Pause));
  return S().PauseResult;
}
FAKE_API int32_t CR_DriveStatus() {
  return S().DriveStatus;
}
FAKE_API int32_t CR_StopPlayTrack() {
  Log("CR_StopPlayTrack");
  return S().StopResult;
}
FAKE_API int32_t CR_EjectCD(int32_t Open) {
  Log("CR_EjectCD " + std::to_string(Open));
  return 0;
}
FAKE_API int32_t CR_LockCD(int32_t) {
  return 1;
}
