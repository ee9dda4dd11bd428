// The window's side of the metadata lookup: "Look up disc", the release
// choice, the rows filled from the chosen release, the cover beside the
// track list and with the ripped files, and the [Metadata] settings.
#include <sys/stat.h>
#include <QAction>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtEventLoop.h"
#include "app/ReleaseDialog.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "metadata/CoverArt.h"
#include "metadata/MetadataLookup.h"
#include "util/IniFile.h"

namespace tolvar {

namespace {

constexpr int kCoverSize = 160;

bool IsFile(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

}  // namespace

void TfrmTolvar::ConnectLookup() {
  MetaLookup = std::make_unique<TMetadataLookup>(*EventLoop);
  CoverArt = std::make_unique<TCoverArt>(*EventLoop);
  Cover = std::make_unique<TCoverImage>();
  MetaLookup->OnStatus = [this](const std::string& Text) {
    if (!LookupQuiet) ShowStatus(Text);
  };
  MetaLookup->OnDone = [this](const TLookupResult& Result) {
    // The dialog waits until the lookup's callers have returned.
    QTimer::singleShot(0, this, Guarded([this, Result] { LookupDone(Result); }));
  };
  connect(tbLookup, &QAction::triggered, this, Guarded([this] { tbLookupClick(); }));
  connect(mniLookup, &QAction::triggered, this, Guarded([this] { tbLookupClick(); }));
}

void TfrmTolvar::tbLookupClick() {
  LookupQuiet = false;
  StartLookup();
}

void TfrmTolvar::AutoLookup() {
  // A running rip keeps the names it started with.
  if (!AutoLookupOn || MetaLookup->Busy() || RunningJob != TJob::None) return;
  // A disc nobody knows is no news when the user did not ask.
  LookupQuiet = true;
  StartLookup();
}

void TfrmTolvar::StartLookup() {
  std::vector<TMetaSource> Sources;
  std::string Error;
  if (!ParseSources(MetadataSources, Sources, Error)) {
    ShowStatus("Metadata sources: " + Error);
    return;
  }
  const uint8_t Drive = Cddb->DriveTable.CurrentDrive;
  if (!Cddb->ReadTOC(Drive)) return;  // the CDDB client said why in the status bar
  TLookupDisc Disc;
  Disc.Drive = Drive;
  Disc.Toc = Cddb->CDInfo.Toc;
  Disc.Device = Cddb->DriveTable.Drives[Drive].Device;
  CoverArt->Cancel();
  *Cover = {};
  lblCover->clear();
  lblCover->hide();
  MetaLookup->Sources = Sources;
  MetaLookup->Start(Disc);
}

void TfrmTolvar::LookupDone(const TLookupResult& Result) {
  if (Result.Source.empty()) {
    if (!LookupQuiet) ShowStatus("No source knows this disc");
    return;
  }
  int Chosen = 0;
  if (Result.Matches.size() > 1) {
    TReleaseDialog Dialog(Result.Matches, this);
    if (Dialog.exec() != QDialog::Accepted) return;
    Chosen = std::max(0, Dialog.Chosen());
  }
  const TMetaRelease& Release = Result.Matches.at(static_cast<size_t>(Chosen));
  FillRowsFromRelease(Release);
  RowsSource = Result.Source;
  ShowStatus("Names from " + Result.Source + ": " + Release.Artist + " - " + Release.Album);
  if (CoverArtOn && Result.Source == SourceName(TMetaSource::MusicBrainz) &&
      Release.HasFrontCover && !Release.ReleaseId.empty())
    CoverArt->Fetch(Release.ReleaseId, [this](TCoverImage Image, std::string Error) {
      if (!Error.empty()) ShowStatus(Error);
      ShowCover(std::move(Image));
    });
}

void TfrmTolvar::FillRowsFromRelease(const TMetaRelease& Release) {
  using M = TTrackListModel;
  TTrackListModel* Model = Tracks();
  RowsRelease = std::make_unique<TMetaRelease>(Release);
  DiscArtist = Release.Artist;
  DiscTitle = Release.Album;
  DiscYear = Release.Year();
  for (int Row = 0; Row < Model->rowCount(); ++Row) {
    for (const TMetaTrack& T : Release.Tracks) {
      if (T.Number != Row + 1) continue;
      Model->SetField(Row, M::colArtist, T.Artist);
      Model->SetField(Row, M::colTitle, T.Title);
    }
    Model->SetField(Row, M::colAlbum, DiscTitle);
    Model->SetField(Row, M::colYear, DiscYear);
  }
}

void TfrmTolvar::ShowCover(TCoverImage Image) {
  QPixmap Picture;
  if (Image.Empty() || !Picture.loadFromData(reinterpret_cast<const uchar*>(Image.Bytes.data()),
                                             static_cast<uint>(Image.Bytes.size())))
    return;
  *Cover = std::move(Image);
  lblCover->setPixmap(
      Picture.scaled(kCoverSize, kCoverSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  lblCover->show();
}

void TfrmTolvar::AddCoverToRip(const std::string& File, bool Ogg) {
  if (Cover->Empty() || !IsFile(File)) return;
  const bool Mp3 = File.size() > 4 && File.compare(File.size() - 4, 4, ".mp3") == 0;
  if (Ogg)
    EmbedCoverOgg(File, *Cover);
  else if (Mp3)
    EmbedCoverMp3(File, *Cover);
  if (SaveCoverOn) SaveCoverFile(RipFolder, *Cover);
}

void TfrmTolvar::LoadMetadataSettings(const TIniFile& Ini) {
  MetadataSources = Ini.ReadString("Metadata", "Sources", kDefaultSources);
  AutoLookupOn = Ini.ReadBool("Metadata", "AutoLookup", true);
  CoverArtOn = Ini.ReadBool("Metadata", "CoverArt", true);
  SaveCoverOn = Ini.ReadBool("Metadata", "SaveCover", true);
}

void TfrmTolvar::SaveMetadataSettings(TIniFile& Ini) const {
  Ini.WriteString("Metadata", "Sources", MetadataSources);
  Ini.WriteBool("Metadata", "AutoLookup", AutoLookupOn);
  Ini.WriteBool("Metadata", "CoverArt", CoverArtOn);
  Ini.WriteBool("Metadata", "SaveCover", SaveCoverOn);
}

}  // namespace tolvar
