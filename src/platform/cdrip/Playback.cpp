// Playback and tray entry points.
//
// Playback is digital, for real drives and image drives alike: the library's
// player (Player.h) reads the track and streams it to the audio output that
// TOLVAR_AUDIO chooses (AudioOutput.h). The library has one player: a new
// play stops the one before, and the playback calls and CR_DriveStatus
// answer for it whichever drive is active now.
//
// The tray: an image drive unloads its image when the tray opens and loads it
// again when it closes; a real drive moves its tray through libcdio. Opening
// the tray stops a play from that drive first.
#include <algorithm>

#include "CDRip.h"
#include "LibraryState.h"

using namespace tolvar::cdrip;

CDRIP_API int32_t CR_PlayTrack(int32_t Track) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    auto Media = Drive ? Drive->Media(false) : nullptr;
    if (!Media) return kCdexError;
    const std::vector<TTocEntry>& Toc = Media->TableOfContents();
    if (Toc.size() < 2) return kCdexError;
    // The lead-out (the last entry) is no track.
    auto Entry = std::find_if(Toc.begin(), Toc.end() - 1,
                              [&](const TTocEntry& E) { return E.TrackNumber == Track; });
    if (Entry == Toc.end() - 1 || (Entry->Flags & 4) != 0) return kCdexError;
    int32_t First = Entry->StartSector, Last = (Entry + 1)->StartSector - 1;
    if (First < 0 || Last < First) return kCdexError;
    S.Player.Play(Drive, std::move(Media), First, Last, Drive->ByteOrder() == 1);
    return kCdexOk;
  });
}

// A play that is paused is still in progress: it can be stopped.
CDRIP_API int32_t CR_IsAudioPlaying() {
  return Guarded(0, [](TLibraryState& S) { return S.Player.InProgress() ? 1 : 0; });
}

CDRIP_API int32_t CR_PauseCD(int32_t Pause) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    return S.Player.Pause(Pause != 0) ? kCdexOk : kCdexError;
  });
}

CDRIP_API int32_t CR_DriveStatus() {
  return Guarded(kDriveStatusNone, [](TLibraryState& S) { return S.Player.Status(); });
}

CDRIP_API int32_t CR_StopPlayTrack() {
  return Guarded(kCdexError, [](TLibraryState& S) {
    S.Player.Stop();
    return kCdexOk;
  });
}

CDRIP_API int32_t CR_EjectCD(int32_t Open) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    if (!Drive) return kCdexError;
    if (!Open) return Drive->CloseTray();
    if (Drive->TrayLocked()) return kCdexError;
    if (S.Player.Source() == Drive) S.Player.Stop();
    S.Toc.clear();
    return Drive->OpenTray();
  });
}

CDRIP_API int32_t CR_LockCD(int32_t Lock) {
  return Guarded(kCdexError, [&](TLibraryState& S) {
    TDrive* Drive = S.ActiveDrive();
    return Drive ? Drive->LockTray(Lock != 0) : kCdexError;
  });
}
