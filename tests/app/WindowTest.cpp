// The main window on image drives: start-up, the settings file, drives and
// disc changes, the track list's commands and editing, the gauge, closing.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <csignal>

#include "AppTestSupport.h"
#include "app/DirectoryEdit.h"
#include "app/MainUnit.h"
#include "app/QtEventLoop.h"
#include "app/SignalClose.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "encoders/LameCoder.h"
#include "ripper/CDRipIntf.h"
#include "ripper/CDRipper.h"
#include "util/Dialogs.h"
#include "util/MiscFunctions.h"

using namespace tolvar;
using namespace tolvar::apptest;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::WriteFile;
using Col = TTrackListModel;

namespace {

std::vector<std::string> VisibleToolBar(QToolBar* Bar) {
  std::vector<std::string> Items;
  for (QAction* A : Bar->actions()) {
    if (!A->isVisible()) continue;
    if (A->isSeparator())
      Items.push_back("|");
    else if (Bar->widgetForAction(A) && !A->text().isEmpty())
      Items.push_back(A->text().toStdString());
    else
      Items.push_back("[drives]");
  }
  return Items;
}

void SelectRows(TTrackListView* View, int First, int Last) {
  QItemSelection Rows(View->Model()->index(First, 0),
                      View->Model()->index(Last, Col::ColumnCount - 1));
  View->selectionModel()->select(Rows, QItemSelectionModel::ClearAndSelect);
}

// Edits a cell the way the user does: opens its editor, types, presses Enter.
void TypeInto(TTrackListView* View, const QModelIndex& Cell, const QString& Text) {
  View->selectionModel()->setCurrentIndex(Cell, QItemSelectionModel::NoUpdate);
  View->edit(Cell);
  auto* Editor = qobject_cast<QLineEdit*>(View->indexWidget(Cell));
  QVERIFY(Editor);
  Editor->selectAll();
  QTest::keyClicks(Editor, Text);
  QTest::keyClick(Editor, Qt::Key_Return);
  // The item view commits through a queued call.
  QTRY_VERIFY(!View->IsEditing());
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void layoutAndCaptions() {
    TWindowEnv Env;
    TfrmTolvar Form;
    QCOMPARE(Form.windowTitle(), QString("Tolvar 0.9 beta"));
    QCOMPARE(QApplication::applicationName(), QString("Tolvar"));
    QCOMPARE(VisibleToolBar(Form.ToolBar1),
             (std::vector<std::string>{"Play", "Pause", "Stop", "|", "[drives]", "|", "Select all",
                                       "Reset all", "|", "CDDB Connect", "CDDB Get info",
                                       "Look up disc", "|"}));
    QCOMPARE(Form.cbDrive->width(), 247);
    QStringList Menus;
    for (QAction* A : Form.menuBar()->actions()) Menus << A->text();
    QCOMPARE(Menus, QStringList({"File", "Edit", "Tools", "Help"}));
    QStringList Tools;
    for (QAction* A : Form.mnuTools->actions()) Tools << (A->isSeparator() ? "-" : A->text());
    QCOMPARE(Tools, QStringList({"Audio CD", "-", "CDDB Connect", "CDDB Get info", "Look up disc",
                                 "Detect read offset"}));
    QCOMPARE(Form.mniLookup->shortcut(), QKeySequence("Ctrl+L"));
    QStringList AudioCD;
    for (QAction* A : Form.mnuAudioCD->actions()) AudioCD << A->text();
    QCOMPARE(AudioCD, QStringList({"Play", "Pause", "Stop"}));
    QCOMPARE(Form.PageControl->tabText(0), QString("CD Ripper"));
    QCOMPARE(Form.PageControl->tabText(1), QString("MP3 Encoder"));
    QCOMPARE(Form.PageControl2->tabText(0), QString(" Encoding settings"));
    // "&&" is Qt's way of showing one ampersand, as the caption asks.
    QCOMPARE(Form.rbModeEncode->text(), QString("Rip && encode"));
    QVERIFY(Form.btnStart1->isDefault());
    QVERIFY(!Form.btnCancel1->isEnabled());
    QVERIFY(Form.cbSampleRate->isHidden());
    QCOMPARE(Form.cbOggBitrate->maxVisibleItems(), 12);
  }

  void toolBarIconsComeFromTheIconTheme() {
    TWindowEnv Env;
    // A theme holding the freedesktop names the toolbar asks for.
    const QStringList Names = {"media-playback-start",
                               "media-playback-pause",
                               "media-playback-stop",
                               "media-eject",
                               "edit-find",
                               "document-properties",
                               "help-about"};
    const QString Theme = QString::fromStdString(Env.Path("icons/test"));
    QDir().mkpath(Theme + "/16x16/actions");
    WriteFile((Theme + "/index.theme").toStdString(),
              "[Icon Theme]\nName=test\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\n");
    QPixmap Pixmap(16, 16);
    Pixmap.fill(Qt::red);
    for (const QString& Name : Names) Pixmap.save(Theme + "/16x16/actions/" + Name + ".png");
    const QStringList OldPaths = QIcon::themeSearchPaths();
    const QString OldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(Env.Path("icons"))});
    QIcon::setThemeName("test");
    {
      TfrmTolvar Form;
      QStringList Shown;
      for (QAction* A : {Form.tbPlay, Form.tbPause, Form.tbStop, Form.tbEjectCD, Form.tbCDDBConnect,
                         Form.ToolButton11, Form.tbInfo})
        Shown << A->icon().name();
      QCOMPARE(Shown, Names);
    }
    // With no theme the style's own icons stand in.
    QIcon::setThemeName("none");
    {
      TfrmTolvar Form;
      QVERIFY(!Form.tbPlay->icon().isNull() && !Form.tbCDDBConnect->icon().isNull());
    }
    QIcon::setThemeName(OldTheme);
    QIcon::setThemeSearchPaths(OldPaths);
  }

  void firstStartShowsTheDefaults() {
    TWindowEnv Env;
    TfrmTolvar Form;
    QCOMPARE(Form.geometry(), QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(Form.PageControl->currentIndex(), 0);
    QVERIFY(Form.rbModeEncode->isChecked() && Form.rbSeparateTracks->isChecked());
    QVERIFY(Form.CDRipper->Encode && !Form.CDRipper->WriteWAV && !Form.SingleTrack);
    QCOMPARE(Form.cbFormat->currentText(), QString("MP3"));
    QCOMPARE(Form.cbBitRate->currentText(), QString("128"));
    QCOMPARE(Form.cbOggBitrate->currentText(), QString("128"));
    QCOMPARE(Form.CDRipper->VorbisQuality, 0.4f);
    QCOMPARE(Form.deSaveDir->text().toStdString(), Env.AppDir() + "saved/");
    QCOMPARE(Form.cbPreset->currentText(), QString("Default"));
    QVERIFY(!Form.GroupBox3->isHidden() && Form.GroupBox7->isHidden());
    QVERIFY(Form.pnGauge->isHidden());
    QVERIFY(FileExists(Env.AppDir() + "presets"));
    QCOMPARE(Form.StatusPanel->text(),
             QString("Found 1 CDROM Drive(s), A audio Disc is Loaded in (1st) drive."));
    QCOMPARE(Form.cbDrive->count(), 1);
    QCOMPARE(Form.cbDrive->currentIndex(), 0);
    QCOMPARE(Form.Tracks()->rowCount(), 5);
    const QString Time = Form.Tracks()->data(Form.Tracks()->index(0, Col::colTime)).toString();
    QCOMPARE(Time.toStdString(), TrackTimeText(*Form.CDRipper->GetTrack(0)));
    QVERIFY(Time.startsWith("0:00:0"));
  }

  void theSettingsFileHoldsEveryKeyInOrderAndReadsBack() {
    TWindowEnv Env;
    { TfrmTolvar Form; }
    const std::string First = ReadFile(Env.SettingsFile());
    QCOMPARE(IniLayout(First),
             (std::vector<std::string>{"[Form]",         "Top",         "Left",
                                       "Height",         "Width",       "ActivePageIndex",
                                       "[Settings]",     "CurPreset",   "Encode",
                                       "SingleTrack",    "SaveDir",     "EncoderType",
                                       "OggQuality",     "[Lame]",      "BitRate",
                                       "MaxBitRate",     "EnableVBR",   "Copyright",
                                       "Original",       "CRC",         "VBRQuality",
                                       "WriteVBRHeader", "Mode",        "Quality",
                                       "Private",        "[CDDB]",      "Proto",
                                       "[Flac]",         "Level",       "[Opus]",
                                       "Bitrate",        "[Metadata]",  "Sources",
                                       "AutoLookup",     "CoverArt",    "SaveCover",
                                       "[Verify]",       "AccurateRip", "TestAndCopy",
                                       "WriteLog"}));
    QVERIFY(First.find("[Metadata]\nSources=musicbrainz,cddb,cdtext\nAutoLookup=1\nCoverArt=1\n"
                       "SaveCover=1\n") != std::string::npos);
    QVERIFY(First.find("CurPreset=Default\n") != std::string::npos);
    QVERIFY(First.find("\nCRC=1\n") != std::string::npos);

    {
      TfrmTolvar Form;
      Form.move(30, 40);
      Form.resize(700, 500);
      Form.PageControl->setCurrentIndex(1);
      Form.rbModeWav->click();
      Form.rbSingleTrack->click();
      Pick(Form.cbBitRate, "192");
      Pick(Form.cbOggBitrate, "192");
      Pick(Form.cbMode, "Joint stereo");
      Form.tbVBRQuality->setValue(7);
      Form.cbCRC->click();
      Form.deSaveDir->setText("/srv/music/rips");
      QCOMPARE(Form.cbPreset->currentIndex(), -1);  // changed values leave no preset selected
    }
    const std::string Second = ReadFile(Env.SettingsFile());
    QCOMPARE(IniLayout(Second), IniLayout(First));
    QVERIFY(Second.find("CurPreset=\n") != std::string::npos);

    TfrmTolvar Form;
    QCOMPARE(Form.pos(), QPoint(30, 40));
    QCOMPARE(Form.size(), QSize(700, 500));
    QCOMPARE(Form.PageControl->currentIndex(), 1);
    QVERIFY(Form.rbModeWav->isChecked() && Form.CDRipper->WriteWAV && !Form.CDRipper->Encode);
    QVERIFY(Form.rbSingleTrack->isChecked() && Form.SingleTrack);
    QCOMPARE(Form.Lame->Bitrate(), 192u);
    QCOMPARE(Form.cbBitRate->currentText(), QString("192"));
    QCOMPARE(Form.OggQuality, 4);
    QCOMPARE(Form.CDRipper->VorbisQuality, 0.6f);
    QCOMPARE(Form.Lame->Mode(), TLameMode::JSTEREO);
    QCOMPARE(Form.Lame->VBRQuality(), 7);
    QCOMPARE(Form.Label7->text(), QString("7"));
    QVERIFY(!Form.Lame->CRC() && !Form.cbCRC->isChecked());
    QCOMPARE(Form.deSaveDir->text(), QString("/srv/music/rips"));
    QCOMPARE(Form.cbPreset->currentIndex(), -1);
  }

  void badValuesGiveDefaultsAndStrayValuesAreKept() {
    TWindowEnv Env;
    ForceDirectories(Env.AppDir());
    WriteFile(Env.SettingsFile(),
              "[Form]\nTop=abc\nActivePageIndex=9\n"
              "[Settings]\nCurPreset=Nowhere\nEncode=0\nSingleTrack=yes\nEncoderType=7\n"
              "OggQuality=15\n"
              "[Lame]\nBitRate=100\nMaxBitRate=x\nEnableVBR=1\nCRC=2\nVBRQuality=12\n"
              "WriteVBRHeader=0\nMode=7\nQuality=9\nPrivate=99999999999\n");
    TfrmTolvar Form;
    QCOMPARE(Form.y(), QGuiApplication::primaryScreen()->availableGeometry().y());
    QCOMPARE(Form.PageControl->currentIndex(), 0);
    QCOMPARE(Form.cbPreset->currentIndex(), -1);
    QVERIFY(Form.rbModeWav->isChecked() && !Form.CDRipper->Encode);
    QVERIFY(!Form.SingleTrack);  // "yes" is no integer
    QCOMPARE(Form.deSaveDir->text().toStdString(), Env.AppDir() + "saved/");
    // Values outside the lists stay in the components; the lists show nothing.
    QCOMPARE(Form.EncoderType, 7);
    QCOMPARE(Form.cbFormat->currentIndex(), -1);
    QVERIFY(Form.GroupBox3->isHidden() && !Form.GroupBox7->isHidden());
    QCOMPARE(Form.OggQuality, 15);
    QCOMPARE(Form.cbOggBitrate->currentIndex(), -1);
    QCOMPARE(Form.Lame->Bitrate(), 100u);
    QCOMPARE(Form.cbBitRate->currentIndex(), -1);
    QCOMPARE(Form.Lame->MaxBitrate(), 320u);
    QCOMPARE(Form.Lame->Mode(), TLameMode::STEREO);  // the encoder refuses 7
    QCOMPARE(static_cast<int>(Form.Lame->Quality()), 9);
    QCOMPARE(Form.cbQuality->currentIndex(), -1);
    QCOMPARE(Form.Lame->VBRQuality(), 12);
    QCOMPARE(Form.Label7->text(), QString("12"));
    QVERIFY(Form.Lame->EnableVBR() && !Form.Lame->WriteVBRHeader());
    QVERIFY(Form.Lame->CRC());
    QVERIFY(!Form.Lame->Private());  // too large for an integer
  }

  void aLatin1SettingsFileReadsWholeAndIsWrittenBackInUtf8() {
    TWindowEnv Env;
    ForceDirectories(Env.AppDir());
    WriteFile(Env.SettingsFile(),
              "[Form]\nTop=10\n[Settings]\nSaveDir=/home/me/Musik/\xC4rzte\n"
              "EncoderType=1\n[Lame]\nBitRate=192\n");
    {
      TfrmTolvar Form;
      QCOMPARE(Form.deSaveDir->text(), QString::fromUtf8("/home/me/Musik/\xC3\x84rzte"));
      QCOMPARE(Form.Cddb->ProtocolLevel, 6);  // no [CDDB] section: level 6
    }
    std::string Now = ReadFile(Env.SettingsFile());
    QVERIFY(Now.find("SaveDir=/home/me/Musik/\xC3\x84rzte\nEncoderType=1\n") != std::string::npos);
    // The keys of the old file keep their places; the new sections come after them.
    QVERIFY(Now.starts_with("[Form]\nTop=10\n"));
    const size_t Proto = Now.find("\n[CDDB]\nProto=6\n");
    QVERIFY(Proto != std::string::npos && Now.find("[Flac]") > Proto);

    Now.replace(Proto + 14, 1, "5");
    WriteFile(Env.SettingsFile(), Now);
    TfrmTolvar Form;
    QCOMPARE(Form.Cddb->ProtocolLevel, 5);
  }

  void aMissingLibraryIsReportedAndTheWindowStillOpens() {
    TWindowEnv Env;
    LoadCDRip(Env.Path("no-such-library.so"));
    TScriptedDialogs Dialogs;
    TfrmTolvar Form;
    QCOMPARE(Form.StatusPanel->text(), QString("CDRip3.DLL is not ready."));
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Initialization failure"});
    QCOMPARE(Form.Tracks()->rowCount(), 0);
    QCOMPARE(Form.cbDrive->count(), 0);
  }

  void drivesAndAChangeOfDrive() {
    TWindowEnv Env({AudioTracks(5), AudioTracks(3)});
    TfrmTolvar Form;
    QCOMPARE(Form.cbDrive->count(), 2);
    QCOMPARE(Form.cbDrive->currentIndex(), 0);
    QCOMPARE(Form.Tracks()->rowCount(), 5);
    Form.Tracks()->SetField(0, Col::colTitle, "Mine");
    Pick(Form.cbDrive, Form.cbDrive->itemText(1));
    QCOMPARE(Form.CDRipper->CDRomNum(), 1);
    QCOMPARE(Form.Tracks()->rowCount(), 3);
    QCOMPARE(Form.Tracks()->Node(0).Title, std::string("Mine"));  // same rows, kept texts
    QCOMPARE(Form.CDRipper->Tracks().Count(), 3);
  }

  void discRemovalAndArrivalThroughTheImageTray() {
    TWindowEnv Env({AudioTracks(12, 1)});
    TfrmTolvar Form;
    Form.Tracks()->SetField(0, Col::colTitle, "Edited");
    Form.Tracks()->SetAllChecks(false);
    CR_EjectCD(true);
    QTRY_COMPARE(Form.StatusPanel->text(), QString("Media Removed !!"));
    QCOMPARE(Form.Tracks()->rowCount(), 0);
    CR_EjectCD(false);
    QTRY_COMPARE(Form.Tracks()->rowCount(), 12);
    QCOMPARE(Form.StatusPanel->text(), QString("Media Loaded !!"));
    for (int Row = 0; Row < 12; ++Row) {
      const TTrackNodeData& Node = Form.Tracks()->Node(Row);
      QCOMPARE(Node.Title, "Track " + std::to_string(Row + 1));
      QCOMPARE(Node.Artist, std::string("Unknown"));
      QCOMPARE(Node.Comment, std::string("Ripped by Tolvar"));
      QVERIFY(Node.Year.empty() && Node.Album.empty() && Node.Genre.empty());
      QVERIFY(Form.Tracks()->Checked(Row));
    }
    QVERIFY(!Form.Tracks()->data(Form.Tracks()->index(11, Col::colTime)).toString().isEmpty());
  }

  void anEditIsWrittenIntoEverySelectedRow() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    TTrackListView* View = Form.VST;
    SelectRows(View, 1, 4);
    TypeInto(View, Form.Tracks()->index(3, Col::colArtist), "Band");
    for (int Row = 0; Row < 5; ++Row)
      QCOMPARE(Form.Tracks()->Node(Row).Artist, std::string(Row >= 1 ? "Band" : "Unknown"));
    // The row being edited changes only when it is selected; limits hold.
    SelectRows(View, 0, 0);
    TypeInto(View, Form.Tracks()->index(2, Col::colYear), "20245");
    QCOMPARE(Form.Tracks()->Node(0).Year, std::string("2024"));
    QVERIFY(Form.Tracks()->Node(2).Year.empty());
    SelectRows(View, 0, 4);
    TypeInto(View, Form.Tracks()->index(0, Col::colAlbum), QString(40, 'x'));
    for (int Row = 0; Row < 5; ++Row)
      QCOMPARE(Form.Tracks()->Node(Row).Album, std::string(30, 'x'));
  }

  void anEditWithoutANewTextChangesNoRow() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    Form.show();
    QVERIFY(QTest::qWaitForWindowActive(&Form));
    TTrackListView* View = Form.VST;
    Form.Tracks()->SetAllChecks(false);
    SelectRows(View, 0, 4);
    auto OpenEditor = [&](int Row) {
      View->setFocus();
      View->selectionModel()->setCurrentIndex(Form.Tracks()->index(Row, Col::colTitle),
                                              QItemSelectionModel::NoUpdate);
      QTest::keyClick(View, Qt::Key_F2);
      return View->indexWidget(View->currentIndex());
    };
    auto CheckTitles = [&] {
      for (int Row = 0; Row < 5; ++Row)
        QCOMPARE(Form.Tracks()->Node(Row).Title, "Track " + std::to_string(Row + 1));
    };
    // F2, then Enter.
    QWidget* Editor = OpenEditor(0);
    QVERIFY(Editor);
    QTest::keyClick(Editor, Qt::Key_Return);
    QTRY_VERIFY(!View->IsEditing());
    CheckTitles();
    QVERIFY(Dialogs.Shown.empty());  // the Enter ended the edit and pressed nothing
    // F2, then a click on Start: the edit ends, then Start runs.
    QVERIFY(OpenEditor(2));
    QTest::mouseClick(Form.btnStart1, Qt::LeftButton);
    QVERIFY(!View->IsEditing());
    CheckTitles();
    QCOMPARE(Dialogs.Shown,
             std::vector<std::string>{"Please select (check) necessary tracks before ripping!"});
  }

  void enterInTheFolderOrTheListPressesStart() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    Form.show();
    QVERIFY(QTest::qWaitForWindowActive(&Form));
    Form.Tracks()->SetAllChecks(false);
    const std::string Pressed = "Please select (check) necessary tracks before ripping!";
    Form.deSaveDir->Edit()->setFocus();
    QTest::keyClick(Form.deSaveDir->Edit(), Qt::Key_Return);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{Pressed});
    Form.VST->setFocus();
    Form.VST->setCurrentIndex(Form.Tracks()->index(1, Col::colArtist));
    QTest::keyClick(Form.VST, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>(2, Pressed));
  }

  void theTimeCellIsNotEditableAndRenameHidesThere() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    TTrackListView* View = Form.VST;
    View->setCurrentIndex(Form.Tracks()->index(1, Col::colTime));
    Form.PopupMenuPopup(QPoint(4, 4));
    QVERIFY(!Form.mniRename->isVisible());
    Form.PopupMenu->hide();
    Form.mniRenameClick();
    View->edit(View->currentIndex());
    QVERIFY(!View->IsEditing());

    View->setCurrentIndex(Form.Tracks()->index(1, Col::colTitle));
    Form.PopupMenuPopup(QPoint(4, 4));
    QVERIFY(Form.mniRename->isVisible());
    Form.PopupMenu->hide();
    Form.mniRename->trigger();
    QVERIFY(View->IsEditing());
    QVERIFY(qobject_cast<QLineEdit*>(View->indexWidget(View->currentIndex())));
  }

  void resetAllThenSelectAllChecksEveryRow() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.Tracks()->SetField(4, Col::colGenre, "Jazz");
    Form.tbResetAll->trigger();
    for (int Row = 0; Row < 5; ++Row) QVERIFY(!Form.Tracks()->Checked(Row));
    Form.mniSelectAll->trigger();
    for (int Row = 0; Row < 5; ++Row) QVERIFY(Form.Tracks()->Checked(Row));
    Form.mniResetAll->trigger();
    Form.tbSelectAll->trigger();
    for (int Row = 0; Row < 5; ++Row) QVERIFY(Form.Tracks()->Checked(Row));
    QCOMPARE(Form.Tracks()->Node(4).Genre, std::string("Jazz"));
  }

  void theGaugeStaysOnItsRowWhenTheListScrolls() {
    TWindowEnv Env({AudioTracks(80, 1)});
    TfrmTolvar Form;
    Form.resize(800, 500);
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    auto CellOf = [&](int Row) {
      QRect Cell = Form.VST->visualRect(Form.Tracks()->index(Row, Col::colTime));
      return QRect(Form.VST->viewport()->mapTo(Form.pnTrackList, Cell.topLeft()), Cell.size());
    };
    Form.RipRow = 3;
    Form.UpdateGauge();
    QTRY_VERIFY(Form.pnGauge->isVisible());
    QTRY_VERIFY(CellOf(3).contains(Form.pnGauge->geometry()));
    QVERIFY(Form.pnGauge->height() >= TTrackListView::RowHeight - 2);
    Form.VST->scrollTo(Form.Tracks()->index(79, 0));
    QTRY_VERIFY(!Form.pnGauge->isVisible());
    Form.VST->scrollTo(Form.Tracks()->index(3, 0), QAbstractItemView::PositionAtCenter);
    QTRY_VERIFY(Form.pnGauge->isVisible());
    QTRY_VERIFY(CellOf(3).contains(Form.pnGauge->geometry()));
    Form.RipRow = -1;
    Form.UpdateGauge();
    QVERIFY(!Form.pnGauge->isVisible());
  }

  void playbackFollowsTheButtons() {
    TWindowEnv Env({AudioTracks(3, 10)});
    constexpr int Playing = 17, Paused = 18;
    {
      TfrmTolvar Form;
      Form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&Form));
      Form.tbPlay->trigger();  // no focused row: nothing happens
      QCOMPARE(Form.PlayState, uint8_t(0));
      QVERIFY(!CR_IsAudioPlaying());

      Form.VST->setCurrentIndex(Form.Tracks()->index(1, Col::colTitle));
      Form.tbPlay->trigger();
      QCOMPARE(Form.PlayState, uint8_t(2));
      QTRY_COMPARE(CR_DriveStatus(), Playing);
      Form.mniPause->trigger();
      QCOMPARE(Form.PlayState, uint8_t(1));
      QTRY_COMPARE(CR_DriveStatus(), Paused);
      // Play while paused resumes the paused track.
      Form.tbPlay->trigger();
      QCOMPARE(Form.PlayState, uint8_t(2));
      QTRY_COMPARE(CR_DriveStatus(), Playing);
      Form.tbPause->trigger();
      Form.tbPause->trigger();  // Pause while paused resumes too
      QCOMPARE(Form.PlayState, uint8_t(2));
      QTRY_COMPARE(CR_DriveStatus(), Playing);
      Form.mniStop->trigger();
      QCOMPARE(Form.PlayState, uint8_t(0));
      QTRY_VERIFY(!CR_IsAudioPlaying());
      Form.tbPause->trigger();  // nothing plays: nothing to pause
      QCOMPARE(Form.PlayState, uint8_t(0));

      // A double click plays the row; destroying the window stops it.
      const QRect Row = Form.VST->visualRect(Form.Tracks()->index(0, Col::colArtist));
      QTest::mouseClick(Form.VST->viewport(), Qt::LeftButton, {}, Row.center());
      QTest::mouseDClick(Form.VST->viewport(), Qt::LeftButton, {}, Row.center());
      QCOMPARE(Form.PlayState, uint8_t(2));
      QTRY_COMPARE(CR_DriveStatus(), Playing);
    }
    QTRY_VERIFY(!CR_IsAudioPlaying());
  }

  void theDiscIdButtonShowsEightLowerCaseDigits() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    Form.ToolButton7->trigger();
    char Expected[9];
    std::snprintf(Expected, sizeof Expected, "%08x", Form.CDRipper->DiscInfo.DiscId);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{Expected});
    QVERIFY(Form.CDRipper->DiscInfo.DiscId != 0);
  }

  void errorsOfTheNetworkLoopReachTheErrorBox() {
    TWindowEnv Env;
    TfrmTolvar Form;
    TScriptedDialogs Dialogs;
    bool After = false;
    Form.EventLoop->Post([] { throw std::runtime_error("Connection refused (Error #10061)"); });
    Form.EventLoop->Post([&] { After = true; });
    QTRY_VERIFY(After);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Connection refused (Error #10061)"});
  }

  void terminationClosesTheWindowAndTheSettingsAreWritten() {
    TWindowEnv Env;
    {
      TfrmTolvar Form;
      new TSignalClose(&Form);
      Form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&Form));
      Pick(Form.cbBitRate, "256");
      raise(SIGTERM);
      QTRY_VERIFY(!Form.isVisible());
    }
    QVERIFY(ReadFile(Env.SettingsFile()).find("BitRate=256\n") != std::string::npos);
  }
};

TOLVAR_APP_TEST_MAIN(WindowTest)
#include "WindowTest.moc"
