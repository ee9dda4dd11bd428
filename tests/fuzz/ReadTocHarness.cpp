// READ TOC and INQUIRY answers of a drive: ConvertToc, the disc ID and query
// line computed from what it gives, and the drive's name texts.
#include <cstdlib>
#include <span>

#include "FuzzTarget.h"
#include "cddb/DiscInfo.h"
#include "cddb/TocData.h"
#include "cddb/TocReader.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(read_toc) {
  std::span<const uint8_t> Raw(Data, Size);
  TDiscToc Toc;
  ConvertToc(Raw, Toc);
  if (Toc.TrackCount >= kMaxTocTracks) std::abort();
  const std::string Query = BuildQueryCommand(Toc);
  if (Query.find(FormatDiscId(CddbDiscId(Toc))) == std::string::npos) std::abort();
  TCDDrive Drive;
  FillInquiryTexts(Raw.first(std::min(Size, kInquiryBytes)), Drive);
  return 0;
}
