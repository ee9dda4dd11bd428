#pragma once
// Texts inside Tolvar are Latin-1 bytes; file names, terminals, Vorbis comments
// and CUE sheets are UTF-8. These convert at those edges.
#include <string>
#include <string_view>

namespace tolvar {

std::string Latin1ToUtf8(std::string_view Latin1);
// Characters outside Latin-1, and malformed UTF-8 bytes, become "?".
std::string Utf8ToLatin1(std::string_view Utf8);
// Makes a text fit on one line: each CR LF pair, lone CR, lone LF or TAB
// becomes one blank, and other characters below 0x20 are dropped. Works alike
// on Latin-1 and UTF-8, whose multi-byte characters hold no such bytes.
std::string SingleLine(std::string_view Text);
// Makes a Latin-1 text safe as one part of a file name and returns it in UTF-8:
// "/" and NUL become "_", the text is made a single line, and a part that is
// "." or ".." becomes "_" so it can never name a folder outside the output
// folder.
std::string FileNamePart(std::string_view Latin1);

}  // namespace tolvar
