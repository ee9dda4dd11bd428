// libcdrip: the CD reading library over libcdio and
// libcdio-paranoia. Drives, table of contents and extraction; playback and
// the tray are in Playback.cpp.
#include "CDRip.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CdDrives.h"
#include "LibraryState.h"

using namespace tolvar::cdrip;

namespace tolvar::cdrip {

TLibraryState& LibraryState() {
  static TLibraryState State;
  return State;
}

}  // namespace tolvar::cdrip

namespace {

constexpr int32_t kVersion = 110;  // 1.10

// libcdio writes "++ WARN:" lines on stderr for every image it probes; keep
// them for TOLVAR_CDRIP_LOG=1 only.
void LogHandler(cdio_log_level_t Level, const char* Message) {
  static const bool Verbose = std::getenv("TOLVAR_CDRIP_LOG") != nullptr;
  if (Verbose || Level >= CDIO_LOG_ASSERT) std::fprintf(stderr, "libcdrip: %s\n", Message);
}

void SaveFigures(TLibraryState& S) {
  if (!S.Extraction) return;
  S.Percent = S.Extraction->PercentCompleted();
  S.JitterErrors = S.Extraction->JitterErrors();
  S.Extraction->LastErrorPosition(S.ErrorStart, S.ErrorEnd);
}

}  // namespace

CDRIP_API int32_t CR_Init(const char* IniFileName) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    std::string Name = IniFileName ? IniFileName : "";
    if (Name.empty()) {
      if (S.Initialised) return kCdexOk;
      Name = kDefaultSettingsName;
    }
    cdio_log_set_handler(LogHandler);
    S.Player.Stop();
    S.Extraction.reset();
    S.Drives.clear();
    S.Toc.clear();
    S.Active = 0;
    S.Percent = S.JitterErrors = S.ErrorStart = S.ErrorEnd = 0;
    S.SettingsFile = SettingsPath(Name);
    for (const std::string& Device : RealDevices()) S.Drives.push_back(TDrive::Real(Device));
    for (const std::string& Image : ConfiguredImages(S.SettingsFile))
      S.Drives.push_back(TDrive::Image(Image, S.SettingsFile));
    S.Initialised = true;
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_GetCDRipVersion() {
  return kVersion;
}

CDRIP_API int32_t CR_GetNumCDROM() {
  return Guarded(0, [](TLibraryState& S) { return static_cast<int32_t>(S.Drives.size()); });
}

CDRIP_API int32_t CR_GetCDROMIDByIndex(int32_t Index, char* Name, int32_t NameSize) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    if (!Name || NameSize <= 0) return kCdexError;
    Name[0] = 0;
    if (Index < 0 || Index >= static_cast<int32_t>(S.Drives.size())) return kCdexError;
    const std::string& Text = S.Drives[Index]->Name();
    size_t Size = std::min(Text.size(), static_cast<size_t>(NameSize - 1));
    std::memcpy(Name, Text.data(), Size);
    Name[Size] = 0;
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_SetActiveCDROM(int32_t Index) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    if (Index < 0 || Index >= static_cast<int32_t>(S.Drives.size())) return kCdexError;
    if (Index != S.Active) S.Toc.clear();
    S.Active = Index;
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_GetActiveCDROM() {
  return Guarded(0, [](TLibraryState& S) { return S.Active; });
}

CDRIP_API int32_t CR_GetCDROMParameters(TDriveParams* Params) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    if (!Drive || !Params) return kCdexError;
    *Params = Drive->Params;
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_SetCDROMParameters(const TDriveParams* Params) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    int Channels, Rate;
    if (!Drive || !Params || !OutputFormatShape(Params->OutputFormat, Channels, Rate))
      return kCdexError;
    char ID[sizeof Params->ID];
    std::memcpy(ID, Drive->Params.ID, sizeof ID);  // the drive's name is its own
    Drive->Params = *Params;
    std::memcpy(Drive->Params.ID, ID, sizeof ID);
    if (!Drive->IsImage() && Params->Speed > 0) {
      if (auto Media = Drive->Media(false)) {
        std::lock_guard<std::mutex> Io(Media->Io);
        cdio_set_speed(Media->Cdio(), Params->Speed);  // not every drive can
      }
    }
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_ReadToc() {
  return Guarded(kCdexError, [](TLibraryState& S) {
    S.Toc.clear();
    TDrive* Drive = S.ActiveDrive();
    if (!Drive) return kCdexError;
    auto Media = Drive->Media(true);
    if (!Media) return kCdexError;
    S.Toc = Media->TableOfContents();
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_GetNumTocEntries() {
  return Guarded(0, [](TLibraryState& S) {
    return S.Toc.empty() ? 0 : static_cast<int32_t>(S.Toc.size()) - 1;
  });
}

CDRIP_API int32_t CR_GetTocEntry2(int32_t Index, TTocEntry* Entry) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    if (!Entry || Index < 0 || Index >= static_cast<int32_t>(S.Toc.size())) return kCdexError;
    *Entry = S.Toc[Index];
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_IsMediaLoaded() {
  return Guarded(0, [](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    return Drive && Drive->MediaLoaded() ? 1 : 0;
  });
}

CDRIP_API int32_t CR_IsMediaLoadedByIndex(int32_t Index) {
  return Guarded(0, [&](TLibraryState& S) {
    if (Index < 0 || Index >= static_cast<int32_t>(S.Drives.size())) return 0;
    return S.Drives[Index]->MediaLoaded() ? 1 : 0;
  });
}

CDRIP_API int32_t CR_OpenRipper(int32_t* BufferBytes, int32_t FirstSector, int32_t LastSector) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    SaveFigures(S);
    S.Extraction.reset();
    S.Percent = S.JitterErrors = S.ErrorStart = S.ErrorEnd = 0;
    TDrive* Drive = S.ActiveDrive();
    if (!Drive || !BufferBytes) return kCdexError;
    auto Media = Drive->Media(false);
    if (!Media) return kCdexError;
    S.Extraction = std::make_unique<TExtraction>(*Drive, std::move(Media), Drive->Params,
                                                 FirstSector, LastSector);
    *BufferBytes = S.Extraction->BufferBytes();
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_RipChunk(uint8_t* Buffer, int32_t* NumBytes, int32_t* Abort) {
  if (NumBytes) *NumBytes = 0;
  return Guarded(kCdexError, [&](TLibraryState& S) {
    if (!S.Extraction || !Buffer || !NumBytes) return kCdexError;
    return S.Extraction->Chunk(Buffer, *NumBytes, Abort && *Abort);
  });
}

CDRIP_API int32_t CR_GetPercentCompleted() {
  return Guarded(0, [](TLibraryState& S) {
    return S.Extraction ? S.Extraction->PercentCompleted() : S.Percent;
  });
}

CDRIP_API int32_t CR_GetLastJitterErrorPosition(int32_t* Start, int32_t* End) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    if (!Start || !End) return kCdexError;
    if (S.Extraction)
      S.Extraction->LastErrorPosition(*Start, *End);
    else
      *Start = S.ErrorStart, *End = S.ErrorEnd;
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_GetNumberOfJitterErrors() {
  return Guarded(0, [](TLibraryState& S) {
    return S.Extraction ? S.Extraction->JitterErrors() : S.JitterErrors;
  });
}

CDRIP_API int32_t CR_CloseRipper() {
  return Guarded(kCdexError, [](TLibraryState& S) {
    SaveFigures(S);
    S.Extraction.reset();
    return kCdexOk;
  });
}
