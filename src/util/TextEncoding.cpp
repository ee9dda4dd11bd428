#include "TextEncoding.h"

namespace tolvar {

namespace {

bool IsContinuation(unsigned char C) {
  return (C & 0xC0) == 0x80;
}

}  // namespace

bool NextCodePoint(std::string_view Text, size_t& Pos, char32_t& Code) {
  const unsigned char Lead = Text[Pos];
  const size_t Length = Lead < 0x80           ? 1
                        : (Lead >> 5) == 0x6  ? 2
                        : (Lead >> 4) == 0xE  ? 3
                        : (Lead >> 3) == 0x1E ? 4
                                              : 0;
  if (Length == 0 || Pos + Length > Text.size()) {
    ++Pos;
    return false;
  }
  char32_t Value = Length == 1 ? Lead : (Lead & (0x7F >> Length));
  for (size_t K = 1; K < Length; ++K) {
    const unsigned char Next = Text[Pos + K];
    if (!IsContinuation(Next)) {
      ++Pos;
      return false;
    }
    Value = (Value << 6) | (Next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (Value < kSmallest[Length] || (Value >= 0xD800 && Value <= 0xDFFF) || Value > 0x10FFFF) {
    ++Pos;
    return false;
  }
  Pos += Length;
  Code = Value;
  return true;
}

bool IsValidUtf8(std::string_view Text) {
  char32_t Code;
  for (size_t Pos = 0; Pos < Text.size();)
    if (!NextCodePoint(Text, Pos, Code)) return false;
  return true;
}

bool FitsLatin1(std::string_view Utf8) {
  char32_t Code;
  for (size_t Pos = 0; Pos < Utf8.size();)
    if (!NextCodePoint(Utf8, Pos, Code) || Code > 0xFF) return false;
  return true;
}

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
  char32_t Code;
  for (size_t Pos = 0; Pos < Utf8.size();)
    Out += NextCodePoint(Utf8, Pos, Code) && Code <= 0xFF ? static_cast<char>(Code) : '?';
  return Out;
}

std::string Utf8OrLatin1(std::string_view Text) {
  return IsValidUtf8(Text) ? std::string(Text) : Latin1ToUtf8(Text);
}

std::string Utf8ToUtf16LE(std::string_view Utf8) {
  std::string Out;
  Out.reserve(Utf8.size() * 2);
  auto Put = [&Out](char32_t Unit) {
    Out += static_cast<char>(Unit & 0xFF);
    Out += static_cast<char>(Unit >> 8);
  };
  char32_t Code;
  for (size_t Pos = 0; Pos < Utf8.size();) {
    if (!NextCodePoint(Utf8, Pos, Code)) Code = '?';
    if (Code < 0x10000) {
      Put(Code);
    } else {
      Code -= 0x10000;
      Put(0xD800 | (Code >> 10));
      Put(0xDC00 | (Code & 0x3FF));
    }
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

size_t Utf8Length(std::string_view Utf8) {
  size_t Count = 0;
  char32_t Code;
  for (size_t Pos = 0; Pos < Utf8.size(); ++Count) NextCodePoint(Utf8, Pos, Code);
  return Count;
}

std::string Utf8Left(std::string_view Utf8, size_t MaxChars) {
  size_t Pos = 0;
  char32_t Code;
  for (size_t Count = 0; Count < MaxChars && Pos < Utf8.size(); ++Count)
    NextCodePoint(Utf8, Pos, Code);
  return std::string(Utf8.substr(0, Pos));
}

std::string Utf8CutBytes(std::string_view Utf8, size_t MaxBytes) {
  size_t End = 0;
  char32_t Code;
  for (size_t Next = 0; Next < Utf8.size();) {
    NextCodePoint(Utf8, Next, Code);
    if (Next > MaxBytes) break;
    End = Next;
  }
  return std::string(Utf8.substr(0, End));
}

std::string FileNamePart(std::string_view Utf8) {
  std::string Clean(Utf8);
  for (char& C : Clean)
    if (C == '/' || C == '\0') C = '_';
  Clean = SingleLine(Clean);
  if (Clean == "." || Clean == "..") Clean = "_";
  return Clean;
}

}  // namespace tolvar
