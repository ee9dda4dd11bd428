#include "RipVerify.h"

#include <fstream>
#include <iostream>

#include "CddbCommands.h"
#include "VerifyCommands.h"
#include "cddb/CddbDisc.h"
#include "util/IniFile.h"
#include "util/MiscFunctions.h"

namespace tolvar::cli {

namespace {

// Far beyond any drive's offset; keeps the sample arithmetic small.
constexpr long long kOffsetLimit = 100000;

}  // namespace

std::optional<int32_t> OffsetOption(TArgs& Args) {
  const std::optional<std::string> Text = Args.Value("--offset");
  if (!Text) return std::nullopt;
  return static_cast<int32_t>(ParseIntArg(*Text, "option --offset", -kOffsetLimit, kOffsetLimit));
}

TVerifyOptions VerifyOptions(TArgs& Args) {
  TVerifyOptions O;
  O.Verify = Args.Flag("--verify");
  O.TestAndCopy = Args.Flag("--test-and-copy");
  O.Offset = OffsetOption(Args);
  O.Log = Args.Value("--log");
  if (O.Log && O.Log->empty()) throw TUsageError("option --log needs a file");
  return O;
}

int32_t DriveReadOffset(const TCDRipper& R, int Drive, std::optional<int32_t> Option) {
  if (Option) return *Option;
  if (Drive < 0 || Drive >= static_cast<int>(R.Drives.size())) return 0;
  // The window keeps each drive's offset in its settings file, beside this program.
  const TIniFile Settings(AppDir() + "tolvar.ini");
  const long long Offset = Settings.ReadInteger("Drives", R.Drives[Drive], 0);
  return static_cast<int32_t>(std::clamp(Offset, -kOffsetLimit, kOffsetLimit));
}

TAccurateRipId DiscAccurateRipId(const TContext& Context) {
  TCddbDisc Reader;
  ReadDiscToc(Reader, SelectCddbDrive(Context));
  TAccurateRipId Id = ComputeAccurateRipId(Reader.CDInfo.Toc);
  if (Id.Tracks.empty()) throw TCommandError("the disc has no audio track");
  return Id;
}

TRipVerifier::TRipVerifier(TCDRipper& Ripper, TPollLoop& Loop, int Drive,
                           const TVerifyOptions& Options, TAccurateRipId DiscId)
    : R(Ripper),
      Loop(Loop),
      Web(Loop),
      Options(Options),
      Id(std::move(DiscId)),
      Verification(MakeVerification(Ripper, Id)) {
  if (Options.Verify) FetchAccurateRip(Web, Id, [this](const TArLookup& Found) { Answer = Found; });
  R.OnBeginTrack = [this](TCDRipper*, uint16_t Track) { Verification.BeginCopy(Track); };
  R.OnAudioRead = [this](const uint8_t* Bytes, size_t Size) { Verification.Feed(Bytes, Size); };

  Log = RipLogHeader(R, Drive, Id, Options.TestAndCopy);
}

TRipVerifier::~TRipVerifier() {
  R.OnBeginTrack = nullptr;
  R.OnAudioRead = nullptr;
}

void TRipVerifier::SetMetadata(std::string Source,
                               std::vector<std::pair<std::string, std::string>> Ids) {
  Log.MetadataSource = std::move(Source);
  Log.MetadataIds = std::move(Ids);
}

void TRipVerifier::BeforeRip(int First, int Last) {
  if (Answer && !Answer->Error.empty()) throw TCommandError(Answer->Error);
  if (!Options.TestAndCopy) return;
  if (!TestRead(R, Verification, First, Last))
    throw TCommandError(R.Cancel ? "Process stopped"
                                 : "the test read of track " + std::to_string(First) + " failed");
}

void TRipVerifier::AfterRip(int First, int Last, const std::string& File) {
  for (int T = First; T <= Last; ++T) {
    Verification.SetFile(T, File, R.JittersNum());
    Ripped.push_back(T);
  }
}

int TRipVerifier::Finish() {
  if (Options.Verify) Verification.SetDatabase(AwaitAccurateRip(Loop, Answer).Pressings);
  if (Options.Verify || Options.TestAndCopy)
    for (int T : Ripped) std::cout << Verification.VerdictLine(T) << '\n';
  std::cout.flush();
  if (Options.Log) {
    const std::string Text = RipLogText(Log, Verification);
    std::ofstream Out(*Options.Log, std::ios::binary | std::ios::trunc);
    if (!Out.write(Text.data(), static_cast<std::streamsize>(Text.size())) || !Out.flush())
      throw TCommandError("cannot write the log " + *Options.Log);
  }
  return Verification.Failed() ? 1 : 0;
}

}  // namespace tolvar::cli
