#pragma once
// Address handling of the HTTP client: URL parsing, the document name taken
// from a path, relative relocation, and Base64 for basic authorization.
#include <string>
#include <string_view>

namespace tolvar {

struct TUrlParts {
  std::string Proto, User, Pass, Host, Port, Path;
};

// Splits a URL (also a proxy "host:port" or a Location value). A value that
// begins with "./" or "../" is taken relative to BasePath. The path begins at
// the first "/" or "?" after the scheme and keeps the query.
TUrlParts ParseURL(const std::string& Url, const std::string& BasePath = {});

// The file name a document is saved under: the last part of Path without its
// query, at most 255 characters; "document.htm" for a folder.
std::string DocNameFromPath(const std::string& Path);

// Path of a relative Location value: the current path up to and including its
// last "/" or ":" before any "?", followed by Value.
std::string RelativePath(const std::string& CurrentPath, const std::string& Value);

// RFC 2045 Base64 with "=" padding and no line breaks.
std::string Base64Encode(std::string_view Data);

}  // namespace tolvar
