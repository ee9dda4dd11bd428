#pragma once
// Records, enumerations and entry-point types of the CD reading library.
// Shared by the library and by the programs that load it; plain C
// layout, no libcdio.
#include <cstddef>
#include <cstdint>

namespace tolvar::cdrip {

// Results of the CR_* calls.
constexpr int32_t kCdexOk = 0;
constexpr int32_t kCdexError = 1;
// CR_RipChunk: data, but sectors had to be corrected or were lost.
constexpr int32_t kCdexJitterError = 3;
constexpr int32_t kCdexRippingDone = 4;  // CR_RipChunk: the range is finished, no data

// CR_DriveStatus answers like an MMC drive.
constexpr int32_t kDriveStatusPlaying = 17;
constexpr int32_t kDriveStatusPaused = 18;
constexpr int32_t kDriveStatusCompleted = 19;
constexpr int32_t kDriveStatusError = 20;  // the play stopped on an error
constexpr int32_t kDriveStatusNone = 21;

// clang-format off
enum TDriveType : int32_t {
  GENERIC, TOSHIBA, TOSHIBANEW, IBM, NEC, DECorp, IMS, KODAK, RICOH, HP, PHILIPS, PLASMON,
  GRUNDIGCDR100IPW, MITSUMICDR, PLEXTOR, SONY, YAMAHA, NRC, IMSCDD5, CUSTOMDRIVE, NUMDRIVETYPES
};
enum TReadMethod : int32_t {
  READMMC, READ10, READNEC, READSONY, READMMC2, READMMC3, READC1, READC2, READC3, READMMC4,
  NUMREADMETHODS
};
enum TSetSpeed : int32_t {
  SPEEDNONE, SPEEDMMC, SPEEDSONY, SPEEDYAMAHA, SPEEDTOSHIBA, SPEEDPHILIPS, SPEEDNEC, NUMSPEEDMETHODS
};
enum TEndian : int32_t { BIGENDIAN, LITTLEENDIAN, NUMENDIAN };
enum TEnableMode : int32_t { ENABLENONE, ENABLESTD, NUMENABLEMODES };
enum TOutputFormat : int32_t {
  STEREO44100, MONO44100, STEREO22050, MONO22050, STEREO11025, MONO11025, NUMOUTPUTFORMATS
};
// clang-format on

// Channels and sample rate of an output format (16-bit samples); false for
// a value outside the enumeration.
inline bool OutputFormatShape(int32_t Format, int& Channels, int& SampleRate) {
  static constexpr int kRates[] = {44100, 44100, 22050, 22050, 11025, 11025};
  if (Format < STEREO44100 || Format >= NUMOUTPUTFORMATS) return false;
  Channels = Format % 2 == 0 ? 2 : 1;
  SampleRate = kRates[Format];
  return true;
}

struct TDriveTable {
  int32_t DriveType;   // TDriveType
  int32_t ReadMethod;  // TReadMethod
  int32_t SetSpeed;    // TSetSpeed
  int32_t Endian;      // TEndian
  int32_t EnableMode;  // TEnableMode
  int32_t Density;
  int32_t Atapi;  // LongBool
};

// The drive parameters of the active drive, exchanged whole. The offsets of
// the fields the ripper uses are fixed by the library's interface; the rest is the library's.
struct TDriveParams {
  char ID[256];               // drive name, zero-terminated
  int32_t NumReadSectors;     // sectors per chunk of an extraction (1..200)
  int32_t NumOverlapSectors;  // kept for the record layout; unused
  int32_t NumCompareSectors;  // kept for the record layout; unused
  // The drive's read offset in stereo samples (may be negative): an
  // extraction of sectors F..L delivers the disc's audio from sample
  // F x 588 + ReadOffset on, with silence where that leaves the audio tracks.
  int32_t ReadOffset;
  int32_t OffsetEnd;         // kept for the record layout; unused
  int32_t Speed;             // read speed factor (x), 0 = the drive's own; real drives only
  int32_t SpinUpTime;        // kept for the record layout; unused
  int32_t JitterCorrection;  // true (-1, or any non-zero) = paranoia, false = plain reads
  int32_t SwapLeftRight;     // non-zero swaps the channels of extracted audio
  TDriveTable DriveTable;
  uint8_t TargetID, AdapterID, LunID, Reserved;
  int32_t ReadRetries;   // paranoia retries before a skip (1..1000)
  int32_t OutputFormat;  // TOutputFormat
};

static_assert(offsetof(TDriveParams, ID) == 0);
static_assert(offsetof(TDriveParams, Speed) == 276);
static_assert(offsetof(TDriveParams, JitterCorrection) == 284);
static_assert(offsetof(TDriveParams, DriveTable) == 292);
static_assert(sizeof(TDriveTable) == 7 * 4);
static_assert(offsetof(TDriveParams, OutputFormat) == 328);
static_assert(sizeof(TDriveParams) == 332);

// One entry of the table of contents: entries 0..n-1 are the tracks, entry n
// the lead-out (track number 0xAA).
struct TTocEntry {
  int32_t StartSector;
  uint8_t Flags;  // ADR * 16 + CONTROL: 16 plain audio, 20 data
  uint8_t TrackNumber;
};
static_assert(offsetof(TTocEntry, Flags) == 4);
static_assert(offsetof(TTocEntry, TrackNumber) == 5);

constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr int32_t kSectorBytes = 2352;

// The library's file name in the program's folder.
constexpr const char* kLibraryFileName = "libcdrip.so";

// Entry-point types, in the library's order.
using TCR_Init = int32_t (*)(const char* IniFileName);
using TCR_GetCDRipVersion = int32_t (*)();
using TCR_GetNumCDROM = int32_t (*)();
using TCR_GetCDROMIDByIndex = int32_t (*)(int32_t Index, char* Name, int32_t NameSize);
using TCR_SetActiveCDROM = int32_t (*)(int32_t Index);
using TCR_GetActiveCDROM = int32_t (*)();
using TCR_GetCDROMParameters = int32_t (*)(TDriveParams* Params);
using TCR_SetCDROMParameters = int32_t (*)(const TDriveParams* Params);
using TCR_ReadToc = int32_t (*)();
using TCR_GetNumTocEntries = int32_t (*)();
using TCR_GetTocEntry2 = int32_t (*)(int32_t Index, TTocEntry* Entry);
using TCR_IsMediaLoaded = int32_t (*)();
using TCR_OpenRipper = int32_t (*)(int32_t* BufferBytes, int32_t FirstSector, int32_t LastSector);
using TCR_RipChunk = int32_t (*)(uint8_t* Buffer, int32_t* NumBytes, int32_t* Abort);
using TCR_GetPercentCompleted = int32_t (*)();
using TCR_GetLastJitterErrorPosition = int32_t (*)(int32_t* Start, int32_t* End);
using TCR_GetNumberOfJitterErrors = int32_t (*)();
using TCR_CloseRipper = int32_t (*)();
using TCR_PlayTrack = int32_t (*)(int32_t Track);
using TCR_IsAudioPlaying = int32_t (*)();
using TCR_PauseCD = int32_t (*)(int32_t Pause);
using TCR_DriveStatus = int32_t (*)();
using TCR_StopPlayTrack = int32_t (*)();
using TCR_EjectCD = int32_t (*)(int32_t Open);
using TCR_LockCD = int32_t (*)(int32_t Lock);
// Linux addition for the media monitor: media state of any drive by index.
using TCR_IsMediaLoadedByIndex = int32_t (*)(int32_t Index);

}  // namespace tolvar::cdrip
