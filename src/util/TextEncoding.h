#pragma once
// Texts inside Tolvar are UTF-8. These helpers judge and cut UTF-8 texts and
// convert at the edges that want another encoding: ID3 tags (Latin-1 or
// UTF-16) and old files or servers that speak Latin-1.
#include <cstddef>
#include <string>
#include <string_view>

namespace tolvar {

// Decodes the character at Text[Pos] and moves Pos past it. A malformed
// sequence (cut short, overlong, a surrogate, beyond U+10FFFF) gives false
// and moves Pos by one byte.
bool NextCodePoint(std::string_view Text, size_t& Pos, char32_t& Code);
bool IsValidUtf8(std::string_view Text);
// True when every character of a valid UTF-8 text is in Latin-1.
bool FitsLatin1(std::string_view Utf8);

std::string Latin1ToUtf8(std::string_view Latin1);
// Characters outside Latin-1, and malformed UTF-8 bytes, become "?".
std::string Utf8ToLatin1(std::string_view Utf8);
// Makes a text fit on one line: each CR LF pair, lone CR, lone LF or TAB
// becomes one blank, and other characters below 0x20 are dropped. Works alike
// on Latin-1 and UTF-8, whose multi-byte characters hold no such bytes.
std::string SingleLine(std::string_view Text);
// Text itself when it is valid UTF-8, else Text read as Latin-1: files and
// servers hold texts of both kinds.
std::string Utf8OrLatin1(std::string_view Text);
// UTF-16 little endian, without byte-order mark; malformed bytes become "?".
std::string Utf8ToUtf16LE(std::string_view Utf8);

// Number of characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view Utf8);
// The first MaxChars characters of Text.
std::string Utf8Left(std::string_view Utf8, size_t MaxChars);
// The longest start of Text of at most MaxBytes bytes that ends on a
// character boundary.
std::string Utf8CutBytes(std::string_view Utf8, size_t MaxBytes);

// Makes a UTF-8 text safe as one part of a file name: "/" and NUL become "_",
// the text is made a single line, and a part that is "." or ".." becomes "_" so it can never name a
// folder outside the output folder.
std::string FileNamePart(std::string_view Utf8);

}  // namespace tolvar
