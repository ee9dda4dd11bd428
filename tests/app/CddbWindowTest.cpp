// The window's CDDB lookup against the local test server: the two commands,
// the entry lines in the rows and disc-wide texts, the title splits.
#include <QAction>
#include <QLabel>

#include "AppTestSupport.h"
#include "CddbServer.h"
#include "app/MainUnit.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "util/Dialogs.h"

using namespace tolvar;
using namespace tolvar::apptest;
using Col = TTrackListModel;

namespace {

std::string Status(const TfrmTolvar& Form) {
  return Form.StatusPanel->text().toStdString();
}

void WaitIdle(TfrmTolvar& Form) {
  QTRY_VERIFY_WITH_TIMEOUT(!Form.Cddb->Busy(), 10000);
}

}  // namespace

class TCddbWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void ConnectAndGetInfoFillRowsAndDiscTexts();
  void EntryLinesWrittenIntoRows();
  void GetInfoRefusedAndQueryEnd();
  void ServerDownShowsStatusOnly();
  void EscCancelsAHangingLookup();
  void EntryThatDoesNotParseReachesTheErrorBox();
  void JapaneseTitlesAndALongArtistCredit();
};

void TCddbWindowTest::ConnectAndGetInfoFillRowsAndDiscTexts() {
  TWindowEnv Env;
  cddbtest::TCddbServer Server;
  TEnv Host("TOLVAR_CDDB_SERVER", Server.HostPort());
  TEnv Email("TOLVAR_CDDB_EMAIL", "me@example.org");
  TScriptedDialogs Dialogs;
  TfrmTolvar Form;
  QCOMPARE(Form.Tracks()->rowCount(), 5);
  Form.Cddb->ReadTOC(0);
  const std::string Id = Form.Cddb->CDInfo.DiscID;
  Server.AddEntry("rock", Id, {}, 12,
                  "DISCID=" + Id +
                      "\nDTITLE=AC/DC / Back in Black\nDYEAR=1980\nDGENRE=Hard Rock\n"
                      "TTITLE0=Hells Bells\nTTITLE1=Artist A / Song\nTTITLE2=Artist B - Tune\n"
                      "TTITLE3=Semi-Final\nTTITLE4=Long \nTTITLE4=Title\n");

  Form.mniCDDBConnect->trigger();
  WaitIdle(Form);
  QCOMPARE(Form.Cddb->State, TCddb::QueryDone);
  Form.ToolButton11->trigger();
  QVERIFY(Form.CddbReadPending);
  WaitIdle(Form);
  QVERIFY(!Form.CddbReadPending);
  QVERIFY(!Status(Form).empty());

  QCOMPARE(Form.DiscArtist, std::string("AC/DC"));
  QCOMPARE(Form.DiscTitle, std::string("Back in Black"));
  QCOMPARE(Form.DiscYear, std::string("1980"));
  QCOMPARE(Form.DiscGenre, std::string("Hard Rock"));
  const std::vector<std::pair<std::string, std::string>> Expected = {{"AC/DC", "Hells Bells"},
                                                                     {"Artist A", "Song"},
                                                                     {"Artist B", "Tune"},
                                                                     {"AC/DC", "Semi-Final"},
                                                                     {"AC/DC", "Long Title"}};
  for (int Row = 0; Row < 5; ++Row) {
    const TTrackNodeData& Node = Form.Tracks()->Node(Row);
    QCOMPARE(Node.Artist, Expected[Row].first);
    QCOMPARE(Node.Title, Expected[Row].second);
    QCOMPARE(Node.Album, std::string("Back in Black"));
    QCOMPARE(Node.Year, std::string("1980"));
    QCOMPARE(Node.Genre, std::string("Hard Rock"));
  }
  // The design-time settings and the contact address from the environment.
  const std::vector<std::string> Requests = Server.Requests();
  QCOMPARE(Requests.size(), size_t(2));
  const std::string Hello = "&hello=me+example%2Eorg+Tolvar+v0%2E7&proto=6";
  // The server may answer the disc ID in either case.
  QCOMPARE(QString::fromStdString(Requests[1]).toLower(),
           QString::fromStdString("/~cddb/cddb.cgi?cmd=cddb+read+rock+" + Id + Hello).toLower());
  QVERIFY(Dialogs.Shown.empty());
}

