// The main window's controls: menus, toolbar, the "CD Ripper" page, the
// floating gauge and the status bar. The settings page is built in
// SettingsLayout.cpp.
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/DirectoryEdit.h"
#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/TrackList.h"

namespace tolvar {

namespace {

// A check box as the style draws it, for the "Select all" and "Reset all" buttons.
QIcon CheckIcon(QStyle* Style, bool Checked) {
  QPixmap Pixmap(16, 16);
  Pixmap.fill(Qt::transparent);
  QPainter Painter(&Pixmap);
  QStyleOptionButton Option;
  Option.rect = QRect(1, 1, 14, 14);
  Option.state = QStyle::State_Enabled | (Checked ? QStyle::State_On : QStyle::State_Off);
  Style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &Option, &Painter);
  return QIcon(Pixmap);
}

// The desktop's icon theme first, so the toolbar looks like the desktop's
// other programs; the style's own icon where the theme has none.
QIcon ThemeIcon(const char* Name, QStyle* Style, QStyle::StandardPixmap Fallback) {
  return QIcon::fromTheme(Name, Style->standardIcon(Fallback));
}

QAction* AddButton(QToolBar* Bar, const QIcon& Icon, const QString& Hint, bool Visible = true) {
  QAction* Action = Bar->addAction(Icon, Hint);
  Action->setVisible(Visible);
  return Action;
}

}  // namespace

void TfrmTolvar::CreateControls() {
  setWindowTitle("Tolvar 0.9 beta");
  CreateToolBar();
  CreateMenus();

  auto* Central = new QWidget(this);
  auto* Layout = new QHBoxLayout(Central);
  Layout->setContentsMargins(2, 2, 2, 2);
  PageControl = new QTabWidget(Central);
  TabSheet1 = CreateRipperPage();
  PageControl->addTab(TabSheet1, "CD Ripper");
  TabSheet2 = CreateEncoderPage();
  PageControl->addTab(TabSheet2, "MP3 Encoder");
  PageControl2 = new QTabWidget(Central);
  PageControl2->addTab(CreateSettingsPage(), " Encoding settings");
  // Wide enough for every group of the page, whichever of them shows.
  PageControl2->setFixedWidth(PageControl2->sizeHint().width());
  Layout->addWidget(PageControl, 1);
  Layout->addWidget(PageControl2);
  setCentralWidget(Central);

  // The gauge floats: over the Time cell of the row being ripped, or in
  // Panel8 during single-track rips.
  pnGauge = new QFrame(pnTrackList);
  pnGauge->setFrameShape(QFrame::NoFrame);
  auto* GaugeLayout = new QHBoxLayout(pnGauge);
  GaugeLayout->setContentsMargins(0, 0, 0, 0);
  Gauge = new QProgressBar(pnGauge);
  Gauge->setRange(0, 100);
  Gauge->setValue(0);
  Gauge->setTextVisible(false);
  GaugeLayout->addWidget(Gauge);
  pnGauge->hide();

  StatusPanel = new QLabel(statusBar());
  statusBar()->addWidget(StatusPanel, 1);
  statusBar()->setSizeGripEnabled(true);
}

