#include "CDRipper.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "encoders/VorbisDll.h"
#include "util/Dialogs.h"
#include "util/StringFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar {

void TDriveTableClass::AssignFrom(const cdrip::TDriveTable& Table) {
  DriveType = Table.DriveType;
  ReadMethod = Table.ReadMethod;
  SetSpeed = Table.SetSpeed;
  Endian = Table.Endian;
  EnableMode = Table.EnableMode;
  Density = Table.Density;
  Atapi = Table.Atapi;
}

void SetTagText(char (&Slot)[kTagSlotSize], const std::string& Text) {
  const std::string Cut = Utf8Left(Text, kTagSlotChars);
  const size_t Size = std::min(Cut.size(), kTagSlotSize - 1);  // four bytes at most per character
  std::memcpy(Slot, Cut.data(), Size);
  std::memset(Slot + Size, 0, kTagSlotSize - Size);
}

std::string TagText(const char (&Slot)[kTagSlotSize]) {
  return std::string(Slot, strnlen(Slot, kTagSlotSize));
}

std::string TrackTimeText(const TTrack& Track) {
  int64_t Ms = Track.Duration;
  int64_t Hours = Ms / 3600000 % 24;
  int64_t Minutes = Ms / 60000 % 60;
  int64_t Seconds = Ms / 1000 % 60;
  return std::to_string(Hours) + ":" + ZeroPad(Minutes, 2) + ":" + ZeroPad(Seconds, 2);
}

// ---------------------------------------------------------------------------

TCDRipper::TCDRipper() = default;

TCDRipper::~TCDRipper() {
  FTracks.Clear();
  FCoder = nullptr;  // the window owns the encoder
}

void TCDRipper::SetStatus(const std::string& Text) {
  StatusText = Text;
  if (OnStatusChanged) OnStatusChanged(this);
}

void TCDRipper::Init() {
  // The Ogg rip needs the Vorbis library; it is loaded once, with the ripper.
  LoadVorbis();
  DiscInfoValid = false;
  std::string Status;
  if (!CDRipReady()) {
    Status = "CDRip3.DLL is not ready.";
  } else {
    DriveCount = CR_GetNumCDROM();
    for (int I = 0; I < DriveCount; ++I) Drives.push_back(CR_GetCDROMIDByIndex(I));
    if (DriveCount > 0) SetActiveDrive(0);
    Status = "Found " + std::to_string(DriveCount) + " CDROM Drive(s), ";
    if (CR_IsMediaLoaded()) {
      ReadDiscInfo();
      switch (DiscInfo.DiscType) {
        case 0:
          Status += "A data Disc is Loaded in (1st) drive.";
          break;
        case 1:
          Status += "A audio Disc is Loaded in (1st) drive.";
          break;
        case 2:
          Status += "A composite Disc is Loaded in (1st) drive.";
          break;
        default:
          Status += "A unknown Disc is Loaded in (1st) drive.";
          break;
      }
    } else {
      Status += "Disc is not Loaded in active drive.";
    }
  }
  SetStatus(Status);
  if (OnDrivesChanged) OnDrivesChanged(this);
  if (OnListChanged) OnListChanged(this);
  LoadDrive();
}

void TCDRipper::RebuildTracks() {
  FTracks.Clear();
  for (int I = 0; I < FTrackNum; ++I) {
    TTocEntry Entry{}, Next{};
    CR_GetTocEntry2(I, Entry);
    CR_GetTocEntry2(I + 1, Next);
    int64_t Start = Entry.StartSector;
    int64_t End = static_cast<int64_t>(Next.StartSector) - 1;
    // The sectors are unsigned in the track record: a negative one is a range error.
    if (Start < 0 || End < 0) throw std::range_error("Range check error");
    auto Track = std::make_unique<TTrack>();
    Track->Number = Entry.TrackNumber;
    Track->StartSector = static_cast<int32_t>(Start);
    Track->EndSector = static_cast<int32_t>(End);
    // Trunc((End - Start) / 0.075) in whole numbers: the same result, no rounding.
    Track->Duration = static_cast<int32_t>((End - Start) * 1000 / 75);
    Track->Kind = Entry.Flags == 16 ? "Audio" : "Data";
    FTracks.Add("Track" + ZeroPad(Entry.TrackNumber, 2), std::move(Track));
  }
}

void TCDRipper::LoadDrive() {
  try {
    Version = std::to_string(CR_GetCDRipVersion());
    if (CR_Init("") != cdrip::kCdexError) {
      if (CR_GetCDROMParameters(Params) != cdrip::kCdexError) {
        std::memcpy(DriveID, Params.ID, sizeof DriveID);
        FCDRomNum = CR_GetActiveCDROM();
        FDriveTable = std::make_unique<TDriveTableClass>();
        FDriveTable->AssignFrom(Params.DriveTable);
        FOutputFormat = static_cast<TOutputFormat>(Params.OutputFormat);
        Speed = Params.Speed;
        FJitterCorrect = true;
        Params.JitterCorrection = -1;
      }
      // A failed read empties the library's table: rebuilding from it would
      // throw away the tracks we have, so they stay as they are.
      if (CR_ReadToc() != cdrip::kCdexError) {
        FTrackNum = CR_GetNumTocEntries();
        RebuildTracks();
      }
    }
    FJittersNum = 0;
  } catch (...) {
    throw ECDRIPError("Initialization failure");
  }
}

