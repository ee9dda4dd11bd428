// The image builder is what every drive-less test stands on: libcdio must read
// back exactly the layout and the audio it was given.
#include "DiscImage.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace tolvar::fixtures;

namespace {
struct TCdioCloser {
  void operator()(CdIo_t* P) const { cdio_destroy(P); }
};
using TCdio = std::unique_ptr<CdIo_t, TCdioCloser>;

TCdio OpenCue(const std::string& Path) {
  cdio_loglevel_default = CDIO_LOG_ERROR;
  return TCdio(cdio_open_cue(Path.c_str()));
}
}  // namespace

TEST(DiscImage, LibcdioReadsBackTheTrackLayout) {
  TTempDir Dir;
  std::string Cue = Dir / "mixed.cue";
  WriteDiscImage(Cue, {{1000, true, 0}, {750, false, 150}, {300, false, 0}});
  TCdio Cd = OpenCue(Cue);
  ASSERT_TRUE(Cd);
  EXPECT_EQ(cdio_get_first_track_num(Cd.get()), 1);
  ASSERT_EQ(cdio_get_num_tracks(Cd.get()), 3);
  EXPECT_EQ(cdio_get_track_format(Cd.get(), 1), TRACK_FORMAT_DATA);
  EXPECT_EQ(cdio_get_track_format(Cd.get(), 2), TRACK_FORMAT_AUDIO);
  EXPECT_EQ(cdio_get_track_lsn(Cd.get(), 1), 0);
  EXPECT_EQ(cdio_get_track_lsn(Cd.get(), 2), 1000 + 150);  // INDEX 01 after the pregap
  EXPECT_EQ(cdio_get_track_lsn(Cd.get(), 3), 1000 + 150 + 750);
  EXPECT_EQ(cdio_get_track_lsn(Cd.get(), CDIO_CDROM_LEADOUT_TRACK), 1000 + 150 + 750 + 300);

  struct stat Info;
  ASSERT_EQ(stat((Dir / "mixed.bin").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_size, off_t{2200} * kSectorBytes);
}

TEST(DiscImage, AudioDiffersPerTrackAndOffsetAndReadsBackExactly) {
  TTempDir Dir;
  std::string Cue = Dir / "audio.cue";
  WriteDiscImage(Cue, {{20, false, 0}, {20, false, 0}});
  TCdio Cd = OpenCue(Cue);
  ASSERT_TRUE(Cd);
  std::vector<uint8_t> Read(kSectorBytes), Expected(kSectorBytes), Other(kSectorBytes);
  ASSERT_EQ(cdio_read_audio_sectors(Cd.get(), Read.data(), 20 + 5, 1), DRIVER_OP_SUCCESS);
  TestAudioSector(2, 5, Expected.data());
  EXPECT_EQ(Read, Expected);
  TestAudioSector(1, 5, Other.data());
  EXPECT_NE(Other, Expected);
  TestAudioSector(2, 6, Other.data());
  EXPECT_NE(Other, Expected);
  EXPECT_NE(TestAudioFrame(1, 0), TestAudioFrame(1, 1));
}

TEST(DiscImage, SparseImagesHaveFullLengthWithoutTheBlocks) {
  TTempDir Dir;
  std::string Cue = Dir / "long.cue";
  const uint32_t SeventyFourMinutes = 74 * 60 * 75;
  TImageOptions Sparse;
  Sparse.Sparse = true;
  WriteDiscImage(Cue, {{SeventyFourMinutes / 2, false, 0}, {SeventyFourMinutes / 2, false, 0}},
                 Sparse);
  struct stat Info;
  ASSERT_EQ(stat((Dir / "long.bin").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_size, off_t{SeventyFourMinutes} * kSectorBytes);
  EXPECT_LT(Info.st_blocks * 512, 1 << 20);
  TCdio Cd = OpenCue(Cue);
  ASSERT_TRUE(Cd);
  EXPECT_EQ(cdio_get_track_lsn(Cd.get(), CDIO_CDROM_LEADOUT_TRACK), int(SeventyFourMinutes));
}

TEST(DiscImage, SampleDiscHasFiveTracksOfSoundBetween15And40Seconds) {
  // The one the build generated: the disc users see.
  TCdio Cd = OpenCue(TOLVAR_SAMPLE_CUE);
  ASSERT_TRUE(Cd);
  ASSERT_EQ(cdio_get_num_tracks(Cd.get()), 5);
  for (track_t T = 1; T <= 5; ++T) {
    lsn_t Length = cdio_get_track_lsn(Cd.get(), T + 1 > 5 ? CDIO_CDROM_LEADOUT_TRACK : T + 1) -
                   cdio_get_track_lsn(Cd.get(), T);
    EXPECT_GE(Length, 15 * 75);
    EXPECT_LE(Length, 40 * 75);
    // Mid-track audio is neither silent nor clipped.
    std::vector<int16_t> Pcm(kSectorBytes / 2);
    ASSERT_EQ(cdio_read_audio_sectors(Cd.get(), Pcm.data(),
                                      cdio_get_track_lsn(Cd.get(), T) + Length / 2, 1),
              DRIVER_OP_SUCCESS);
    int Peak = 0;
    for (int16_t S : Pcm) Peak = std::max(Peak, std::abs(int(S)));
    EXPECT_GT(Peak, 1000);
    EXPECT_LT(Peak, 32000);
  }
}

TEST(DiscImage, UnwritableTargetThrows) {
  TTempDir Dir;
  EXPECT_THROW(WriteDiscImage(Dir / "missing/x.cue", {{10, false, 0}}), std::runtime_error);
}
