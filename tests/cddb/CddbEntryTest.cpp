#include "cddb/CddbEntry.h"

#include <gtest/gtest.h>

using namespace tolvar;

namespace {

TCDInfo Parse(std::initializer_list<std::string> Lines, bool Latin1 = false) {
  TEntryArray Entry;
  for (const std::string& L : Lines) EXPECT_EQ(CollectEntryLine(Entry, L), TEntryLine::Kept) << L;
  TCDInfo Info;
  ParseEntryLines(Entry, Info, Latin1);
  return Info;
}

}  // namespace

TEST(EntryCollection, KeepsEntryLinesTrimmedInArrivalOrder) {
  TEntryArray Entry;
  EXPECT_EQ(CollectEntryLine(Entry, "# xmcd"), TEntryLine::Kept);
  EXPECT_EQ(CollectEntryLine(Entry, "DTITLE=Bj\xF6rk / Hom\xE9genic \t\r"), TEntryLine::Kept);
  EXPECT_EQ(CollectEntryLine(Entry, "TTITLE0=Caf\xE9\xA0"), TEntryLine::Kept);
  EXPECT_EQ(CollectEntryLine(Entry, "PLAYORDER="), TEntryLine::Kept);
  EXPECT_EQ(CollectEntryLine(Entry, "EXTD="), TEntryLine::Kept);
  EXPECT_EQ(Entry[1], "DTITLE=Bj\xF6rk / Hom\xE9genic");
  EXPECT_EQ(Entry[2], "TTITLE0=Caf\xE9\xA0");  // Latin-1 letters are no blanks
  EXPECT_EQ(Entry[5], "");
}

TEST(EntryCollection, SortsOtherLinesIntoEndReplyCodesAndStrays) {
  TEntryArray Entry;
  EXPECT_EQ(CollectEntryLine(Entry, "."), TEntryLine::EndOfEntry);
  EXPECT_EQ(CollectEntryLine(Entry, ".anything"), TEntryLine::EndOfEntry);
  for (const char* Code : {"210 rock 1502ec03", "401 not found", "402", "403 corrupt", "409 no"})
    EXPECT_EQ(CollectEntryLine(Entry, Code), TEntryLine::ReplyCode) << Code;
  EXPECT_EQ(CollectEntryLine(Entry, "ttitle1=x"),
            TEntryLine::Stray);  // case-sensitive first letter
  EXPECT_EQ(CollectEntryLine(Entry, "500 Command syntax error"), TEntryLine::Stray);
  EXPECT_EQ(CollectEntryLine(Entry, " TTITLE1=x"), TEntryLine::Stray);
  EXPECT_EQ(CollectEntryLine(Entry, ""), TEntryLine::Blank);
  EXPECT_TRUE(
      std::all_of(Entry.begin(), Entry.end(), [](const std::string& S) { return S.empty(); }));
}

TEST(EntryCollection, The513thLineIsDroppedAndNothingIsOverwritten) {
  TEntryArray Entry;
  for (int I = 0; I < 512; ++I)
    ASSERT_EQ(CollectEntryLine(Entry, "EXTD=" + std::to_string(I)), TEntryLine::Kept);
  EXPECT_EQ(CollectEntryLine(Entry, "EXTD=overflow"), TEntryLine::Dropped);
  EXPECT_EQ(Entry[0], "EXTD=0");
  EXPECT_EQ(Entry[511], "EXTD=511");
  // Gaps are filled first.
  Entry[7].clear();
  EXPECT_EQ(CollectEntryLine(Entry, "DYEAR=1999"), TEntryLine::Kept);
  EXPECT_EQ(Entry[7], "DYEAR=1999");
}

TEST(EntryParse, DiscTitleSplitsAtTheFirstSlashAndContinuesOverLines) {
  TCDInfo One = Parse({"DTITLE=Artist / Album / Part 2"});
  EXPECT_EQ(One.Artist, "Artist");
  EXPECT_EQ(One.Title, "Album / Part 2");
  TCDInfo Artist = Parse({"DTITLE=Various Art", "DTITLE=ists / Best Of"});
  EXPECT_EQ(Artist.Artist, "Various Artists");
  EXPECT_EQ(Artist.Title, "Best Of");
  TCDInfo Title = Parse({"DTITLE=Artist / Al", "DTITLE=bum"});
  EXPECT_EQ(Title.Artist, "Artist");
  EXPECT_EQ(Title.Title, "Album");
  TCDInfo Self = Parse({"DTITLE=Self Titled"});
  EXPECT_EQ(Self.Artist, "Self Titled");
  EXPECT_EQ(Self.Title, "");
  // Escapes are replaced in the joined halves, continuation lines included.
  TCDInfo Escapes = Parse({"DTITLE=A\\tB", "DTITLE=C / D\\nE", "DTITLE=\\t"});
  EXPECT_EQ(Escapes.Artist, "A\tBC");
  EXPECT_EQ(Escapes.Title, "D\r\nE\t");
  // An artist credit longer than a line, with "/" inside names: the split
  // waits for the first " / " of the whole value.
  TCDInfo Credit = Parse({"DTITLE=AC/DC, Earth, Wind & Fire and the Long Named Orchestra of",
                          "DTITLE= Tokyo feat. Someone / Else / Best / Of"});
  EXPECT_EQ(Credit.Artist,
            "AC/DC, Earth, Wind & Fire and the Long Named Orchestra of Tokyo feat. Someone");
  EXPECT_EQ(Credit.Title, "Else / Best / Of");
}

