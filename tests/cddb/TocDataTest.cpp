#include "cddb/TocData.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cddb/TocReader.h"

using namespace tolvar;

namespace {

// READ TOC data as a drive sends it, written out byte by byte.
std::vector<uint8_t> RawToc(uint8_t First, uint8_t Last,
                            std::initializer_list<std::array<uint8_t, 8>> Descriptors) {
  std::vector<uint8_t> Raw(kTocDataBytes, 0);
  size_t Length = 2 + 8 * Descriptors.size();
  Raw[0] = static_cast<uint8_t>(Length >> 8);
  Raw[1] = static_cast<uint8_t>(Length);
  Raw[2] = First;
  Raw[3] = Last;
  size_t At = 4;
  for (const auto& D : Descriptors) {
    std::memcpy(&Raw[At], D.data(), 8);
    At += 8;
  }
  return Raw;
}

}  // namespace

TEST(ConvertToc, FirstTrackNotOneCountsTheTracksThere) {
  auto Raw = RawToc(3, 5,
                    {{0, 0x10, 3, 0, 0, 0, 2, 0},
                     {0, 0x10, 4, 0, 0, 3, 0, 10},
                     {0, 0x10, 5, 0, 0, 6, 30, 0},
                     {0, 0x10, 0xAA, 0, 0, 9, 0, 5}});
  TDiscToc Toc;
  EXPECT_FALSE(ConvertToc(Raw, Toc));
  EXPECT_EQ(Toc.TrackCount, 3);
  EXPECT_EQ(Toc.Tracks[2].Minute, 6);
  EXPECT_EQ(Toc.LeadOut.Minute, 9);
  EXPECT_EQ(Toc.LeadOut.Frame, 5);
}

TEST(ConvertToc, DataBitOfControlMarksDataTracks) {
  // Mixed mode: data track 1, then audio with pre-emphasis, copy permit and
  // four channels; a data track with copy permit; a lead-out with CONTROL 0.
  auto Raw = RawToc(1, 5,
                    {{0, 0x14, 1, 0, 0, 0, 2, 0},
                     {0, 0x11, 2, 0, 0, 10, 0, 0},
                     {0, 0x12, 3, 0, 0, 12, 0, 0},
                     {0, 0x18, 4, 0, 0, 14, 0, 0},
                     {0, 0x16, 5, 0, 0, 16, 0, 0},
                     {0, 0x10, 0xAA, 0, 0, 18, 0, 0}});
  TDiscToc Toc;
  ASSERT_FALSE(ConvertToc(Raw, Toc));
  EXPECT_FALSE(Toc.Tracks[0].Audio);
  EXPECT_TRUE(Toc.Tracks[1].Audio);
  EXPECT_TRUE(Toc.Tracks[2].Audio);
  EXPECT_TRUE(Toc.Tracks[3].Audio);
  EXPECT_FALSE(Toc.Tracks[4].Audio);
  EXPECT_FALSE(Toc.LeadOut.Audio);
}

TEST(ConvertToc, NoDiscReadsAsOneTrackAtZero) {
  TTocData Raw{};
  TDiscToc Toc;
  Toc.Tracks[0] = {1, 2, 3, true};  // left over from an earlier disc
  EXPECT_TRUE(ConvertToc(Raw, Toc));
  EXPECT_EQ(Toc.TrackCount, 1);
  EXPECT_EQ(Toc.Tracks[0].Minute + Toc.Tracks[0].Second + Toc.Tracks[0].Frame, 0);
  EXPECT_EQ(Toc.LeadOut.Minute + Toc.LeadOut.Second + Toc.LeadOut.Frame, 0);
  EXPECT_EQ(FormatDiscId(CddbDiscId(Toc)), "00000001");
}

TEST(ConvertToc, GarbageHeadersStayInsideTheDataAndTheArray) {
  // Last track before the first would count 254 tracks: there is room for 99.
  auto Raw = RawToc(7, 4, {});
  TDiscToc Toc;
  EXPECT_FALSE(ConvertToc(Raw, Toc));
  EXPECT_EQ(Toc.TrackCount, 99);
  // A short answer reads as zeros beyond its end.
  std::vector<uint8_t> Short = {0, 10, 1, 1, 0, 0x10, 1, 0, 0, 0, 2};
  EXPECT_FALSE(ConvertToc(Short, Toc));
  EXPECT_EQ(Toc.TrackCount, 1);
  EXPECT_EQ(Toc.Tracks[0].Second, 2);
  EXPECT_EQ(Toc.Tracks[0].Frame, 0);
  EXPECT_EQ(Toc.LeadOut.Second, 0);
}

TEST(BuildTocData, WritesTheReadTocFormat) {
  std::vector<TTocDescriptor> Entries = {
      {1, 0x04, 0, 2, 0}, {2, 0x02, 4, 10, 33}, {kLeadOutTrack, 0, 8, 45, 12}};
  TTocData Raw = BuildTocData(1, 2, Entries);
  const uint8_t Expected[] = {
      0x00, 0x1A, 1,    2,                // length 2 + 3 * 8, first and last track
      0,    0x14, 1,    0, 0, 0, 2,  0,   // track 1: ADR 1, data, 0:02:00
      0,    0x12, 2,    0, 0, 4, 10, 33,  // track 2: audio, copy permitted
      0,    0x10, 0xAA, 0, 0, 8, 45, 12,  // lead-out
  };
  EXPECT_EQ(0, std::memcmp(Raw.data(), Expected, sizeof Expected));
  EXPECT_TRUE(
      std::all_of(Raw.begin() + sizeof Expected, Raw.end(), [](uint8_t B) { return B == 0; }));
  // More descriptors than 804 bytes hold are left out.
  std::vector<TTocDescriptor> Many(150, TTocDescriptor{1, 0, 0, 2, 0});
  Raw = BuildTocData(1, 99, Many);
  EXPECT_EQ(Raw[0] << 8 | Raw[1], 2 + 100 * 8);
}

TEST(InquiryTexts, FieldsComeFromFixedPositionsAndEndAtAZeroByte) {
  TInquiryData Data{};
  Data[0] = 5;
  Data[2] = 0;  // ATAPI drives report version 0: the texts start at byte 8 all the same
  std::memcpy(&Data[8], "PLEXTOR CD-R   PX-W4824A1.04 03/11/03 ", 38);
  TCDDrive Drive;
  FillInquiryTexts(Data, Drive);
  EXPECT_EQ(Drive.Vendor, "PLEXTOR ");
  EXPECT_EQ(Drive.Product, "CD-R   PX-W4824A");
  EXPECT_EQ(Drive.ProductRevision, "1.04");
  EXPECT_EQ(Drive.VendorSpecific, " 03/11/03 ");
  EXPECT_EQ(Drive.FullName, "PLEXTOR CD-R   PX-W4824A1.04");

  Data[20] = 0;  // a zero inside the product ends every text there
  FillInquiryTexts(Data, Drive);
  EXPECT_EQ(Drive.Product, "CD-R");
  EXPECT_EQ(Drive.ProductRevision, "");
  EXPECT_EQ(Drive.FullName, "PLEXTOR CD-R");
}
