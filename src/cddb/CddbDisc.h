#pragma once
// The disc side of the CDDB client: the disc record, the drive table of the
// direct reader, and the entry lines of the last read. The protocol client
// builds on it and reports through the same OnStatusMessage.
#include <cstdint>
#include <functional>
#include <string>

#include "CddbEntry.h"
#include "DiscInfo.h"
#include "TocReader.h"

namespace tolvar {

class TCddbDisc {
 public:
  using TStatusEvent = std::function<void(TCddbDisc& Sender, const std::string& Status)>;

  // Reads the TOC of drive 0 when a direct interface is usable; no messages,
  // no disc ID yet.
  TCddbDisc();

  // Reads the TOC of drive DriveIndex into CDInfo.Toc and sets CDInfo.DiscID
  // (lower case). True when a TOC was read.
  bool ReadTOC(uint8_t DriveIndex);
  // Clears CDInfo (Category and the TOC survive, DiscID is that TOC's) and
  // fills the texts from Entry (Latin1: the entry came at protocol level 5).
  // EConvertError ends the parse at a bad number.
  void ParseEntry(bool Latin1 = false);

  bool InternalTOCRetrieve = false;
  TDriveTable DriveTable;
  TStatusEvent OnStatusMessage;
  TCDInfo CDInfo;
  TEntryArray Entry;

 protected:
  void Report(const std::string& Status);
};

}  // namespace tolvar
