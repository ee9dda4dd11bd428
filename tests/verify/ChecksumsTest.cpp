// The streaming sums against the reference computed frame by frame, fed in
// chunks that split frames, and the database file's records.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "ArReference.h"
#include "verify/AccurateRip.h"
#include "verify/Checksums.h"
#include "verify/RipVerification.h"

using namespace tolvar;

namespace {

// The CRC-32 bit by bit, reflected polynomial 0xEDB88320.
uint32_t BitwiseCrc32(const std::string& Bytes) {
  uint32_t C = 0xFFFFFFFF;
  for (unsigned char B : Bytes) {
    C ^= B;
    for (int K = 0; K < 8; ++K) C = (C >> 1) ^ (0xEDB88320 & (0 - (C & 1)));
  }
  return ~C;
}

}  // namespace

TEST(Checksums, StreamedSumsEqualTheReferenceAtEveryTrackPosition) {
  std::mt19937 Random(7);
  // Longer than 451 sectors, so the sector-450 sum has all its frames.
  std::vector<uint32_t> Frames(452 * 588 + 37);
  for (uint32_t& F : Frames) F = Random();
  Frames[1000] = 0x80000100;  // a left sample at -32768
  std::string Bytes;
  for (uint32_t F : Frames) fixtures::PutU32(Bytes, F);

  for (auto [First, Last] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
    TTrackChecksums Sums(Frames.size(), First, Last);
    for (size_t At = 0, Step = 1; At < Bytes.size(); At += Step, Step = Step * 3 % 8191 + 1)
      Sums.Feed(reinterpret_cast<const uint8_t*>(Bytes.data()) + At,
                std::min(Step, Bytes.size() - At));
    const fixtures::TRefSums Ref = fixtures::ReferenceSums(Frames, First, Last);
    EXPECT_EQ(Sums.V1(), Ref.V1) << First << Last;
    EXPECT_EQ(Sums.V2(), Ref.V2) << First << Last;
    EXPECT_EQ(Sums.Sector450(), Ref.Sector450);
    EXPECT_EQ(Sums.Crc32(), BitwiseCrc32(Bytes));
    EXPECT_EQ(Sums.Peak(), 32768u);
  }
  // The ends really are left out: changing a frame there changes only the other rule's sums.
  std::vector<uint32_t> Changed = Frames;
  Changed[2938] ^= 1;  // position 2,939
  EXPECT_EQ(fixtures::ReferenceSums(Changed, true, false).V1,
            fixtures::ReferenceSums(Frames, true, false).V1);
  EXPECT_NE(fixtures::ReferenceSums(Changed, false, false).V1,
            fixtures::ReferenceSums(Frames, false, false).V1);
}

// The sums run beside the reader, which reuses its buffer at once: each
// chunk must be taken as it was fed, in order, and complete before results
// are read. The read is longer than the queue holds.
TEST(Checksums, RipVerificationSumsAReadOfTwoTracksFedThroughOneBuffer) {
  std::mt19937 Random(11);
  const std::vector<int32_t> Sectors = {1200, 2500};
  std::vector<std::vector<uint32_t>> Frames;
  std::string Bytes;
  for (int32_t S : Sectors) {
    Frames.emplace_back(size_t(S) * 588);
    for (uint32_t& F : Frames.back()) {
      F = Random();
      fixtures::PutU32(Bytes, F);
    }
  }
  TAccurateRipId Id;
  Id.Tracks = {1, 2};
  TRipVerification V(Id, Sectors);
  V.BeginCopy(1);
  std::vector<uint8_t> Buffer(70001);
  for (size_t At = 0, Step = 4099; At < Bytes.size(); At += Step, Step = Step * 7 % 70001 + 1) {
    const size_t Size = std::min(Step, Bytes.size() - At);
    std::memcpy(Buffer.data(), Bytes.data() + At, Size);
    V.Feed(Buffer.data(), Size);
    std::fill(Buffer.begin(), Buffer.end(), 0xA5);
  }
  V.SetFile(2, "two.wav", 3);
  for (size_t T : {1, 0}) {  // the last first: its sums end last
    const fixtures::TRefSums Ref = fixtures::ReferenceSums(Frames[T], T == 0, T == 1);
    const TTrackVerification* Got = V.Track(int(T) + 1);
    ASSERT_TRUE(Got && Got->Copied);
    EXPECT_EQ(Got->V1, Ref.V1);
    EXPECT_EQ(Got->V2, Ref.V2);
    EXPECT_EQ(Got->Sector450, Ref.Sector450);
    const auto* Track =
        reinterpret_cast<const Bytef*>(Bytes.data()) + (T ? Frames[0].size() * 4 : 0);
    EXPECT_EQ(Got->Crc32, crc32(0, Track, static_cast<uInt>(Frames[T].size() * 4)));
  }
  EXPECT_EQ(V.Track(2)->File, "two.wav");
}

TEST(AccurateRipFile, KeepsTheDiscsRecordsAndStopsAtAShortOne) {
  TAccurateRipId Id;
  Id.Id1 = 0x1234;
  Id.Id2 = 0x5678;
  Id.Cddb = 0x9abc;
  Id.Tracks = {1, 2};
  using fixtures::ReferenceRecord;
  const std::string Other = ReferenceRecord(0x1234, 0x5678, 0x9abd, {{9, 1, 1}, {9, 2, 2}});
  const std::string Three =
      ReferenceRecord(0x1234, 0x5678, 0x9abc, {{9, 1, 1}, {9, 2, 2}, {1, 3, 3}});
  const std::string Mine = ReferenceRecord(0x1234, 0x5678, 0x9abc, {{5, 10, 11}, {6, 20, 21}});
  const std::string File = Other + Three + Mine + Mine.substr(0, Mine.size() - 1);
  const std::vector<TArPressing> P = ParseAccurateRip(File, Id);
  ASSERT_EQ(P.size(), 1u);
  EXPECT_EQ(P[0][1].Checksum, 20u);
  EXPECT_EQ(P[0][1].Sector450, 21u);
  const auto Match = MatchTrack(P, 1, 19, 20);
  ASSERT_TRUE(Match);
  EXPECT_EQ(Match->Confidence, 6);
  EXPECT_TRUE(Match->V2);
  EXPECT_FALSE(MatchTrack(P, 0, 11, 12));
  // A header cut short reads nothing.
  EXPECT_TRUE(ParseAccurateRip(Mine.substr(0, 12), Id).empty());
}