TEST(EntryParse, TextsAreJudgedUtf8OrLatin1OnceTheirLinesAreJoined) {
  // "\xE6\x98\x9F" (a kanji) split across two lines survives; a Latin-1 value
  // among UTF-8 ones is read as Latin-1.
  TCDInfo Info = Parse({"DTITLE=\xE6\x98\x9F\xE9\x87", "DTITLE=\x8E / \xE6\x98\x9F\xE3\x81\xAE",
                        "TTITLE0=\xE6\x98", "TTITLE0=\x9F", "TTITLE1=Caf\xE9", "DGENRE=J-Pop"});
  EXPECT_EQ(Info.Artist, "\xE6\x98\x9F\xE9\x87\x8E");
  EXPECT_EQ(Info.Title, "\xE6\x98\x9F\xE3\x81\xAE");
  EXPECT_EQ(Info.TrackTitles[0], "\xE6\x98\x9F");
  EXPECT_EQ(Info.TrackTitles[1], "Caf\xC3\xA9");
  // An answer at protocol level 5 is Latin-1 whatever its bytes look like.
  EXPECT_EQ(Parse({"TTITLE0=\xC3\xA9"}, true).TrackTitles[0], "\xC3\x83\xC2\xA9");
}

TEST(EntryParse, TrackNumbersHaveOneOrTwoDigits) {
  std::vector<std::string> Lines;
  TEntryArray Entry;
  for (int T = 0; T < 99; ++T)
    CollectEntryLine(Entry, "TTITLE" + std::to_string(T) + "=Track " + std::to_string(T + 1));
  CollectEntryLine(Entry, "TTITLE3= (reprise)");
  CollectEntryLine(Entry, "TTITLE100=x");  // three digits: read as track 1
  CollectEntryLine(Entry, "EXTT10=Live");
  CollectEntryLine(Entry, "EXTT10=\\n1977");
  TCDInfo Info;
  ParseEntryLines(Entry, Info);
  EXPECT_EQ(Info.TrackTitles[0], "Track 1");
  EXPECT_EQ(Info.TrackTitles[10], "Track 11");
  EXPECT_EQ(Info.TrackTitles[98], "Track 99");
  EXPECT_EQ(Info.TrackTitles[3], "Track 4 (reprise)");
  EXPECT_EQ(Info.TrackTitles[1], "Track 2x");
  EXPECT_EQ(Info.ExtT[10], "Live\r\n1977");
  EXPECT_EQ(Info.TrackTitles[99], "");
}

TEST(EntryParse, KeywordsIgnoreCaseAndDiscFieldsReplaceOrAppend) {
  TCDInfo Info = Parse({"DYEAR=1998", "DYEAR=1999", "DGENRE=Rock", "DGENRE=Pop", "EXTD=Line one\\n",
                        "EXTD=Line two \\\\n \\\\", "DISCID=1502ec03", "Dtitle=Low / Case",
                        "TtItLe2=mixed", "PLAYORDER=1,2"});
  EXPECT_EQ(Info.Year, "1999");
  EXPECT_EQ(Info.Genre, "Pop");
  // A doubled backslash stays two characters, the one before n still escapes.
  EXPECT_EQ(Info.ExtD, "Line one\r\nLine two \\\r\n \\\\");
  EXPECT_EQ(Info.DiscID, "");
  EXPECT_EQ(Info.Artist, "Low");
  EXPECT_EQ(Info.TrackTitles[2], "mixed");
}

TEST(EntryParse, RevisionOnlyFromTheExactCommentLine) {
  EXPECT_EQ(Parse({"# Revision: 7"}).Revision, 7);
  EXPECT_EQ(Parse({"# revision: 5", "#Revision: 6", "# Submitted via: x"}).Revision, 0);
}

TEST(EntryParse, BadNumbersRaiseAfterTheLinesBeforeThem) {
  for (const char* Bad :
       {"TTITLE=No number", "# Revision: 3a", "# Revision: x", "EXTT=x",
        "TTITLE-1=Before the array", "TTITLE 5=blank", "# Revision: 2147483648"}) {
    TEntryArray Entry;
    CollectEntryLine(Entry, "DTITLE=Artist / Album");
    CollectEntryLine(Entry, Bad);
    CollectEntryLine(Entry, "DYEAR=2001");
    TCDInfo Info;
    EXPECT_THROW(ParseEntryLines(Entry, Info), EConvertError) << Bad;
    EXPECT_EQ(Info.Title, "Album") << Bad;
    EXPECT_EQ(Info.Year, "") << Bad;
  }
}

TEST(EntryParse, UnescapeReplacesOnlyNewlineAndTab) {
  EXPECT_EQ(UnescapeEntryText("a\\nb\\tc\\r\\\\d"), "a\r\nb\tc\\r\\\\d");
  EXPECT_EQ(UnescapeEntryText("x\r\ny"), "x\r\ny");  // running again changes nothing
  EXPECT_EQ(UnescapeEntryText("\\n\\n"), "\r\n\r\n");
  EXPECT_EQ(UnescapeEntryText("\\"), "\\");
}
