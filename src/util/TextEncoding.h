#pragma once
// Texts inside Tolvar are Latin-1 bytes; file names, terminals, Vorbis comments
// and CUE sheets are UTF-8. These convert at those edges.
#include <string>
#include <string_view>

namespace tolvar {

std::string Latin1ToUtf8(std::string_view Latin1);
// Characters outside Latin-1, and malformed UTF-8 bytes, become "?".
std::string Utf8ToLatin1(std::string_view Utf8);
// Makes a Latin-1 text safe as one part of a file name and returns it in UTF-8:
// "/" and NUL become "_", and a part that is "." or ".." becomes "_" so it can
// never name a folder outside the output folder.
std::string FileNamePart(std::string_view Latin1);

}  // namespace tolvar
