#include "CDRipIntf.h"

#include <dlfcn.h>

#include <algorithm>

#include "platform/cdrip/CdDrives.h"
#include "util/MiscFunctions.h"

namespace tolvar {

namespace {

using namespace cdrip;

// Every name of the library: X(name).
#define TOLVAR_CDRIP_NAMES(X)                                                                  \
  X(CR_Init)                                                                                   \
  X(CR_GetCDRipVersion)                                                                        \
  X(CR_GetNumCDROM) X(CR_GetCDROMIDByIndex) X(CR_SetActiveCDROM) X(CR_GetActiveCDROM)          \
      X(CR_GetCDROMParameters) X(CR_SetCDROMParameters) X(CR_ReadToc) X(CR_GetNumTocEntries)   \
          X(CR_GetTocEntry2) X(CR_IsMediaLoaded) X(CR_OpenRipper) X(CR_RipChunk)               \
              X(CR_GetPercentCompleted) X(CR_GetLastJitterErrorPosition)                       \
                  X(CR_GetNumberOfJitterErrors) X(CR_CloseRipper) X(CR_PlayTrack)              \
                      X(CR_IsAudioPlaying) X(CR_PauseCD) X(CR_DriveStatus) X(CR_StopPlayTrack) \
                          X(CR_EjectCD) X(CR_LockCD) X(CR_IsMediaLoadedByIndex)

struct TEntryPoints {
#define TOLVAR_FIELD(Name) T##Name Name = nullptr;
  TOLVAR_CDRIP_NAMES(TOLVAR_FIELD)
#undef TOLVAR_FIELD
};

struct TUnit {
  void* Library = nullptr;
  TEntryPoints Calls;
  bool Ready = false;
  std::string LoadError;
  // MCI stand-in.
  uint32_t MciDeviceId = 0;
  bool MciOpen = false;
  int32_t MciDrive = -1;
  int MciLastResult = 0;
};

TUnit& Unit() {
  static TUnit U;
  return U;
}

template <typename TPointer>
TPointer Need(TPointer Pointer, const char* Name) {
  if (!Pointer) throw ECDRipMissing(Name);
  return Pointer;
}
#define TOLVAR_CALL(Name) Need(Unit().Calls.Name, #Name)

}  // namespace

std::string DefaultCDRipPath() {
  return PrivateLibraryPath(kLibraryFileName);
}

bool LoadCDRip(const std::string& LibraryPath) {
  FreeCDRip();
  TUnit& U = Unit();
  std::string Path = LibraryPath.empty() ? DefaultCDRipPath() : LibraryPath;
  U.Library = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!U.Library) {
    const char* Error = dlerror();
    U.LoadError = Error ? Error : "cannot load " + Path;
    return false;
  }
  U.LoadError.clear();
#define TOLVAR_LOOKUP(Name) U.Calls.Name = reinterpret_cast<T##Name>(dlsym(U.Library, #Name));
  TOLVAR_CDRIP_NAMES(TOLVAR_LOOKUP)
#undef TOLVAR_LOOKUP
  U.Ready = U.Calls.CR_Init && U.Calls.CR_Init(kDefaultSettingsName) == kCdexOk;
  return U.Ready;
}

void FreeCDRip() {
  TUnit& U = Unit();
  MciClose();
  U.MciOpen = false;
  U.MciDeviceId = 0;
  U.Ready = false;
  U.Calls = TEntryPoints();
  if (U.Library) dlclose(U.Library);
  U.Library = nullptr;
}

bool CDRipReady() {
  return Unit().Ready;
}

const std::string& CDRipLoadError() {
  return Unit().LoadError;
}

