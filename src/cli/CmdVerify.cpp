// tolvar-cli verify [TRACKS]: reads audio tracks through the CD library as a
// rip reads them, writing no file, and compares their AccurateRip sums with
// the database's records of the disc.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "CddbCommands.h"
#include "CliRipper.h"
#include "VerifyCommands.h"
#include "cddb/CddbDisc.h"
#include "ripper/CDRipIntf.h"
#include "verify/Checksums.h"

namespace tolvar::cli {

namespace {

constexpr uint32_t kFramesPerSector = 588;

std::string Hex(uint32_t V) {
  char Text[9];
  std::snprintf(Text, sizeof Text, "%08X", V);
  return Text;
}

}  // namespace

int RunVerify(TContext& Context, TArgs& Args) {
  const std::vector<std::string> Words = Args.Positionals();
  Args.Finish();
  if (Words.size() > 1) throw TUsageError("verify takes one TRACKS argument");

  TCddbDisc Reader;
  ReadDiscToc(Reader, SelectCddbDrive(Context));
  const TAccurateRipId Id = ComputeAccurateRipId(Reader.CDInfo.Toc);
  if (Id.Tracks.empty()) throw TCommandError("the disc has no audio track");
  const std::vector<int> Tracks = Words.empty() ? Id.Tracks : ParseTracks(Words[0]);

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  Session.Start();
  if (!R.DiscInfoValid) throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  CheckTracks(R, Tracks);
  R.SetOutputFormat(cdrip::STEREO44100);
  const TArLookup Database = LookUpAccurateRip(Id);

  bool AllAccurate = true;
  for (int T : Tracks) {
    const size_t Index = std::find(Id.Tracks.begin(), Id.Tracks.end(), T) - Id.Tracks.begin();
    if (Index == Id.Tracks.size())
      throw TCommandError("track " + std::to_string(T) + " is a data track");
    const TTrack& Track = *R.GetTrack(T - 1);
    const uint64_t Frames =
        uint64_t(std::max(Track.EndSector - Track.StartSector + 1, 0)) * kFramesPerSector;
    TTrackChecksums Sums(Frames, Index == 0, Index + 1 == Id.Tracks.size());
    R.OnAudioRead = [&Sums](const uint8_t* Bytes, size_t Size) { Sums.Feed(Bytes, Size); };
    if (!R.ReadSectors(Track.StartSector, Track.EndSector))
      throw TCommandError("read error in sectors " + std::to_string(Track.StartSector) + "-" +
                          std::to_string(Track.EndSector));
    std::cout << "Track " << TwoDigitNumber(T) << ": v1 " << Hex(Sums.V1()) << " v2 "
              << Hex(Sums.V2()) << " crc32 " << Hex(Sums.Crc32());
    const auto Match = MatchTrack(Database.Pressings, Index, Sums.V1(), Sums.V2());
    if (Database.Pressings.empty())
      std::cout << ": not in database\n";
    else if (!Match)
      std::cout << ": not accurate\n";
    else
      std::cout << ": accurate (confidence " << int(Match->Confidence) << ", "
                << (Match->V2 ? "v2" : "v1") << ")\n";
    AllAccurate = AllAccurate && Match;
  }
  return AllAccurate ? 0 : 1;
}

}  // namespace tolvar::cli
