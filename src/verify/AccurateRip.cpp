#include "AccurateRip.h"

#include <algorithm>
#include <cstdio>

namespace tolvar {

namespace {

constexpr size_t kHeaderBytes = 13;
constexpr size_t kEntryBytes = 9;

uint32_t Sector(const TDiscTocEntry& E) {
  const uint32_t Absolute = (E.Minute * 60u + E.Second) * 75u + E.Frame;
  return Absolute >= 150 ? Absolute - 150 : 0;
}

uint32_t U32(const unsigned char* P) {
  return P[0] | P[1] << 8 | P[2] << 16 | static_cast<uint32_t>(P[3]) << 24;
}

std::string Hex8(uint32_t V) {
  char Text[9];
  std::snprintf(Text, sizeof Text, "%08x", V);
  return Text;
}

}  // namespace

TAccurateRipId ComputeAccurateRipId(const TDiscToc& Toc) {
  TAccurateRipId Id;
  const int Count = std::min<int>(Toc.TrackCount, kMaxTocTracks);
  uint32_t K = 0;
  for (int I = 0; I < Count; ++I) {
    if (!Toc.Tracks[I].Audio) continue;
    const uint32_t S = Sector(Toc.Tracks[I]);
    ++K;
    Id.Id1 += S;
    Id.Id2 += (S > 0 ? S : 1) * K;
    Id.Tracks.push_back(I + 1);
  }
  const uint32_t L = Sector(Toc.LeadOut);
  Id.Id1 += L;
  Id.Id2 += L * (K + 1);
  Id.Cddb = CddbDiscId(Toc);
  return Id;
}

std::string TAccurateRipId::Name() const {
  char Count[16];
  std::snprintf(Count, sizeof Count, "%03zu", Tracks.size());
  return std::string(Count) + "-" + Hex8(Id1) + "-" + Hex8(Id2) + "-" + Hex8(Cddb);
}

std::string TAccurateRipId::Url(const std::string& Base) const {
  const std::string H = Hex8(Id1);
  return Base + "/accuraterip/" + H[7] + "/" + H[6] + "/" + H[5] + "/dBAR-" + Name() + ".bin";
}

std::vector<TArPressing> ParseAccurateRip(std::string_view File, const TAccurateRipId& Id) {
  std::vector<TArPressing> Pressings;
  const auto* Data = reinterpret_cast<const unsigned char*>(File.data());
  size_t At = 0;
  while (File.size() - At >= kHeaderBytes) {
    const unsigned char* Head = Data + At;
    const size_t Count = Head[0];
    const size_t Size = kHeaderBytes + Count * kEntryBytes;
    if (File.size() - At < Size) break;  // cut short: nothing after it can be trusted
    At += Size;
    if (Count != Id.Tracks.size() || U32(Head + 1) != Id.Id1 || U32(Head + 5) != Id.Id2 ||
        U32(Head + 9) != Id.Cddb)
      continue;
    TArPressing& P = Pressings.emplace_back(Count);
    for (size_t T = 0; T < Count; ++T) {
      const unsigned char* E = Head + kHeaderBytes + T * kEntryBytes;
      P[T] = {E[0], U32(E + 1), U32(E + 5)};
    }
  }
  return Pressings;
}

std::optional<TArMatch> MatchTrack(const std::vector<TArPressing>& Pressings, size_t Index,
                                   uint32_t V1, uint32_t V2) {
  for (size_t P = 0; P < Pressings.size(); ++P) {
    if (Index >= Pressings[P].size()) continue;
    const TArEntry& E = Pressings[P][Index];
    if (E.Checksum == V1 || E.Checksum == V2)
      return TArMatch{static_cast<int>(P), E.Confidence, E.Checksum == V2};
  }
  return std::nullopt;
}

}  // namespace tolvar