int32_t CR_Init(const char* IniFileName) {
  return TOLVAR_CALL(CR_Init)(IniFileName);
}
int32_t CR_GetCDRipVersion() {
  return TOLVAR_CALL(CR_GetCDRipVersion)();
}
int32_t CR_GetNumCDROM() {
  return TOLVAR_CALL(CR_GetNumCDROM)();
}
std::string CR_GetCDROMIDByIndex(int32_t Index) {
  char Name[256] = {};
  TOLVAR_CALL(CR_GetCDROMIDByIndex)(Index, Name, sizeof Name);
  Name[sizeof Name - 1] = 0;
  return Name;
}
int32_t CR_SetActiveCDROM(int32_t Index) {
  return TOLVAR_CALL(CR_SetActiveCDROM)(Index);
}
int32_t CR_GetActiveCDROM() {
  return TOLVAR_CALL(CR_GetActiveCDROM)();
}
int32_t CR_GetCDROMParameters(TDriveParams& Params) {
  return TOLVAR_CALL(CR_GetCDROMParameters)(&Params);
}
int32_t CR_SetCDROMParameters(const TDriveParams& Params) {
  return TOLVAR_CALL(CR_SetCDROMParameters)(&Params);
}
int32_t CR_ReadToc() {
  return TOLVAR_CALL(CR_ReadToc)();
}
int32_t CR_GetNumTocEntries() {
  return TOLVAR_CALL(CR_GetNumTocEntries)();
}
int32_t CR_GetTocEntry2(int32_t Index, TTocEntry& Entry) {
  return TOLVAR_CALL(CR_GetTocEntry2)(Index, &Entry);
}
bool CR_IsMediaLoaded() {
  return TOLVAR_CALL(CR_IsMediaLoaded)() != 0;
}
int32_t CR_OpenRipper(int32_t& BufferBytes, int32_t FirstSector, int32_t LastSector) {
  return TOLVAR_CALL(CR_OpenRipper)(&BufferBytes, FirstSector, LastSector);
}
int32_t CR_RipChunk(uint8_t* Buffer, int32_t& NumBytes, bool Abort) {
  int32_t AbortFlag = Abort ? 1 : 0;
  return TOLVAR_CALL(CR_RipChunk)(Buffer, &NumBytes, &AbortFlag);
}
int32_t CR_GetPercentCompleted() {
  return TOLVAR_CALL(CR_GetPercentCompleted)();
}
int32_t CR_GetLastJitterErrorPosition(int32_t& Start, int32_t& End) {
  return TOLVAR_CALL(CR_GetLastJitterErrorPosition)(&Start, &End);
}
int32_t CR_GetNumberOfJitterErrors() {
  return TOLVAR_CALL(CR_GetNumberOfJitterErrors)();
}
int32_t CR_CloseRipper() {
  return TOLVAR_CALL(CR_CloseRipper)();
}
int32_t CR_PlayTrack(int32_t Track) {
  return TOLVAR_CALL(CR_PlayTrack)(Track);
}
bool CR_IsAudioPlaying() {
  return TOLVAR_CALL(CR_IsAudioPlaying)() != 0;
}
int32_t CR_PauseCD(bool Pause) {
  return TOLVAR_CALL(CR_PauseCD)(Pause ? 1 : 0);
}
int32_t CR_DriveStatus() {
  return TOLVAR_CALL(CR_DriveStatus)();
}
int32_t CR_StopPlayTrack() {
  return TOLVAR_CALL(CR_StopPlayTrack)();
}
int32_t CR_EjectCD(bool Open) {
  return TOLVAR_CALL(CR_EjectCD)(Open ? 1 : 0);
}
int32_t CR_LockCD(bool Lock) {
  return TOLVAR_CALL(CR_LockCD)(Lock ? 1 : 0);
}

std::vector<bool> CDRipMediaStates() {
  std::vector<bool> States;
  TUnit& U = Unit();
  if (!U.Ready || !U.Calls.CR_GetNumCDROM) return States;
  int32_t Count = U.Calls.CR_GetNumCDROM();
  if (U.Calls.CR_IsMediaLoadedByIndex) {
    for (int32_t I = 0; I < Count; ++I) States.push_back(U.Calls.CR_IsMediaLoadedByIndex(I) != 0);
  } else if (U.Calls.CR_IsMediaLoaded && Count > 0) {
    States.push_back(U.Calls.CR_IsMediaLoaded() != 0);
  }
  return States;
}

// ---------------------------------------------------------------------------

uint32_t PositionMsf(int64_t Sector) {
  return LengthMsf(Sector + 150);
}

uint32_t LengthMsf(int64_t Frames) {
  uint64_t F = static_cast<uint64_t>(Frames);  // a negative length wraps, as a DWORD would
  return static_cast<uint32_t>((F / 4500 & 0xFF) << 16 | (F / 75 % 60) << 8 | F % 75);
}

int64_t MsfFrames(uint32_t Msf) {
  return static_cast<int64_t>(Msf >> 16 & 0xFF) * 4500 + (Msf >> 8 & 0xFF) * 75 + (Msf & 0xFF);
}

