#include "ID3v2.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "TagFile.h"
#include "TagModel.h"
#include "util/TextEncoding.h"

namespace tolvar {

using tagfile::TFd;

const std::array<const char*, kID3v2FrameCount> FrameIds = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};

namespace {

// Indices into FrameIds and TTagLayout::Frames.
enum : int {
  kTitle,
  kArtist,
  kAlbum,
  kTrack,
  kYear,
  kGenre,
  kComment,
  kComposer,
  kEncoder,
  kCopyright,
  kLanguage,
  kLink
};

constexpr int kHeaderSize = 10;
constexpr int kFrameHeaderSize = 10;
constexpr uint8_t kFooterFlag = 0x10;
// The largest number the header's four 7-bit groups can hold.
constexpr int64_t kMaxSizeField = (int64_t{1} << 28) - 1;

// Value without leading and trailing bytes whose code is 32 or less.
std::string TrimControls(std::string_view Value) {
  auto Blank = [](char C) { return static_cast<unsigned char>(C) <= 32; };
  while (!Value.empty() && Blank(Value.front())) Value.remove_prefix(1);
  while (!Value.empty() && Blank(Value.back())) Value.remove_suffix(1);
  return std::string(Value);
}

bool HasIdentifier(const std::array<uint8_t, 10>& Header) {
  return std::memcmp(Header.data(), "ID3", 3) == 0;
}

void PutBigEndian32(std::string& Out, uint32_t Value) {
  Out += static_cast<char>(Value >> 24);
  Out += static_cast<char>(Value >> 16);
  Out += static_cast<char>(Value >> 8);
  Out += static_cast<char>(Value);
}

// Every frame but UFID (an owner and binary identifier) starts its content
// with a text encoding byte.
int EncodingBytes(std::string_view Id) {
  return Id == "UFID" ? 0 : 1;
}

int64_t FrameSize(std::string_view Id, const std::string& Content) {
  return Content.empty()
             ? 0
             : static_cast<int64_t>(Content.size()) + kFrameHeaderSize + EncodingBytes(Id);
}

// Bytes the frames take, tag header included, without padding.
int64_t UnpaddedSize(const TTagLayout& Layout) {
  int64_t Size = kHeaderSize;
  for (int I = 0; I < kID3v2FrameCount; ++I) Size += FrameSize(FrameIds[I], Layout.Frames[I]);
  for (const TID3v2Frame& Frame : Layout.MoreFrames) Size += FrameSize(Frame.Id, Frame.Content);
  return Size;
}

constexpr uint8_t kLatin1 = 0;
constexpr uint8_t kUtf16 = 1;

// Latin-1 whenever it holds the text, so such tags keep the bytes they always
// had; else UTF-16 little endian behind its byte-order mark.
uint8_t EncodingFor(std::string_view Utf8) {
  return FitsLatin1(Utf8) ? kLatin1 : kUtf16;
}

std::string Encoded(std::string_view Utf8, uint8_t Encoding) {
  return Encoding == kLatin1 ? Utf8ToLatin1(Utf8) : "\xFF\xFE" + Utf8ToUtf16LE(Utf8);
}

// One frame: identifier, size (the encoding byte counted), two flag bytes,
// the text encoding byte (not in UFID), content. An empty content writes nothing.
void AppendFrame(std::string& Tag, std::string_view Id, const std::string& Content,
                 uint8_t Encoding) {
  if (Content.empty()) return;
  Tag += Id;
  PutBigEndian32(Tag, static_cast<uint32_t>(Content.size() + EncodingBytes(Id)));
  Tag.append(2, '\0');
  if (EncodingBytes(Id) != 0) Tag += static_cast<char>(Encoding);
  Tag += Content;
}

// A text frame's content in the encoding that holds it.
TID3v2Frame TextFrame(const char* Id, const std::string& Value) {
  const uint8_t Encoding = EncodingFor(Value);
  return {Id, Value.empty() ? std::string() : Encoded(Value, Encoding), Encoding};
}

// TXXX: a description ended by its terminator (two zero bytes in UTF-16), then
// the value, both in the encoding that holds both; nothing without a value.
TID3v2Frame UserText(const std::string& Description, const std::string& Value) {
  if (Value.empty()) return {"TXXX", {}, kLatin1};
  const uint8_t Encoding = EncodingFor(Description + Value);
  const std::string End = Encoding == kLatin1 ? std::string(1, '\0') : std::string(2, '\0');
  return {"TXXX", Encoded(Description, Encoding) + End + Encoded(Value, Encoding), Encoding};
}

// UFID: the owner's address ended by its zero byte, then the identifier.
TID3v2Frame FileId(const std::string& Owner, const std::string& Id) {
  return {"UFID", Id.empty() ? std::string() : Utf8ToLatin1(Owner) + '\0' + Id, kLatin1};
}

int64_t TotalSize(const TTagLayout& Layout) {
  return UnpaddedSize(Layout) + std::max<int64_t>(Layout.Padding, 0);
}

}  // namespace

