// Rip jobs of the "CD Ripper" page on image drives: separate and single-track
// rips, their names, checks, gauge and messages, Cancel, failures, the CUE
// sheets (read back with cuebreakpoints) and the "MP3 Encoder" page.
#include <sys/stat.h>

#include <set>

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/DirectoryEdit.h"
#include "app/MainUnit.h"
#include "app/TrackList.h"
#include "encoders/LameCoder.h"
#include "encoders/ParallelEncodes.h"
#include "ripper/CDRipper.h"
#include "util/Dialogs.h"

using namespace tolvar;
using namespace tolvar::apptest;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::RunCommand;
using fixtures::ShellQuote;
using fixtures::WriteFile;

namespace {

void CheckOnly(TfrmTolvar& Form, std::initializer_list<int> Rows) {
  Form.Tracks()->SetAllChecks(false);
  for (int Row : Rows) Form.Tracks()->SetChecked(Row, true);
}

std::vector<int> CheckedRows(TfrmTolvar& Form) {
  std::vector<int> Rows;
  for (int Row = 0; Row < Form.Tracks()->rowCount(); ++Row)
    if (Form.Tracks()->Checked(Row)) Rows.push_back(Row);
  return Rows;
}

off_t Size(const std::string& Path) {
  struct stat Info {};
  return stat(Path.c_str(), &Info) == 0 ? Info.st_size : -1;
}

// The track starts a real CUE reader finds, one per line ("m:ss.ff").
std::string Breakpoints(const std::string& Cue) {
  return RunCommand("cuebreakpoints " + ShellQuote(Cue) + " 2>&1");
}

// Whether each control that would change what a job reads or writes is enabled.
std::vector<bool> Locks(TfrmTolvar& F) {
  std::vector<bool> Enabled;
  for (QAction* A :
       {F.tbPlay, F.tbPause, F.tbStop, F.mniPlay, F.mniPause, F.mniStop, F.tbCDDBConnect,
        F.mniCDDBConnect, F.ToolButton11, F.mniCDDBGetInfo, F.mniExportCue})
    Enabled.push_back(A->isEnabled());
  for (QWidget* W : std::initializer_list<QWidget*>{F.cbDrive, F.cbPreset, F.btnSavePreset,
                                                    F.Button1, F.cbFormat, F.deSaveDir->Edit(),
                                                    F.deSaveDir->BrowseButton()})
    Enabled.push_back(W->isEnabled());
  return Enabled;
}

std::vector<bool> AllLocks(bool Enabled) {
  return std::vector<bool>(18, Enabled);
}

// The window is idle again: as after the end of a job.
void CheckIdle(TfrmTolvar& Form) {
  QCOMPARE(Form.RipRow, -1);
  QVERIFY(!Form.Stopped);
  QVERIFY(Form.pnGauge->isHidden());
  QVERIFY(!Form.btnCancel1->isEnabled() && !Form.btnCancel2->isEnabled());
  QVERIFY(Form.btnStart1->isEnabled() && Form.btnStart2->isEnabled());
  QVERIFY(Form.Button3->isEnabled());
  QCOMPARE(Locks(Form), AllLocks(true));
}

// A 16-bit stereo WAV file of Seconds of a quiet saw tone.
void WriteWav(const std::string& Path, int Seconds) {
  const uint32_t Bytes = 44100u * 4 * Seconds;
  auto U32 = [](uint32_t V) { return std::string(reinterpret_cast<const char*>(&V), 4); };
  std::string Data = "RIFF" + U32(36 + Bytes) + "WAVEfmt " + U32(16) +
                     std::string("\x01\x00\x02\x00", 4) + U32(44100) + U32(44100 * 4) +
                     std::string("\x04\x00\x10\x00", 4) + "data" + U32(Bytes);
  for (uint32_t I = 0; I < Bytes / 2; ++I) Data += static_cast<char>(I % 64), Data += '\0';
  WriteFile(Path, Data);
}

// Answers the next file dialog with Files once it is shown, typed into its
// name field as the user would.
void AnswerDialog(QFileDialog* Dialog, const QStringList& Files) {
  QTimer::singleShot(0, Dialog, [Dialog, Files] {
    QString Text;
    for (const QString& File : Files) Text += "\"" + File + "\" ";
    auto* Edit = Dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(Edit);
    Edit->setText(Files.size() == 1 ? Files.front() : Text.trimmed());
    QMetaObject::invokeMethod(Dialog, "accept");
  });
}

}  // namespace

