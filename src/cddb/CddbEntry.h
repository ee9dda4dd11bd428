#pragma once
// The CDDB entry format (xmcd text): which lines of a read reply are kept,
// and how the kept lines become the texts of TCDInfo.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "DiscInfo.h"

namespace tolvar {

// A number in an entry that is not one. Raised out of the parse; whoever
// runs the parse from an event loop reports it and carries on.
struct EConvertError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The same error, saying which line of a reply or an entry held the text.
EConvertError InLine(const EConvertError& Error, const std::string& Line);

// A decimal integer with optional leading blanks and sign; EConvertError otherwise.
int32_t StrToInt(const std::string& Text);

// What one line of a read reply body is to the entry being collected.
enum class TEntryLine {
  EndOfEntry,  // "." : the entry is complete
  Kept,        // stored, trimmed, in the first empty slot
  Dropped,     // an entry line, but all 512 slots are taken
  ReplyCode,   // 210, 401, 402, 403 or 409: a reply code, never stored
  Stray,       // anything else: a reply line the client classifies
  Blank,       // an empty line, nothing to classify
};

// Applies the collection rule to one line of the body. Only Kept changes Entry.
TEntryLine CollectEntryLine(TEntryArray& Entry, const std::string& Line);

// Replaces each backslash-n pair by CR LF, then each backslash-t pair by TAB.
std::string UnescapeEntryText(std::string Text);

// A value of an entry in UTF-8. Answers at protocol level 6 are UTF-8, but
// servers also hold entries in Latin-1: a value that is not valid UTF-8 is
// read as Latin-1. Latin1 says the answer came at level 5, which is Latin-1.
std::string EntryText(const std::string& Raw, bool Latin1);

// Reads the non-empty slots of Entry into the texts and Revision of Info.
// The lines of one keyword are joined before their text is judged and
// unescaped; the disc artist ends at the first " / " of the joined DTITLE.
// Raises EConvertError, naming the line, on a revision or track number that is not a number;
// the lines before it stay parsed.
void ParseEntryLines(const TEntryArray& Entry, TCDInfo& Info, bool Latin1 = false);

}  // namespace tolvar
