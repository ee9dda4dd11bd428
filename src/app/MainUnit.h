#pragma once
// TfrmTolvar, the main window: the "CD Ripper" page with the track list, the
// encoding settings on the right, toolbar, menus and status bar. It owns the
// ripper and the MP3 encoder, receives their events, and keeps its settings
// in the settings file between runs.
#include <QMainWindow>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QFileDialog;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolBar;

namespace tolvar {

class TCDRipper;
class TCddb;
class TCoverArt;
class TIniFile;
class TMetadataLookup;
class TRipPipeline;
struct TCoverImage;
struct TLookupResult;
struct TMetaRelease;
class TfrmAbout;
class TLameCoder;
class TParallelEncodes;
class TMediaMonitor;
class TQtEventLoop;
class TWebClient;
struct TRipCheck;
class TDirectoryEdit;
class TTrackListView;
class TTrackListModel;

class TfrmTolvar : public QMainWindow {
  Q_OBJECT
 public:
  // FormCreate: the components, the ripper's Init, presets and settings.
  explicit TfrmTolvar(QWidget* Parent = nullptr);
  // FormDestroy: writes the settings file and stops playback.
  ~TfrmTolvar() override;

  // --- Components ---
  // The loop the network components run on; it outlives the components.
  TQtEventLoop* EventLoop = nullptr;
  std::unique_ptr<TLameCoder> Lame;
  std::unique_ptr<TCDRipper> CDRipper;
  // Turns media arrival and removal into device-change codes for WMDeviceChange.
  std::unique_ptr<TMediaMonitor> MediaMonitor;
  QTimer* MediaTimer = nullptr;
  // The CDDB client; its requests run on EventLoop.
  std::unique_ptr<TCddb> Cddb;
  TfrmAbout* frmAbout = nullptr;  // created once, shown by "Help" > "About"
  // The metadata lookup chain and the cover art client, also on EventLoop,
  // and the cover of the release the rows came from (empty without one).
  std::unique_ptr<TMetadataLookup> MetaLookup;
  std::unique_ptr<TCoverArt> CoverArt;
  std::unique_ptr<TCoverImage> Cover;
  // The release the rows were filled from, whose album artist, disc number
  // and IDs go into the tags of the rows' rips; null until a lookup, and
  // again when the disc changes.
  std::unique_ptr<TMetaRelease> RowsRelease;
  // [Metadata] of the settings file.
  std::string MetadataSources = "musicbrainz,cddb,cdtext";
  bool AutoLookupOn = true, CoverArtOn = true, SaveCoverOn = true;
  // [Drives] of the settings file: each drive's read offset in samples, by
  // its name in the drive list. [Verify]: what a separate-tracks rip checks
  // and writes.
  std::map<std::string, int> DriveOffsets;
  bool VerifyAccurateRip = true, TestAndCopy = false, WriteRipLog = true;
  // The AccurateRip client (on EventLoop) and the verification of the
  // separate-tracks rip under way (null when none is).
  std::unique_ptr<TWebClient> ArWeb;
  std::unique_ptr<TRipCheck> RipCheck;
  std::string RowsSource;  // the service RowsRelease came from

  // --- Window state shared by the window's parts ---
  bool Stopped = false;   // a rip job was asked to stop
  int RipRow = -1;        // row being ripped; -1 when no job runs
  int EncoderType = 0;    // 0 MP3, 1 Ogg Vorbis, 2 FLAC, 3 Opus
  int OggQuality = 6;     // index into the Ogg bit-rate list
  int FlacLevel = 5;      // FLAC compression level, 0 to 8
  int OpusBitrate = 160;  // Opus bit rate in kbit/s, 6 to 510
  bool SingleTrack = false;
  std::string DiscArtist = "Unknown";  // disc-wide texts
  std::string DiscTitle = "Unknown";
  std::string DiscYear;
  std::string DiscGenre;
  std::string AppDir;     // program folder, with a trailing "/"
  std::string PresetDir;  // AppDir + "presets", no trailing "/"
  uint8_t PlayState = 0;  // 0 stopped, 1 paused, 2 playing
  // From "CDDB Get info" to the end of the next entry, whose track titles
  // are then split into artist and title.
  bool CddbReadPending = false;
  // The entry's DTITLE and TTITLEn values as received, each joined over its
  // lines: a text is judged (UTF-8 or Latin-1) only as a whole. A track's
  // joined title goes after what its row held before the first line.
  struct TJoinedTitle {
    std::string Before, Raw;
  };
  std::string CddbDiscTitle;
  std::map<int, TJoinedTitle> CddbTrackTitles;

  // --- Controls ---
  QToolBar* ToolBar1 = nullptr;
  QAction *tbPlay = nullptr, *tbPause = nullptr, *tbStop = nullptr;
  QAction *tbCloseCD = nullptr, *tbEjectCD = nullptr, *tbInfo = nullptr, *ToolButton7 = nullptr;
  QAction *tbSelectAll = nullptr, *tbResetAll = nullptr;
  QAction *tbCDDBConnect = nullptr, *ToolButton11 = nullptr, *tbLookup = nullptr;
  QComboBox* cbDrive = nullptr;

  QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuTools = nullptr, *mnuAudioCD = nullptr,
        *mnuHelp = nullptr;
  QAction *mniExportCue = nullptr, *mniSelectAll = nullptr, *mniResetAll = nullptr;
  QAction *mniPlay = nullptr, *mniPause = nullptr, *mniStop = nullptr;
  QAction *mniCDDBConnect = nullptr, *mniCDDBGetInfo = nullptr, *mniAbout = nullptr;
  QAction* mniLookup = nullptr;
  QAction* mniDetectOffset = nullptr;
  QMenu* PopupMenu = nullptr;
  QAction* mniRename = nullptr;

  QTabWidget* PageControl = nullptr;
  QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr;  // "CD Ripper", "MP3 Encoder"
  QWidget* pnTrackList = nullptr;                      // holds the track list
  TTrackListView* VST = nullptr;
  QLabel* lblCover = nullptr;  // the release's cover, beside the track list
  TDirectoryEdit* deSaveDir = nullptr;
  QRadioButton *rbModeEncode = nullptr, *rbModeWav = nullptr;
  QRadioButton *rbSeparateTracks = nullptr, *rbSingleTrack = nullptr;
  QFrame* Panel8 = nullptr;
  QPushButton *btnStart1 = nullptr, *btnCancel1 = nullptr;

  QTabWidget* PageControl2 = nullptr;
  QComboBox *cbPreset = nullptr, *cbFormat = nullptr;
  QGroupBox *GroupBox3 = nullptr, *GroupBox7 = nullptr, *GroupBox5 = nullptr;
  QComboBox *cbBitRate = nullptr, *cbMaxBitRate = nullptr, *cbMode = nullptr, *cbQuality = nullptr,
            *cbSampleRate = nullptr, *cbOggBitrate = nullptr;
  QLabel* lblSampleRate = nullptr;
  QGroupBox *gbFlac = nullptr, *gbOpus = nullptr;  // the FLAC and Opus settings groups
  QSpinBox *seFlacLevel = nullptr, *seOpusBitrate = nullptr;
  QCheckBox *cbVBR = nullptr, *cbWriteVBRHeader = nullptr, *cbCopyRight = nullptr, *cbCRC = nullptr,
            *cbOriginal = nullptr, *cbPrivate = nullptr;
  QSlider* tbVBRQuality = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton *btnSavePreset = nullptr, *Button1 = nullptr;

  // The "MP3 Encoder" page.
  QListWidget* ListBox2 = nullptr;
  QPushButton *Button3 = nullptr, *btnStart2 = nullptr, *btnCancel2 = nullptr;
  QFileDialog* OpenDialog1 = nullptr;
  QFileDialog* ExportDialog = nullptr;

  QFrame* pnGauge = nullptr;
  QProgressBar* Gauge = nullptr;
  QLabel* StatusPanel = nullptr;  // the status bar's one panel

  TTrackListModel* Tracks() const;

  // --- Start-up, status, drives and playback ---
  void ShowStatus(const std::string& Text);
  void LoadSettings(const std::string& FileName, bool WithForm);
  void SaveSettings(const std::string& FileName, bool WithForm);
  void CDRipperDrivesChanged();
  void CDRipperListChanged();
  void CDRipperStatusChanged();
  void cbDriveChange();
  // The system's device-change message: media arrival and removal codes.
  void WMDeviceChange(int EventCode);
  void tbPlayClick();
  void tbPauseClick();
  void tbStopClick();
  void tbCloseCDClick();
  void tbEjectCDClick();
  void ToolButton7Click();

  // --- Track list ---
  void VSTNewText(int Column, const QString& NewText);
  void VSTDblClick();
  void VSTAfterCellPaint();
  void PopupMenuPopup(const QPoint& Position);
  void mniRenameClick();
  void tbSelectAllClick();
  void tbResetAllClick();
  void SetAllChecks(bool Checked);
  // The gauge panel is visible exactly while a rip job runs.
  void UpdateGauge();

  // --- CDDB lookup and About ---
  void tbCDDBConnectClick();
  void mniCDDBConnectClick();
  void ToolButton11Click();
  void tbCDDBGetinfoClick();
  void CddbStatusMessage(const std::string& Text);
  void CddbDataExchange(const std::string& Line);
  void CddbMatch(int32_t& RightOne);
  void tbInfoClick();
  void mniAboutClick();

