#pragma once
// The drives of the CD reading library: real devices through libcdio's
// device driver, and image drives whose "disc" is a CUE/BIN, cdrdao TOC or
// NRG image opened through libcdio's image drivers.
//
// A loaded disc is a TMedia, shared by whoever reads it (an extraction now, a
// playback thread later): the drive hands out shared references, every read
// of the disc takes the medium's Io lock, and a medium that leaves the drive
// (tray opened, disc removed) is marked Gone and closed when its last reader
// lets go, so no reader is left with a freed handle.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CDRipTypes.h"

typedef struct _CdIo CdIo_t;

namespace tolvar::cdrip {

class TMedia {
 public:
  // Takes ownership of Cdio; reads its table of contents. Valid() is false
  // when the disc has no readable table of contents.
  explicit TMedia(CdIo_t* Cdio);
  ~TMedia();
  TMedia(const TMedia&) = delete;
  TMedia& operator=(const TMedia&) = delete;

  bool Valid() const { return !Toc.empty(); }
  // Entries 0..n-1 tracks, entry n the lead-out.
  const std::vector<TTocEntry>& TableOfContents() const { return Toc; }
  int32_t LeadOut() const { return Toc.empty() ? 0 : Toc.back().StartSector; }

  // Reads Count raw audio sectors as the disc stores them (no range check
  // beyond the lead-out, which callers do). Takes the Io lock.
  bool ReadAudio(int32_t Sector, int32_t Count, uint8_t* Bytes);

  CdIo_t* Cdio() const { return Handle; }
  // Held for every use of Cdio() by one reader.
  std::mutex Io;
  // Set when the disc has left the drive; readers stop.
  std::atomic<bool> Gone{false};

 private:
  CdIo_t* Handle;
  std::vector<TTocEntry> Toc;
};

class TDrive {
 public:
  // A real drive, by device path (its name comes from the drive's inquiry data).
  static std::unique_ptr<TDrive> Real(const std::string& Device);
  // An image drive; the image is loaded at once when the file can be opened,
  // unless StateFile (the library's settings file) records its tray as open.
  static std::unique_ptr<TDrive> Image(const std::string& Path, const std::string& StateFile = "");
  ~TDrive();

  const std::string& Name() const { return DriveName; }
  const std::string& Source() const { return Path; }
  bool IsImage() const { return ImageDrive; }

  // True when a disc is in the drive. An image drive with its tray closed
  // tries again to load an image that could not be opened, once the file
  // has changed. An image drive also notices here what other programs did:
  // its tray opened or closed (the state file), or its image removed or
  // replaced, which takes the disc out as a real drive's removal does.
  bool MediaLoaded();
  // The disc in the drive, nullptr when there is none. A real drive is opened
  // afresh when Refresh is set (a new table of contents after a disc change).
  std::shared_ptr<TMedia> Media(bool Refresh);

  // Tray: an image drive unloads its image on open and loads it again on
  // close, and records the open tray in its state file so that it stays open
  // for the next program, as a real tray does; a real drive moves its tray.
  // A locked tray does not open. Result 0 or 1.
  int32_t OpenTray();
  int32_t CloseTray();
  // Locks (true) or unlocks the tray. A real drive keeps its device open
  // while locked: Linux unlocks the door when its last user closes it.
  int32_t LockTray(bool Lock);
  bool TrayLocked() const { return Locked; }

  // The byte order of the samples as libcdio returns them: 0 little-endian,
  // 1 big-endian, -1 unknown (cdparanoia then guesses from the audio). An
  // image knows it from its format; a real drive from its parameters.
  int ByteOrder() const;

  TDriveParams Params{};

 private:
  TDrive(std::string Path, bool ImageDrive);
  void LoadImage();
  void Unload();
  void FollowImage();

  std::string Path;
  std::string DriveName;
  bool ImageDrive;
  bool TrayOpen = false;
  bool Locked = false;
  int LockFd = -1;
  std::string StateFile;
  int ImageByteOrder = -1;
  std::shared_ptr<TMedia> Loaded;
  // The file's state at the last failed load, so a broken image is not parsed
  // again on every media check.
  long long FailedStamp = -1;
  // The loaded image file's state, and the state file's when last read.
  long long LoadedStamp = -1;
  long long StateStamp = -1;
  // An image replaced under a reader loads no sooner than this, so that its
  // removal is seen.
  std::chrono::steady_clock::time_point SwapEnds{};
};

}  // namespace tolvar::cdrip
