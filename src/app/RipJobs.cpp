// The rip jobs of the "CD Ripper" page: "Start" turns the checked rows into
// files in the "Save to" folder, one file per row, or one file for a run of
// rows with its CUE sheet beside it. The job runs inside the handler while the
// ripper lets the window's messages through between chunks.
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <stdexcept>

#include "app/DirectoryEdit.h"
#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "app/RipCheck.h"
#include "app/TrackList.h"
#include "metadata/CoverArt.h"
#include "metadata/Release.h"
#include "ripper/CDRipper.h"
#include "ripper/RipNames.h"
#include "ripper/RipPipeline.h"
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
  if (EncoderType == 2) return {false, ".flac"};
  if (EncoderType == 3) return {false, ".opus"};
  return EncoderType == 1 ? TRipKind{true, ".ogg"} : TRipKind{false, ".mp3"};
}

}  // namespace

void TfrmTolvar::ConnectRipJobs() {
  connect(btnStart1, &QPushButton::clicked, this, Guarded([this] { btnStart1Click(); }));
  connect(btnCancel1, &QPushButton::clicked, this, Guarded([this] { btnCancel1Click(); }));
  // "Start" is the page's default button: Enter in the folder edit or in the
  // list presses it (Qt gives default buttons their Enter in dialogs only).
  connect(deSaveDir->Edit(), &QLineEdit::returnPressed, btnStart1, &QPushButton::click);
  VST->OnReturn = [this] { btnStart1->click(); };
  CDRipper->OnProgress = [this](TCDRipper*, uint16_t Percent) { CDRipProgress(Percent); };
  CDRipper->OnBeginTrack = [this](TCDRipper*, uint16_t Track) { CDRipBeginTrack(Track); };
  CDRipper->OnEndTrack = [this](TCDRipper*, uint16_t Track) {
    CDRipEndTrack(Track, CDRipper->FileName);
  };
}

void TfrmTolvar::btnStart1Click() {
  // The button stays enabled during a job; pressing it again must not start
  // a second job inside the first.
  if (VST->IsEditing() || RunningJob != TJob::None) return;
  RunningJob = TJob::Rip;
  ShowJob(TJob::Rip);
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
    // A verification cut short has nothing to say.
    CDRipper->OnAudioRead = nullptr;
    ArWeb->CancelAll();
    RipCheck.reset();
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
  ShowJob(TJob::None);
  RunningJob = TJob::None;
}

void TfrmTolvar::btnCancel1Click() {
  CDRipper->Abort();
  Stopped = true;
}

void TfrmTolvar::SetStreamEncoding() {
  CDRipper->StreamEncoding.reset();
  if (EncoderType != 2 && EncoderType != 3) return;
  TStreamSettings Settings;
  Settings.Format = EncoderType == 2 ? TStreamFormat::Flac : TStreamFormat::Opus;
  Settings.FlacLevel = FlacLevel;
  Settings.OpusBitrate = OpusBitrate;
  CDRipper->StreamEncoding = Settings;
}

void TfrmTolvar::RipTracks(bool Ogg, int FirstTrack, int LastTrack, TRipPipeline* Pipeline) {
  // The format as chosen now; the track number and count are the ripper's own.
  SetStreamEncoding();
  CDRipper->TagExtras = {};
  if (RowsRelease) RowsRelease->AddTagFields(LastTrack == -1 ? FirstTrack : 0, CDRipper->TagExtras);
  // FLAC and Opus write the cover with their stream; MP3 and Ogg files get it
  // once written (AddCoverToRip).
  if (CDRipper->StreamEncoding && !Cover->Empty()) {
    CDRipper->TagExtras.Picture.MimeType = Cover->Mime;
    CDRipper->TagExtras.Picture.Data = Cover->Bytes;
  }
  if (Pipeline)
    Pipeline->Rip(FirstTrack, LastTrack, Ogg);
  else if (Ogg)
    CDRipper->RipOgg(FirstTrack, LastTrack);
  else
    CDRipper->Rip(FirstTrack, LastTrack);
}

void TfrmTolvar::RipSeparateTracks() {
  if (pnGauge->parentWidget() != pnTrackList) pnGauge->setParent(pnTrackList);
  int Count = 0;
  BeginRipCheck();
  // The tracks are read one after another while their files are encoded side
  // by side; each file is reported here, in row order, once complete.
  TRipPipeline Pipeline(*CDRipper, TRipPipeline::DefaultJobs());
  auto EndTrack = std::move(CDRipper->OnEndTrack);
  struct TRestore {
    TCDRipper& R;
    TCDRipper::TProcessTrackEvent& Event;
    ~TRestore() { R.OnEndTrack = std::move(Event); }
  } Restore{*CDRipper, EndTrack};
  Pipeline.OnFileDone = [this](const TRipPipeline::TFileDone& File) {
    using TState = TRipPipeline::TFileState;
    CDRipEndTrack(File.Track, File.FileName);
    // A stopped file keeps its row checked; a failed one ends the job.
    if (File.State == TState::Stopped || File.State == TState::Failed) return;
    const bool Ogg = File.FileName.size() >= 4 &&
                     File.FileName.compare(File.FileName.size() - 4, 4, ".ogg") == 0;
    if (File.State == TState::Whole) AddCoverToRip(File.FileName, Ogg);
    if (File.Track - 1 < Tracks()->rowCount()) Tracks()->SetChecked(File.Track - 1, false);
  };
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
    if (!RipCheckBeforeRow(Row)) break;
    RipTracks(Kind.Ogg, Row + 1, -1, &Pipeline);
    if (Stopped) break;
    RipCheckAfterRow(Row);
  }
  Pipeline.Finish();
  RipRow = -1;
  UpdateGauge();
  EndRipCheck();
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
  ShowStatus("Ripping " + CDRipper->FileName + ": " + std::to_string(Percent) + "%");
}

void TfrmTolvar::CDRipBeginTrack(int Track) {
  if (RipCheck) RipCheck->Verification.BeginCopy(Track);
  ShowStatus("Begin ripping Track " + std::to_string(Track) + " (" + CDRipper->FileName + ")");
}

void TfrmTolvar::CDRipEndTrack(int Track, const std::string& File) {
  ShowStatus("End ripping Track " + std::to_string(Track) + " (" + File + ")");
}

}  // namespace tolvar
