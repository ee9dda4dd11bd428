#include "TocReader.h"

#include "ImageDrive.h"
#include "ScsiDevice.h"
#include "TocData.h"
#include "platform/cdrip/CdDrives.h"

namespace tolvar {

namespace {

// There is no ASPI layer to prefer, so every operation checks only that
// pass-through is there.
void RequireInterface() {
  if (!InterfaceAvailable()) throw ECDReaderError("No usable interface available");
}

}  // namespace

int OsKind() {
  return 5;
}

int AspiAdapterCount() {
  return -1;
}

bool InterfaceAvailable() {
  int Kind = OsKind();
  if (Kind == 0 || Kind == 1) return AspiAdapterCount() != -1;
  return Kind >= 2 && Kind <= 5;
}

void ListDrives(TDriveTable& Table) {
  RequireInterface();
  Table.DriveCount = 0;
  Table.Drives = {};
  auto Add = [&](const std::string& Device, bool Image) {
    if (Table.DriveCount >= kMaxDrives) return;
    TCDDrive& Drive = Table.Drives[Table.DriveCount++];
    Drive.Device = Device;
    Drive.Image = Image;
  };
  for (const std::string& Device : cdrip::RealDevices()) Add(Device, false);
  for (const std::string& Image : ImageDriveList()) Add(Image, true);
}

void EnumerateDrives(TDriveTable& Table) {
  ListDrives(Table);
  for (int I = 0; I < Table.DriveCount; ++I) {
    TCDDrive& Drive = Table.Drives[I];
    if (Drive.Image)
      InquireImage(Drive);
    else
      InquireDevice(Drive);
  }
}

bool ReadDriveToc(const TDriveTable& Table, uint8_t Index, TDiscToc& Toc) {
  RequireInterface();
  TTocData Raw{};
  if (Index < Table.DriveCount) {
    const TCDDrive& Drive = Table.Drives[Index];
    if (Drive.Image)
      ReadImageToc(Drive.Device, Raw);
    else
      ReadDeviceToc(Drive.Device, Raw);
  }
  return ConvertToc(Raw, Toc);
}

}  // namespace tolvar
