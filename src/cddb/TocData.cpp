#include "TocData.h"

#include <algorithm>
#include <cstring>

#include "TocReader.h"

namespace tolvar {

namespace {

constexpr size_t kHeaderBytes = 4;
constexpr size_t kDescriptorBytes = 8;
constexpr size_t kMaxDescriptors = (kTocDataBytes - kHeaderBytes) / kDescriptorBytes;
constexpr uint8_t kAdrPosition = 0x10;  // ADR 1 in the high nibble: Q sub-channel position

TDiscTocEntry Entry(std::span<const uint8_t> Raw, size_t Index) {
  size_t At = kHeaderBytes + Index * kDescriptorBytes;
  auto Byte = [&](size_t I) -> uint8_t { return At + I < Raw.size() ? Raw[At + I] : 0; };
  TDiscTocEntry E;
  E.Minute = Byte(5);
  E.Second = Byte(6);
  E.Frame = Byte(7);
  E.Audio = (Byte(1) & kControlDataTrack) == 0;
  return E;
}

}  // namespace

TTocData BuildTocData(uint8_t First, uint8_t Last, std::span<const TTocDescriptor> Entries) {
  TTocData Raw{};
  size_t Count = std::min(Entries.size(), kMaxDescriptors);
  size_t Length = 2 + Count * kDescriptorBytes;  // the length field does not count itself
  Raw[0] = static_cast<uint8_t>(Length >> 8);
  Raw[1] = static_cast<uint8_t>(Length);
  Raw[2] = First;
  Raw[3] = Last;
  for (size_t I = 0; I < Count; ++I) {
    uint8_t* D = Raw.data() + kHeaderBytes + I * kDescriptorBytes;
    D[1] = kAdrPosition | (Entries[I].Control & 0x0F);
    D[2] = Entries[I].Track;
    D[5] = Entries[I].Minute;
    D[6] = Entries[I].Second;
    D[7] = Entries[I].Frame;
  }
  return Raw;
}

bool ConvertToc(std::span<const uint8_t> Raw, TDiscToc& Toc) {
  uint8_t First = Raw.size() > 2 ? Raw[2] : 0;
  uint8_t Last = Raw.size() > 3 ? Raw[3] : 0;
  // Garbage with the last track before the first would wrap the count; the
  // data never hold more than 99 tracks besides the lead-out.
  uint8_t Count = static_cast<uint8_t>(Last - First + 1);
  Toc = TDiscToc{};
  Toc.TrackCount = static_cast<uint8_t>(std::min<size_t>(Count, kMaxDescriptors - 1));
  for (size_t I = 0; I < Toc.TrackCount; ++I) Toc.Tracks[I] = Entry(Raw, I);
  Toc.LeadOut = Entry(Raw, Toc.TrackCount);
  Toc.LeadOut.Audio = false;
  return First == 0 && Last == 0;
}

void FillInquiryTexts(std::span<const uint8_t> Inquiry, TCDDrive& Drive) {
  std::string Text;
  if (Inquiry.size() > 8) {
    auto Begin = Inquiry.begin() + 8;
    auto End = std::find(Begin, Inquiry.end(), uint8_t{0});
    Text.assign(Begin, End);
  }
  auto Part = [&](size_t From, size_t Length) {
    return From < Text.size() ? Text.substr(From, Length) : std::string();
  };
  Drive.Vendor = Part(0, 8);
  Drive.Product = Part(8, 16);
  Drive.ProductRevision = Part(24, 4);
  Drive.VendorSpecific = Part(28, 20);
  Drive.FullName = Drive.Vendor + Drive.Product + Drive.ProductRevision;
}

}  // namespace tolvar
