// The window's verified rips against the AccurateRip stand-in: the Accuracy
// column, the summary and the log after a separate-tracks rip, and "Detect
// read offset" keeping the drive's offset in the settings file.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "AppTestSupport.h"
#include "ArReference.h"
#include "LocalServer.h"
#include "TestSupport.h"
#include "app/DirectoryEdit.h"
#include "app/MainUnit.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "ripper/CDRipper.h"
#include "verify/AccurateRip.h"
#include "verify/RipLog.h"

using namespace tolvar;
using namespace tolvar::apptest;
using Col = TTrackListModel;

namespace {

const std::vector<fixtures::TImageTrack> kDisc{{600}, {700}, {650}};

// The database record a drive with read offset K reads from the disc; the
// entry of track Broken (from 1) gets a wrong checksum.
std::string Record(const TAccurateRipId& Id, int64_t K, int Broken = 0) {
  std::vector<uint32_t> Disc;
  std::vector<size_t> Starts;
  for (size_t T = 0; T < kDisc.size(); ++T) {
    Starts.push_back(Disc.size());
    for (uint64_t F = 0; F < uint64_t{kDisc[T].Sectors} * fixtures::kFramesPerSector; ++F)
      Disc.push_back(fixtures::TestAudioFrame(int(T) + 1, F));
  }
  Starts.push_back(Disc.size());
  std::vector<fixtures::TRefEntry> Entries;
  for (size_t T = 0; T < kDisc.size(); ++T) {
    std::vector<uint32_t> Frames(Starts[T + 1] - Starts[T]);
    for (size_t F = 0; F < Frames.size(); ++F) {
      const int64_t At = int64_t(Starts[T] + F) + K;
      Frames[F] = At < 0 || At >= int64_t(Disc.size()) ? 0 : Disc[At];
    }
    const fixtures::TRefSums Sums = fixtures::ReferenceSums(Frames, T == 0, T + 1 == kDisc.size());
    Entries.push_back({12, Sums.V1 + (int(T) + 1 == Broken), Sums.Sector450});
  }
  return fixtures::ReferenceRecord(Id.Id1, Id.Id2, Id.Cddb, Entries);
}

}  // namespace

class TVerifyWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void aRipFillsTheAccuracyColumnAndWritesTheLog();
  void detectReadOffsetKeepsTheDrivesOffset();

 private:
  // The stand-in serving folder Db, and the disc's database file below it.
  struct TDatabase {
    explicit TDatabase(const TWindowEnv& Env)
        : Db(Env.Path("db")),
          Server(fixtures::FixturesDir() + "/accuraterip_server.py", {Db}),
          Url("TOLVAR_ACCURATERIP_URL", Server.Url("")) {}
    void Serve(const TAccurateRipId& Id, const std::string& Bytes) {
      const std::string File = Id.Url(Db);
      std::filesystem::create_directories(std::filesystem::path(File).parent_path());
      fixtures::WriteFile(File, Bytes);
    }
    std::string Db;
    fixtures::TLocalServer Server;
    TEnv Url;
  };
};

void TVerifyWindowTest::aRipFillsTheAccuracyColumnAndWritesTheLog() {
  TWindowEnv Env({kDisc});
  TDatabase Database(Env);
  TfrmTolvar Form;
  QVERIFY(Form.Cddb->ReadTOC(0));
  const TAccurateRipId Id = ComputeAccurateRipId(Form.Cddb->CDInfo.Toc);
  Database.Serve(Id, Record(Id, 0, 2));
  Form.rbModeWav->click();
  Form.Tracks()->SetChecked(2, false);
  Form.deSaveDir->setText(QString::fromStdString(Env.Path("out")));
  Form.btnStart1->click();

  auto Accuracy = [&](int Row) {
    return Form.Tracks()->data(Form.Tracks()->index(Row, Col::colAccuracy)).toString();
  };
  QCOMPARE(Accuracy(0), QString("Accurate (12)"));
  QCOMPARE(Accuracy(1), QString("Not accurate"));
  QCOMPARE(Accuracy(2), QString());
  QCOMPARE(Form.StatusPanel->text(), QString("1 of 2 tracks accurately ripped"));
  const std::string Log = fixtures::ReadFile(Env.Path("out/Unknown - Unknown.log"));
  QVERIFY(LogChecksumOk(Log));
  QVERIFY(Log.find("Read offset: 0\n") != std::string::npos);
  // For a look by eye: TOLVAR_SCREENSHOTS=FOLDER.
  if (const char* Folder = std::getenv("TOLVAR_SCREENSHOTS")) {
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.grab().save(QString(Folder) + "/accuracy.png");
  }
}

void TVerifyWindowTest::detectReadOffsetKeepsTheDrivesOffset() {
  TWindowEnv Env({kDisc});
  TDatabase Database(Env);
  std::string Drive;
  {
    TfrmTolvar Form;
    QVERIFY(Form.Cddb->ReadTOC(0));
    const TAccurateRipId Id = ComputeAccurateRipId(Form.Cddb->CDInfo.Toc);
    Form.mniDetectOffset->trigger();
    QCOMPARE(Form.StatusPanel->text(),
             QString("Read offset: not found (the disc is not in the AccurateRip database)"));
    Database.Serve(Id, Record(Id, -30));
    Form.mniDetectOffset->trigger();
    QCOMPARE(Form.StatusPanel->text(), QString("Read offset: -30"));
    Drive = Form.CDRipper->Drives.at(0);
    QCOMPARE(Form.CDRipper->ReadOffset(), -30);
    QVERIFY(Form.btnStart1->isEnabled() && Form.tbPlay->isEnabled());  // the job ended
  }
  QVERIFY(
      fixtures::ReadFile(Env.SettingsFile()).find("[Drives]\n" + Drive + "=-30\n\n[Verify]\n") !=
      std::string::npos);
  TfrmTolvar Again;
  QCOMPARE(Again.DriveOffsets.at(Drive), -30);
}

TOLVAR_APP_TEST_MAIN(TVerifyWindowTest)
#include "VerifyWindowTest.moc"
