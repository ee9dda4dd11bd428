#pragma once
// An independent reference for the tests: the AccurateRip sums and the
// database file written straight from their definitions, frame by frame.
#include <cstdint>
#include <string>
#include <vector>

namespace tolvar::fixtures {

struct TRefSums {
  uint32_t V1 = 0, V2 = 0, Sector450 = 0;
};

inline TRefSums ReferenceSums(const std::vector<uint32_t>& Frames, bool First, bool Last) {
  TRefSums S;
  const uint64_t N = Frames.size();
  for (uint64_t I = 1; I <= N; ++I) {
    const uint64_t V = Frames[I - 1];
    if (I >= 450 * 588 + 1 && I <= 451 * 588) S.Sector450 += uint32_t(V * (I - 450 * 588));
    if ((First && I < 2940) || (Last && I + 2940 > N)) continue;
    const uint64_t P = V * I;
    S.V1 += uint32_t(P);
    S.V2 += uint32_t(P) + uint32_t(P >> 32);
  }
  return S;
}

inline void PutU32(std::string& Out, uint32_t V) {
  for (int B = 0; B < 4; ++B) Out += char((V >> (8 * B)) & 0xFF);
}

// One record: header, then (confidence, checksum, sector-450 sum) per track.
struct TRefEntry {
  uint8_t Confidence;
  uint32_t Checksum, Sector450;
};

inline std::string ReferenceRecord(uint32_t Id1, uint32_t Id2, uint32_t Cddb,
                                   const std::vector<TRefEntry>& Entries) {
  std::string Out(1, char(Entries.size()));
  PutU32(Out, Id1);
  PutU32(Out, Id2);
  PutU32(Out, Cddb);
  for (const TRefEntry& E : Entries) {
    Out += char(E.Confidence);
    PutU32(Out, E.Checksum);
    PutU32(Out, E.Sector450);
  }
  return Out;
}

}  // namespace tolvar::fixtures