void TID3v2::ResetData() {
  for (std::string* Field : {&FTitle, &FArtist, &FAlbum, &FYear, &FGenre, &FComment, &FComposer,
                             &FEncoder, &FCopyright, &FLanguage, &FLink})
    Field->clear();
  FTrack = 0;
  FAlbumArtist.clear();
  FIsrc.clear();
  FFileOwner.clear();
  FFileId.clear();
  FUserTexts.clear();
  FTrackTotal = FDisc = FDiscTotal = 0;
}

void TID3v2::SetTitle(std::string_view Value) {
  FTitle = TrimControls(Value);
}
void TID3v2::SetArtist(std::string_view Value) {
  FArtist = TrimControls(Value);
}
void TID3v2::SetAlbum(std::string_view Value) {
  FAlbum = TrimControls(Value);
}
void TID3v2::SetYear(std::string_view Value) {
  FYear = TrimControls(Value);
}
void TID3v2::SetGenre(std::string_view Value) {
  FGenre = TrimControls(Value);
}
void TID3v2::SetComment(std::string_view Value) {
  FComment = TrimControls(Value);
}
void TID3v2::SetEncoder(std::string_view Value) {
  FEncoder = TrimControls(Value);
}
void TID3v2::SetLink(std::string_view Value) {
  FLink = TrimControls(Value);
}
void TID3v2::SetAlbumArtist(std::string_view Value) {
  FAlbumArtist = TrimControls(Value);
}
void TID3v2::SetIsrc(std::string_view Value) {
  FIsrc = TrimControls(Value);
}
void TID3v2::AddUserText(std::string_view Description, std::string_view Value) {
  FUserTexts.emplace_back(Description, TrimControls(Value));
}
void TID3v2::SetUniqueFileId(std::string_view Owner, std::string_view Identifier) {
  FFileOwner = Owner;
  FFileId = TrimControls(Identifier).substr(0, 64);
}

void TID3v2::FillFrames(TTagLayout& Layout) const {
  auto& F = Layout.Frames;
  auto& E = Layout.Encodings;
  auto Text = [&](int Index, const std::string& Value) {
    E[Index] = EncodingFor(Value);
    F[Index] = Value.empty() ? std::string() : Encoded(Value, E[Index]);
  };
  Text(kTitle, FTitle);
  Text(kArtist, FArtist);
  Text(kAlbum, FAlbum);
  Text(kTrack, NumberOfTotal(FTrack, FTrackTotal));
  Text(kYear, FYear);
  Text(kGenre, FGenre);
  // Language "eng", then an empty description ended by its terminator (two
  // zero bytes in UTF-16), then the text.
  E[kComment] = EncodingFor(FComment);
  F[kComment] = FComment.empty() ? std::string()
                : E[kComment] == kLatin1
                    ? std::string("eng\0", 4) + Encoded(FComment, kLatin1)
                    : std::string("eng\xFF\xFE\0\0", 7) + Encoded(FComment, kUtf16);
  Text(kComposer, FComposer);
  Text(kEncoder, FEncoder);
  Text(kCopyright, FCopyright);
  Text(kLanguage, FLanguage);
  // An empty description ended by its zero byte, then the address, which is
  // Latin-1 whatever the description's encoding.
  E[kLink] = kLatin1;
  F[kLink] = FLink.empty() ? std::string() : std::string(1, '\0') + Utf8ToLatin1(FLink);
  Layout.MoreFrames = {TextFrame("TPE2", FAlbumArtist),
                       TextFrame("TPOS", NumberOfTotal(FDisc, FDiscTotal)),
                       TextFrame("TSRC", FIsrc)};
  for (const auto& [Description, Value] : FUserTexts)
    Layout.MoreFrames.push_back(UserText(Description, Value));
  Layout.MoreFrames.push_back(FileId(FFileOwner, FFileId));
}

std::string TID3v2::Render() const {
  TTagLayout Layout;
  FillFrames(Layout);
  return id3v2::RenderTag(Layout);
}

bool TID3v2::SaveToFile(const std::string& FileName) const {
  TTagLayout Layout;
  // A file that is missing or too short leaves the zeros, which count as no tag.
  id3v2::ReadHeader(FileName, Layout);
  FillFrames(Layout);
  return id3v2::WriteTag(FileName, Layout);
}

