#pragma once
// The entry points that libcdrip exports, for the library itself
// and for tests that link it directly. Programs load it at run time through
// CDRipIntf instead. Results: 0 success, 1 failure unless said otherwise.
#include "CDRipTypes.h"

#define CDRIP_API extern "C" __attribute__((visibility("default")))

using tolvar::cdrip::TDriveParams;
using tolvar::cdrip::TTocEntry;

// Reads the settings file Name ("" keeps the present set-up, or reads
// "CDRipper.ini" the first time; a relative name is taken in the program's
// folder, AppDir) and builds the drive list: the real drives, then the image
// drives of its [Images] section and of TOLVAR_CD_IMAGES. Drive 0 becomes active.
CDRIP_API int32_t CR_Init(const char* IniFileName);
CDRIP_API int32_t CR_GetCDRipVersion();
CDRIP_API int32_t CR_GetNumCDROM();
// Copies the drive's name (zero-terminated, cut to NameSize - 1 bytes).
CDRIP_API int32_t CR_GetCDROMIDByIndex(int32_t Index, char* Name, int32_t NameSize);
CDRIP_API int32_t CR_SetActiveCDROM(int32_t Index);
CDRIP_API int32_t CR_GetActiveCDROM();
CDRIP_API int32_t CR_GetCDROMParameters(TDriveParams* Params);
CDRIP_API int32_t CR_SetCDROMParameters(const TDriveParams* Params);
CDRIP_API int32_t CR_ReadToc();
CDRIP_API int32_t CR_GetNumTocEntries();
CDRIP_API int32_t CR_GetTocEntry2(int32_t Index, TTocEntry* Entry);
CDRIP_API int32_t CR_IsMediaLoaded();
CDRIP_API int32_t CR_OpenRipper(int32_t* BufferBytes, int32_t FirstSector, int32_t LastSector);
CDRIP_API int32_t CR_RipChunk(uint8_t* Buffer, int32_t* NumBytes, int32_t* Abort);
CDRIP_API int32_t CR_GetPercentCompleted();
CDRIP_API int32_t CR_GetLastJitterErrorPosition(int32_t* Start, int32_t* End);
CDRIP_API int32_t CR_GetNumberOfJitterErrors();
CDRIP_API int32_t CR_CloseRipper();

CDRIP_API int32_t CR_PlayTrack(int32_t Track);
CDRIP_API int32_t CR_IsAudioPlaying();
CDRIP_API int32_t CR_PauseCD(int32_t Pause);
CDRIP_API int32_t CR_DriveStatus();
CDRIP_API int32_t CR_StopPlayTrack();
CDRIP_API int32_t CR_EjectCD(int32_t Open);
CDRIP_API int32_t CR_LockCD(int32_t Lock);

CDRIP_API int32_t CR_IsMediaLoadedByIndex(int32_t Index);