void TCddbWindowTest::EntryLinesWrittenIntoRows() {
  TWindowEnv Env({AudioTracks(13, 1)});
  TfrmTolvar Form;
  TTrackListModel* Model = Form.Tracks();
  QCOMPARE(Model->rowCount(), 13);

  Form.CddbDataExchange("DTITLE=Various / Hits");
  QCOMPARE(Form.DiscArtist, std::string("Various"));
  QCOMPARE(Model->Node(7).Artist, std::string("Various"));
  QCOMPARE(Model->Node(7).Album, std::string("Hits"));
  Form.CddbDataExchange(".");  // the end of one entry: the next DTITLE stands alone
  // Without a slash the artist is emptied on the disc only.
  Form.CddbDataExchange("dtitle=Hits of the Year Nineteen Eighty-Nine");
  QCOMPARE(Form.DiscArtist, std::string());
  QCOMPARE(Form.DiscTitle, std::string("Hits of the Year Nineteen Eighty-Nine"));
  QCOMPARE(Model->Node(0).Artist, std::string("Various"));
  QCOMPARE(Model->Node(0).Album, std::string("Hits of the Year Nineteen Eigh"));

  Model->SetField(0, Col::colTitle, "");
  Model->SetField(12, Col::colTitle, "");
  Form.CddbDataExchange("TTITLE0=Intro");
  Form.CddbDataExchange("TTITLE12=Outro");
  Form.CddbDataExchange("TTITLE0= and more");
  QCOMPARE(Model->Node(0).Title, std::string("Intro and more"));
  QCOMPARE(Model->Node(12).Title, std::string("Outro"));
  QCOMPARE(Model->Node(11).Title, std::string("Track 12"));
  // A number that is none leaves every row as it was.
  QVERIFY_THROWS_EXCEPTION(std::exception, Form.CddbDataExchange("TTITLEx1=Bad"));
  QCOMPARE(Model->Node(1).Title, std::string("Track 2"));
}

void TCddbWindowTest::GetInfoRefusedAndQueryEnd() {
  TWindowEnv Env;
  TfrmTolvar Form;
  TTrackListModel* Model = Form.Tracks();
  Form.CddbDataExchange("TTITLE1=Artist A / Song");
  // The end of a query's match list splits nothing.
  Form.CddbDataExchange(".");
  QCOMPARE(Model->Node(1).Title, std::string("Track 2Artist A / Song"));

  Form.Cddb->State = TCddb::QueryFailed;
  Form.mniCDDBGetInfo->trigger();
  QCOMPARE(Status(Form), std::string("Can't perform a CDDB READ without a successful CDDB QUERY!"));
  for (int Row = 0; Row < Model->rowCount(); ++Row) QCOMPARE(Model->Node(Row).Title, std::string());
  QVERIFY(Form.CddbReadPending);
  Form.CddbDataExchange("TTITLE1=Artist B - Tune");
  Form.CddbDataExchange("TTITLE2=AC/DC-Live");
  Form.CddbDataExchange(".");
  QCOMPARE(Model->Node(1).Artist, std::string("Artist B"));
  QCOMPARE(Model->Node(1).Title, std::string("Tune"));
  QCOMPARE(Model->Node(2).Title, std::string("AC/DC-Live"));
  QVERIFY(!Form.CddbReadPending);
}

void TCddbWindowTest::ServerDownShowsStatusOnly() {
  TWindowEnv Env;
  TEnv Host("TOLVAR_CDDB_SERVER", "127.0.0.1:1");  // nothing listens there
  TScriptedDialogs Dialogs;
  TfrmTolvar Form;
  Form.tbCDDBConnect->trigger();
  WaitIdle(Form);
  QCOMPARE(Form.Cddb->State, TCddb::HttpFailed);
  QVERIFY(Status(Form).rfind("CDDB Component Internal Error", 0) == 0);
  QCOMPARE(Form.Tracks()->Node(0).Title, std::string("Track 1"));
  QVERIFY(Dialogs.Shown.empty());
}

void TCddbWindowTest::EscCancelsAHangingLookup() {
  TWindowEnv Env;
  cddbtest::TCddbServer Server;
  cddbtest::TSilentServer Silent;
  TEnv Host("TOLVAR_CDDB_SERVER", Silent.HostPort());
  TScriptedDialogs Dialogs;
  TfrmTolvar Form;
  Form.show();
  QVERIFY(QTest::qWaitForWindowActive(&Form));
  Form.tbCDDBConnect->trigger();
  QTest::qWait(100);
  QVERIFY(Form.Cddb->Busy());
  QTest::keyClick(&Form, Qt::Key_Escape);
  QVERIFY(!Form.Cddb->Busy());
  QCOMPARE(Form.Cddb->State, TCddb::HttpFailed);
  QCOMPARE(Status(Form), std::string("CDDB request cancelled"));

  // The next lookup goes out at once.
  Form.Cddb->ReadTOC(0);
  Server.AddEntry("rock", Form.Cddb->CDInfo.DiscID, {}, 12,
                  "DISCID=" + Form.Cddb->CDInfo.DiscID +
                      "\nTTITLE0=\nTTITLE1=\nTTITLE2=\nTTITLE3=\nTTITLE4=\n");
  Form.Cddb->ServerAddr = Server.HostPort();
  Form.tbCDDBConnect->trigger();
  WaitIdle(Form);
  QCOMPARE(Form.Cddb->State, TCddb::QueryDone);
  QVERIFY(Dialogs.Shown.empty());
}

