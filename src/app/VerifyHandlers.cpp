// Verified rips in the window: the drives' read offsets and the [Verify]
// choices of the settings file, the verification of a separate-tracks rip
// (the Accuracy column, the summary in the status bar, the rip log) and
// "Tools" > "Detect read offset".
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtEventLoop.h"
#include "app/RipCheck.h"
#include "app/TrackList.h"
#include "cddb/Cddb.h"
#include "metadata/Release.h"
#include "ripper/RipNames.h"
#include "util/FileFunctions.h"
#include "util/IniFile.h"
#include "verify/OffsetDetect.h"
#include "verify/RipperVerify.h"

namespace tolvar {

namespace {

// AccurateRip's search range; anything beyond is no offset a drive has.
constexpr long long kMaxOffset = 2940;
// How long the end of a rip waits for the database's answer.
constexpr int kAnswerWaitMs = 60000;

std::string AccuracyText(const TTrackVerification& T) {
  switch (T.Status) {
    case TTrackStatus::Accurate:
      return "Accurate (" + std::to_string(T.Match ? T.Match->Confidence : 0) + ")";
    case TTrackStatus::NotAccurate:
      return "Not accurate";
    case TTrackStatus::NotInDatabase:
      return "Not in database";
    case TTrackStatus::Suspicious:
      return "Suspicious";
    default:
      return {};
  }
}

// Lets the window's messages through until Ready or the time is up.
bool WaitFor(const std::function<bool()>& Ready) {
  QElapsedTimer Timer;
  Timer.start();
  while (!Ready() && Timer.elapsed() < kAnswerWaitMs)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return Ready();
}

}  // namespace

void TfrmTolvar::ConnectVerify() {
  ArWeb = std::make_unique<TWebClient>(*EventLoop);
  connect(mniDetectOffset, &QAction::triggered, this, Guarded([this] { mniDetectOffsetClick(); }));
}

void TfrmTolvar::LoadVerifySettings(const TIniFile& Ini) {
  DriveOffsets.clear();
  for (const std::string& Drive : Ini.ReadSection("Drives")) {
    const long long Offset = Ini.ReadInteger("Drives", Drive, 0);
    if (Offset >= -kMaxOffset && Offset <= kMaxOffset)
      DriveOffsets[Drive] = static_cast<int>(Offset);
  }
  VerifyAccurateRip = Ini.ReadBool("Verify", "AccurateRip", true);
  TestAndCopy = Ini.ReadBool("Verify", "TestAndCopy", false);
  WriteRipLog = Ini.ReadBool("Verify", "WriteLog", true);
}

void TfrmTolvar::SaveVerifySettings(TIniFile& Ini) const {
  for (const auto& [Drive, Offset] : DriveOffsets) Ini.WriteInteger("Drives", Drive, Offset);
  Ini.WriteBool("Verify", "AccurateRip", VerifyAccurateRip);
  Ini.WriteBool("Verify", "TestAndCopy", TestAndCopy);
  Ini.WriteBool("Verify", "WriteLog", WriteRipLog);
}

int TfrmTolvar::DriveReadOffset() const {
  const int Drive = CDRipper->CDRomNum();
  if (Drive < 0 || Drive >= static_cast<int>(CDRipper->Drives.size())) return 0;
  const auto It = DriveOffsets.find(CDRipper->Drives[Drive]);
  return It == DriveOffsets.end() ? 0 : It->second;
}

void TfrmTolvar::BeginRipCheck() {
  ArWeb->CancelAll();
  RipCheck.reset();
  Tracks()->ClearAccuracy();
  CDRipper->SetReadOffset(DriveReadOffset());
  if (!VerifyAccurateRip && !TestAndCopy && !WriteRipLog) return;
  // The sums are of 44.1 kHz stereo audio; an Ogg rip always reads that.
  if (CDRipper->OutputFormat() != cdrip::STEREO44100 && EncoderType != 1) {
    ShowStatus("Not verified: AccurateRip checks 44.1 kHz stereo rips only");
    return;
  }
  if (!Cddb->ReadTOC(static_cast<uint8_t>(CDRipper->CDRomNum()))) return;
  TAccurateRipId Id = ComputeAccurateRipId(Cddb->CDInfo.Toc);
  if (Id.Tracks.empty()) return;
  RipCheck.reset(new TRipCheck{Id,
                               MakeVerification(*CDRipper, Id),
                               RipLogHeader(*CDRipper, CDRipper->CDRomNum(), Id, TestAndCopy),
                               false,
                               std::nullopt,
                               {}});
  TRipLogInfo& Log = RipCheck->Log;
  Log.MetadataSource = RowsRelease ? RowsSource : "none";
  if (RowsRelease && !RowsRelease->ReleaseId.empty())
    Log.MetadataIds.push_back({"Release ID", RowsRelease->ReleaseId});
  if (VerifyAccurateRip) {
    RipCheck->Asked = true;
    TRipCheck* Check = RipCheck.get();
    FetchAccurateRip(*ArWeb, Id, [Check](const TArLookup& Answer) { Check->Answer = Answer; });
  }
  CDRipper->OnAudioRead = [Check = RipCheck.get()](const uint8_t* Bytes, size_t Size) {
    Check->Verification.Feed(Bytes, Size);
  };
}

bool TfrmTolvar::RipCheckBeforeRow(int Row) {
  if (!RipCheck || !TestAndCopy) return true;
  ShowStatus("Test reading Track " + std::to_string(Row + 1));
  if (TestRead(*CDRipper, RipCheck->Verification, Row + 1, Row + 1)) return true;
  if (Stopped) return false;
  throw ECDRIPError("Read error in the test read of Track " + std::to_string(Row + 1));
}

void TfrmTolvar::RipCheckAfterRow(int Row) {
  if (!RipCheck) return;
  RipCheck->Verification.SetFile(Row + 1, CDRipper->FileName, CDRipper->JittersNum());
  RipCheck->Rows.push_back(Row);
}

void TfrmTolvar::EndRipCheck() {
  CDRipper->OnAudioRead = nullptr;
  if (!RipCheck) return;
  // Nothing outlives the job: the answer's callback points into RipCheck.
  const std::unique_ptr<TRipCheck> Check = std::move(RipCheck);
  if (Check->Rows.empty()) {
    ArWeb->CancelAll();
    return;
  }
  TRipVerification& V = Check->Verification;
  std::string Trouble;
  if (Check->Asked) {
    if (!WaitFor([&] { return Check->Answer.has_value(); }))
      Trouble = "AccurateRip did not answer";
    else if (!Check->Answer->Error.empty())
      Trouble = Check->Answer->Error;
    else
      V.SetDatabase(Check->Answer->Pressings);
    ArWeb->CancelAll();
  }
  for (int Row : Check->Rows)
    if (const TTrackVerification* T = V.Track(Row + 1))
      Tracks()->SetAccuracy(Row, AccuracyText(*T));
  ShowStatus(Trouble.empty() ? V.Summary() : Trouble);
  if (!WriteRipLog) return;
  const std::string Path = SingleTrackFileName(RipFolder, 0, Tracks()->rowCount() - 1,
                                               Tracks()->rowCount(), DiscArtist, DiscTitle, ".log");
  if (!WriteFileAtomic(Path, RipLogText(Check->Log, V))) ShowStatus("Cannot write the log " + Path);
}

void TfrmTolvar::mniDetectOffsetClick() {
  if (RunningJob != TJob::None || !CDRipper->DiscInfoValid) return;
  const int Drive = CDRipper->CDRomNum();
  if (Drive < 0 || Drive >= static_cast<int>(CDRipper->Drives.size())) return;
  if (!Cddb->ReadTOC(static_cast<uint8_t>(Drive))) return;
  const TAccurateRipId Id = ComputeAccurateRipId(Cddb->CDInfo.Toc);
  if (Id.Tracks.empty()) {
    ShowStatus("Read offset: not found (no audio track)");
    return;
  }
  RunningJob = TJob::Rip;
  ShowJob(TJob::Rip);
  struct TEndJob {
    TfrmTolvar* Form;
    ~TEndJob() {
      Form->ArWeb->CancelAll();
      Form->Stopped = false;
      Form->EndRipJob();
    }
  } End{this};
  ShowStatus("Asking AccurateRip for the disc");
  std::optional<TArLookup> Answer;
  FetchAccurateRip(*ArWeb, Id, [&Answer](const TArLookup& A) { Answer = A; });
  if (!WaitFor([&] { return Answer.has_value(); })) {
    ShowStatus("AccurateRip did not answer");
    return;
  }
  if (!Answer->Error.empty()) {
    ShowStatus(Answer->Error);
    return;
  }
  if (Answer->Pressings.empty()) {
    ShowStatus("Read offset: not found (the disc is not in the AccurateRip database)");
    return;
  }
  ShowStatus("Detecting the read offset");
  const std::optional<int32_t> Offset = DetectReadOffset(*CDRipper, Id, Answer->Pressings);
  if (!Offset) {
    ShowStatus("Read offset: not found");
    return;
  }
  DriveOffsets[CDRipper->Drives[Drive]] = *Offset;
  CDRipper->SetReadOffset(*Offset);
  ShowStatus("Read offset: " + OffsetText(*Offset));
}

}  // namespace tolvar