void TfrmTolvar::CreateMenus() {
  QMenuBar* Bar = menuBar();
  mnuFile = Bar->addMenu("File");
  mniExportCue = mnuFile->addAction("Export .cue file");
  mnuEdit = Bar->addMenu("Edit");
  mniSelectAll = mnuEdit->addAction("Select all");
  mniResetAll = mnuEdit->addAction("Reset all");
  mnuTools = Bar->addMenu("Tools");
  mnuAudioCD = mnuTools->addMenu("Audio CD");
  mniPlay = mnuAudioCD->addAction("Play");
  mniPause = mnuAudioCD->addAction("Pause");
  mniStop = mnuAudioCD->addAction("Stop");
  mnuTools->addSeparator();
  mniCDDBConnect = mnuTools->addAction("CDDB Connect");
  mniCDDBGetInfo = mnuTools->addAction("CDDB Get info");
  mniLookup = mnuTools->addAction("Look up disc");
  mniLookup->setShortcut(QKeySequence("Ctrl+L"));
  mniDetectOffset = mnuTools->addAction("Detect read offset");
  mnuHelp = Bar->addMenu("Help");
  mniAbout = mnuHelp->addAction("About");

  connect(mniSelectAll, &QAction::triggered, this, Guarded([this] { tbSelectAllClick(); }));
  connect(mniResetAll, &QAction::triggered, this, Guarded([this] { tbResetAllClick(); }));
  connect(mniPlay, &QAction::triggered, this, Guarded([this] { tbPlayClick(); }));
  connect(mniPause, &QAction::triggered, this, Guarded([this] { tbPauseClick(); }));
  connect(mniStop, &QAction::triggered, this, Guarded([this] { tbStopClick(); }));

  PopupMenu = new QMenu(this);
  mniRename = PopupMenu->addAction("Rename");
  connect(mniRename, &QAction::triggered, this, Guarded([this] { mniRenameClick(); }));
}

void TfrmTolvar::CreateToolBar() {
  ToolBar1 = addToolBar("ToolBar1");
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  QStyle* S = style();
  tbPlay = AddButton(ToolBar1, ThemeIcon("media-playback-start", S, QStyle::SP_MediaPlay), "Play");
  tbPause =
      AddButton(ToolBar1, ThemeIcon("media-playback-pause", S, QStyle::SP_MediaPause), "Pause");
  tbStop = AddButton(ToolBar1, ThemeIcon("media-playback-stop", S, QStyle::SP_MediaStop), "Stop");
  tbCloseCD = AddButton(ToolBar1, S->standardIcon(QStyle::SP_ArrowDown), "Close tray", false);
  tbEjectCD = AddButton(ToolBar1, ThemeIcon("media-eject", S, QStyle::SP_ArrowUp), "Eject", false);
  ToolBar1->addSeparator();
  cbDrive = new QComboBox(ToolBar1);
  cbDrive->setFixedWidth(247);
  cbDrive->setToolTip("Drive");
  ToolBar1->addWidget(cbDrive);
  ToolBar1->addSeparator();
  tbSelectAll = AddButton(ToolBar1, CheckIcon(S, true), "Select all");
  tbResetAll = AddButton(ToolBar1, CheckIcon(S, false), "Reset all");
  ToolBar1->addSeparator();
  tbCDDBConnect =
      AddButton(ToolBar1, ThemeIcon("edit-find", S, QStyle::SP_DriveNetIcon), "CDDB Connect");
  ToolButton11 =
      AddButton(ToolBar1, ThemeIcon("document-properties", S, QStyle::SP_FileDialogInfoView),
                "CDDB Get info");
  tbLookup = AddButton(ToolBar1, ThemeIcon("edit-find", S, QStyle::SP_FileDialogContentsView),
                       "Look up disc");
  ToolBar1->addSeparator();
  tbInfo = AddButton(ToolBar1, ThemeIcon("help-about", S, QStyle::SP_MessageBoxInformation), "Info",
                     false);
  ToolButton7 = AddButton(ToolBar1, S->standardIcon(QStyle::SP_FileIcon), "Disc ID", false);
  // Five spare buttons and three separators stay hidden, without handlers, so the
  // visible buttons keep their places in the bar.
  for (int I = 0; I < 5; ++I) AddButton(ToolBar1, QIcon(), QString(), false);
  for (int I = 0; I < 3; ++I) ToolBar1->addSeparator()->setVisible(false);

  connect(tbPlay, &QAction::triggered, this, Guarded([this] { tbPlayClick(); }));
  connect(tbPause, &QAction::triggered, this, Guarded([this] { tbPauseClick(); }));
  connect(tbStop, &QAction::triggered, this, Guarded([this] { tbStopClick(); }));
  connect(tbCloseCD, &QAction::triggered, this, Guarded([this] { tbCloseCDClick(); }));
  connect(tbEjectCD, &QAction::triggered, this, Guarded([this] { tbEjectCDClick(); }));
  connect(ToolButton7, &QAction::triggered, this, Guarded([this] { ToolButton7Click(); }));
  connect(tbSelectAll, &QAction::triggered, this, Guarded([this] { tbSelectAllClick(); }));
  connect(tbResetAll, &QAction::triggered, this, Guarded([this] { tbResetAllClick(); }));
  // A pick by the user; filling the list selects its first item silently.
  connect(cbDrive, &QComboBox::activated, this, Guarded([this] { cbDriveChange(); }));
}

