#include "cddb/DiscInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Libdiscid.h"

using namespace tolvar;

namespace {

TDiscTocEntry At(uint8_t M, uint8_t S, uint8_t F) {
  return {M, S, F, true};
}

TDiscToc MakeToc(std::initializer_list<TDiscTocEntry> Tracks, TDiscTocEntry LeadOut) {
  TDiscToc Toc;
  for (const TDiscTocEntry& T : Tracks) Toc.Tracks[Toc.TrackCount++] = T;
  Toc.LeadOut = LeadOut;
  Toc.LeadOut.Audio = false;
  return Toc;
}

}  // namespace

TEST(DiscId, ThreeTrackExampleGivesIdAndQueryLine) {
  TDiscToc Toc = MakeToc({At(0, 2, 0), At(4, 10, 33), At(8, 45, 12)}, At(12, 30, 70));
  EXPECT_EQ(CddbDiscId(Toc), 0x1502EC03u);
  EXPECT_EQ(BuildQueryCommand(Toc), "cddb query 1502ec03 3 150 18783 39387 750");
}

TEST(DiscId, OneTrackExampleRendersLowerCase) {
  TDiscToc Toc = MakeToc({At(0, 2, 0)}, At(3, 0, 0));
  EXPECT_EQ(CddbDiscId(Toc), 0x0200B201u);
  EXPECT_EQ(FormatDiscId(CddbDiscId(Toc)), "0200b201");
}

TEST(DiscId, FramesChangeTheQueryOffsetsButNeverTheId) {
  TDiscToc Whole = MakeToc({At(0, 2, 0), At(1, 0, 0)}, At(5, 0, 0));
  TDiscToc Late = MakeToc({At(0, 2, 74), At(1, 0, 74)}, At(5, 0, 74));
  EXPECT_EQ(CddbDiscId(Whole), CddbDiscId(Late));
  EXPECT_EQ(CddbDiscId(Late) >> 24, 2u + 6u);  // DigitSum(2) + DigitSum(60)
  EXPECT_EQ(BuildQueryCommand(Late), "cddb query 08012a02 2 224 4574 300");
}

TEST(DiscId, DigitSumsWrapModulo255) {
  // Nine tracks at 999 s (digit sum 27) and one at 39 s (12): n = 255.
  TDiscToc Toc;
  Toc.TrackCount = 10;
  Toc.Tracks[0] = At(0, 39, 0);
  for (int I = 1; I < 10; ++I) Toc.Tracks[I] = At(16, 39, 0);
  Toc.LeadOut = At(20, 0, 0);
  EXPECT_EQ(CddbDiscId(Toc) >> 24, 0u);
  EXPECT_EQ(CddbDiscId(Toc) & 0xFFFFFF, (1200u - 39u) << 8 | 10u);
  // Twice as many tracks: n = 510, still 0.
  Toc.TrackCount = 20;
  Toc.Tracks[10] = At(0, 39, 0);
  for (int I = 11; I < 20; ++I) Toc.Tracks[I] = At(16, 39, 0);
  EXPECT_EQ(CddbDiscId(Toc) >> 24, 0u);
}

TEST(DiscId, NoTracksGivesLengthAndCountZero) {
  TDiscToc Toc;
  Toc.Tracks[0] = At(0, 2, 0);
  Toc.LeadOut = At(1, 0, 0);
  EXPECT_EQ(CddbDiscId(Toc), 58u << 8);
  EXPECT_EQ(BuildQueryCommand(Toc), "cddb query 00003a00 0 60");
  EXPECT_EQ(DigitSum(0), 0);
  EXPECT_EQ(DigitSum(-75), 0);
}

TEST(DiscId, TrackCountBeyondTheArrayReadsNoFurther) {
  TDiscToc Toc;
  Toc.TrackCount = 255;
  for (auto& T : Toc.Tracks) T = At(0, 2, 0);
  Toc.LeadOut = At(3, 0, 0);
  EXPECT_EQ(CddbDiscId(Toc), (200u % 255) << 24 | 178u << 8 | 255u);
  std::string Line = BuildQueryCommand(Toc);
  EXPECT_EQ(std::count(Line.begin(), Line.end(), ' '), 3 + 100 + 1);  // words, offsets, length
}

TEST(DiscId, AgreesWithLibdiscidOnGeneratedTocs) {
  std::mt19937 Random(20240607);
  std::vector<fixtures::TReferenceToc> References;
  std::vector<TDiscToc> Tocs;
  for (int Disc = 0; Disc < 300; ++Disc) {
    int Count = Disc < 3 ? (Disc == 0   ? 1
                            : Disc == 1 ? 99
                                        : 2)
                         : std::uniform_int_distribution<int>(1, 99)(Random);
    fixtures::TReferenceToc Ref;
    TDiscToc Toc;
    uint32_t Frame = 150 + std::uniform_int_distribution<uint32_t>(0, 20000)(Random);
    auto Entry = [](uint32_t F) {
      return TDiscTocEntry{static_cast<uint8_t>(F / 4500), static_cast<uint8_t>(F / 75 % 60),
                           static_cast<uint8_t>(F % 75), true};
    };
    for (int T = 0; T < Count; ++T) {
      Ref.Offsets.push_back(Frame);
      Toc.Tracks[Toc.TrackCount++] = Entry(Frame);
      Frame += std::uniform_int_distribution<uint32_t>(300, 3000)(Random);
    }
    Ref.LeadOut = Frame;
    Toc.LeadOut = Entry(Frame);
    References.push_back(Ref);
    Tocs.push_back(Toc);
  }
  std::vector<std::string> Expected = fixtures::LibdiscidFreedbIds(References);
  ASSERT_EQ(Expected.size(), Tocs.size());
  for (size_t I = 0; I < Tocs.size(); ++I)
    EXPECT_EQ(FormatDiscId(CddbDiscId(Tocs[I])), Expected[I]) << "disc " << I;
}
