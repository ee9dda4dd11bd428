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
  // Only the chosen drive is opened.
  ListDrives(DriveTable);
  if (DriveIndex >= DriveTable.DriveCount) return false;
  bool Read = !ReadDriveToc(DriveTable, DriveIndex, CDInfo.Toc);
  if (!Read) Report("No CD in CD/DVD drive!");
  CDInfo.DiscID = FormatDiscId(CddbDiscId(CDInfo.Toc));
  DriveTable.CurrentDrive = DriveIndex;
  return Read;
}

void TCddbDisc::ParseEntry(bool Latin1) {
  // The entry belongs to the disc whose TOC the query was built from: that
  // TOC stays, even when the drive holds another disc by now.
  const std::string Category = CDInfo.Category;
  const TDiscToc Toc = CDInfo.Toc;
  CDInfo = TCDInfo{};
  CDInfo.Toc = Toc;
  CDInfo.DiscID = FormatDiscId(CddbDiscId(Toc));
  CDInfo.Category = Category;
  ParseEntryLines(Entry, CDInfo, Latin1);
}

}  // namespace tolvar