namespace id3v2 {

bool ReadHeader(const std::string& FileName, TTagLayout& Layout) {
  TFd File = tagfile::OpenFile(FileName, O_RDONLY);
  if (!File) return false;
  struct stat Info;
  if (fstat(File.Get(), &Info) != 0) return false;
  Layout.FileSize = Info.st_size;
  std::array<uint8_t, 10> Header{};
  if (tagfile::ReadFull(File.Get(), Header.data(), Header.size()) != kHeaderSize) return false;
  Layout.Header = Header;
  return true;
}

int64_t GetTagSize(const TTagLayout& Layout) {
  const auto& H = Layout.Header;
  // The bytes are used as they stand, top bits included.
  int64_t Size =
      (int64_t{H[6]} << 21) + (int64_t{H[7]} << 14) + (int64_t{H[8]} << 7) + H[9] + kHeaderSize;
  if (H[5] & kFooterFlag) Size += kHeaderSize;
  return Size > Layout.FileSize ? 0 : Size;
}

void BuildHeader(TTagLayout& Layout) {
  int64_t Unpadded = UnpaddedSize(Layout);
  int64_t OldSize = GetTagSize(Layout);
  Layout.Rewrite =
      !HasIdentifier(Layout.Header) || OldSize < Unpadded || OldSize > kID3v2PaddedSize;
  Layout.Padding = Layout.Rewrite ? kID3v2PaddedSize - Unpadded : OldSize - Unpadded;
  int64_t SizeField = TotalSize(Layout) - kHeaderSize;
  auto& H = Layout.Header;
  H = {'I', 'D', '3', 3, 0, 0};
  H[6] = static_cast<uint8_t>((SizeField >> 21) & 0x7F);
  H[7] = static_cast<uint8_t>((SizeField >> 14) & 0x7F);
  H[8] = static_cast<uint8_t>((SizeField >> 7) & 0x7F);
  H[9] = static_cast<uint8_t>(SizeField & 0x7F);
}

std::string RenderTag(TTagLayout& Layout) {
  BuildHeader(Layout);
  int64_t Total = TotalSize(Layout);
  if (Total - kHeaderSize > kMaxSizeField) return {};
  std::string Tag;
  Tag.reserve(static_cast<size_t>(Total));
  Tag.append(reinterpret_cast<const char*>(Layout.Header.data()), Layout.Header.size());
  for (int I = 0; I < kID3v2FrameCount; ++I)
    AppendFrame(Tag, FrameIds[I], Layout.Frames[I], Layout.Encodings[I]);
  for (const TID3v2Frame& Frame : Layout.MoreFrames)
    AppendFrame(Tag, Frame.Id, Frame.Content, Frame.Encoding);
  if (Layout.Padding > 0) Tag.append(static_cast<size_t>(Layout.Padding), '\0');
  return Tag;
}

bool WriteTag(const std::string& FileName, TTagLayout& Layout) {
  std::string Tag = RenderTag(Layout);
  if (Tag.empty()) return false;
  return Layout.Rewrite ? RebuildFile(FileName, Tag) : ReplaceTag(FileName, Tag);
}

bool ReplaceTag(const std::string& FileName, std::string_view Tag) {
  if (!tagfile::IsRegularFile(FileName) || !tagfile::ClearAttributes(FileName)) return false;
  TFd File = tagfile::OpenFile(FileName, O_WRONLY);
  if (!File) return false;
  if (!tagfile::WriteAll(File.Get(), Tag.data(), Tag.size())) return false;
  return File.Close();
}

bool RebuildFile(const std::string& FileName, std::string_view Tag) {
  if (!tagfile::IsRegularFile(FileName) || !tagfile::ClearAttributes(FileName)) return false;
  TTagLayout Fresh;
  if (!ReadHeader(FileName, Fresh)) return false;

  // Through a link, the file it points at gets the tag and the link stays.
  std::error_code Error;
  std::filesystem::path Resolved = std::filesystem::canonical(FileName, Error);
  std::string Target = Error ? FileName : Resolved.string();
  std::string Temporary = Target + "~";

  bool Created = false;
  auto Copy = [&]() -> bool {
    TFd In = tagfile::OpenFile(Target, O_RDONLY);
    if (!In) return false;
    struct stat Info;
    if (fstat(In.Get(), &Info) != 0) return false;
    // A stale temporary file goes first, so nothing is ever written through
    // a link or another name of it.
    if (unlink(Temporary.c_str()) != 0 && errno != ENOENT) return false;
    TFd Out = tagfile::OpenFile(Temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (!Out) return false;
    Created = true;
    // The new file takes the old one's owner and permissions.
    [[maybe_unused]] int Ignored = fchown(Out.Get(), Info.st_uid, Info.st_gid);
    Ignored = fchmod(Out.Get(), Info.st_mode & 07777);

    off_t Start = HasIdentifier(Fresh.Header) ? static_cast<off_t>(GetTagSize(Fresh)) : 0;
    if (lseek(In.Get(), Start, SEEK_SET) != Start) return false;
    if (!tagfile::WriteAll(Out.Get(), Tag.data(), Tag.size())) return false;
    std::vector<char> Buffer(1 << 18);
    for (;;) {
      ssize_t N = tagfile::ReadFull(In.Get(), Buffer.data(), Buffer.size());
      if (N < 0) return false;
      if (N == 0) break;
      if (!tagfile::WriteAll(Out.Get(), Buffer.data(), static_cast<size_t>(N))) return false;
    }
    // On disk before it takes the old file's place, so a crash cannot leave
    // an empty file under the old name.
    if (fsync(Out.Get()) != 0) return false;
    if (!Out.Close()) return false;
    In.Close();
    // One rename over the old file: there is no moment without the audio.
    return rename(Temporary.c_str(), Target.c_str()) == 0;
  };
  if (Copy()) return true;
  if (Created) unlink(Temporary.c_str());
  return false;
}

}  // namespace id3v2

}  // namespace tolvar
