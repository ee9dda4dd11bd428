#include "CddbEntry.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "util/StringFunctions.h"

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

// A DTITLE value may be split over lines: the artist grows until " / ",
// after which the title starts and then grows.
void AddDiscTitle(TCDInfo& Info, const std::string& Value) {
  size_t Slash = Value.find(" / ");
  if (Slash != std::string::npos) {
    Info.Artist = UnescapeEntryText(Info.Artist + Value.substr(0, Slash));
    Info.Title = UnescapeEntryText(Value.substr(Slash + 3));
  } else if (Info.Artist.empty()) {
    Info.Artist = Value;
  } else {
    Info.Title += Value;
  }
}

void ParseLine(const std::string& Line, TCDInfo& Info) {
  std::string Value;
  if (Line[0] == '#') {
    static constexpr std::string_view kRevision = "# Revision: ";
    if (Line.compare(0, kRevision.size(), kRevision) == 0)
      Info.Revision = StrToInt(Line.substr(kRevision.size()));
  } else if (HasKeyword(Line, "DISCID")) {
    // The disc ID comes from the drive.
  } else if (HasKeyword(Line, "DTITLE")) {
    AddDiscTitle(Info, From(Line, 7));
  } else if (HasKeyword(Line, "DYEAR")) {
    Info.Year = UnescapeEntryText(From(Line, 6));
  } else if (HasKeyword(Line, "DGENRE")) {
    Info.Genre = UnescapeEntryText(From(Line, 7));
  } else if (HasKeyword(Line, "TTITLE")) {
    int N = TrackNumber(Line, 6, Value);
    Info.TrackTitles[N] = UnescapeEntryText(Info.TrackTitles[N] + Value);
  } else if (HasKeyword(Line, "EXTD")) {
    Info.ExtD = UnescapeEntryText(Info.ExtD + From(Line, 5));
  } else if (HasKeyword(Line, "EXTT")) {
    int N = TrackNumber(Line, 4, Value);
    Info.ExtT[N] = UnescapeEntryText(Info.ExtT[N] + Value);
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

void ParseEntryLines(const TEntryArray& Entry, TCDInfo& Info) {
  for (const std::string& Line : Entry) {
    if (Line.empty()) continue;
    try {
      ParseLine(Line, Info);
    } catch (const EConvertError& E) {
      throw InLine(E, Line);
    }
  }
}

}  // namespace tolvar
