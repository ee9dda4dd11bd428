#pragma once
// The tag step of a rip: the ID3 version 1 tag and then
// the version 2 tag written into a finished MP3 file. The ripper calls it after
// each MP3 rip; `tolvar-cli tag` calls the very same code.
#include <string>
#include <string_view>

#include "TagModel.h"

namespace tolvar {

// The ripper's seven TagInfo texts, in TagInfo's order, in UTF-8. Each
// is taken up to its first zero byte, so a whole fixed-size slot may be passed.
struct TRipTagTexts {
  std::string_view Title, Artist, Album, Genre, Comment, Encoder, Year;
};

// What each save returned. The ripper ignores both; the command line needs both.
struct TRipTagResult {
  bool Version1 = false;
  bool Version2 = false;
  bool Ok() const { return Version1 && Version2; }
};

// Version 1: Title, Artist, Album, Year, Comment and Genre (by name), in that
// order. Version 2: the same six texts, Encoder "Tolvar" (the product name,
// not TagInfo's Encoder slot) and Link the product's web address. Then the
// version 1 save, then the version 2 save into FileName; both always run.
// Version 2 also carries what Extras knows (nothing of it goes into version
// 1): TPE2 the album artist, TRCK "n/N", TPOS "n/N", TSRC the ISRC, the
// MusicBrainz identifiers as TXXX frames under the names taggers use, and the
// recording's as UFID "http://musicbrainz.org".
TRipTagResult WriteRipTags(const std::string& FileName, const TRipTagTexts& TagInfo,
                           const TTagExtras& Extras = {});

}  // namespace tolvar