int GetDiscInfo(TDiscInfo& Info) {
  Info.TrackCount = 0;
  if (!CR_IsMediaLoaded()) return kDiscInfoNoDisc;
  if (CR_ReadToc() != kCdexOk) return kDiscInfoFailed;
  int32_t N = CR_GetNumTocEntries();
  if (N < 1) return kDiscInfoFailed;
  // Entries beyond the record's 100 are dropped, never written past it.
  int32_t Stored = std::min(N, kMaxDiscEntries);
  Info.TrackCount = static_cast<uint16_t>(Stored);
  Info.AudioLength = 0;

  TTocEntry Entry{};
  CR_GetTocEntry2(N, Entry);
  Info.LeadOutMSF = PositionMsf(Entry.StartSector);
  int64_t End = static_cast<int64_t>(Entry.StartSector) - 1;
  for (int32_t K = N - 1; K >= 0; --K) {
    Entry = TTocEntry{};
    CR_GetTocEntry2(K, Entry);
    if (K < kMaxDiscEntries) {
      TDiscEntry& E = Info.Entries[K];
      E.Number = Entry.TrackNumber;
      E.Audio = (Entry.Flags & 4) ? 0 : 1;
      E.StartMSF = PositionMsf(Entry.StartSector);
      E.LengthSectors = static_cast<int32_t>(End - Entry.StartSector + 1);
      E.LengthMSF = LengthMsf(E.LengthSectors);
      E.StartSector = Entry.StartSector;
    }
    End = static_cast<int64_t>(Entry.StartSector) - 1;
    if (K == 0) Info.FirstTrack = Entry.TrackNumber;
    if (K == N - 1) Info.LastTrack = Entry.TrackNumber;
  }
  Info.StartMSF = Info.Entries[0].StartMSF;

  uint32_t McCount = 0, McPosition = 0, McLength = 0;
  MciTrackStatus(McCount, McPosition, McLength);
  if (McCount > 0 && McCount <= static_cast<uint32_t>(kMaxDiscEntries))
    Info.Entries[McCount - 1].LengthMSF = McLength;

  const TDiscEntry& Last = Info.Entries[Stored - 1];
  Info.DiscLength = PositionMsf(static_cast<int64_t>(Last.StartSector) + MsfFrames(Last.LengthMSF));

  bool AnyAudio = false, AnyData = false;
  int64_t AudioSectors = 0;
  for (int32_t K = 0; K < Stored; ++K) {
    if (Info.Entries[K].Audio) {
      AnyAudio = true;
      AudioSectors += Info.Entries[K].LengthSectors;
    } else {
      AnyData = true;
    }
  }
  Info.DiscType = AnyAudio ? (AnyData ? 2 : 1) : 0;
  if (Info.DiscType != 0) Info.AudioLength = LengthMsf(AudioSectors);

  uint32_t Id = 0;
  for (int32_t K = 0; K < Stored; ++K) Id += Info.Entries[K].StartMSF;
  if (N < 3) {
    Id += (Info.Entries[0].StartMSF & 0xFF) + static_cast<uint32_t>(MsfFrames(Info.AudioLength));
    if (Id > 0xFFFFF) Id -= 33;
  }
  Info.DiscId = Id;
  return kDiscInfoOk;
}

// ---------------------------------------------------------------------------

void SetActiveDrive(int Index) {
  if (Index < 0 || Index > CR_GetNumCDROM() - 1 || Index == CR_GetActiveCDROM()) return;
  CR_SetActiveCDROM(Index);
  MciClose();
  if (Index < MciCDCount()) MciOpenDrive();
}

int MciCDCount() {
  TUnit& U = Unit();
  // One MCI CD audio device per drive of the library; 0 when that fails.
  if (!U.Calls.CR_GetNumCDROM) return 0;
  int32_t Count = U.Calls.CR_GetNumCDROM();
  U.MciLastResult = 0;
  return Count > 0 ? Count : 0;
}

void MciOpenDrive() {
  TUnit& U = Unit();
  if (U.MciOpen || CR_GetNumCDROM() == 0) return;
  int32_t A = CR_GetActiveCDROM();
  if (MciCDCount() < A + 1) return;
  U.MciDeviceId = static_cast<uint32_t>(A) + 1;  // never 0, as an MCI device identifier
  U.MciDrive = A;
  U.MciOpen = true;
  U.MciLastResult = 0;
}

void MciClose() {
  TUnit& U = Unit();
  if (!U.MciOpen) return;
  U.MciOpen = false;
  U.MciDrive = -1;
  U.MciLastResult = 0;
}

bool MciIsOpen() {
  return Unit().MciOpen;
}

void MciTrackStatus(uint32_t& TrackCount, uint32_t& LastPosition, uint32_t& LastLength) {
  TrackCount = LastPosition = LastLength = 0;
  TUnit& U = Unit();
  if (!U.MciOpen) return;
  const TEntryPoints& C = U.Calls;
  // The device answers for its own drive only; MCI failures are silent.
  if (!C.CR_GetActiveCDROM || !C.CR_ReadToc || !C.CR_GetNumTocEntries || !C.CR_GetTocEntry2 ||
      C.CR_GetActiveCDROM() != U.MciDrive || C.CR_ReadToc() != kCdexOk)
    return;
  int32_t Count = C.CR_GetNumTocEntries();
  if (Count < 1) return;
  TrackCount = static_cast<uint32_t>(Count);
  // Positions and lengths are in minutes, seconds and frames; first the last
  // track's start, then its length up to the lead-out.
  TTocEntry Track{}, LeadOut{};
  if (C.CR_GetTocEntry2(Count - 1, &Track) != kCdexOk) return;
  LastPosition = PositionMsf(Track.StartSector);
  if (C.CR_GetTocEntry2(Count, &LeadOut) != kCdexOk) return;
  LastLength = LengthMsf(static_cast<int64_t>(LeadOut.StartSector) - Track.StartSector);
}

}  // namespace tolvar
