// The window's side of the CDDB lookup: the two commands, and the entry lines
// written into the rows and the disc-wide texts as they arrive.
#include <QAction>
#include <QShortcut>
#include <cstdlib>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtEventLoop.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "cddb/CddbEntry.h"
#include "util/StringFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {

std::string EnvValue(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? Value : "";
}

// Splits Text at the first Separator into trimmed artist and title; false
// when Text holds no Separator.
bool SplitAt(const std::string& Text, const std::string& Separator, std::string& Artist,
             std::string& Title) {
  const size_t At = Text.find(Separator);
  if (At == std::string::npos) return false;
  Artist = Trim(Text.substr(0, At));
  Title = Trim(Text.substr(At + Separator.size()));
  return true;
}

// "AC/DC / Back in Black" names the artist AC/DC: the blank-framed slash wins
// over a slash inside a name.
bool SplitDiscTitle(const std::string& Text, std::string& Artist, std::string& Album) {
  return SplitAt(Text, " / ", Artist, Album) || SplitAt(Text, "/", Artist, Album);
}

// Compilation titles read "Artist / Title" or "Artist - Title"; a bare hyphen
// or slash belongs to the title ("Semi-Final").
bool SplitTrackTitle(const std::string& Text, std::string& Artist, std::string& Title) {
  return SplitAt(Text, " / ", Artist, Title) || SplitAt(Text, " - ", Artist, Title);
}

}  // namespace

void TfrmTolvar::ConnectCddb() {
  Cddb = std::make_unique<TCddb>(*EventLoop);
  ApplyWindowSettings(*Cddb);
  // The server and contact address can be changed for one run, without
  // touching the settings file.
  if (std::string Server = EnvValue("TOLVAR_CDDB_SERVER"); !Server.empty())
    Cddb->ServerAddr = Server;
  if (std::string Path = EnvValue("TOLVAR_CDDB_PATH"); !Path.empty())
    Cddb->ServerAdditionalAddr = Path;
  if (std::string Email = EnvValue("TOLVAR_CDDB_EMAIL"); !Email.empty()) Cddb->EmailUser = Email;
  Cddb->OnStatusMessage = [this](TCddbDisc&, const std::string& Text) { CddbStatusMessage(Text); };
  Cddb->OnDataExchange = [this](TCddbDisc&, const std::string& Line) { CddbDataExchange(Line); };
  Cddb->OnMatch = [this](TCddb&, const TMatchArray&, int32_t& RightOne) { CddbMatch(RightOne); };

  connect(tbCDDBConnect, &QAction::triggered, this, Guarded([this] { tbCDDBConnectClick(); }));
  connect(mniCDDBConnect, &QAction::triggered, this, Guarded([this] { mniCDDBConnectClick(); }));
  connect(ToolButton11, &QAction::triggered, this, Guarded([this] { ToolButton11Click(); }));
  connect(mniCDDBGetInfo, &QAction::triggered, this, Guarded([this] { tbCDDBGetinfoClick(); }));
  // Esc gives up a lookup that hangs; the next command can start at once.
  // (An open cell editor keeps Esc for itself.)
  auto* CancelCddb = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(CancelCddb, &QShortcut::activated, this, Guarded([this] { Cddb->Cancel(); }));
}

void TfrmTolvar::SelectCddbDrive(int Index) {
  if (Index >= 0 && Index <= 255) Cddb->DriveTable.CurrentDrive = static_cast<uint8_t>(Index);
}

void TfrmTolvar::tbCDDBConnectClick() {
  // The query is built from the TOC of the window's drive, read afresh so a
  // changed disc is looked up as it is now.
  Cddb->ReadTOC(Cddb->DriveTable.CurrentDrive);
  Cddb->HttpQuery();
}

void TfrmTolvar::mniCDDBConnectClick() {
  tbCDDBConnectClick();
}

void TfrmTolvar::ToolButton11Click() {
  TTrackListModel* Model = Tracks();
  for (int Row = 0; Row < Model->rowCount(); ++Row)
    Model->SetField(Row, TTrackListModel::colTitle, "");
  CddbDiscTitle.clear();
  CddbTrackTitles.clear();
  CddbReadPending = true;
  Cddb->HttpRead();
}

void TfrmTolvar::tbCDDBGetinfoClick() {
  ToolButton11Click();
}

void TfrmTolvar::CddbStatusMessage(const std::string& Text) {
  ShowStatus(Text);
}

void TfrmTolvar::CddbMatch(int32_t& /*RightOne*/) {
  // The first match is taken: RightOne stays as the client set it.
}

void TfrmTolvar::CddbDataExchange(const std::string& Line) {
  std::string Artist, Album, Year, Genre, Title;
  int N = -1;
  const bool Latin1 = Cddb->AnswerLatin1();
  auto From = [&Line](size_t Position) { return Line.substr(std::min(Position, Line.size())); };
  if (StartsWithText("DTITLE", Line)) {
    // The whole DTITLE so far: an artist credit may go on over lines.
    CddbDiscTitle += From(7);
    const std::string Value = Utf8Left(EntryText(CddbDiscTitle, Latin1), 999);
    if (!SplitDiscTitle(Value, Artist, Album)) Album = Value;
    DiscArtist = Artist;
    DiscTitle = Album;
  } else if (StartsWithText("DYEAR", Line)) {
    Year = EntryText(From(6), Latin1);
    DiscYear = Year;
  } else if (StartsWithText("DGENRE", Line)) {
    Genre = EntryText(From(7), Latin1);
    DiscGenre = Genre;
  } else if (StartsWithText("TTITLE", Line)) {
    std::string Digits = Line.substr(std::min<size_t>(6, Line.size()), 2);
    std::string Value = From(9);
    if (EndsWithText("=", Digits)) {
      Digits = Digits.substr(0, 1);
      Value = From(8);
    }
    N = StrToInt(Digits);
    // A title's lines are joined before their text is judged, so a character
    // split between two lines survives.
    auto [Joined, First] = CddbTrackTitles.try_emplace(N);
    if (First && N >= 0 && N < Tracks()->rowCount())
      Joined->second.Before = Tracks()->Node(N).Title;
    Joined->second.Raw += Value;
    Title = Joined->second.Before + EntryText(Joined->second.Raw, Latin1);
  }

  TTrackListModel* Model = Tracks();
  using M = TTrackListModel;
  for (int Row = 0; Row < Model->rowCount(); ++Row) {
    if (!Year.empty()) Model->SetField(Row, M::colYear, Year);
    if (!Genre.empty()) Model->SetField(Row, M::colGenre, Genre);
    if (!Album.empty()) Model->SetField(Row, M::colAlbum, Album);
    if (!Artist.empty()) Model->SetField(Row, M::colArtist, Artist);
    if (Row == N) Model->SetField(Row, M::colTitle, Title);
  }

  if (Line == ".") {
    CddbDiscTitle.clear();
    CddbTrackTitles.clear();
  }
  if (Line == "." && CddbReadPending) {
    for (int Row = 0; Row < Model->rowCount(); ++Row) {
      std::string RowArtist, RowTitle;
      if (!SplitTrackTitle(Model->Node(Row).Title, RowArtist, RowTitle)) continue;
      Model->SetField(Row, M::colArtist, RowArtist);
      Model->SetField(Row, M::colTitle, RowTitle);
    }
    CddbReadPending = false;
  }
}

}  // namespace tolvar
