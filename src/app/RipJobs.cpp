// The rip jobs of the "CD Ripper" page: "Start" turns the checked rows into
// files in the "Save to" folder, one file per row, or one file for a run of
// rows with its CUE sheet beside it. The job runs inside the handler while the
// ripper lets the window's messages through between chunks.
#include <QCoreApplication>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <stdexcept>

#include "app/DirectoryEdit.h"
#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "app/TrackList.h"
#include "ripper/CDRipper.h"
#include "ripper/RipNames.h"
#include "util/Dialogs.h"
#include "util/MiscFunctions.h"

namespace tolvar {

namespace {

void ShowMessage(const std::string& Text) {
  Dialogs().MessageBox(Text, "", TMsgKind::Information);
}

// The operation and extension for the ripper's mode and the chosen format.
struct TRipKind {
  bool Ogg;
  const char* Ext;
};

TRipKind RipKind(const TCDRipper& Ripper, int EncoderType) {
  if (Ripper.WriteWAV) return {false, ".wav"};
  return EncoderType == 1 ? TRipKind{true, ".ogg"} : TRipKind{false, ".mp3"};
}

// The ripper's output path as the status bar shows it (texts there are Latin-1).
std::string ShownName(const TCDRipper& R) {
  return Utf8ToLatin1(R.FileName);
}

}  // namespace

void TfrmTolvar::ConnectRipJobs() {
  connect(btnStart1, &QPushButton::clicked, this, Guarded([this] { btnStart1Click(); }));
  connect(btnCancel1, &QPushButton::clicked, this, Guarded([this] { btnCancel1Click(); }));
  CDRipper->OnProgress = [this](TCDRipper*, uint16_t Percent) { CDRipProgress(Percent); };
  CDRipper->OnBeginTrack = [this](TCDRipper*, uint16_t Track) { CDRipBeginTrack(Track); };
  CDRipper->OnEndTrack = [this](TCDRipper*, uint16_t Track) { CDRipEndTrack(Track); };
}

void TfrmTolvar::btnStart1Click() {
  // The button stays enabled during a job; pressing it again must not start
  // a second job inside the first.
  if (VST->IsEditing() || JobRunning) return;
  JobRunning = true;
  btnCancel1->setEnabled(true);
  btnStart2->setEnabled(false);
  try {
    QString Folder = deSaveDir->text();
    if (Folder.size() > 1 && (Folder.endsWith('/') || Folder.endsWith('\\'))) Folder.chop(1);
    deSaveDir->setText(Folder);
    RipFolder = ToPath(Folder);
    if (RipFolder.empty()) throw std::runtime_error("Unable to create directory");
    if (!ForceDirectories(RipFolder)) {
      EndRipJob();
      ShowMessage("Invalid directory to save");
      return;
    }
    QCoreApplication::processEvents();
    if (SingleTrack)
      RipSingleTrack();
    else
      RipSeparateTracks();
  } catch (...) {
    // An error ends the job at once; the window goes back to idle, as after
    // a normal end, before the error is shown.
    RipRow = -1;
    UpdateGauge();
    Stopped = false;
    EndRipJob();
    throw;
  }
  EndRipJob();
  if (Stopped) {
    Stopped = false;
    ShowMessage("Process stopped");
  }
}

void TfrmTolvar::EndRipJob() {
  btnCancel1->setEnabled(false);
  btnStart2->setEnabled(true);
  JobRunning = false;
}

void TfrmTolvar::btnCancel1Click() {
  CDRipper->Abort();
  Stopped = true;
}

void TfrmTolvar::RipTracks(bool Ogg, int FirstTrack, int LastTrack) {
  if (Ogg)
    CDRipper->RipOgg(FirstTrack, LastTrack);
  else
    CDRipper->Rip(FirstTrack, LastTrack);
}

void TfrmTolvar::RipSeparateTracks() {
  if (pnGauge->parentWidget() != pnTrackList) pnGauge->setParent(pnTrackList);
  int Count = 0;
  // Rows, mode and format are read again for every row: edits made while a
  // track is ripped count for the following files. A disc change may shorten
  // the list meanwhile.
  for (int Row = 0; Row < Tracks()->rowCount(); ++Row) {
    if (!Tracks()->Checked(Row)) continue;
    ++Count;
    RipRow = Row;
    UpdateGauge();
    const TTrackNodeData Node = Tracks()->Node(Row);
    SetRipTags(CDRipper->TagInfo, Node.Title, Node.Artist, Node.Album, Node.Genre, Node.Comment,
               Node.Year);
    const TRipKind Kind = RipKind(*CDRipper, EncoderType);
    CDRipper->FileName = SeparateTrackFileName(RipFolder, Row, Node.Artist, Node.Title, Kind.Ext);
    RipTracks(Kind.Ogg, Row + 1, -1);
    if (Stopped) break;
    AddCoverToRip(CDRipper->FileName, Kind.Ogg);
    if (Row < Tracks()->rowCount()) Tracks()->SetChecked(Row, false);
  }
  RipRow = -1;
  UpdateGauge();
  if (Count == 0) ShowMessage("Please select (check) necessary tracks before ripping!");
}

void TfrmTolvar::RipSingleTrack() {
  const int RowCount = Tracks()->rowCount();
  std::vector<bool> Checked(RowCount);
  for (int Row = 0; Row < RowCount; ++Row) Checked[Row] = Tracks()->Checked(Row);
  const TRegion Region = FindSingleTrackRegion(Checked);
  if (Region.Kind == TRegionKind::Invalid) {
    ShowMessage("Please select solid region to rip into single track!");
    return;
  }
  if (Region.Kind == TRegionKind::Separate) {
    RipSeparateTracks();
    return;
  }
  const int First = Region.First, Last = Region.Last;
  const TRipKind Kind = RipKind(*CDRipper, EncoderType);
  CDRipper->FileName =
      SingleTrackFileName(RipFolder, First, Last, RowCount, DiscArtist, DiscTitle, Kind.Ext);
  SetRipTags(
      CDRipper->TagInfo,
      DiscTitle + " (tracks " + std::to_string(First + 1) + "-" + std::to_string(Last + 1) + ")",
      DiscArtist, DiscTitle, DiscGenre, kRipComment, DiscYear);

  RipRow = 0;
  if (pnGauge->parentWidget() != Panel8) pnGauge->setParent(Panel8);
  pnGauge->setGeometry(4, 0, Panel8->width() - 8, Panel8->height());
  pnGauge->show();
  RipTracks(Kind.Ogg, First + 1, Last + 1);
  if (!Stopped) AddCoverToRip(CDRipper->FileName, Kind.Ogg);
  // Also after a stop: the sheet describes the part that was ripped.
  ExportCue(First, Last, ChangeFileExt(CDRipper->FileName, ".cue"));
  RipRow = -1;
  UpdateGauge();
}

void TfrmTolvar::CDRipProgress(int Percent) {
  Gauge->setValue(Percent);
  ShowStatus("Ripping " + ShownName(*CDRipper) + ": " + std::to_string(Percent) + "%");
}

void TfrmTolvar::CDRipBeginTrack(int Track) {
  ShowStatus("Begin ripping Track " + std::to_string(Track) + " (" + ShownName(*CDRipper) + ")");
}

void TfrmTolvar::CDRipEndTrack(int Track) {
  ShowStatus("End ripping Track " + std::to_string(Track) + " (" + ShownName(*CDRipper) + ")");
}

}  // namespace tolvar