QWidget* TfrmTolvar::CreateRipperPage() {
  auto* Page = new QWidget(PageControl);
  auto* Layout = new QHBoxLayout(Page);
  Layout->setContentsMargins(4, 4, 4, 4);

  auto* Left = new QVBoxLayout;
  pnTrackList = new QWidget(Page);
  auto* ListLayout = new QVBoxLayout(pnTrackList);
  ListLayout->setContentsMargins(0, 0, 0, 0);
  VST = new TTrackListView(pnTrackList);
  ListLayout->addWidget(VST);
  auto* ListRow = new QHBoxLayout;
  ListRow->addWidget(pnTrackList, 1);
  lblCover = new QLabel(Page);
  lblCover->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  lblCover->hide();
  ListRow->addWidget(lblCover);
  Left->addLayout(ListRow, 1);
  auto* SaveRow = new QHBoxLayout;
  auto* SaveLabel = new QLabel("Save to", Page);
  deSaveDir = new TDirectoryEdit(Page);
  SaveLabel->setBuddy(deSaveDir);
  SaveRow->addWidget(SaveLabel);
  SaveRow->addWidget(deSaveDir, 1);
  Left->addLayout(SaveRow);
  Layout->addLayout(Left, 1);

  auto* Right = new QVBoxLayout;
  Right->addWidget(new QLabel("Mode", Page));
  // Two independent pairs: each pair sits in its own container.
  auto* ModeBox = new QWidget(Page);
  auto* ModeLayout = new QVBoxLayout(ModeBox);
  ModeLayout->setContentsMargins(0, 0, 0, 0);
  rbModeEncode = new QRadioButton("Rip && encode", ModeBox);
  rbModeWav = new QRadioButton("Rip to wave", ModeBox);
  rbModeEncode->setChecked(true);
  ModeLayout->addWidget(rbModeEncode);
  ModeLayout->addWidget(rbModeWav);
  Right->addWidget(ModeBox);
  Right->addSpacing(8);
  auto* JobBox = new QWidget(Page);
  auto* JobLayout = new QVBoxLayout(JobBox);
  JobLayout->setContentsMargins(0, 0, 0, 0);
  rbSeparateTracks = new QRadioButton("Separate tracks", JobBox);
  rbSingleTrack = new QRadioButton("Single track", JobBox);
  rbSeparateTracks->setChecked(true);
  JobLayout->addWidget(rbSeparateTracks);
  JobLayout->addWidget(rbSingleTrack);
  Right->addWidget(JobBox);
  Right->addSpacing(8);
  Panel8 = new QFrame(Page);
  Panel8->setFixedHeight(20);
  Right->addWidget(Panel8);
  Right->addStretch(1);
  btnStart1 = new QPushButton("Start", Page);
  btnStart1->setDefault(true);
  btnCancel1 = new QPushButton("Cancel", Page);
  btnCancel1->setEnabled(false);
  Right->addWidget(btnStart1);
  Right->addWidget(btnCancel1);
  auto* RightBox = new QWidget(Page);
  RightBox->setLayout(Right);
  RightBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  Layout->addWidget(RightBox);

  VST->Delegate()->OnNewText = [this](const QModelIndex& Index, const QString& Text) {
    Guard([&] { VSTNewText(Index.column(), Text); });
  };
  VST->OnAfterPaint = [this] { Guard([this] { VSTAfterCellPaint(); }); };
  connect(VST, &QTreeView::doubleClicked, this, Guarded([this] { VSTDblClick(); }));
  connect(VST, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& Position) { Guard([&] { PopupMenuPopup(Position); }); });
  return Page;
}

}  // namespace tolvar
