#pragma once
// The CDDB client's own table-of-contents reader. It does not read through
// the ripper's CD library, but it numbers the drives as that library does
// (its real devices, then its image drives, then the images the program was
// given), so drive N is the same drive for both, and sends INQUIRY and READ
// TOC itself. There is no ASPI layer on Linux, so pass-through is the one
// interface.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "DiscInfo.h"

namespace tolvar {

struct ECDReaderError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TCDDrive {
  uint8_t HaId = 0;  // host adapter (SCSI host number)
  uint8_t Target = 0;
  uint8_t Lun = 0;
  std::string Vendor;           // INQUIRY bytes 8-15
  std::string Product;          // bytes 16-31
  std::string ProductRevision;  // bytes 32-35
  std::string VendorSpecific;   // bytes 36-55
  std::string FullName;         // Vendor + Product + ProductRevision
  std::string Device;           // what stands for the drive letter: a device or an image file
  bool Image = false;
};

constexpr int kMaxDrives = 26;

struct TDriveTable {
  uint8_t CurrentDrive = 0;  // the index ReadTOC read last
  uint8_t DriveCount = 0;
  std::array<TCDDrive, kMaxDrives> Drives;
};

// The platform kind: 5, a system with SCSI pass-through.
int OsKind();
// Host adapters of the ASPI layer; -1, as it does not exist here.
int AspiAdapterCount();
// True when the platform kind has a usable interface.
bool InterfaceAvailable();

// Rebuilds the drive list of Table (CurrentDrive is kept): devices and images
// only, no drive is opened. Throws ECDReaderError "No usable interface
// available" when there is none.
void ListDrives(TDriveTable& Table);
// ListDrives, then identifies each drive.
void EnumerateDrives(TDriveTable& Table);
// Reads the TOC of drive Index into Toc. True when there is no TOC (no disc).
bool ReadDriveToc(const TDriveTable& Table, uint8_t Index, TDiscToc& Toc);

}  // namespace tolvar
