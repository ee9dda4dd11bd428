// Playback and tray entry points.
//
// The tray works now (the media monitor and the ripper's media events need
// it): an image drive unloads its image when the tray opens and loads it
// again when it closes; a real drive moves its tray through libcdio.
//
// Playback is not built yet; its entry points answer as a drive that plays
// nothing. The playback work adds a player thread here that reads the track
// through TMedia::ReadAudio (which takes the medium's Io lock, so it never
// reads at the same time as an extraction) and holds its own shared
// reference to the medium, so a tray opened while playing only marks it Gone.
#include "CDRip.h"
#include "LibraryState.h"

using namespace tolvar::cdrip;

CDRIP_API int32_t CR_PlayTrack(int32_t /*Track*/) {
  return kCdexError;
}

CDRIP_API int32_t CR_IsAudioPlaying() {
  return 0;
}

CDRIP_API int32_t CR_PauseCD(int32_t /*Pause*/) {
  return kCdexError;
}

CDRIP_API int32_t CR_DriveStatus() {
  return kDriveStatusNone;
}

CDRIP_API int32_t CR_StopPlayTrack() {
  return kCdexError;
}

CDRIP_API int32_t CR_EjectCD(int32_t Open) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    if (!Drive) return kCdexError;
    if (Open) {
      S.Toc.clear();
      return Drive->OpenTray();
    }
    return Drive->CloseTray();
  });
}

CDRIP_API int32_t CR_LockCD(int32_t /*Lock*/) {
  return kCdexError;
}
