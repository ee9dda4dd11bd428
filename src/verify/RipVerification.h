#pragma once
// The verification of one rip, kept by the ripper's owner: the checksums of
// every track as the rip reads it, the CRC of a test read before the copy,
// the database's verdict and the summary. It plugs into the ripper's hooks
// (a track's first chunk is announced by BeginTest or BeginCopy, then every
// chunk goes to Feed), so it works the same whichever thread reads. Calls
// come from one thread at a time in reading order; results are read once the
// track's read has returned. The sums are taken on a thread of its own, so
// they cost the reading thread little more than a copy of each chunk; every
// call that reads results, and SetDatabase, first waits for the sums fed
// before it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AccurateRip.h"
#include "Checksums.h"
#include "OrderedWorker.h"

namespace tolvar {

enum class TTrackStatus {
  Unread,         // no copy of the track was read (whole)
  Accurate,       // its v1 or v2 is in a pressing
  NotAccurate,    // the disc is in the database, the track's sums are not
  NotInDatabase,  // the database does not know the disc
  Suspicious,     // the test read and the copy differ
  Unchecked,      // read, not compared with the database
};

struct TTrackVerification {
  int Number = 0;        // the disc's track number
  uint64_t Frames = 0;   // the track's length
  std::string File;      // the file it went into (empty for a read without one)
  int JitterErrors = 0;  // sectors the library corrected or lost in that file's read
  bool Tested = false;   // a whole test read was made
  uint32_t TestCrc = 0;
  bool Copied = false;                                          // a whole copy was read
  uint32_t V1 = 0, V2 = 0, Sector450 = 0, Crc32 = 0, Peak = 0;  // of the copy
  std::optional<TArMatch> Match;
  TTrackStatus Status = TTrackStatus::Unread;
};

class TRipVerification {
 public:
  // Id: the disc's AccurateRip IDs; Sectors: the length of each of its audio
  // tracks (Id.Tracks, in disc order).
  TRipVerification(const TAccurateRipId& Id, const std::vector<int32_t>& Sectors);
  ~TRipVerification();
  TRipVerification(const TRipVerification&) = delete;
  TRipVerification& operator=(const TRipVerification&) = delete;

  // The database's pressings of the disc (none: it does not know the disc).
  // Without this call no track is compared with the database.
  void SetDatabase(std::vector<TArPressing> Pressings);
  bool DatabaseAsked() const { return Asked; }
  bool InDatabase() const { return !FPressings.empty(); }
  const std::vector<TArPressing>& Pressings() const { return FPressings; }

  // The chunks that follow are a test read (or the copy) starting at the
  // first frame of track Number; a read that goes on past the track's end
  // goes on into the next audio track (a file of several tracks).
  void BeginTest(int Number);
  void BeginCopy(int Number);
  void Feed(const uint8_t* Bytes, size_t Size);
  // The file of the copy of track Number and its read's jitter count.
  void SetFile(int Number, const std::string& File, int JitterErrors);

  const std::vector<TTrackVerification>& Tracks() const;
  // nullptr for a number that is no audio track of the disc.
  const TTrackVerification* Track(int Number) const;
  // "Track NN: v1 XXXXXXXX v2 XXXXXXXX crc32 XXXXXXXX: accurate (confidence C, v2)".
  std::string VerdictLine(int Number) const;
  // "accurate (confidence C, v2)", "not accurate", "not in database",
  // "suspicious", "test and copy match", "not read".
  static std::string VerdictText(const TTrackVerification& Track);
  // Over the tracks copied: "All tracks accurately ripped", "N of M tracks
  // accurately ripped", "Disc not in the AccurateRip database", or without a
  // database "Not checked against AccurateRip".
  std::string Summary() const;
  // A rip that failed its verification: a copied track is suspicious, or not
  // accurate while the disc is in the database.
  bool Failed() const;

 private:
  void StartPass(int Number, bool Test);
  void FeedSums(const uint8_t* Bytes, size_t Size);
  void EndOfTrack();
  void Judge(TTrackVerification& T) const;

  std::vector<TTrackVerification> FTracks;
  std::vector<TArPressing> FPressings;
  bool Asked = false;
  // The pass under way: the track it is in and the bytes of that track left.
  bool Testing = false;
  size_t Current = 0;
  uint64_t Left = 0;
  std::unique_ptr<TTrackChecksums> Sums;
  // Runs StartPass and FeedSums; last, so that it ends before the state it uses.
  std::unique_ptr<TOrderedWorker> Worker;
};

// Eight upper-case hex digits.
std::string ChecksumText(uint32_t Value);

}  // namespace tolvar
