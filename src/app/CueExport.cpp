// CUE sheets from the window: after every single-track rip for the ripped
// rows, and "File" > "Export .cue file" for the whole disc. Both name the
// ripper's most recent output file.
#include <QAction>
#include <QFileDialog>
#include <stdexcept>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "app/TrackList.h"
#include "ripper/CDRipper.h"
#include "ripper/CueSheet.h"

namespace tolvar {

void TfrmTolvar::ExportCue(int FirstRow, int LastRow, const std::string& Path) {
  std::vector<TCueTrack> Rows;
  // A row without a track (the disc went away during the rip) has no start
  // to write; the sheet ends before it.
  for (int Row = FirstRow; Row <= LastRow && Row < Tracks()->rowCount(); ++Row) {
    const TTrack* Track = CDRipper->GetTrack(Row);
    if (!Track) break;
    const TTrackNodeData& Node = Tracks()->Node(Row);
    Rows.push_back({Node.Title, Node.Artist, Track->StartSector});
  }
  if (!WriteCueSheet(Path, Rows, DiscArtist, CDRipper->FileName))
    throw std::runtime_error("Cannot create file \"" + Path + "\"");
}

void TfrmTolvar::mniExportCueClick() {
  // Without a disc there is no track to time the sheet from.
  if (CDRipper->Tracks().Count() == 0) return;
  if (ExportDialog->exec() != QDialog::Accepted || ExportDialog->selectedFiles().isEmpty()) return;
  ExportCue(0, CDRipper->DiscInfo.TrackCount - 1, ToPath(ExportDialog->selectedFiles().front()));
}

void TfrmTolvar::ConnectCueExport() {
  ExportDialog = new QFileDialog(this);
  ExportDialog->setAcceptMode(QFileDialog::AcceptSave);
  ExportDialog->setNameFilter("Cue files (*.cue)");
  ExportDialog->setDefaultSuffix("cue");
  ExportDialog->setOption(QFileDialog::DontConfirmOverwrite);
  connect(mniExportCue, &QAction::triggered, this, Guarded([this] { mniExportCueClick(); }));
}

}  // namespace tolvar