class RipJobsTest : public QObject {
  Q_OBJECT
 private slots:
  void separateTracksRipTheCheckedRows() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    TScriptedDialogs Dialogs;
    CheckOnly(Form, {1, 4});
    Form.deSaveDir->setText(QString::fromStdString(Env.Path("out/new/")));
    // During each rip: the gauge sits over the Time cell of the row, and a
    // second Start does nothing.
    std::vector<int> GaugeRows;
    int Begins = 0;
    auto Progress = Form.CDRipper->OnProgress;
    Form.CDRipper->OnProgress = [&](TCDRipper* Sender, uint16_t Percent) {
      Progress(Sender, Percent);
      if (Percent < 50 || (!GaugeRows.empty() && GaugeRows.back() == Form.RipRow)) return;
      QApplication::processEvents();
      const QRect Cell = Form.VST->visualRect(Form.Tracks()->index(Form.RipRow, 2));
      const QRect Gauge(Form.VST->viewport()->mapFrom(Form.pnTrackList, Form.pnGauge->pos()),
                        Form.pnGauge->size());
      if (Form.pnGauge->isVisible() && Cell.contains(Gauge)) GaugeRows.push_back(Form.RipRow);
      // For a look by eye: TOLVAR_RIP_SCREENSHOT=FILE saves the window during the second rip.
      if (const char* Shot = getenv("TOLVAR_RIP_SCREENSHOT"); Shot && Form.RipRow == 4)
        Form.grab().save(Shot);
      QCOMPARE(Form.Gauge->value(), int(Percent));
      Form.btnStart1->click();
    };
    auto Begin = Form.CDRipper->OnBeginTrack;
    Form.CDRipper->OnBeginTrack = [&](TCDRipper* Sender, uint16_t Track) {
      ++Begins;
      Begin(Sender, Track);
      QVERIFY(Form.btnCancel1->isEnabled() && !Form.btnStart2->isEnabled());
      QCOMPARE(Locks(Form), AllLocks(false));
      // A double click in the list is Play, locked as its button is.
      const QRect Cell = Form.VST->visualRect(Form.Tracks()->index(0, 0));
      QTest::mouseDClick(Form.VST->viewport(), Qt::LeftButton, {}, Cell.center());
      QCOMPARE(Form.PlayState, uint8_t(0));
    };
    Form.btnStart1->click();

    QCOMPARE(Form.deSaveDir->text().toStdString(), Env.Path("out/new"));
    const std::string Second = Env.Path("out/new/02 Unknown - Track 2.mp3");
    const std::string Fifth = Env.Path("out/new/05 Unknown - Track 5.mp3");
    QVERIFY(FileExists(Second) && FileExists(Fifth));
    QCOMPARE(Begins, 2);
    QCOMPARE(GaugeRows, (std::vector<int>{1, 4}));
    QVERIFY(ReadFile(Fifth).find("Track 5") != std::string::npos);  // the title tag
    QVERIFY(CheckedRows(Form).empty());
    // The verification's word comes last; here no database answers.
    QVERIFY(Form.StatusPanel->text().startsWith("AccurateRip: Failed to connect"));
    QVERIFY(Dialogs.Shown.empty());
    CheckIdle(Form);

