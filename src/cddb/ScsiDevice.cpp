#include "ScsiDevice.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "TocReader.h"
#include "util/Dialogs.h"

namespace tolvar {

namespace {

constexpr uint8_t kInquiryCdb[6] = {0x12, 0, 0, 0, kInquiryBytes, 0};
// READ TOC, MSF addresses, format 0, allocation length 804.
constexpr uint8_t kReadTocCdb[10] = {
    0x43, 0x02, 0, 0, 0, 0, 0, kTocDataBytes >> 8, kTocDataBytes & 0xFF, 0};

// driver_status bit that only says sense data came back.
constexpr unsigned kDriverSense = 0x08;

constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorNotReady = 21;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorDevNotExist = 55;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorSemTimeout = 121;
constexpr uint32_t kErrorBusy = 170;

class TDevice {
 public:
  TDevice(const std::string& Path, int Flags) : Fd(open(Path.c_str(), Flags | O_NONBLOCK)) {}
  ~TDevice() {
    if (Fd >= 0) close(Fd);
  }
  TDevice(const TDevice&) = delete;
  TDevice& operator=(const TDevice&) = delete;
  bool IsOpen() const { return Fd >= 0; }
  int Handle() const { return Fd; }

 private:
  int Fd;
};

// Sends one data-in command. Returns 0 or a Windows error code. A command the
// drive refuses (CHECK CONDITION, no disc) is no transport error: Data stays
// zero and the caller sees an empty answer, as a pass-through driver reports it.
uint32_t PassThrough(int Fd, const uint8_t* Cdb, uint8_t CdbLength, uint8_t* Data, unsigned Length,
                     unsigned TimeoutMs) {
  uint8_t Sense[24] = {};
  sg_io_hdr_t Io = {};
  Io.interface_id = 'S';
  Io.dxfer_direction = SG_DXFER_FROM_DEV;
  Io.cmd_len = CdbLength;
  Io.mx_sb_len = sizeof Sense;
  Io.dxfer_len = Length;
  Io.dxferp = Data;
  Io.cmdp = const_cast<uint8_t*>(Cdb);
  Io.sbp = Sense;
  Io.timeout = TimeoutMs;
  if (ioctl(Fd, SG_IO, &Io) < 0) return WindowsErrorCode(errno);
  if (Io.host_status != 0 || (Io.driver_status & ~kDriverSense) != 0) return kErrorIoDevice;
  if (Io.status != 0) std::fill(Data, Data + Length, uint8_t{0});
  return 0;
}

bool ReadTocEntry(int Fd, uint8_t Track, TTocDescriptor& D) {
  cdrom_tocentry Entry = {};
  Entry.cdte_track = Track;
  Entry.cdte_format = CDROM_MSF;
  if (ioctl(Fd, CDROMREADTOCENTRY, &Entry) < 0) return false;
  D = {Track, Entry.cdte_ctrl, Entry.cdte_addr.msf.minute, Entry.cdte_addr.msf.second,
       Entry.cdte_addr.msf.frame};
  return true;
}

// The CD-ROM driver's own TOC request, turned into READ TOC data.
void ReadIoctlToc(const std::string& Device, TTocData& Raw) {
  Raw.fill(0);
  TDevice Dev(Device, O_RDONLY);
  if (!Dev.IsOpen()) return;
  cdrom_tochdr Header = {};
  if (ioctl(Dev.Handle(), CDROMREADTOCHDR, &Header) < 0) return;
  std::vector<TTocDescriptor> Entries;
  for (unsigned T = Header.cdth_trk0; T <= Header.cdth_trk1 && T < kLeadOutTrack; ++T) {
    if (!ReadTocEntry(Dev.Handle(), static_cast<uint8_t>(T), Entries.emplace_back())) return;
  }
  if (!ReadTocEntry(Dev.Handle(), CDROM_LEADOUT, Entries.emplace_back())) return;
  Raw = BuildTocData(Header.cdth_trk0, Header.cdth_trk1, Entries);
}

}  // namespace

uint32_t WindowsErrorCode(int Errno) {
  switch (Errno) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case EIO:
      return kErrorIoDevice;
    case ENOMEM:
    case ENOBUFS:
      return kErrorNoSystemResources;
    case ENOTTY:
    case EOPNOTSUPP:
      return kErrorInvalidFunction;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOMEDIUM:
      return kErrorNotReady;
    case ENODEV:
    case ENXIO:
      return kErrorDevNotExist;
    case EINVAL:
      return kErrorInvalidParameter;
    case ETIMEDOUT:
      return kErrorSemTimeout;
    case EBUSY:
      return kErrorBusy;
    default:
      return kErrorGenFailure;
  }
}

void InquireDevice(TCDDrive& Drive) {
  TDevice Dev(Drive.Device, OsKind() >= 4 ? O_RDWR : O_RDONLY);
  if (!Dev.IsOpen()) return;
  TInquiryData Data{};
  if (PassThrough(Dev.Handle(), kInquiryCdb, sizeof kInquiryCdb, Data.data(), Data.size(), 2000) !=
      0)
    return;
  FillInquiryTexts(Data, Drive);
  int IdLun[2] = {};
  if (ioctl(Dev.Handle(), SCSI_IOCTL_GET_IDLUN, IdLun) == 0) {
    Drive.HaId = static_cast<uint8_t>(IdLun[0] >> 24);
    Drive.Target = static_cast<uint8_t>(IdLun[0]);
    Drive.Lun = static_cast<uint8_t>(IdLun[0] >> 8);
  }
}

void HandlePassThroughFailure(uint32_t Code, TTocData& Raw) {
  switch (Code) {
    case kErrorAccessDenied:
      Dialogs().MessageBox(
          "You must have Administor privileges to use SPTI under Win2000/XP; falling back to "
          "IOCTL. "
          "This may cause erroneous results if a Mixed-Mode CD is in the drive.",
          "Error", TMsgKind::Error);
      break;
    case kErrorIoDevice:
      Raw.fill(0);
      break;
    case kErrorNoSystemResources:
      break;
    default: {
      char Text[40];
      std::snprintf(Text, sizeof Text, "IO Error: %u\n\r", Code);
      Dialogs().MessageBox(Text, "Error", TMsgKind::Error);
    }
  }
}

void ReadDeviceToc(const std::string& Device, TTocData& Raw) {
  Raw.fill(0);
  {
    TDevice Dev(Device, OsKind() >= 4 ? O_RDWR : O_RDONLY);
    if (Dev.IsOpen()) {
      uint32_t Code =
          PassThrough(Dev.Handle(), kReadTocCdb, sizeof kReadTocCdb, Raw.data(), Raw.size(), 5000);
      if (Code == 0) return;
      HandlePassThroughFailure(Code, Raw);
    }
  }
  ReadIoctlToc(Device, Raw);
}

}  // namespace tolvar
