#include "RipLog.h"

#include "OffsetDetect.h"

#include <openssl/evp.h>

#include <cstdio>
#include <sstream>

namespace tolvar {

namespace {

constexpr std::string_view kChecksumPrefix = "Log checksum (SHA-256): ";

// m:ss.ff of a count of sectors (75 to the second).
std::string Msf(int64_t Sectors) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "%lld:%02lld.%02lld", static_cast<long long>(Sectors / 4500),
                static_cast<long long>(Sectors / 75 % 60), static_cast<long long>(Sectors % 75));
  return Text;
}

std::string Percent(uint32_t Peak) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "%.1f", Peak * 100.0 / 32768.0);
  return Text;
}

void WriteToc(std::ostream& Out, const std::vector<TRipLogTrack>& Toc) {
  Out << "Table of contents\n"
      << "  Track |   Start  |  Length  | Start sector | End sector\n";
  for (const TRipLogTrack& T : Toc) {
    char Line[128];
    std::snprintf(Line, sizeof Line, "  %5d | %8s | %8s | %12d | %10d%s\n", T.Number,
                  Msf(T.StartSector).c_str(), Msf(int64_t{T.EndSector} - T.StartSector + 1).c_str(),
                  T.StartSector, T.EndSector, T.Audio ? "" : "  (data)");
    Out << Line;
  }
}

// The database's sums of audio track Index, pressing by pressing.
std::string DatabaseSums(const TRipVerification& V, size_t Index) {
  std::string Text;
  for (const TArPressing& Pressing : V.Pressings())
    if (Index < Pressing.size())
      Text += (Text.empty() ? "" : ", ") + ChecksumText(Pressing[Index].Checksum) +
              " (confidence " + std::to_string(Pressing[Index].Confidence) + ")";
  return Text.empty() ? "none" : Text;
}

// Whether one of the track's sums (v1 or v2) is in a pressing.
std::string SumResult(const TRipVerification& V, size_t Index, uint32_t Sum) {
  if (!V.DatabaseAsked()) return "not checked";
  if (!V.InDatabase()) return "not in database";
  for (const TArPressing& Pressing : V.Pressings())
    if (Index < Pressing.size() && Pressing[Index].Checksum == Sum)
      return "accurate (confidence " + std::to_string(Pressing[Index].Confidence) + ")";
  return "not accurate";
}

void WriteTrack(std::ostream& Out, const TRipVerification& V, size_t Index, bool TestAndCopy) {
  const TTrackVerification& T = V.Tracks()[Index];
  char Number[8];
  std::snprintf(Number, sizeof Number, "%02d", T.Number);
  Out << "Track " << Number << "\n"
      << "  File: " << (T.File.empty() ? "(none)" : T.File) << "\n"
      << "  Peak level: " << Percent(T.Peak) << " %\n";
  if (TestAndCopy)
    Out << "  Test CRC: " << (T.Tested ? ChecksumText(T.TestCrc) : "(no test read)") << "\n";
  Out << "  Copy CRC: " << ChecksumText(T.Crc32) << "\n";
  Out << "  AccurateRip v1: " << SumResult(V, Index, T.V1) << ", local " << ChecksumText(T.V1)
      << "\n"
      << "  AccurateRip v2: " << SumResult(V, Index, T.V2) << ", local " << ChecksumText(T.V2)
      << "\n";
  if (V.InDatabase()) Out << "  AccurateRip database: " << DatabaseSums(V, Index) << "\n";
  Out << "  Jitter errors (sectors corrected or lost): " << T.JitterErrors << "\n"
      << "  Status: " << TRipVerification::VerdictText(T) << "\n\n";
}

}  // namespace

std::string RipLogText(const TRipLogInfo& Info, const TRipVerification& V) {
  std::ostringstream Out;
  Out << Info.Program << " rip log\n"
      << "Date: " << Info.Date << "\n\n"
      << "Drive: " << Info.Drive << "\n"
      << "Read offset: " << OffsetText(Info.ReadOffset) << "\n"
      << "Read mode: " << (Info.Paranoia ? "paranoia" : "plain") << "\n"
      << "Test and copy: " << (Info.TestAndCopy ? "yes" : "no") << "\n\n";
  WriteToc(Out, Info.Toc);
  Out << "\nAccurateRip ID: " << Info.AccurateRipId << "\n"
      << "Metadata source: " << (Info.MetadataSource.empty() ? "none" : Info.MetadataSource)
      << "\n";
  for (const auto& [Name, Value] : Info.MetadataIds) Out << Name << ": " << Value << "\n";
  Out << "\n";
  for (size_t I = 0; I < V.Tracks().size(); ++I)
    if (V.Tracks()[I].Copied) WriteTrack(Out, V, I, Info.TestAndCopy);
  Out << V.Summary() << "\n\n";
  std::string Text = Out.str();
  return Text + std::string(kChecksumPrefix) + Sha256Hex(Text) + "\n";
}

std::string Sha256Hex(std::string_view Bytes) {
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned int Size = 0;
  if (EVP_Digest(Bytes.data(), Bytes.size(), Digest, &Size, EVP_sha256(), nullptr) != 1) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string Text;
  for (unsigned int I = 0; I < Size; ++I) {
    Text += kHex[Digest[I] >> 4];
    Text += kHex[Digest[I] & 15];
  }
  return Text;
}

bool LogChecksumOk(std::string_view Text) {
  // The last line, with or without its line end.
  if (Text.ends_with('\n')) Text.remove_suffix(1);
  const size_t Start = Text.rfind('\n') == std::string_view::npos ? 0 : Text.rfind('\n') + 1;
  const std::string_view Line = Text.substr(Start);
  if (!Line.starts_with(kChecksumPrefix)) return false;
  const std::string_view Value = Line.substr(kChecksumPrefix.size());
  const std::string Expected = Sha256Hex(Text.substr(0, Start));
  return !Expected.empty() && Value == Expected;
}

}  // namespace tolvar
