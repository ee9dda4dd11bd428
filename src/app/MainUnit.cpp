#include "app/MainUnit.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/DirectoryEdit.h"
#include "app/ErrorDisplay.h"
#include "app/QtEventLoop.h"
#include "app/QtText.h"
#include "app/RipCheck.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "encoders/LameCoder.h"
#include "metadata/CoverArt.h"
#include "metadata/MetadataLookup.h"
#include "platform/mediamonitor/MediaMonitor.h"
#include "ripper/CDRipIntf.h"
#include "ripper/CDRipper.h"
#include "util/MiscFunctions.h"

namespace tolvar {

TfrmTolvar::TfrmTolvar(QWidget* Parent)
    : QMainWindow(Parent),
      Lame(std::make_unique<TLameCoder>()),
      CDRipper(std::make_unique<TCDRipper>()),
      MediaMonitor(std::make_unique<TMediaMonitor>(CDRipMediaStates)) {
  EventLoop = new TQtEventLoop(this);
  EventLoop->OnException = ShowException;
  CreateControls();
  ConnectSettingsPage();
  ConnectComponents();
  ConnectCddb();
  ConnectLookup();
  ConnectVerify();
  ConnectRipJobs();
  ConnectCueExport();
  ConnectEncoderPage();
  // The ripper fills the drive list, the track list and the status bar
  // through its events while it starts.
  CDRipper->Encode = true;
  CDRipper->WriteWAV = false;
  Guard([this] { CDRipper->Init(); });
  StartMediaMonitor();
  if (QScreen* Screen = QGuiApplication::primaryScreen()) setGeometry(Screen->availableGeometry());
  AppDir = tolvar::AppDir();
  PresetDir = AppDir + "presets";
  ForceDirectories(PresetDir);  // a failure shows as an empty preset list
  FillPresetList();
  LoadSettings(SettingsFileName(), true);
  UpdateGauge();
  ConnectAbout();
}

TfrmTolvar::~TfrmTolvar() {
  // An editor that commits while the window is taken apart must not reach it.
  VST->Delegate()->OnNewText = nullptr;
  VST->OnAfterPaint = nullptr;
  VST->OnReturn = nullptr;
  Guard([this] { SaveSettings(SettingsFileName(), true); });
  if (PlayState != 0) Guard([this] { CDRipper->Stop(); });
}

void TfrmTolvar::ConnectComponents() {
  CDRipper->SetCoder(Lame.get());
  CDRipper->SetCDRomNum(0);
  CDRipper->SetJitterCorrect(false);
  CDRipper->Speed = 0;
  CDRipper->OnDrivesChanged = [this](auto&&...) { CDRipperDrivesChanged(); };
  CDRipper->OnListChanged = [this](auto&&...) { CDRipperListChanged(); };
  CDRipper->OnStatusChanged = [this](auto&&...) { CDRipperStatusChanged(); };
  // Long jobs keep the window responsive between their chunks, and media
  // changes reach the ripper during them too.
  auto ProcessMessages = [this] {
    QCoreApplication::processEvents();
    MediaMonitor->Poll();
  };
  CDRipper->ProcessMessages = ProcessMessages;
  Lame->ProcessMessages = ProcessMessages;
  Lame->SetDefaultExt(".mp3");

  TTrackListModel* Model = Tracks();
  Model->TimeText = [this](int Row) {
    const TTrack* Track = CDRipper->GetTrack(Row);
    return Track ? FromText(TrackTimeText(*Track)) : QString();
  };
  Model->IsAudio = [this](int Row) {
    const TTrack* Track = CDRipper->GetTrack(Row);
    return !Track || Track->Kind == "Audio";
  };
}

void TfrmTolvar::StartMediaMonitor() {
  // Init read the drives: their present state is the baseline.
  MediaMonitor->Reset();
  MediaMonitor->OnDeviceChange = [this](int Code) { WMDeviceChange(Code); };
  MediaTimer = new QTimer(this);
  MediaTimer->setInterval(static_cast<int>(MediaMonitor->Interval().count()));
  connect(MediaTimer, &QTimer::timeout, this, Guarded([this] { MediaMonitor->Poll(); }));
  MediaTimer->start();
}

TTrackListModel* TfrmTolvar::Tracks() const {
  return VST->Model();
}

void TfrmTolvar::closeEvent(QCloseEvent* Event) {
  // The job runs inside its Start handler further down the stack: it stops
  // as after Cancel, keeping what Cancel keeps, and the program ends once
  // that handler has returned.
  Guard([this] {
    if (RunningJob == TJob::Rip) {
      btnCancel1Click();
      RipRow = -1;
    } else if (RunningJob == TJob::Encoding) {
      btnCancel2Click();
    }
  });
  Event->accept();
}

void TfrmTolvar::ShowJob(TJob Job) {
  const bool Idle = Job == TJob::None;
  for (QAction* Action : {tbPlay, tbPause, tbStop, mniPlay, mniPause, mniStop, tbCloseCD, tbEjectCD,
                          tbCDDBConnect, mniCDDBConnect, ToolButton11, mniCDDBGetInfo, tbLookup,
                          mniLookup, mniDetectOffset, mniExportCue})
    Action->setEnabled(Idle);
  for (QWidget* Control : std::initializer_list<QWidget*>{cbDrive, cbPreset, btnSavePreset, Button1,
                                                          cbFormat, deSaveDir})
    Control->setEnabled(Idle);
  // A rip's own Start stays enabled; a second press does nothing.
  btnStart1->setEnabled(Job != TJob::Encoding);
  btnCancel1->setEnabled(Job == TJob::Rip);
  btnStart2->setEnabled(Idle);
  btnCancel2->setEnabled(Job == TJob::Encoding);
  // A new choice would change which files the running encoding takes next.
  Button3->setEnabled(Job != TJob::Encoding);
}

void TfrmTolvar::ShowStatus(const std::string& Text) {
  StatusPanel->setText(FromText(Text));
}

void TfrmTolvar::CDRipperStatusChanged() {
  ShowStatus(CDRipper->StatusText);
}

void TfrmTolvar::CDRipperDrivesChanged() {
  cbDrive->clear();
  for (const std::string& Drive : CDRipper->Drives) cbDrive->addItem(FromText(Drive));
  cbDrive->setCurrentIndex(cbDrive->count() > 0 ? 0 : -1);
}

void TfrmTolvar::CDRipperListChanged() {
  RowsRelease.reset();  // the names of another disc
  Tracks()->ClearAccuracy();
  Tracks()->SetRowCount(static_cast<int>(CDRipper->TrackLines.size()));
  Tracks()->TracksChanged();
}

void TfrmTolvar::cbDriveChange() {
  const int Index = cbDrive->currentIndex();
  CDRipper->SelectDrive(Index);
  CDRipper->SetCDRomNum(Index);
  SelectCddbDrive(Index);
}

void TfrmTolvar::WMDeviceChange(int EventCode) {
  CDRipper->DeviceChange(EventCode);
  if (EventCode == kDeviceArrival) AutoLookup();
}

}  // namespace tolvar
