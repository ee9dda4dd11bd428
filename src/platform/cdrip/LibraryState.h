#pragma once
// The state behind the CR_* entry points: the drive list, the active drive,
// its last table of contents, the open extraction and the player. Every
// entry point holds Lock while it works; the player's thread never takes it,
// and reading a disc also takes the medium's own Io lock (Drive.h), so
// playback and extraction take turns on a shared disc.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Drive.h"
#include "Extraction.h"
#include "Player.h"

namespace tolvar::cdrip {

struct TLibraryState {
  std::mutex Lock;
  bool Initialised = false;
  std::string SettingsFile;
  std::vector<std::unique_ptr<TDrive>> Drives;
  int32_t Active = 0;
  std::vector<TTocEntry> Toc;  // CR_ReadToc of the active drive, lead-out last
  std::unique_ptr<TExtraction> Extraction;
  // The figures of the last extraction, kept after CR_CloseRipper.
  int32_t Percent = 0, JitterErrors = 0, ErrorStart = 0, ErrorEnd = 0;
  // Last, so that it stops (and lets go of its disc) before the drives go.
  TPlayer Player;

  TDrive* ActiveDrive() {
    return Active >= 0 && Active < static_cast<int32_t>(Drives.size()) ? Drives[Active].get()
                                                                       : nullptr;
  }
};

TLibraryState& LibraryState();

// Runs Body under the state lock; an exception becomes the failure result,
// so none crosses the C interface.
template <typename TBody>
int32_t Guarded(int32_t Failure, TBody Body) {
  try {
    std::lock_guard<std::mutex> Hold(LibraryState().Lock);
    return Body(LibraryState());
  } catch (...) {
    return Failure;
  }
}

}  // namespace tolvar::cdrip
