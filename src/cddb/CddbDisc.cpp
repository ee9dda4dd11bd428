#include "CddbDisc.h"

namespace tolvar {

TCddbDisc::TCddbDisc() {
  InternalTOCRetrieve = InterfaceAvailable();
  if (!InternalTOCRetrieve) return;
  EnumerateDrives(DriveTable);
  if (DriveTable.DriveCount > 0) {
    ReadDriveToc(DriveTable, 0, CDInfo.Toc);
    DriveTable.CurrentDrive = 0;
  }
}

void TCddbDisc::Report(const std::string& Status) {
  if (OnStatusMessage) OnStatusMessage(*this, Status);
}

bool TCddbDisc::ReadTOC(uint8_t DriveIndex) {
  if (!InternalTOCRetrieve) {
    Report("No CD-ROM interface detected!");
    return false;
  }
  EnumerateDrives(DriveTable);
  if (DriveIndex >= DriveTable.DriveCount) return false;
  bool Read = !ReadDriveToc(DriveTable, DriveIndex, CDInfo.Toc);
  if (!Read) Report("No CD in CD/DVD drive!");
  CDInfo.DiscID = FormatDiscId(CddbDiscId(CDInfo.Toc));
  DriveTable.CurrentDrive = DriveIndex;
  return Read;
}

void TCddbDisc::ParseEntry(bool Latin1) {
  std::string Category = CDInfo.Category;
  CDInfo = TCDInfo{};
  ReadTOC(DriveTable.CurrentDrive);
  CDInfo.Category = Category;
  ParseEntryLines(Entry, CDInfo, Latin1);
}

}  // namespace tolvar