  // --- Metadata lookup (LookupHandlers.cpp) ---
  void tbLookupClick();
  // The lookup a disc arrival starts when the settings say so; it keeps
  // quiet unless it finds the disc.
  void AutoLookup();
  void LookupDone(const TLookupResult& Result);
  void FillRowsFromRelease(const TMetaRelease& Release);
  void ShowCover(TCoverImage Image);
  // Embeds the cover into a ripped file and saves it beside (SaveCover).
  void AddCoverToRip(const std::string& File, bool Ogg);
  void LoadMetadataSettings(const TIniFile& Ini);
  void SaveMetadataSettings(TIniFile& Ini) const;

  // --- Verified rips (VerifyHandlers.cpp) ---
  void LoadVerifySettings(const TIniFile& Ini);
  void SaveVerifySettings(TIniFile& Ini) const;
  // The active drive's read offset as the settings keep it (0 when unknown).
  int DriveReadOffset() const;
  // Around a separate-tracks rip: starts the verification the settings ask
  // for; the test read before a row's copy (false: the row is not to be
  // ripped); the row's file; the verdicts, summary and log at the end.
  void BeginRipCheck();
  bool RipCheckBeforeRow(int Row);
  void RipCheckAfterRow(int Row);
  void EndRipCheck();
  // "Tools" > "Detect read offset".
  void mniDetectOffsetClick();

  // --- Encoding settings and presets ---
  void SetDefaultSettings();
  void SettingsToControls();
  void UpdateFormatPanels();
  void FillPresetList();
  void cbPresetChange();
  void btnSavePresetClick();
  void Button1Click();
  void cbFormatChange();
  void cbOggBitrateChange();
  void seFlacLevelChange();
  void seOpusBitrateChange();
  void cbBitRateChange();
  void cbMaxBitRateChange();
  void cbModeChange();
  void cbQualityChange();
  void cbSampleRateChange();
  void cbVBRClick();
  void cbWriteVBRHeaderClick();
  void cbCopyRightClick();
  void cbCRCClick();
  void cbOriginalClick();
  void cbPrivateClick();
  void tbVBRQualityChange();
  void rbModeEncodeClick();
  void rbModeWavClick();
  void rbSeparateTracksClick();
  void rbSingleTrackClick();

  // --- Rip jobs (RipJobs.cpp) ---
  void btnStart1Click();
  void btnCancel1Click();
  void RipSeparateTracks();
  void RipSingleTrack();
  void CDRipProgress(int Percent);
  void CDRipBeginTrack(int Track);
  void CDRipEndTrack(int Track, const std::string& File);

  // --- CUE sheets (CueExport.cpp): rows FirstRow..LastRow of the list ---
  void ExportCue(int FirstRow, int LastRow, const std::string& Path);
  void mniExportCueClick();

  // --- The "MP3 Encoder" page (EncoderPage.cpp) ---
  void Button3Click();
  void btnStart2Click();
  void btnCancel2Click();
  void LameBeginFile(const std::string& FileName);
  void LameProgress(int Percent);  // of the whole batch
  void LameEndFile(int Num, const std::string& FileName);
  void LameEndProcess();

 protected:
  // FormClose: a running job is stopped as its Cancel stops it; the window
  // then closes.
  void closeEvent(QCloseEvent* Event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void CreateToolBar();
  QWidget* CreateRipperPage();
  QWidget* CreateSettingsPage();
  QWidget* CreateMp3Group();
  void ConnectSettingsPage();
  void ConnectComponents();
  void ConnectCddb();
  void ConnectLookup();
  void ConnectVerify();
  void StartLookup();
  void ConnectAbout();
  // The CDDB client reads the TOC of the drive the window plays and rips.
  void SelectCddbDrive(int Index);
  void StartMediaMonitor();
  // Clears the preset selection when a control's new value differs from the
  // stored one (the change rule of the settings page).
  void ChangeRule(bool Differs);
  void SetOggQuality(int Index);
  // The ripper's stream encoding for the chosen format (FLAC, Opus), or none.
  void SetStreamEncoding();
  QWidget* CreateEncoderPage();
  // Encodes the page's files, several at once; returns when they are done.
  void RunEncodes();
  void ConnectRipJobs();
  void ConnectEncoderPage();
  void ConnectCueExport();
  // Rips tracks First..Last (from 1; Last -1: First alone) into the ripper's
  // FileName, as Ogg Vorbis or else as the ripper's mode has it.
  void RipTracks(bool Ogg, int FirstTrack, int LastTrack, TRipPipeline* Pipeline = nullptr);
  void EndRipJob();
  enum class TJob { None, Rip, Encoding };
  // The one place that shows a job in the controls: while Job runs,
  // everything that would change what it reads or writes is disabled, and
  // each page's Start and Cancel follow it.
  void ShowJob(TJob Job);
  // The job whose Start handler is inside it: a job's messages may run any
  // handler, and a second job inside the first would share the components.
  TJob RunningJob = TJob::None;
  TParallelEncodes* Encodes = nullptr;  // the "MP3 Encoder" page's running batch
  std::string RipFolder;                // the job's output folder (UTF-8)
  bool LookupQuiet = false;             // the running lookup started by itself
};

}  // namespace tolvar
