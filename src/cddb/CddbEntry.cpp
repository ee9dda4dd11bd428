#include "CddbEntry.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "util/StringFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {

EConvertError NotANumber(std::string_view Text) {
  return EConvertError("'" + std::string(Text) + "' is not a valid integer value");
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

// Keywords are matched on the upper-cased start of the line.
bool HasKeyword(std::string_view Line, std::string_view Keyword) {
  if (Line.size() < Keyword.size()) return false;
  for (size_t I = 0; I < Keyword.size(); ++I) {
    char C = Line[I];
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    if (C != Keyword[I]) return false;
  }
  return true;
}

std::string From(const std::string& Line, size_t Position) {
  return Position < Line.size() ? Line.substr(Position) : std::string();
}

void ReplaceAll(std::string& Text, std::string_view Pair, std::string_view By) {
  for (size_t At = Text.find(Pair); At != std::string::npos; At = Text.find(Pair, At + By.size()))
    Text.replace(At, Pair.size(), By);
}

// TTITLEn= and EXTTn=: one digit right after the keyword, and a second one
// when the "=" stands two places after it. Only 0 to 99 can come out, one
// slot of the 100 per number.
int TrackNumber(const std::string& Line, size_t KeywordLength, std::string& Value) {
  size_t Equals = Line.find('=');
  std::string Digits = Line.substr(KeywordLength, 1);
  if (Equals == KeywordLength + 2) Digits += Line[KeywordLength + 1];
  Value = Equals == std::string::npos ? Line : Line.substr(Equals + 1);
  if (Digits.empty()) throw NotANumber(Digits);
  for (char C : Digits)
    if (!IsDigit(C)) throw NotANumber(Digits);
  return std::stoi(Digits);
}

// The values of an entry as its lines hold them, each keyword's lines
// joined. Texts are judged (UTF-8 or Latin-1) and unescaped only once
// joined, so neither a character nor an escape split across lines is lost.
struct TRawEntry {
  std::string DTitle, Year, Genre, ExtD;
  TStringArray TrackTitles, ExtT;

  void ApplyTo(TCDInfo& Info, bool Latin1) const {
    auto Text = [Latin1](const std::string& Raw) {
      return UnescapeEntryText(EntryText(Raw, Latin1));
    };
    // The artist ends at the first " / " of the whole DTITLE.
    const std::string Title = EntryText(DTitle, Latin1);
    const size_t Slash = Title.find(" / ");
    Info.Artist = UnescapeEntryText(Title.substr(0, Slash));
    if (Slash != std::string::npos) Info.Title = UnescapeEntryText(Title.substr(Slash + 3));
    Info.Year = Text(Year);
    Info.Genre = Text(Genre);
    Info.ExtD = Text(ExtD);
    for (size_t N = 0; N < TrackTitles.size(); ++N) {
      Info.TrackTitles[N] = Text(TrackTitles[N]);
      Info.ExtT[N] = Text(ExtT[N]);
    }
  }
};

void ParseLine(const std::string& Line, TRawEntry& Raw, TCDInfo& Info) {
  std::string Value;
  if (Line[0] == '#') {
    static constexpr std::string_view kRevision = "# Revision: ";
    if (Line.compare(0, kRevision.size(), kRevision) == 0)
      Info.Revision = StrToInt(Line.substr(kRevision.size()));
  } else if (HasKeyword(Line, "DISCID")) {
    // The disc ID comes from the drive.
  } else if (HasKeyword(Line, "DTITLE")) {
    Raw.DTitle += From(Line, 7);
  } else if (HasKeyword(Line, "DYEAR")) {
    Raw.Year = From(Line, 6);
  } else if (HasKeyword(Line, "DGENRE")) {
    Raw.Genre = From(Line, 7);
  } else if (HasKeyword(Line, "TTITLE")) {
    int N = TrackNumber(Line, 6, Value);
    Raw.TrackTitles[N] += Value;
  } else if (HasKeyword(Line, "EXTD")) {
    Raw.ExtD += From(Line, 5);
  } else if (HasKeyword(Line, "EXTT")) {
    int N = TrackNumber(Line, 4, Value);
    Raw.ExtT[N] += Value;
  }
}

}  // namespace

EConvertError InLine(const EConvertError& Error, const std::string& Line) {
  return EConvertError(std::string(Error.what()) + " in line \"" + Line + "\"");
}

int32_t StrToInt(const std::string& Text) {
  size_t I = Text.find_first_not_of(' ');
  if (I == std::string::npos) throw NotANumber(Text);
  size_t Sign = (Text[I] == '-' || Text[I] == '+') ? 1 : 0;
  if (I + Sign >= Text.size()) throw NotANumber(Text);
  for (size_t J = I + Sign; J < Text.size(); ++J)
    if (!IsDigit(Text[J])) throw NotANumber(Text);
  errno = 0;
  long long Value = std::strtoll(Text.c_str() + I, nullptr, 10);
  if (errno == ERANGE || Value < INT32_MIN || Value > INT32_MAX) throw NotANumber(Text);
  return static_cast<int32_t>(Value);
}

TEntryLine CollectEntryLine(TEntryArray& Entry, const std::string& Line) {
  if (Line.empty()) return TEntryLine::Blank;
  std::string_view Code = std::string_view(Line).substr(0, 3);
  if (Code == "210" || Code == "401" || Code == "402" || Code == "403" || Code == "409")
    return TEntryLine::ReplyCode;
  switch (Line[0]) {
    case '.':
      return TEntryLine::EndOfEntry;
    case '#':
    case 'T':
    case 'D':
    case 'E':
    case 'P':
      for (std::string& Slot : Entry) {
        if (Slot.empty()) {
          Slot = Trim(Line);
          return TEntryLine::Kept;
        }
      }
      return TEntryLine::Dropped;
    default:
      return TEntryLine::Stray;
  }
}

std::string UnescapeEntryText(std::string Text) {
  ReplaceAll(Text, "\\n", "\r\n");
  ReplaceAll(Text, "\\t", "\t");
  return Text;
}

std::string EntryText(const std::string& Raw, bool Latin1) {
  return Latin1 ? Latin1ToUtf8(Raw) : Utf8OrLatin1(Raw);
}

void ParseEntryLines(const TEntryArray& Entry, TCDInfo& Info, bool Latin1) {
  TRawEntry Raw;
  for (const std::string& Line : Entry) {
    if (Line.empty()) continue;
    try {
      ParseLine(Line, Raw, Info);
    } catch (const EConvertError& E) {
      Raw.ApplyTo(Info, Latin1);  // the lines before the bad one stay parsed
      throw InLine(E, Line);
    }
  }
  Raw.ApplyTo(Info, Latin1);
}

}  // namespace tolvar
