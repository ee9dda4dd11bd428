#include "RipNames.h"

#include "CDRipper.h"
#include "util/FileFunctions.h"
#include "util/StringFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {

std::string Part(const std::string& Text) {
  return FileNamePart(Utf8Left(Text, kMaxNamePart));
}

// Drops the last UTF-8 character of Text.
void PopCharacter(std::string& Text) {
  while (!Text.empty()) {
    unsigned char Last = static_cast<unsigned char>(Text.back());
    Text.pop_back();
    if ((Last & 0xC0) != 0x80) break;  // the lead byte (or a plain ASCII byte) ends it
  }
}

// Prefix + First + " - " + Second + Ext, with First and Second shortened
// (the longer one first) until the whole fits into one file name.
std::string FitName(const std::string& Prefix, std::string First, std::string Second,
                    const std::string& Ext) {
  const size_t Fixed = Prefix.size() + 3 + Ext.size();
  while (Fixed + First.size() + Second.size() > kMaxFileNameBytes &&
         !(First.empty() && Second.empty()))
    PopCharacter(First.size() >= Second.size() ? First : Second);
  return Prefix + First + " - " + Second + Ext;
}

}  // namespace

std::string SeparateTrackFileName(const std::string& Folder, int RowIndex,
                                  const std::string& Artist, const std::string& Title,
                                  const std::string& Ext) {
  return Folder + "/" + FitName(ZeroPad(RowIndex + 1, 2) + " ", Part(Artist), Part(Title), Ext);
}

std::string SingleTrackFileName(const std::string& Folder, int First, int Last, int RowCount,
                                const std::string& DiscArtist, const std::string& DiscTitle,
                                const std::string& Ext) {
  std::string Prefix;
  if (!(First == 0 && Last == RowCount - 1))
    Prefix = ZeroPad(First + 1, 2) + "_" + ZeroPad(Last + 1, 2) + " ";
  return Folder + "/" + FitName(Prefix, Part(DiscArtist), Part(DiscTitle), Ext);
}

void SetRipTags(TTagInfo& Info, const std::string& Title, const std::string& Artist,
                const std::string& Album, const std::string& Genre, const std::string& Comment,
                const std::string& Year) {
  SetTagText(Info.Title, Title);
  SetTagText(Info.Artist, Artist);
  SetTagText(Info.Album, Album);
  SetTagText(Info.Genre, Genre);
  SetTagText(Info.Comment, Comment);
  SetTagText(Info.Encoder, kRipEncoderText);
  SetTagText(Info.Year, Year);
}

TRegion FindSingleTrackRegion(const std::vector<bool>& Checked) {
  int First = -1, Last = -1;
  bool Gap = false;
  for (int I = 0; I < static_cast<int>(Checked.size()); ++I) {
    if (Checked[I]) {
      if (First == -1) First = I;
      if (Last != -1) Gap = true;
    } else if (First != -1 && Last == -1) {
      Last = I - 1;
    }
  }
  if (Gap || First == -1) return {};
  if (Last == -1) return {TRegionKind::Region, First, static_cast<int>(Checked.size()) - 1};
  if (First == Last) return {TRegionKind::Separate, First, Last};
  return {TRegionKind::Region, First, Last};
}

std::string ChangeFileExt(const std::string& Path, const std::string& Ext) {
  return StripExt(Path) + Ext;
}

}  // namespace tolvar
