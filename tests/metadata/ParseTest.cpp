// The disc identity against libdiscid, and the reading of MusicBrainz
// answers shaped as the service sends them (nulls, missing keys, wrong types).
#include <gtest/gtest.h>

#include "Libdiscid.h"
#include "TestSupport.h"
#include "metadata/DiscIdentity.h"
#include "metadata/MusicBrainz.h"

using namespace tolvar;

namespace {

TDiscTocEntry At(uint32_t Sector, bool Audio = true) {
  return {static_cast<uint8_t>(Sector / 4500), static_cast<uint8_t>(Sector / 75 % 60),
          static_cast<uint8_t>(Sector % 75), Audio};
}

TDiscToc MakeToc(const std::vector<uint32_t>& Starts, uint32_t LeadOut, bool DataLast = false) {
  TDiscToc Toc;
  Toc.TrackCount = static_cast<uint8_t>(Starts.size());
  for (size_t I = 0; I < Starts.size(); ++I)
    Toc.Tracks[I] = At(Starts[I], !(DataLast && I + 1 == Starts.size()));
  Toc.LeadOut = At(LeadOut, false);
  return Toc;
}

std::string Template(const std::string& Name, const std::string& DiscId) {
  std::string Body = fixtures::ReadFile(std::string(TOLVAR_METADATA_DATA) + "/" + Name);
  for (size_t At; (At = Body.find("@DISCID@")) != std::string::npos;) Body.replace(At, 8, DiscId);
  return Body;
}

}  // namespace

TEST(DiscIdentity, AgreesWithLibdiscidAndLeavesATrailingDataTrackOut) {
  // libdiscid's documented example, then an enhanced CD: two audio tracks
  // and a data track whose start, less 11,400 sectors, is the audio lead-out.
  const TDiscIdentity Plain = ComputeDiscIdentity(MakeToc(
      {150, 22767, 41887, 58317, 72102, 91375, 104652, 115380, 132165, 143932, 159870, 174597},
      267257));
  const TDiscIdentity Enhanced = ComputeDiscIdentity(MakeToc({150, 15150, 30150}, 33150, true));
  EXPECT_EQ(Enhanced.TocString(), "1 2 18750 150 15150");
  EXPECT_EQ(Enhanced.AudioTracks, 2);
  const std::vector<std::string> Reference =
      fixtures::LibdiscidMusicBrainzIds({{Plain.Offsets, Plain.LeadOut}, {{150, 15150}, 18750}});
  ASSERT_EQ(Reference.size(), 2u);
  EXPECT_EQ(Plain.MusicBrainzId, Reference[0]);
  EXPECT_EQ(Plain.MusicBrainzId, "I5l9cCSFccLKFEKS.7wqSZAorPU-");
  EXPECT_EQ(Enhanced.MusicBrainzId, Reference[1]);
  // The FreeDB ID counts every track, the data track included.
  EXPECT_EQ(Enhanced.FreedbId.substr(6), "03");
  EXPECT_EQ(Enhanced.SubmitUrl(), "https://musicbrainz.org/cdtoc/attach?id=" +
                                      Enhanced.MusicBrainzId + "&tracks=2&toc=1+2+18750+150+15150");
}

TEST(MusicBrainzParse, TakesTheMediumOfThisDiscAndTheTracksOwnCredits) {
  std::vector<TMetaRelease> R;
  std::string Error;
  ASSERT_TRUE(
      ParseMusicBrainzReleases(Template("two_disc.json", "ThisDisc"), "ThisDisc", 3, R, Error));
  ASSERT_EQ(R.size(), 1u);
  const TMetaRelease& M = R[0];
  EXPECT_EQ(M.Artist, "Ayumi feat. Björk");
  EXPECT_EQ(M.Album, "風の詩 (Kaze no Uta)");
  EXPECT_EQ(M.Year(), "2004");
  EXPECT_EQ(M.Barcode, "");  // null
  EXPECT_EQ(M.Label + "|" + M.Catalog, "Avex|AVCD-1234");
  EXPECT_EQ(M.ReleaseGroupId, "rg-0001");
  EXPECT_EQ(M.Disc, 2);
  EXPECT_EQ(M.Discs, 2);
  ASSERT_EQ(M.Tracks.size(), 3u);
  // The track's own title and credit; then the recording's; then the release's.
  EXPECT_EQ(M.Tracks[0].Title, "Kaze no Uta");
  EXPECT_EQ(M.Tracks[0].Artist, "Ayumi & Ken");
  EXPECT_EQ(M.Tracks[0].LengthMs, 20000);
  EXPECT_EQ(M.Tracks[0].Isrc, "JPAB00400001");
  EXPECT_EQ(M.Tracks[1].Title, "夜明け");
  EXPECT_EQ(M.Tracks[1].Artist, "宇多田");
  EXPECT_EQ(M.Tracks[1].LengthMs, 24000);
  EXPECT_EQ(M.Tracks[1].Isrc, "");
  EXPECT_EQ(M.Tracks[2].Artist, "Ayumi feat. Björk");
  EXPECT_EQ(M.Tracks[2].RecordingId + M.Tracks[2].TrackId, "r2-3t2-3");
}

TEST(MusicBrainzParse, ReleaseListPicksTheMediumByTrackCount) {
  std::vector<TMetaRelease> R;
  std::string Error;
  ASSERT_TRUE(ParseMusicBrainzReleases(Template("toc_list.json", ""), "UnknownId", 3, R, Error));
  ASSERT_EQ(R.size(), 1u);
  EXPECT_EQ(R[0].Disc, 2);
  ASSERT_EQ(R[0].Tracks.size(), 3u);
  EXPECT_EQ(R[0].Tracks[2].Title, "Toc Three");
}

TEST(MusicBrainzParse, WrongTypesReadAsEmptyAndNonJsonIsAnError) {
  std::vector<TMetaRelease> R;
  std::string Error;
  ASSERT_TRUE(ParseMusicBrainzReleases(Template("wrong_types.json", "D"), "D", 3, R, Error));
  ASSERT_EQ(R.size(), 1u);  // the release that is no object is left out
  EXPECT_EQ(R[0].Album + R[0].Artist + R[0].Date + R[0].Country + R[0].Barcode + R[0].ReleaseId,
            "");
  ASSERT_EQ(R[0].Tracks.size(), 1u);
  EXPECT_EQ(R[0].Tracks[0].Title, "Kept");
  EXPECT_EQ(R[0].Tracks[0].Number, 1);
  EXPECT_EQ(R[0].Tracks[0].LengthMs, 24000);  // the track's text falls back to the recording
  EXPECT_EQ(R[0].Tracks[0].Isrc, "");

  // Positions no int holds read as unknown instead of wrapping to another number.
  ASSERT_TRUE(ParseMusicBrainzReleases(
      R"({"releases":[{"media":[{"position":4294967298,"tracks":[{"position":4294967299}]}]}]})",
      "D", 1, R, Error));
  ASSERT_EQ(R.size(), 1u);
  ASSERT_EQ(R[0].Tracks.size(), 1u);
  EXPECT_EQ(R[0].Disc, 1);
  EXPECT_EQ(R[0].Tracks[0].Number, 1);

  EXPECT_FALSE(ParseMusicBrainzReleases("<html>Maintenance</html>", "D", 3, R, Error));
  EXPECT_EQ(Error, "MusicBrainz: the answer is not JSON");
  EXPECT_TRUE(R.empty());
}
