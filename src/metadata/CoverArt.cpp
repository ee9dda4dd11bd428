#include "CoverArt.h"

#include "util/FileFunctions.h"

namespace tolvar {

TCoverImage CoverFromBytes(std::string Bytes) {
  TCoverImage Image;
  if (Bytes.starts_with("\xFF\xD8\xFF")) {
    Image.Mime = "image/jpeg";
    Image.Extension = ".jpg";
  } else if (Bytes.starts_with("\x89PNG\r\n\x1A\n")) {
    Image.Mime = "image/png";
    Image.Extension = ".png";
  } else {
    return Image;
  }
  Image.Bytes = std::move(Bytes);
  return Image;
}

std::string CoverArtBaseUrl() {
  return ServiceAddress("TOLVAR_COVERART_URL", "https://coverartarchive.org");
}

void TCoverArt::Fetch(const std::string& ReleaseId, TDone Done) {
  TWebRequest Request;
  Request.Service = "Cover Art Archive";
  Request.Url = CoverArtBaseUrl() + "/release/" + ReleaseId + "/front-500";
  Request.Accept = "image/*";
  Request.MaxBody = kImageBodyCap;
  Web.Get(Request, [Done = std::move(Done)](const TWebResponse& Response) {
    if (!Response.Answered) return Done({}, Response.Error);
    if (Response.Status == 404) return Done({}, "");
    if (Response.Status != 200)
      return Done({}, "Cover Art Archive: HTTP " + std::to_string(Response.Status));
    TCoverImage Image = CoverFromBytes(Response.Body);
    if (Image.Empty()) return Done({}, "Cover Art Archive: the answer is no JPEG or PNG image");
    Done(std::move(Image), "");
  });
}

std::string SaveCoverFile(const std::string& Folder, const TCoverImage& Image) {
  if (Image.Empty()) return {};
  const std::string Path = Folder + "/cover" + Image.Extension;
  return WriteFileAtomic(Path, Image.Bytes) ? Path : std::string();
}

}  // namespace tolvar
