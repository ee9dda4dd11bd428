// The window's "Look up disc" against the MusicBrainz stand-in: the release
// dialog, the rows and the cover; and with no network at all, the chain's
// end in the CD-Text of an image while the window keeps working.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <filesystem>

#include "AppTestSupport.h"
#include "LocalServer.h"
#include "TestSupport.h"
#include "app/MainUnit.h"
#include "app/ReleaseDialog.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "metadata/DiscIdentity.h"
#include "metadata/MetadataLookup.h"

using namespace tolvar;
using namespace tolvar::apptest;
using Col = TTrackListModel;

namespace {

// A red square as PNG: what the stand-in archive serves as the front cover.
std::string CoverPng() {
  QImage Image(40, 40, QImage::Format_RGB32);
  Image.fill(Qt::red);
  QByteArray Bytes;
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::WriteOnly);
  Image.save(&Buffer, "PNG");
  return Bytes.toStdString();
}

// Saves a picture of Widget for a look by eye when TOLVAR_SCREENSHOTS names a folder.
void Screenshot(QWidget* Widget, const char* Name) {
  if (const char* Folder = std::getenv("TOLVAR_SCREENSHOTS"))
    Widget->grab().save(QString(Folder) + "/" + Name + ".png");
}

}  // namespace

class TLookupWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void threeReleasesAskWhichOneAndFillTheRows();
  void withoutNetworkTheChainEndsInCdText();
};

void TLookupWindowTest::threeReleasesAskWhichOneAndFillTheRows() {
  TWindowEnv Env({AudioTracks(3)});
  const std::string Data = Env.Path("mb");
  for (const char* Sub : {"discid", "images"})
    std::filesystem::create_directories(Data + "/" + Sub);
  fixtures::TLocalServer Server(fixtures::FixturesDir() + "/musicbrainz_server.py", {Data});
  TEnv MusicBrainz("TOLVAR_MUSICBRAINZ_URL", Server.Url(""));
  TEnv Archive("TOLVAR_COVERART_URL", Server.Url(""));
  TfrmTolvar Form;
  Form.show();
  QVERIFY(Form.Cddb->ReadTOC(0));
  const std::string Id = ComputeDiscIdentity(Form.Cddb->CDInfo.Toc).MusicBrainzId;
  std::string Body = fixtures::ReadFile(TOLVAR_METADATA_DATA "/three_releases.json");
  for (size_t At; (At = Body.find("@DISCID@")) != std::string::npos;) Body.replace(At, 8, Id);
  fixtures::WriteFile(Data + "/discid/" + Id + ".json", Body);
  fixtures::WriteFile(Data + "/images/rel-uk.png", CoverPng());

  bool Asked = false;
  QTimer Answer;
  connect(&Answer, &QTimer::timeout, [&] {
    auto* Dialog = qobject_cast<TReleaseDialog*>(QApplication::activeModalWidget());
    if (!Dialog || Asked) return;
    Asked = true;
    QCOMPARE(Dialog->List->count(), 3);
    QCOMPARE(
        Dialog->List->item(0)->text(),
        QString::fromUtf8("The Band – Same Disc, 1999, GB, Label One, CAT 1, CD, 5012345678900"));
    QCOMPARE(Dialog->List->item(2)->text(), QString::fromUtf8("The Band – Same Disc"));
    Screenshot(Dialog, "release-dialog");
    QTest::keyClick(Dialog->List, Qt::Key_Return);  // Enter takes the first
  });
  Answer.start(50);
  Form.tbLookup->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(Asked, 10000);
  QTRY_COMPARE_WITH_TIMEOUT(Form.Tracks()->Node(2).Title, std::string("Three"), 5000);
  const TTrackNodeData& Row = Form.Tracks()->Node(0);
  QCOMPARE(Row.Artist + "|" + Row.Title + "|" + Row.Album + "|" + Row.Year,
           std::string("The Band|One|Same Disc|1999"));
  QCOMPARE(Form.DiscArtist, std::string("The Band"));
  QTRY_VERIFY_WITH_TIMEOUT(Form.lblCover->isVisible(), 5000);
  QCOMPARE(Form.lblCover->pixmap().width(), 160);
  QCOMPARE(Form.StatusPanel->text(), QString("Names from MusicBrainz: The Band - Same Disc"));
  Screenshot(&Form, "rows-filled");
}

void TLookupWindowTest::withoutNetworkTheChainEndsInCdText() {
  TWindowEnv Env({AudioTracks(4)});
  // The same disc again, now with CD-Text in its sheet.
  fixtures::TImageOptions Options;
  Options.Title = "Disc Text";
  Options.Performer = "Disc Performer";
  fixtures::WriteDiscImage(Env.Cue(0), AudioTracks(4), Options);
  TfrmTolvar Form;
  QCOMPARE(Form.Tracks()->rowCount(), 4);
  // The window goes on while the chain runs: its timers fire.
  int Ticks = 0;
  QTimer Tick;
  connect(&Tick, &QTimer::timeout, [&Ticks] { ++Ticks; });
  Tick.start(20);
  Form.tbLookup->trigger();
  QTRY_COMPARE_WITH_TIMEOUT(Form.Tracks()->Node(0).Album, std::string("Disc Text"), 30000);
  QCOMPARE(Form.Tracks()->Node(3).Artist, std::string("Disc Performer"));
  QCOMPARE(Form.StatusPanel->text(), QString("Names from CD-Text: Disc Performer - Disc Text"));
  QVERIFY(Ticks > 0);
  QVERIFY(Form.lblCover->isHidden());
}

TOLVAR_APP_TEST_MAIN(TLookupWindowTest)
#include "LookupWindowTest.moc"