void TCDRipper::SetCDRomNum(int Value) {
  if (Value == FCDRomNum) return;
  try {
    CR_SetActiveCDROM(Value);
    if (CR_GetCDROMParameters(Params) != cdrip::kCdexError) {
      std::memcpy(DriveID, Params.ID, sizeof DriveID);
      if (!FDriveTable) FDriveTable = std::make_unique<TDriveTableClass>();
      FDriveTable->AssignFrom(Params.DriveTable);
      FOutputFormat = static_cast<TOutputFormat>(Params.OutputFormat);
      Speed = Params.Speed;
      FCDRomNum = Value;
    }
    if (CR_ReadToc() != cdrip::kCdexError) {
      FTrackNum = CR_GetNumTocEntries();
      RebuildTracks();
    }
  } catch (...) {
    throw ECDRIPError("Initialization failure");
  }
}

void TCDRipper::SelectDrive(int Index) {
  SetActiveDrive(Index);
  DiscInfoValid = false;
  DiscInfo.TrackCount = 0;
  if (CR_IsMediaLoaded()) ReadDiscInfo();
}

void TCDRipper::ReadDiscInfo() {
  if (GetDiscInfo(DiscInfo) != kDiscInfoOk) return;
  DiscInfoValid = true;
  TrackLines.clear();
  for (int T = 1; T <= DiscInfo.TrackCount; ++T) {
    const TDiscEntry& E = DiscInfo.Entries[T - 1];
    std::string Line = "Track " + std::to_string(T) + " = ";
    if (E.Audio)
      Line += ZeroPad(E.LengthMSF >> 16 & 0xFF, 2) + ":" + ZeroPad(E.LengthMSF >> 8 & 0xFF, 2);
    else
      Line += "Data Track";
    TrackLines.push_back(Line);
  }
  if (OnListChanged) OnListChanged(this);
}

void TCDRipper::DeviceChange(int EventCode) {
  if (EventCode == 0x8000) {
    if (DiscInfoValid) return;
    bool Loaded = CR_IsMediaLoaded();
    if (!Loaded) {
      // The drive may need a moment before it answers for the new disc.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Loaded = CR_IsMediaLoaded();
    }
    if (!Loaded) return;
    SetStatus("Media Loaded !!");
    ReadDiscInfo();
    LoadDrive();
  } else if (EventCode == 0x8004) {
    if (CR_IsMediaLoaded()) return;
    if (Ripping) Abort();
    SetStatus("Media Removed !!");
    DiscInfoValid = false;
    DiscInfo.TrackCount = 0;
    TrackLines.clear();
    FTracks.Clear();
    FJitters.clear();
    if (OnListChanged) OnListChanged(this);
  }
}

bool TCDRipper::CheckDisc() {
  if (!CR_IsMediaLoaded()) {
    SetStatus("Error : No Disc in drive");
    return false;
  }
  if (!DiscInfoValid) {
    SetStatus("Error : No Disc info");
    return false;
  }
  if (DiscInfo.DiscType == 0) {
    SetStatus("Error : Data Disc");
    return false;
  }
  return true;
}

bool TCDRipper::CanPlay() {
  bool DiscOk = CheckDisc();
  if (DiscOk && !Ripping) return true;
  Dialogs().MessageBox(DiscOk ? "Ripping in progress !" : "Not a audio CD. !", "OK",
                       TMsgKind::Information);
  return false;
}

void TCDRipper::SetOutputFormat(TOutputFormat Value) {
  if (Value != FOutputFormat) Params.OutputFormat = Value;
  FOutputFormat = Value;
  UpdateCoder();
}

void TCDRipper::SetJitterCorrect(bool Value) {
  if (Value == FJitterCorrect) return;
  FJitterCorrect = Value;
  Params.JitterCorrection = Value ? -1 : 0;
}

bool TCDRipper::ApplyParameters() {
  try {
    return CR_SetCDROMParameters(Params) != cdrip::kCdexError;
  } catch (...) {
    throw ECDRIPError("Error setting parameters");
  }
}

TTrack* TCDRipper::GetTrack(int Index) const {
  if (Index < 0 || Index >= FTracks.Count()) return nullptr;
  return FTracks.Objects(Index);
}

int TCDRipper::TrackDuration(int Index) const {
  const TTrack* Track = GetTrack(Index);
  return Track ? Track->Duration : -1;
}

void TCDRipper::Abort() {
  Cancel = true;
  if (Ripping)
    OggCancel = true;
  else
    SetStatus("CDROM is not ripping CD data");
}

void TCDRipper::SetCoder(TLameCoder* Value) {
  FCoder = Value;
  UpdateCoder();
}

}  // namespace tolvar