void TCddbWindowTest::EntryThatDoesNotParseReachesTheErrorBox() {
  TWindowEnv Env;
  cddbtest::TCddbServer Server;
  TEnv Host("TOLVAR_CDDB_SERVER", Server.HostPort());
  TScriptedDialogs Dialogs;
  TfrmTolvar Form;
  Form.Cddb->ReadTOC(0);
  const std::string Id = Form.Cddb->CDInfo.DiscID;
  Server.AddEntry(
      "rock", Id, {}, 12,
      "# Revision: seven\nDISCID=" + Id + "\nTTITLE0=\nTTITLE1=\nTTITLE2=\nTTITLE3=\nTTITLE4=\n");
  Form.mniCDDBConnect->trigger();
  WaitIdle(Form);
  Form.ToolButton11->trigger();
  WaitIdle(Form);
  QTRY_COMPARE(Dialogs.Shown.size(), size_t(1));
  QCOMPARE(Dialogs.Shown[0],
           std::string("'seven' is not a valid integer value in line \"# Revision: seven\""));
  QVERIFY(Form.isEnabled());  // the program goes on
}

void TCddbWindowTest::JapaneseTitlesAndALongArtistCredit() {
  TWindowEnv Env;
  cddbtest::TCddbServer Server;
  TEnv Host("TOLVAR_CDDB_SERVER", Server.HostPort());
  TfrmTolvar Form;
  Form.resize(900, 300);
  Form.Cddb->ReadTOC(0);
  const std::string Id = Form.Cddb->CDInfo.DiscID;
  const std::string Hoshi = "\xE6\x98\x9F", Nagare = "\xE6\xB5\x81\xE3\x82\x8C";
  const std::string Credit = "AC/DC with the Tokyo Philharmonic and " + Hoshi + Nagare;
  // The credit goes on over two lines; the second title's last character is
  // split between its lines; the fourth title is Latin-1.
  Server.AddEntry(
      "misc", Id, {}, 12,
      "DISCID=" + Id + "\nDTITLE=" + Credit.substr(0, 20) + "\nDTITLE=" + Credit.substr(20) +
          " / " + Hoshi + "/" + Nagare + "\nTTITLE0=" + Hoshi + "\nTTITLE1=" + Nagare.substr(0, 4) +
          "\nTTITLE1=" + Nagare.substr(4) +
          "\nTTITLE2=\xE6\x97\xA5\xE6\x9C\xAC / \xE3\x81\x82\nTTITLE3=Caf\xE9\nTTITLE4=Five\n");
  Form.tbCDDBConnect->trigger();
  WaitIdle(Form);
  Form.mniCDDBGetInfo->trigger();
  WaitIdle(Form);
  QCOMPARE(Form.DiscArtist, Credit);
  QCOMPARE(Form.DiscTitle, Hoshi + "/" + Nagare);
  const std::vector<std::pair<std::string, std::string>> Expected = {
      {Credit, Hoshi},
      {Credit, Nagare},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE3\x81\x82"},  // split into artist and title
      {Credit, "Caf\xC3\xA9"},
      {Credit, "Five"}};
  for (int Row = 0; Row < 5; ++Row) {
    QCOMPARE(Form.Tracks()->Node(Row).Artist, Expected[Row].first);
    QCOMPARE(Form.Tracks()->data(Form.Tracks()->index(Row, Col::colTitle)).toString(),
             QString::fromStdString(Expected[Row].second));
  }
  QCOMPARE(Form.Tracks()->Node(0).Album, Hoshi + "/" + Nagare);
  // For a look by eye: TOLVAR_CDDB_SCREENSHOT=FILE saves the window.
  if (const char* Shot = getenv("TOLVAR_CDDB_SCREENSHOT")) {
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.grab().save(Shot);
  }
}

TOLVAR_APP_TEST_MAIN(TCddbWindowTest)
#include "CddbWindowTest.moc"
