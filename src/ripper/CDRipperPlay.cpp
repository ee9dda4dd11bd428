// TCDRipper's playback and tray. The drive keeps the playback state; the
// component only asks the library and reports every outcome as a status.
#include <string>

#include "CDRipper.h"

namespace tolvar {

void TCDRipper::PlayTrack(int Track) {
  if (!CDRipReady()) {
    SetStatus("CDRip3.DLL is not ready.");
    return;
  }
  if (!CanPlay()) return;
  // Only the disc's own entries count: a number beyond them would read a
  // stale entry (or none at all) of the disc information.
  bool Audio = Track >= 1 && Track <= DiscInfo.TrackCount && Track <= kMaxDiscEntries &&
               DiscInfo.Entries[Track - 1].Audio;
  if (!Audio)
    SetStatus("Track " + std::to_string(Track) + " is not a Audio Track");
  else if (CR_PlayTrack(Track) != cdrip::kCdexOk)
    SetStatus("Play Track Error");
}

void TCDRipper::Pause() {
  if (!CR_IsAudioPlaying())
    SetStatus("Not Playing");
  else if (CR_PauseCD(true) != cdrip::kCdexOk)
    SetStatus("CDEX Error");
}

void TCDRipper::Resume() {
  if (CR_DriveStatus() != cdrip::kDriveStatusPaused)
    SetStatus("Drive not in paused state.");
  else if (CR_PauseCD(false) != cdrip::kCdexOk)
    SetStatus("CDEX Error");
}

void TCDRipper::Stop() {
  if (!CR_IsAudioPlaying())
    SetStatus("Not Playing");
  else if (CR_StopPlayTrack() != cdrip::kCdexOk)
    SetStatus("CDEX Error");
}

// The disc change itself reaches the component through DeviceChange.
void TCDRipper::Eject() {
  CR_EjectCD(true);
}

void TCDRipper::CloseTray() {
  CR_EjectCD(false);
}

}  // namespace tolvar
