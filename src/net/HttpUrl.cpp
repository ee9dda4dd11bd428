#include "net/HttpUrl.h"

#include <cctype>

#include "util/StringFunctions.h"

namespace tolvar {

namespace {

bool IsSchemeText(std::string_view Text) {
  if (Text.empty()) return false;
  for (char C : Text)
    if (!std::isalnum(static_cast<unsigned char>(C)) && C != '+' && C != '-' && C != '.')
      return false;
  return true;
}

// "./x" and "../x" against the folder of BasePath.
std::string ResolveDotted(std::string Url, const std::string& BasePath) {
  std::string Dir = BasePath.substr(0, BasePath.find('?'));
  Dir = Dir.substr(0, Dir.rfind('/') == std::string::npos ? 0 : Dir.rfind('/') + 1);
  if (Dir.empty()) Dir = "/";
  while (Url.compare(0, 3, "../") == 0) {
    Url.erase(0, 3);
    if (Dir.size() > 1) {
      Dir.pop_back();
      Dir.erase(Dir.rfind('/') + 1);
    }
  }
  if (Url.compare(0, 2, "./") == 0) Url.erase(0, 2);
  return Dir + Url;
}

}  // namespace

TUrlParts ParseURL(const std::string& Value, const std::string& BasePath) {
  TUrlParts Result;
  std::string Url = Value;
  if (Url.compare(0, 2, "./") == 0 || Url.compare(0, 3, "../") == 0)
    Url = ResolveDotted(Url, BasePath);

  std::string Rest;
  size_t Sep = Url.find("://");
  if (Sep != std::string::npos && IsSchemeText(std::string_view(Url).substr(0, Sep))) {
    Result.Proto = Url.substr(0, Sep);
    Rest = Url.substr(Sep + 3);
  } else if (Url.size() >= 1 && Url[0] == '/' && (Url.size() == 1 || Url[1] != '/')) {
    Result.Proto = "http";
    Result.Path = Url;
    return Result;
  } else if (StartsWithText("http:", Url)) {
    Result.Proto = "http";
    Result.Path = Url.substr(5);
    return Result;
  } else if (StartsWithText("mailto:", Url)) {
    Result.Proto = "mailto";
    Rest = Url.substr(7);
  } else {
    Rest = Url;
  }

  size_t PathStart = Rest.find_first_of("/?");
  std::string Authority = Rest.substr(0, PathStart);
  if (PathStart != std::string::npos) Result.Path = Rest.substr(PathStart);
  // A query alone still needs a path in front of it.
  if (!Result.Path.empty() && Result.Path[0] == '?') Result.Path.insert(0, "/");

  std::string HostPart = Authority;
  size_t At = Authority.rfind('@');
  if (At != std::string::npos) {
    std::string UserPart = Authority.substr(0, At);
    HostPart = Authority.substr(At + 1);
    size_t Colon = UserPart.find(':');
    Result.User = UserPart.substr(0, Colon);
    if (Colon != std::string::npos) Result.Pass = UserPart.substr(Colon + 1);
  }
  size_t Colon = HostPart.rfind(':');
  Result.Host = HostPart.substr(0, Colon);
  if (Colon != std::string::npos) Result.Port = HostPart.substr(Colon + 1);
  return Result;
}

std::string DocNameFromPath(const std::string& Path) {
  std::string Name = Path.substr(0, Path.find('?'));
  if (Name.empty() || Name.back() == '/') return "document.htm";
  size_t Slash = Name.rfind('/');
  if (Slash != std::string::npos) Name.erase(0, Slash + 1);
  Name = Name.substr(0, 255);
  return Name.substr(0, Name.find('?'));
}

std::string RelativePath(const std::string& CurrentPath, const std::string& Value) {
  std::string Base = CurrentPath.substr(0, CurrentPath.find('?'));
  size_t Last = Base.find_last_of("/:");
  Base.erase(Last == std::string::npos ? 0 : Last + 1);
  return Base + Value;
}

std::string Base64Encode(std::string_view Data) {
  static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  Out.reserve((Data.size() + 2) / 3 * 4);
  for (size_t I = 0; I < Data.size(); I += 3) {
    unsigned Bits = static_cast<unsigned char>(Data[I]) << 16;
    if (I + 1 < Data.size()) Bits |= static_cast<unsigned char>(Data[I + 1]) << 8;
    if (I + 2 < Data.size()) Bits |= static_cast<unsigned char>(Data[I + 2]);
    Out += Alphabet[(Bits >> 18) & 63];
    Out += Alphabet[(Bits >> 12) & 63];
    Out += I + 1 < Data.size() ? Alphabet[(Bits >> 6) & 63] : '=';
    Out += I + 2 < Data.size() ? Alphabet[Bits & 63] : '=';
  }
  return Out;
}

}  // namespace tolvar
