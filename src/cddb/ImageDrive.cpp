#include "ImageDrive.h"

#include "QuietCdio.h"
#include "platform/cdrip/CdDrives.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "TocReader.h"

namespace tolvar {

namespace {

std::vector<std::string>& ProgramImages() {
  static std::vector<std::string> Images;
  return Images;
}

struct TCdioCloser {
  void operator()(CdIo_t* Cdio) const { cdio_destroy(Cdio); }
};
using TCdio = std::unique_ptr<CdIo_t, TCdioCloser>;

driver_id_t ImageDriver(const std::string& Path) {
  auto Named = [](char* Other) {
    std::free(Other);
    return Other != nullptr;
  };
  if (Named(cdio_is_cuefile(Path.c_str()))) return DRIVER_BINCUE;
  if (cdio_is_tocfile(Path.c_str())) return DRIVER_CDRDAO;
  if (cdio_is_nrg(Path.c_str())) return DRIVER_NRG;
  if (Named(cdio_is_binfile(Path.c_str()))) return DRIVER_BINCUE;
  return DRIVER_UNKNOWN;
}

TTocDescriptor Descriptor(CdIo_t* Cdio, track_t Track, uint8_t Number, uint8_t Control) {
  lba_t Lba = cdio_get_track_lba(Cdio, Track);
  if (Lba < 0) Lba = 0;
  return {Number, Control, static_cast<uint8_t>(Lba / (60 * 75)),
          static_cast<uint8_t>(Lba / 75 % 60), static_cast<uint8_t>(Lba % 75)};
}

// CONTROL nibble of a track: data bit, copy permitted, pre-emphasis, four channels.
uint8_t Control(CdIo_t* Cdio, track_t Track) {
  if (cdio_get_track_format(Cdio, Track) != TRACK_FORMAT_AUDIO) return kControlDataTrack;
  uint8_t C = 0;
  if (cdio_get_track_preemphasis(Cdio, Track) == CDIO_TRACK_FLAG_TRUE) C |= 0x01;
  if (cdio_get_track_copy_permit(Cdio, Track) == CDIO_TRACK_FLAG_TRUE) C |= 0x02;
  if (cdio_get_track_channels(Cdio, Track) == 4) C |= 0x08;
  return C;
}

}  // namespace

std::vector<std::string> ImageDriveList() {
  // The CD library's own image drives first, so both readers number drives alike.
  std::vector<std::string> List = cdrip::ConfiguredImages();
  for (const std::string& Image : ProgramImages()) List.push_back(Image);
  return List;
}

void SetProgramImages(std::vector<std::string> Images) {
  ProgramImages() = std::move(Images);
}

void InquireImage(TCDDrive& Drive) {
  TInquiryData Data{};
  Data[0] = 0x05;  // CD-ROM device
  Data[1] = 0x80;  // removable medium
  std::string Name = Drive.Device.substr(Drive.Device.find_last_of('/') + 1);
  std::memset(Data.data() + 8, ' ', 48);
  std::memcpy(Data.data() + 8, "Tolvar", 6);
  std::memcpy(Data.data() + 16, "Image drive", 11);
  std::memcpy(Data.data() + 32, "0.7", 3);
  std::memcpy(Data.data() + 36, Name.data(), std::min<size_t>(Name.size(), 20));
  FillInquiryTexts(Data, Drive);
}

void ReadImageToc(const std::string& Image, TTocData& Raw) {
  Raw.fill(0);
  TQuietCdio Quiet;
  driver_id_t Driver = ImageDriver(Image);
  if (Driver == DRIVER_UNKNOWN) return;
  TCdio Cdio(cdio_open(Image.c_str(), Driver));
  if (!Cdio) return;
  track_t First = cdio_get_first_track_num(Cdio.get());
  track_t Last = cdio_get_last_track_num(Cdio.get());
  if (First == CDIO_INVALID_TRACK || Last == CDIO_INVALID_TRACK || Last < First) return;
  std::vector<TTocDescriptor> Entries;
  for (unsigned N = First; N <= Last; ++N) {
    auto T = static_cast<track_t>(N);
    Entries.push_back(Descriptor(Cdio.get(), T, T, Control(Cdio.get(), T)));
  }
  Entries.push_back(Descriptor(Cdio.get(), CDIO_CDROM_LEADOUT_TRACK, kLeadOutTrack, 0));
  Raw = BuildTocData(First, Last, Entries);
}

}  // namespace tolvar
