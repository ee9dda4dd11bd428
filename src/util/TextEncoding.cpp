#include "TextEncoding.h"

namespace tolvar {

std::string Latin1ToUtf8(std::string_view Latin1) {
  std::string Out;
  Out.reserve(Latin1.size() * 2);
  for (unsigned char C : Latin1) {
    if (C < 0x80) {
      Out += static_cast<char>(C);
    } else {
      Out += static_cast<char>(0xC0 | (C >> 6));
      Out += static_cast<char>(0x80 | (C & 0x3F));
    }
  }
  return Out;
}

std::string Utf8ToLatin1(std::string_view Utf8) {
  std::string Out;
  Out.reserve(Utf8.size());
  size_t I = 0;
  while (I < Utf8.size()) {
    unsigned char C = Utf8[I];
    int Length = C < 0x80           ? 1
                 : (C >> 5) == 0x6  ? 2
                 : (C >> 4) == 0xE  ? 3
                 : (C >> 3) == 0x1E ? 4
                                    : 0;
    if (Length == 0 || I + Length > Utf8.size()) {
      Out += '?';
      ++I;
      continue;
    }
    unsigned Code = Length == 1 ? C : (C & (0x7F >> Length));
    bool Valid = true;
    for (int K = 1; K < Length; ++K) {
      unsigned char Next = Utf8[I + K];
      if ((Next & 0xC0) != 0x80) {
        Valid = false;
        break;
      }
      Code = (Code << 6) | (Next & 0x3F);
    }
    if (!Valid) {
      Out += '?';
      ++I;
      continue;
    }
    Out += Code <= 0xFF ? static_cast<char>(Code) : '?';
    I += Length;
  }
  return Out;
}

std::string SingleLine(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) {
    const unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    if (C == '\r' || C == '\n' || C == '\t')
      Out += ' ';
    else if (C >= 0x20)
      Out += static_cast<char>(C);
  }
  return Out;
}

std::string FileNamePart(std::string_view Latin1) {
  std::string Clean(Latin1);
  for (char& C : Clean)
    if (C == '/' || C == '\0') C = '_';
  Clean = SingleLine(Clean);
  if (Clean == "." || Clean == "..") Clean = "_";
  return Latin1ToUtf8(Clean);
}

}  // namespace tolvar
