#pragma once
// CDRipIntf: loads the CD reading library (libcdrip.so) at run time, calls its
// CR_* entry points, fills the ripper's disc information (GetDiscInfo) and
// keeps the MCI-style track answers of the active drive for playback.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/cdrip/CDRipTypes.h"

namespace tolvar {

using cdrip::TDriveParams;
using cdrip::TOutputFormat;
using cdrip::TTocEntry;

// Raised by a call whose entry point is missing: the library was not found,
// or it lacks the name.
class ECDRipMissing : public std::runtime_error {
 public:
  explicit ECDRipMissing(const std::string& Name)
      : std::runtime_error("CD library entry point " + Name + " is not available") {}
};

// The library beside the running program, or in its private library folder.
std::string DefaultCDRipPath();
// Loads the library (LibraryPath, or DefaultCDRipPath() when empty), looks up
// every name (missing ones stay empty) and calls CR_Init("CDRipper.ini").
// A library loaded before is freed first. Returns CDRipReady().
bool LoadCDRip(const std::string& LibraryPath = "");
// Closes the MCI device when open and frees the library.
void FreeCDRip();
// True when the library is loaded and CR_Init answered 0.
bool CDRipReady();
// Why the last LoadCDRip found no library (the loader's message); empty otherwise.
const std::string& CDRipLoadError();

// The library's entry points. Each throws ECDRipMissing when its name is missing.
int32_t CR_Init(const char* IniFileName);
int32_t CR_GetCDRipVersion();
int32_t CR_GetNumCDROM();
// The drive's name; Result as the library gives it.
std::string CR_GetCDROMIDByIndex(int32_t Index);
int32_t CR_SetActiveCDROM(int32_t Index);
int32_t CR_GetActiveCDROM();
int32_t CR_GetCDROMParameters(TDriveParams& Params);
int32_t CR_SetCDROMParameters(const TDriveParams& Params);
int32_t CR_ReadToc();
int32_t CR_GetNumTocEntries();
int32_t CR_GetTocEntry2(int32_t Index, TTocEntry& Entry);
bool CR_IsMediaLoaded();
int32_t CR_OpenRipper(int32_t& BufferBytes, int32_t FirstSector, int32_t LastSector);
int32_t CR_RipChunk(uint8_t* Buffer, int32_t& NumBytes, bool Abort);
int32_t CR_GetPercentCompleted();
int32_t CR_GetLastJitterErrorPosition(int32_t& Start, int32_t& End);
int32_t CR_GetNumberOfJitterErrors();
int32_t CR_CloseRipper();
int32_t CR_PlayTrack(int32_t Track);
bool CR_IsAudioPlaying();
int32_t CR_PauseCD(bool Pause);
int32_t CR_DriveStatus();
int32_t CR_StopPlayTrack();
int32_t CR_EjectCD(bool Open);
int32_t CR_LockCD(bool Lock);

// Media present per drive, for the media monitor: from the library's
// CR_IsMediaLoadedByIndex, or the active drive alone when the library lacks
// it; empty when the library is not ready.
std::vector<bool> CDRipMediaStates();

// ---- Disc information ----

// MSF values packed into 32 bits: minutes << 16 | seconds << 8 | frames.
// A position counts the 150 frames of the lead-in; a length does not.
uint32_t PositionMsf(int64_t Sector);
uint32_t LengthMsf(int64_t Frames);
// Minutes * 4500 + seconds * 75 + frames of a packed value.
int64_t MsfFrames(uint32_t Msf);

struct TDiscEntry {
  uint8_t Number = 0;
  uint8_t Audio = 0;  // 1 when the data bit (flags value 4) is clear
  uint32_t StartMSF = 0;
  uint32_t LengthMSF = 0;
  int32_t StartSector = 0;
  int32_t LengthSectors = 0;
};

constexpr int kMaxDiscEntries = 100;

struct TDiscInfo {
  uint16_t DiscType = 0;  // 0 no audio track, 1 audio only, 2 audio and data
  uint32_t DiscId = 0;
  uint16_t FirstTrack = 0, LastTrack = 0;
  uint16_t TrackCount = 0;
  uint32_t StartMSF = 0;
  uint32_t DiscLength = 0;
  uint32_t AudioLength = 0;
  uint32_t LeadOutMSF = 0;
  TDiscEntry Entries[kMaxDiscEntries];
};

// Results of GetDiscInfo.
constexpr int kDiscInfoOk = 0;
constexpr int kDiscInfoFailed = 1;
constexpr int kDiscInfoNoDisc = 6;

// Fills Info from the active drive's table of contents: 0, 6 no disc, 1 failure.
int GetDiscInfo(TDiscInfo& Info);

// ---- Drive choice and the MCI stand-in ----

// Makes drive Index active in the library and moves the MCI device to it.
void SetActiveDrive(int Index);

// The MCI CD audio device answers from the CD library's table of contents of
// the drive it was opened on (the library's drive index is its ordinal).
int MciCDCount();
void MciOpenDrive();
void MciClose();
bool MciIsOpen();
// Track count, position MSF and length MSF of the last track; all 0 when the
// device is closed or a step fails.
void MciTrackStatus(uint32_t& TrackCount, uint32_t& LastPosition, uint32_t& LastLength);

}  // namespace tolvar
