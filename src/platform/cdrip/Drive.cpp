#include "Drive.h"

#include <cdio/cdio.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "CdDrives.h"
#include "util/FileFunctions.h"
#include "util/IniFile.h"
#include "util/StringFunctions.h"

namespace tolvar::cdrip {

namespace {

// CONTROL nibble of a track: 4 data, 2 digital copy permitted, 1 pre-emphasis,
// 8 four channels.
uint8_t ControlOf(CdIo_t* Cdio, track_t Track) {
  uint8_t Control = 0;
  if (cdio_get_track_format(Cdio, Track) != TRACK_FORMAT_AUDIO) Control |= 4;
  if (cdio_get_track_copy_permit(Cdio, Track) == CDIO_TRACK_FLAG_TRUE) Control |= 2;
  if (cdio_get_track_preemphasis(Cdio, Track) == CDIO_TRACK_FLAG_TRUE) Control |= 1;
  if (cdio_get_track_channels(Cdio, Track) == 4) Control |= 8;
  return Control;
}

constexpr uint8_t kAdr = 1;  // Q sub-channel mode 1: position data

long long FileStamp(const std::string& Path) {
  struct stat Info;
  if (stat(Path.c_str(), &Info) != 0) return -2;
  return static_cast<long long>(Info.st_mtim.tv_sec) * 1000000007LL + Info.st_mtim.tv_nsec +
         static_cast<long long>(Info.st_size) * 31;
}

std::string Extension(const std::string& Path) {
  size_t Dot = Path.find_last_of("./");
  return Dot == std::string::npos || Path[Dot] == '/' ? "" : LowerCase(Path.substr(Dot));
}

// libcdio's cdrdao driver looks for the data files of a TOC file in the
// current folder, not beside the TOC file. A TOC file that names them
// relatively is opened through a copy that names them absolutely.
CdIo_t* OpenCdrdao(const std::string& Path) {
  std::string Toc;
  if (!ReadFileText(Path, Toc)) return nullptr;
  std::string Folder = Path.substr(0, Path.find_last_of('/') + 1);
  std::string Fixed;
  bool Changed = false;
  std::istringstream Lines(Toc);
  for (std::string Line; std::getline(Lines, Line);) {
    std::string Word = LowerCase(Trim(Line));
    size_t Quote = Line.find('"');
    if ((Word.rfind("file", 0) == 0 || Word.rfind("audiofile", 0) == 0 ||
         Word.rfind("datafile", 0) == 0) &&
        Quote != std::string::npos && Quote + 1 < Line.size() && Line[Quote + 1] != '/' &&
        !Folder.empty()) {
      Line.insert(Quote + 1, Folder);
      Changed = true;
    }
    Fixed += Line + "\n";
  }
  if (!Changed) return cdio_open_cdrdao(Path.c_str());
  const char* Tmp = std::getenv("TMPDIR");
  std::string Copy = std::string(Tmp && *Tmp ? Tmp : "/tmp") + "/tolvar-cdrdao-XXXXXX.toc";
  int Fd = mkstemps(Copy.data(), 4);
  if (Fd < 0) return nullptr;
  bool Written = write(Fd, Fixed.data(), Fixed.size()) == static_cast<ssize_t>(Fixed.size());
  close(Fd);
  CdIo_t* Cdio = Written ? cdio_open_cdrdao(Copy.c_str()) : nullptr;
  unlink(Copy.c_str());  // the driver has read it
  return Cdio;
}

CdIo_t* OpenImage(const std::string& Path) {
  std::string Ext = Extension(Path);
  struct stat Info;
  if (stat(Path.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode)) return nullptr;
  if (Ext == ".cue") return cdio_open_cue(Path.c_str());
  if (Ext == ".bin") return cdio_open_bincue(Path.c_str());
  if (Ext == ".toc") return OpenCdrdao(Path);
  if (Ext == ".nrg") return cdio_open_nrg(Path.c_str());
  // Let libcdio recognise the format; only image drivers, never a device.
  for (driver_id_t Driver : {DRIVER_BINCUE, DRIVER_CDRDAO, DRIVER_NRG})
    if (CdIo_t* Cdio = cdio_open(Path.c_str(), Driver)) return Cdio;
  return nullptr;
}

// libcdio returns an image's samples as the file stores them, and
// cdparanoia's guess from the audio fails on noise-like music: take the
// order from the format. A CUE sheet names it per FILE (BINARY little-endian,
// MOTOROLA big-endian); cdrdao keeps raw audio big-endian and WAV files
// little-endian; NRG is left to the guess.
int ImageOrder(const std::string& Path) {
  std::string Ext = Extension(Path);
  if (Ext == ".cue" || Ext == ".bin") {
    std::string Sheet;
    std::string Cue = Ext == ".bin" ? Path.substr(0, Path.size() - 4) + ".cue" : Path;
    if (!ReadFileText(Cue, Sheet)) return -1;
    std::istringstream Lines(Sheet);
    for (std::string Line; std::getline(Lines, Line);) {
      std::string Lower = LowerCase(Trim(Line));
      if (Lower.rfind("file", 0) == 0 && Lower.find("motorola") != std::string::npos) return 1;
    }
    return 0;
  }
  if (Ext == ".toc") {
    std::string Toc;
    if (!ReadFileText(Path, Toc)) return -1;
    std::istringstream Lines(Toc);
    for (std::string Line; std::getline(Lines, Line);) {
      std::string Lower = LowerCase(Line);
      if (Lower.find("file") != std::string::npos && Lower.find(".wav\"") != std::string::npos)
        return 0;
    }
    return 1;
  }
  return -1;
}

// The image drives whose tray is open, as values of one section of the
// library's settings file.
constexpr const char* kOpenTrays = "OpenTrays";

std::vector<std::string> OpenTrays(const TIniFile& Ini) {
  std::vector<std::string> Images;
  for (const std::string& Key : Ini.ReadSection(kOpenTrays)) {
    std::string Image = Ini.ReadString(kOpenTrays, Key, "");
    if (!Image.empty()) Images.push_back(Image);
  }
  return Images;
}

bool RecordedOpen(const std::string& StateFile, const std::string& Image) {
  if (StateFile.empty()) return false;
  std::vector<std::string> Images = OpenTrays(TIniFile(StateFile));
  return std::find(Images.begin(), Images.end(), Image) != Images.end();
}

// Best effort: a settings file that cannot be written leaves the tray's state
// to this program alone.
void RecordTray(const std::string& StateFile, const std::string& Image, bool Open) {
  if (StateFile.empty()) return;
  TIniFile Ini(StateFile);
  std::vector<std::string> Images = OpenTrays(Ini);
  auto Found = std::find(Images.begin(), Images.end(), Image);
  if ((Found != Images.end()) == Open) return;
  if (Open)
    Images.push_back(Image);
  else
    Images.erase(Found);
  Ini.EraseSection(kOpenTrays);
  for (size_t I = 0; I < Images.size(); ++I)
    Ini.WriteString(kOpenTrays, "Image" + std::to_string(I + 1), Images[I]);
  Ini.UpdateFile();
}

}  // namespace

// ---------------------------------------------------------------------------

TMedia::TMedia(CdIo_t* Cdio) : Handle(Cdio) {
  if (!Handle) return;
  track_t First = cdio_get_first_track_num(Handle);
  track_t Count = cdio_get_num_tracks(Handle);
  if (First == CDIO_INVALID_TRACK || Count == CDIO_INVALID_TRACK || Count == 0) return;
  uint8_t LastControl = 0;
  for (track_t T = First; T < First + Count; ++T) {
    lsn_t Start = cdio_get_track_lsn(Handle, T);
    if (Start == CDIO_INVALID_LSN) {
      Toc.clear();
      return;
    }
    LastControl = ControlOf(Handle, T);
    Toc.push_back({Start, static_cast<uint8_t>(kAdr << 4 | LastControl), static_cast<uint8_t>(T)});
  }
  lsn_t LeadOut = cdio_get_track_lsn(Handle, CDIO_CDROM_LEADOUT_TRACK);
  if (LeadOut == CDIO_INVALID_LSN) {
    Toc.clear();
    return;
  }
  Toc.push_back({LeadOut, static_cast<uint8_t>(kAdr << 4 | LastControl), kLeadOutTrack});
}

TMedia::~TMedia() {
  // Never cdio_eject_media on an image: it frees the image's insides and a
  // later cdio_destroy frees them again.
  if (Handle) cdio_destroy(Handle);
}

bool TMedia::ReadAudio(int32_t Sector, int32_t Count, uint8_t* Bytes) {
  std::lock_guard<std::mutex> Lock(Io);
  if (Gone) return false;
  return cdio_read_audio_sectors(Handle, Bytes, Sector, static_cast<uint32_t>(Count)) ==
         DRIVER_OP_SUCCESS;
}

// ---------------------------------------------------------------------------

TDrive::TDrive(std::string Source, bool Image) : Path(std::move(Source)), ImageDrive(Image) {
  Params.NumReadSectors = 26;
  Params.ReadRetries = 20;
  Params.JitterCorrection = -1;
  Params.OutputFormat = STEREO44100;
  Params.DriveTable = {
      GENERIC, READMMC, Image ? SPEEDNONE : SPEEDMMC, LITTLEENDIAN, ENABLENONE, 0, Image ? 0 : -1};
}

TDrive::~TDrive() {
  LockTray(false);
  Unload();
}

std::unique_ptr<TDrive> TDrive::Real(const std::string& Device) {
  std::unique_ptr<TDrive> Drive(new TDrive(Device, false));
  std::string Name;
  if (CdIo_t* Cdio = cdio_open(Device.c_str(), DRIVER_DEVICE)) {
    cdio_hwinfo_t Info;
    if (cdio_get_hwinfo(Cdio, &Info)) {
      for (const char* Part : {Info.psz_vendor, Info.psz_model, Info.psz_revision}) {
        std::string Text = Trim(Part);
        if (Text.empty()) continue;
        if (!Name.empty()) Name += ' ';
        Name += Text;
      }
    }
    cdio_destroy(Cdio);
  }
  Drive->DriveName = Name.empty() ? Device : Name + " (" + Device + ")";
  if (Drive->DriveName.size() > 255) Drive->DriveName.resize(255);
  std::memcpy(Drive->Params.ID, Drive->DriveName.data(), Drive->DriveName.size());
  return Drive;
}

std::unique_ptr<TDrive> TDrive::Image(const std::string& Path, const std::string& StateFile) {
  std::unique_ptr<TDrive> Drive(new TDrive(Path, true));
  Drive->DriveName = ImageDriveName(Path);
  std::memcpy(Drive->Params.ID, Drive->DriveName.data(), Drive->DriveName.size());
  Drive->StateFile = StateFile;
  Drive->StateStamp = FileStamp(StateFile);
  Drive->TrayOpen = RecordedOpen(StateFile, Path);
  if (!Drive->TrayOpen) Drive->LoadImage();
  return Drive;
}

int TDrive::ByteOrder() const {
  if (ImageDrive) return ImageByteOrder;
  return Params.DriveTable.Endian == BIGENDIAN ? 1 : 0;
}

void TDrive::LoadImage() {
  long long Stamp = FileStamp(Path);
  ImageByteOrder = ImageOrder(Path);
  auto Media = std::make_shared<TMedia>(OpenImage(Path));
  if (Media->Valid()) {
    Loaded = std::move(Media);
    LoadedStamp = Stamp;
    FailedStamp = -1;
  } else {
    FailedStamp = Stamp;
  }
}

void TDrive::Unload() {
  if (!Loaded) return;
  Loaded->Gone = true;
  Loaded.reset();
}

// Two stats: cheap enough for every media check, which the owner makes a few
// times a second at most.
void TDrive::FollowImage() {
  if (!StateFile.empty()) {
    const long long Stamp = FileStamp(StateFile);
    if (Stamp != StateStamp) {
      StateStamp = Stamp;
      const bool Open = RecordedOpen(StateFile, Path);
      if (Open && !TrayOpen) {
        TrayOpen = true;
        Unload();
      } else if (!Open && TrayOpen) {
        TrayOpen = false;
        FailedStamp = -1;
      }
    }
  }
  if (Loaded && FileStamp(Path) != LoadedStamp) {
    // A rip or playback of the old image must see its disc go before a new
    // one comes, as with a real drive; with no reader the new image simply
    // is the disc in the drive.
    if (Loaded.use_count() > 1)
      SwapEnds = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    Unload();
  }
}

bool TDrive::MediaLoaded() {
  if (ImageDrive) {
    FollowImage();
    if (!Loaded && !TrayOpen && std::chrono::steady_clock::now() >= SwapEnds &&
        FileStamp(Path) != FailedStamp)
      LoadImage();
    return Loaded != nullptr;
  }
  int Fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK);
  if (Fd < 0) return false;
  int Status = ioctl(Fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  close(Fd);
  bool Present = Status == CDS_DISC_OK;
  if (!Present) Unload();
  return Present;
}

std::shared_ptr<TMedia> TDrive::Media(bool Refresh) {
  if (ImageDrive) {
    MediaLoaded();
    return Loaded;
  }
  if (Refresh || !Loaded) {
    Unload();
    if (!MediaLoaded()) return nullptr;
    auto Media = std::make_shared<TMedia>(cdio_open(Path.c_str(), DRIVER_DEVICE));
    if (Media->Valid()) Loaded = std::move(Media);
  }
  return Loaded;
}

int32_t TDrive::OpenTray() {
  if (Locked) return kCdexError;
  if (ImageDrive) {
    TrayOpen = true;
    Unload();
    RecordTray(StateFile, Path, true);
    return kCdexOk;
  }
  Unload();
  return cdio_eject_media_drive(Path.c_str()) == DRIVER_OP_SUCCESS ? kCdexOk : kCdexError;
}

int32_t TDrive::CloseTray() {
  if (ImageDrive) {
    if (TrayOpen) {
      TrayOpen = false;
      FailedStamp = -1;
      RecordTray(StateFile, Path, false);
      LoadImage();
    }
    return kCdexOk;
  }
  return cdio_close_tray(Path.c_str(), nullptr) == DRIVER_OP_SUCCESS ? kCdexOk : kCdexError;
}

int32_t TDrive::LockTray(bool Lock) {
  if (Lock == Locked) return kCdexOk;
  if (!ImageDrive) {
    if (Lock) {
      int Fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK);
      if (Fd < 0) return kCdexError;
      if (ioctl(Fd, CDROM_LOCKDOOR, 1) != 0) {
        close(Fd);
        return kCdexError;
      }
      LockFd = Fd;
    } else {
      bool Unlocked = ioctl(LockFd, CDROM_LOCKDOOR, 0) == 0;
      close(LockFd);  // the last close unlocks the door in any case
      LockFd = -1;
      if (!Unlocked) {
        Locked = false;
        return kCdexError;
      }
    }
  }
  Locked = Lock;
  return kCdexOk;
}

}  // namespace tolvar::cdrip