    // Nothing checked: the walk rips nothing and says so.
    Form.btnStart1->click();
    QCOMPARE(Dialogs.Shown,
             std::vector<std::string>{"Please select (check) necessary tracks before ripping!"});
  }

  void singleTrackRegions() {
    TWindowEnv Env({AudioTracks(12, 1)});
    TfrmTolvar Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    TScriptedDialogs Dialogs;
    const std::string Out = Env.Path("out");
    Form.deSaveDir->setText(QString::fromStdString(Out));
    Form.rbSingleTrack->click();
    // "Rip to wave" with Ogg chosen still writes WAV files through Rip.
    Pick(Form.cbFormat, "Ogg");
    Form.rbModeWav->click();
    bool GaugeInPanel8 = false;
    auto Progress = Form.CDRipper->OnProgress;
    Form.CDRipper->OnProgress = [&](TCDRipper* Sender, uint16_t Percent) {
      Progress(Sender, Percent);
      GaugeInPanel8 =
          Form.pnGauge->parentWidget() == Form.Panel8 && Form.pnGauge->isVisible() &&
          Form.pnGauge->geometry() == QRect(4, 0, Form.Panel8->width() - 8, Form.Panel8->height());
    };

    // The whole disc: no number prefix, a sheet of twelve tracks.
    Form.btnStart1->click();
    QVERIFY(GaugeInPanel8);
    QVERIFY(FileExists(Out + "/Unknown - Unknown.wav"));
    QCOMPARE(Breakpoints(Out + "/Unknown - Unknown.cue"),
             std::string("0:01.00\n0:02.00\n0:03.00\n0:04.00\n0:05.00\n0:06.00\n0:07.00\n"
                         "0:08.00\n0:09.00\n0:10.00\n0:11.00\n"));
    QCOMPARE(CheckedRows(Form).size(), size_t{12});  // a region keeps its checks
    CheckIdle(Form);

    // A gap: nothing ripped.
    CheckOnly(Form, {0, 1, 3});
    Form.btnStart1->click();
    QCOMPARE(Dialogs.Shown,
             std::vector<std::string>{"Please select solid region to rip into single track!"});

    // One row that is not the last: a separate track.
    CheckOnly(Form, {4});
    Form.btnStart1->click();
    QVERIFY(FileExists(Out + "/05 Unknown - Track 5.wav"));
    QVERIFY(CheckedRows(Form).empty());

    // Only the last row: a region of one track with its sheet.
    CheckOnly(Form, {11});
    Form.btnStart1->click();
    QVERIFY(FileExists(Out + "/12_12 Unknown - Unknown.wav"));
    const std::string Last = ReadFile(Out + "/12_12 Unknown - Unknown.cue");
    QCOMPARE(Last, "FILE \"" + Out + "/12_12 Unknown - Unknown.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n" +
                       "    INDEX 01 00:00:00\r\n    TITLE \"Track 12\"\r\n");

    // Ogg, rows 2 to 5: named and tagged from the disc-wide texts.
    Form.rbModeEncode->click();
    CheckOnly(Form, {1, 2, 3, 4});
    Form.btnStart1->click();
    const std::string Ogg = Out + "/02_05 Unknown - Unknown.ogg";
    QVERIFY(ReadFile(Ogg).find("Unknown (tracks 2-5)") != std::string::npos);
    QCOMPARE(Breakpoints(Out + "/02_05 Unknown - Unknown.cue"),
             std::string("0:01.00\n0:02.00\n0:03.00\n"));
    QCOMPARE(Dialogs.Shown.size(), size_t{1});
    CheckIdle(Form);
  }

  void cancelDuringTheSecondOfThreeTracks() {
    TWindowEnv Env({AudioTracks(3, 20)});
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    const std::string Out = Env.Path("out");
    Form.deSaveDir->setText(QString::fromStdString(Out));
    Form.rbModeWav->click();
    auto Begin = Form.CDRipper->OnBeginTrack;
    Form.CDRipper->OnBeginTrack = [&](TCDRipper* Sender, uint16_t Track) {
      Begin(Sender, Track);
      if (Track == 2) QTimer::singleShot(0, Form.btnCancel1, &QPushButton::click);
    };
    Form.btnStart1->click();
    const off_t Whole = 44 + 20 * 44100 * 4;
    QCOMPARE(Size(Out + "/01 Unknown - Track 1.wav"), Whole);
    const off_t Part = Size(Out + "/02 Unknown - Track 2.wav");
    QVERIFY2(Part > 0 && Part < Whole, qPrintable(QString::number(Part)));
    QVERIFY(!FileExists(Out + "/03 Unknown - Track 3.wav"));
    QCOMPARE(CheckedRows(Form), (std::vector<int>{1, 2}));
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Process stopped"});
    CheckIdle(Form);
  }

  void failuresLeaveTheWindowIdle() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    // The folder text is empty.
    Form.deSaveDir->setText("");
    Form.btnStart1->click();
    // A folder below a plain file cannot be created.
    WriteFile(Env.Path("plain"), "x");
    Form.deSaveDir->setText(QString::fromStdString(Env.Path("plain/sub")));
    Form.btnStart1->click();
    QCOMPARE(Dialogs.Shown,
             (std::vector<std::string>{"Unable to create directory", "Invalid directory to save"}));
    QCOMPARE(CheckedRows(Form).size(), size_t{5});
    CheckIdle(Form);

    // The ripper cannot create the first file: the error ends the job, and
    // the window is ready for the next one.
    const std::string Out = Env.Path("out");
    QVERIFY(mkdir(Out.c_str(), 0755) == 0);
    QVERIFY(mkdir((Out + "/01 Unknown - Track 1.mp3").c_str(), 0755) == 0);
    Form.deSaveDir->setText(QString::fromStdString(Out));
    CheckOnly(Form, {0, 1});
    Form.btnStart1->click();
    QCOMPARE(Dialogs.Shown.size(), size_t{3});
    QCOMPARE(CheckedRows(Form), (std::vector<int>{0, 1}));
    CheckIdle(Form);
    CheckOnly(Form, {1});
    Form.btnStart1->click();
    QVERIFY(FileExists(Out + "/02 Unknown - Track 2.mp3"));
  }

  void cueSheets() {
    // Track 4 starts 17,700 frames after track 3.
    TWindowEnv Env({std::vector<fixtures::TImageTrack>{{150}, {150}, {17700}, {150}}});
    TfrmTolvar Form;
    const std::string Cue = Env.Path("a.cue");
    // The menu's export before any rip names no file.
    AnswerDialog(Form.ExportDialog, {QString::fromStdString(Env.Path("menu"))});
    Form.mniExportCue->trigger();
    const std::string Menu = ReadFile(Env.Path("menu.cue"));
    QVERIFY2(Menu.rfind("FILE \"\" \r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n", 0) == 0,
             Menu.c_str());
    QVERIFY(Menu.find("  TRACK 04 AUDIO\r\n    INDEX 01 04:00:00\r\n    TITLE \"Track 4\"\r\n") !=
            std::string::npos);

    Form.CDRipper->FileName = Env.Path("folder/03_04 Unknown - Unknown.mp3");
    Form.ExportCue(2, 3, Cue);
    QCOMPARE(ReadFile(Cue), "FILE \"" + Form.CDRipper->FileName +
                                "\" MP3\r\n"
                                "  TRACK 01 AUDIO\r\n"
                                "    INDEX 01 00:00:00\r\n"
                                "    TITLE \"Track 3\"\r\n"
                                "  TRACK 02 AUDIO\r\n"
                                "    INDEX 01 03:56:00\r\n"
                                "    TITLE \"Track 4\"\r\n");
    QCOMPARE(Breakpoints(Cue), std::string("3:56.00\n"));

    // A row whose artist differs from the disc's names it.
    Form.Tracks()->SetField(3, TTrackListModel::colArtist, "Guest");
    Form.ExportCue(2, 3, Cue);
    QVERIFY(ReadFile(Cue).find("    TITLE \"Guest - Track 4\"\r\n") != std::string::npos);
  }

  void encoderPage() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    QStringList Wavs;
    for (const char* Name : {"one.wav", "two.wav", "three.wav"}) {
      WriteWav(Env.Path(Name), 1);
      Wavs << QString::fromStdString(Env.Path(Name));
    }
    QCOMPARE(Form.OpenDialog1->nameFilters(),
             QStringList({"All files (*.*)", "Wav files (*.wav)"}));
    QCOMPARE(Form.OpenDialog1->selectedNameFilter(), QString("Wav files (*.wav)"));
    AnswerDialog(Form.OpenDialog1, Wavs);
    Form.Button3->click();
    QStringList Listed;
    for (int I = 0; I < Form.ListBox2->count(); ++I) Listed << Form.ListBox2->item(I)->text();
    std::sort(Wavs.begin(), Wavs.end());
    std::sort(Listed.begin(), Listed.end());
    QCOMPARE(Listed, Wavs);

    std::vector<std::string> Statuses;
    Form.Lame->OnBeginFile = [&, Begin = Form.Lame->OnBeginFile](TLameCoder& Sender, uint16_t Num,
                                                                 const std::string& Name) {
      Begin(Sender, Num, Name);
      Statuses.push_back(Form.StatusPanel->text().toStdString());
      QVERIFY(!Form.btnStart1->isEnabled() && !Form.btnStart2->isEnabled());
      QVERIFY(Form.btnCancel2->isEnabled() && !Form.Button3->isEnabled());
      QCOMPARE(Locks(Form), AllLocks(false));
    };
    Form.btnStart2->click();
    QCOMPARE(Statuses.size(), size_t{3});
    for (const QString& Wav : Wavs) {
      QVERIFY(FileExists(Wav.chopped(4).toStdString() + ".mp3"));
      QVERIFY(std::count(Statuses.begin(), Statuses.end(),
                         "Processing file " + Wav.toStdString()) == 1);
    }
    CheckIdle(Form);
    QCOMPARE(Form.Gauge->value(), 0);

    // Choosing again replaces the list; Cancel puts both Starts back at once.
    WriteWav(Env.Path("long.wav"), 30);
    AnswerDialog(Form.OpenDialog1, {QString::fromStdString(Env.Path("long.wav"))});
    Form.Button3->click();
    QCOMPARE(Form.ListBox2->count(), 1);
    QCOMPARE(Form.Lame->InputFiles(), std::vector<std::string>{Env.Path("long.wav")});
    bool BothEnabled = false;
    Form.Lame->OnProgress = [&, Progress = Form.Lame->OnProgress](TLameCoder& S, uint16_t P) {
      Progress(S, P);
      if (P == 10 && !BothEnabled) {
        Form.btnCancel2->click();
        BothEnabled = Form.btnStart1->isEnabled() && Form.btnStart2->isEnabled() &&
                      !Form.btnCancel2->isEnabled();
        Form.btnStart2->click();  // a second run inside the first does nothing
      }
    };
    Form.btnStart2->click();
    QVERIFY(BothEnabled);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Process stopped"});
    CheckIdle(Form);

    // An encoder error ends the run with the window ready again.
    Form.Lame->SetInputFiles({Env.Path("missing.wav")});
    Form.btnStart2->click();
    QCOMPARE(Dialogs.Shown.size(), size_t{2});
    CheckIdle(Form);
  }

  void encoderPageRunsFilesSideBySideAndCancelStopsThemAll() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    std::vector<std::string> Wavs;
    for (const char* Name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}) {
      WriteWav(Env.Path(Name), 30);
      Wavs.push_back(Env.Path(Name));
    }
    Form.Lame->SetInputFiles(Wavs);
    const size_t Jobs = std::min<size_t>(DefaultEncodeJobs(), Wavs.size() - 1);
    std::set<std::string> Begun;
    Form.Lame->OnBeginFile = [&, Begin = Form.Lame->OnBeginFile](TLameCoder& Sender, uint16_t Num,
                                                                 const std::string& Name) {
      Begin(Sender, Num, Name);
      Begun.insert(Name);
    };
    Form.Lame->OnProgress = [&, Progress = Form.Lame->OnProgress](TLameCoder& S, uint16_t P) {
      Progress(S, P);
      if (Begun.size() == Jobs && P >= 3 && Form.btnCancel2->isEnabled()) Form.btnCancel2->click();
    };
    Form.btnStart2->click();
    QCOMPARE(Begun.size(), Jobs);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Process stopped"});
    // The files under way keep their partial output; the others never start.
    for (const std::string& Wav : Wavs)
      QCOMPARE(FileExists(Wav.substr(0, Wav.size() - 4) + ".mp3"), Begun.count(Wav) == 1);
    CheckIdle(Form);
  }

  void closingTheWindowStopsAJobAsCancelDoesAndEnds() {
    TWindowEnv Env({AudioTracks(3, 20)});
    // The program's own loop runs: Start is pressed, the job closes the
    // window, and the loop must then end by itself.
    auto RunProgram = [](TfrmTolvar& Form, QPushButton* Start) {
      Form.show();
      QTimer::singleShot(0, Start, &QPushButton::click);
      QTimer Watchdog;
      QObject::connect(&Watchdog, &QTimer::timeout, [] { QApplication::exit(1); });
      Watchdog.start(60000);
      return QApplication::exec();
    };
    const std::string Out = Env.Path("out");
    {
      TfrmTolvar Form;
      TScriptedDialogs Dialogs;
      Form.deSaveDir->setText(QString::fromStdString(Out));
      Form.rbModeWav->click();
      Pick(Form.cbBitRate, "256");
      auto Begin = Form.CDRipper->OnBeginTrack;
      Form.CDRipper->OnBeginTrack = [&](TCDRipper* Sender, uint16_t Track) {
        Begin(Sender, Track);
        if (Track == 2) QTimer::singleShot(0, &Form, &QWidget::close);
      };
      QCOMPARE(RunProgram(Form, Form.btnStart1), 0);
      QCOMPARE(Size(Out + "/01 Unknown - Track 1.wav"), off_t{44 + 20 * 44100 * 4});
      QVERIFY(Size(Out + "/02 Unknown - Track 2.wav") > 44);
      QVERIFY(!FileExists(Out + "/03 Unknown - Track 3.wav"));
      QCOMPARE(CheckedRows(Form), (std::vector<int>{1, 2}));
      QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Process stopped"});
    }
    QVERIFY(ReadFile(Env.SettingsFile()).find("BitRate=256\n") != std::string::npos);

    const std::string Wav = Env.Path("long.wav");
    WriteWav(Wav, 30);
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    Form.Lame->SetInputFiles({Wav});
    int Last = 0;
    Form.Lame->OnProgress = [&, Progress = Form.Lame->OnProgress](TLameCoder& S, uint16_t P) {
      Progress(S, P);
      if (Last < 10 && P >= 10) QTimer::singleShot(0, &Form, &QWidget::close);
      Last = P;
    };
    QCOMPARE(RunProgram(Form, Form.btnStart2), 0);
    QVERIFY2(Last < 50, qPrintable(QString::number(Last)));
    QVERIFY(Size(Env.Path("long.mp3")) > 0);  // kept, as Cancel keeps it
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Process stopped"});
  }

  void flacAndOpusFromTheFormatList() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    TScriptedDialogs Dialogs;
    Form.PageControl->setCurrentIndex(0);
    Pick(Form.cbFormat, "FLAC");
    QCOMPARE(Form.EncoderType, 2);
    QVERIFY(!Form.gbFlac->isHidden() && Form.gbOpus->isHidden());
    QVERIFY(Form.GroupBox3->isHidden() && Form.GroupBox7->isHidden());
    Form.seFlacLevel->setValue(8);
    QCOMPARE(Form.FlacLevel, 8);
    // For a look by eye: TOLVAR_FLAC_SCREENSHOT=FILE saves the window with the FLAC panel.
    if (const char* Shot = getenv("TOLVAR_FLAC_SCREENSHOT")) Form.grab().save(Shot);

    CheckOnly(Form, {0, 2});
    Form.deSaveDir->setText(QString::fromStdString(Env.Path("flac")));
    Form.btnStart1->click();
    for (const char* Name : {"flac/01 Unknown - Track 1.flac", "flac/03 Unknown - Track 3.flac"}) {
      QCOMPARE(RunCommand("flac -t -s " + ShellQuote(Env.Path(Name)) + " && echo ok"),
               std::string("ok\n"));
      QVERIFY(RunCommand("metaflac --export-tags-to=- " + ShellQuote(Env.Path(Name)))
                  .find("TRACKTOTAL=") != std::string::npos);
    }
    CheckIdle(Form);

    // The "MP3 Encoder" page encodes to the chosen format too.
    Pick(Form.cbFormat, "Opus");
    QVERIFY(!Form.gbOpus->isHidden() && Form.gbFlac->isHidden());
    WriteWav(Env.Path("song.wav"), 1);
    AnswerDialog(Form.OpenDialog1, {QString::fromStdString(Env.Path("song.wav"))});
    Form.Button3->click();
    Form.btnStart2->click();
    QCOMPARE(RunCommand("opusinfo " + ShellQuote(Env.Path("song.opus")) + " >/dev/null && echo ok"),
             std::string("ok\n"));
    QVERIFY(Dialogs.Shown.empty());
  }
};

TOLVAR_APP_TEST_MAIN(RipJobsTest)
#include "RipJobsTest.moc"
