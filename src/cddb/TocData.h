#pragma once
// The SCSI data the direct reader exchanges with a drive: READ TOC (format 0,
// MSF addresses) and INQUIRY. Every way of reading a drive produces these same
// bytes, and only these functions turn them into records.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "DiscInfo.h"

namespace tolvar {

// READ TOC asks for the 4-byte header and 100 descriptors of 8 bytes.
constexpr size_t kTocDataBytes = 804;
constexpr size_t kInquiryBytes = 100;
using TTocData = std::array<uint8_t, kTocDataBytes>;
using TInquiryData = std::array<uint8_t, kInquiryBytes>;

constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr uint8_t kControlDataTrack = 0x04;

// One descriptor of READ TOC data.
struct TTocDescriptor {
  uint8_t Track = 0;  // kLeadOutTrack for the lead-out
  uint8_t Control = 0;
  uint8_t Minute = 0;
  uint8_t Second = 0;
  uint8_t Frame = 0;
};

// The READ TOC data of a disc whose tracks are numbered First..Last; Entries
// holds the tracks in disc order and then the lead-out. Descriptors that do not
// fit in the 804 bytes are left out.
TTocData BuildTocData(uint8_t First, uint8_t Last, std::span<const TTocDescriptor> Entries);

// Converts READ TOC data into a TDiscToc: TrackCount is last - first + 1 (at
// most 99, all the data can hold besides the lead-out), then that many track
// descriptors and the lead-out descriptor. Bytes beyond Raw read as zero.
// Returns true when there is no TOC: first and last track numbers both 0.
bool ConvertToc(std::span<const uint8_t> Raw, TDiscToc& Toc);

struct TCDDrive;
// Fills Vendor, Product, ProductRevision, VendorSpecific and FullName from
// INQUIRY data; the texts start at byte 8 and end at the first zero byte.
void FillInquiryTexts(std::span<const uint8_t> Inquiry, TCDDrive& Drive);

}  // namespace tolvar
