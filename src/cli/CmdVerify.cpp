// tolvar-cli verify [TRACKS]: reads audio tracks through the CD library as a
// rip reads them, writing no file, and compares their AccurateRip sums with
// the database's records of the disc.
#include <iostream>

#include "CliRipper.h"
#include "RipVerify.h"
#include "VerifyCommands.h"

namespace tolvar::cli {

int RunVerify(TContext& Context, TArgs& Args) {
  const std::optional<int32_t> Offset = OffsetOption(Args);
  const std::vector<std::string> Words = Args.Positionals();
  Args.Finish();
  if (Words.size() > 1) throw TUsageError("verify takes one TRACKS argument");

  const TAccurateRipId Id = DiscAccurateRipId(Context);
  const std::vector<int> Tracks = Words.empty() ? Id.Tracks : ParseTracks(Words[0]);

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  Session.Start();
  if (!R.DiscInfoValid) throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  CheckTracks(R, Tracks);
  R.SetOutputFormat(cdrip::STEREO44100);
  R.SetReadOffset(DriveReadOffset(R, Session.Drive, Offset));
  TRipVerification Verification = MakeVerification(R, Id);
  Verification.SetDatabase(LookUpAccurateRip(Id).Pressings);
  R.OnAudioRead = [&Verification](const uint8_t* Bytes, size_t Size) {
    Verification.Feed(Bytes, Size);
  };

  bool AllAccurate = true;
  for (int T : Tracks) {
    if (!Verification.Track(T))
      throw TCommandError("track " + std::to_string(T) + " is a data track");
    const TTrack& Track = *R.GetTrack(T - 1);
    Verification.BeginCopy(T);
    if (!R.ReadSectors(Track.StartSector, Track.EndSector))
      throw TCommandError("read error in sectors " + std::to_string(Track.StartSector) + "-" +
                          std::to_string(Track.EndSector));
    std::cout << Verification.VerdictLine(T) << '\n';
    AllAccurate = AllAccurate && Verification.Track(T)->Status == TTrackStatus::Accurate;
  }
  R.OnAudioRead = nullptr;
  return AllAccurate ? 0 : 1;
}

}  // namespace tolvar::cli
