// CD playback from the toolbar and the "Audio CD" menu, and the tray buttons.
// PlayState follows the buttons whether or not the ripper succeeds; the
// ripper reports its failures in the status bar.
#include <QModelIndex>
#include <cstdio>

#include "app/MainUnit.h"
#include "app/TrackList.h"
#include "ripper/CDRipper.h"
#include "util/Dialogs.h"

namespace tolvar {

void TfrmTolvar::tbPlayClick() {
  if (PlayState == 1) {
    // Play while paused resumes instead of starting the track anew.
    tbPauseClick();
    return;
  }
  const QModelIndex Focused = VST->currentIndex();
  if (!Focused.isValid()) return;
  CDRipper->PlayTrack(static_cast<uint8_t>(Focused.row() + 1));
  PlayState = 2;
}

void TfrmTolvar::tbPauseClick() {
  if (PlayState == 2) {
    CDRipper->Pause();
    PlayState = 1;
  } else if (PlayState == 1) {
    CDRipper->Resume();
    PlayState = 2;
  }
}

void TfrmTolvar::tbStopClick() {
  CDRipper->Stop();
  PlayState = 0;
}

void TfrmTolvar::tbCloseCDClick() {
  CDRipper->CloseTray();
}

void TfrmTolvar::tbEjectCDClick() {
  CDRipper->Eject();
}

void TfrmTolvar::ToolButton7Click() {
  char Text[9];
  std::snprintf(Text, sizeof Text, "%08x", static_cast<unsigned>(CDRipper->DiscInfo.DiscId));
  Dialogs().MessageBox(Text, "", TMsgKind::Information);
}

}  // namespace tolvar
