#pragma once
// Cover art: the front image of a MusicBrainz release from the Cover Art
// Archive, and the ways it goes with the files of a rip (embedded in MP3 and
// Ogg Vorbis files, saved as cover.jpg or cover.png beside them).
#include <functional>
#include <string>

#include "web/WebClient.h"

namespace tolvar {

struct TCoverImage {
  std::string Bytes;
  std::string Mime;       // "image/jpeg" or "image/png"
  std::string Extension;  // ".jpg" or ".png"
  bool Empty() const { return Bytes.empty(); }
};

// The kind of Bytes by its content; an empty image when it is neither a JPEG
// nor a PNG.
TCoverImage CoverFromBytes(std::string Bytes);

// $TOLVAR_COVERART_URL or https://coverartarchive.org, without a trailing slash.
std::string CoverArtBaseUrl();

class TCoverArt {
 public:
  // An empty image and an empty Error: the release has no front image.
  using TDone = std::function<void(TCoverImage Image, std::string Error)>;

  explicit TCoverArt(TEventLoop& Loop) : Web(Loop) {}
  // GET <archive>/release/<ReleaseId>/front-500, redirects followed.
  void Fetch(const std::string& ReleaseId, TDone Done);
  void Cancel() { Web.CancelAll(); }

  TWebClient Web;
};

// Writes Folder/cover.jpg (or .png); the path, or empty when it failed.
std::string SaveCoverFile(const std::string& Folder, const TCoverImage& Image);

// Adds the image as the ID3v2 "APIC" frame of picture type 3 (front cover)
// to the file's tag, replacing an earlier one of that type.
bool EmbedCoverMp3(const std::string& FileName, const TCoverImage& Image);
// Adds the image as a METADATA_BLOCK_PICTURE comment (type 3) to an Ogg
// Vorbis file, replacing an earlier one; the file is rewritten through a
// temporary file.
bool EmbedCoverOgg(const std::string& FileName, const TCoverImage& Image);

}  // namespace tolvar
