// TCddb against the CDDB test server, and its text helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "CddbServer.h"
#include "cddb/Cddb.h"
#include "net/PollLoop.h"

using namespace tolvar;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

namespace {

// Tracks at 0:02:00, 4:10:33 and 8:45:12, lead-out 12:30:70: disc ID 1502ec03.
TDiscToc ThreeTracks() {
  TDiscToc Toc;
  Toc.TrackCount = 3;
  Toc.Tracks[0] = {0, 2, 0, true};
  Toc.Tracks[1] = {4, 10, 33, true};
  Toc.Tracks[2] = {8, 45, 12, true};
  Toc.LeadOut = {12, 30, 70, false};
  return Toc;
}

const std::vector<int> kOffsets = {150, 18783, 39387};
const std::string kHello = "&hello=user+example+Tolvar+v0%2E7&proto=6";

class CddbClient : public ::testing::Test {
 protected:
  CddbClient() {
    Cddb.ServerType = HTTP;
    Cddb.ServerAddr = Server.HostPort();
    Cddb.EmailUser = "user@example";
    Cddb.ClientName = "Tolvar";
    Cddb.ClientVersion = "v0.7";
    // No drive: the entry parse reports that it cannot read the TOC again.
    Cddb.InternalTOCRetrieve = false;
    Cddb.CDInfo.Toc = ThreeTracks();
    Cddb.OnStatusMessage = [this](TCddbDisc&, const std::string& S) { Statuses.push_back(S); };
    Cddb.OnDataExchange = [this](TCddbDisc&, const std::string& L) { Lines.push_back(L); };
  }

  // Runs a started command until its answer is handled.
  void Finish(int32_t Started) {
    ASSERT_EQ(Started, 0) << (Statuses.empty() ? "" : Statuses.back());
    ASSERT_TRUE(Loop.RunUntil([&] { return !Cddb.Busy(); }, 10s));
  }

  TPollLoop Loop;
  cddbtest::TCddbServer Server;
  TCddb Cddb{Loop};
  Strings Statuses, Lines;
};

}  // namespace

TEST_F(CddbClient, ExactMatchThenReadOfAnEntry) {
  Server.AddEntry("rock", "1502ec03", kOffsets, 750,
                  "# Revision: 7\n# Processed by: someone\nDISCID=1502ec03\n"
                  "DTITLE=Various Art\nDTITLE=ists / Best Of\nDYEAR=1999\n"
                  "TTITLE0=Intro\nTTITLE1=Long Ti\nTTITLE1=tle\nTTITLE2=Outro\n"
                  "EXTD=Line one\\nLine\\ttwo\nEXTT1=Note\nPLAYORDER=\n");
  int Matches = 0;
  Cddb.OnMatch = [&](TCddb&, const TMatchArray& M, int32_t& RightOne) {
    ++Matches;
    EXPECT_EQ(RightOne, 0);
    EXPECT_EQ(M[0], "rock 1502ec03 Various Artists / Best Of");
    RightOne = 5;  // an exact match always takes entry 0
  };
  Finish(Cddb.HttpQuery());
  std::string Query = "/~cddb/cddb.cgi?cmd=cddb+query+1502ec03+3+150+18783+39387+750" + kHello;
  EXPECT_EQ(Lines, Strings({"http://" + Server.HostPort() + Query + "\r\n",
                            "200 rock 1502ec03 Various Artists / Best Of"}));
  EXPECT_EQ(Statuses, Strings({"Querying CD", "Found exact match"}));
  EXPECT_EQ(Matches, 1);
  EXPECT_EQ(Cddb.State, TCddb::QueryDone);
  EXPECT_EQ(Cddb.CDInfo.Category, "rock");
  EXPECT_EQ(Cddb.CDInfo.DiscID, "1502EC03");  // from the TOC, upper case

  Statuses.clear();
  Lines.clear();
  Finish(Cddb.HttpRead());
  EXPECT_EQ(Server.Requests(),
            Strings({Query, "/~cddb/cddb.cgi?cmd=cddb+read+rock+1502EC03" + kHello}));
  // The entry is parsed against the TOC of the query: no drive is read again.
  EXPECT_EQ(Statuses,
            Strings({"Reading CD info", "OK, CDDB database entry follows", "Entry read"}));
  ASSERT_GT(Lines.size(), 3u);
  EXPECT_EQ(Lines[1], "210 rock 1502ec03 CD database entry follows (until terminating `.')");
  EXPECT_EQ(Lines.back(), ".");
  EXPECT_EQ(Cddb.State, TCddb::EntryRead);
  const TCDInfo& Info = Cddb.CDInfo;
  EXPECT_EQ(Info.Category, "rock");
  EXPECT_EQ(Info.Artist, "Various Artists");
  EXPECT_EQ(Info.Title, "Best Of");
  EXPECT_EQ(Info.Year, "1999");
  EXPECT_EQ(Info.Revision, 7);
  EXPECT_EQ(Info.TrackTitles[1], "Long Title");
  EXPECT_EQ(Info.TrackTitles[2], "Outro");
  EXPECT_EQ(Info.ExtD, "Line one\r\nLine\ttwo");
  EXPECT_EQ(Info.ExtT[1], "Note");
}

// Japanese titles, an artist credit longer than a line with "/" inside names,
// and one Latin-1 line among the UTF-8 ones.
const std::string kHoshi = "\xE6\x98\x9F", kNagare = "\xE6\xB5\x81\xE3\x82\x8C";
const std::string kCredit = "AC/DC & Earth, Wind and Fire with the Philharmonic of " + kHoshi;
const std::string kUnicodeEntry =
    "DISCID=1502ec03\nDTITLE=" + kCredit.substr(0, 40) + "\nDTITLE=" + kCredit.substr(40) + " / " +
    kHoshi + "/" + kNagare + "\nTTITLE0=" + kHoshi +
    "\nTTITLE1=Caf\xE9\nTTITLE2=" + kNagare.substr(0, 4) + "\nTTITLE2=" + kNagare.substr(4) + "\n";

TEST_F(CddbClient, Level6AnswersAreUtf8AndLevel5AnswersLatin1) {
  Server.AddEntry("misc", "1502ec03", kOffsets, 750, kUnicodeEntry);
  TMatchArray Seen;
  Cddb.OnMatch = [&](TCddb&, const TMatchArray& M, int32_t&) { Seen = M; };
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Seen[0], "misc 1502ec03 " + kCredit + " / " + kHoshi + "/" + kNagare);
  Finish(Cddb.HttpRead());
  const TCDInfo& Info = Cddb.CDInfo;
  EXPECT_EQ(Info.Artist, kCredit);
  EXPECT_EQ(Info.Title, kHoshi + "/" + kNagare);
  EXPECT_EQ(Info.TrackTitles[0], kHoshi);
  EXPECT_EQ(Info.TrackTitles[1], "Caf\xC3\xA9");  // the Latin-1 line
  EXPECT_EQ(Info.TrackTitles[2], kNagare);        // a character split across lines

  Cddb.ProtocolLevel = 5;
  Cddb.CDInfo.DiscID = "1502ec03";  // the parse, with no drive, left none
  Finish(Cddb.HttpRead());
  EXPECT_EQ(Server.Requests().back(), "/~cddb/cddb.cgi?cmd=cddb+read+misc+1502ec03" +
                                          kHello.substr(0, kHello.size() - 1) + "5");
  EXPECT_EQ(Info.Title, "?/??");
  EXPECT_EQ(Info.Artist, kCredit.substr(0, kCredit.size() - kHoshi.size()) + "?");
}

TEST_F(CddbClient, AServerThatRefusesLevel6IsAskedAgainAtLevel5AndRemembered) {
  cddbtest::TCddbServer Old(5);
  Old.AddEntry("misc", "1502ec03", kOffsets, 750, kUnicodeEntry);
  Cddb.ServerAddr = Old.HostPort();
  Finish(Cddb.HttpQuery());
  const std::string Query = "/~cddb/cddb.cgi?cmd=cddb+query+1502ec03+3+150+18783+39387+750" +
                            kHello.substr(0, kHello.size() - 1);
  EXPECT_EQ(Old.Requests(), Strings({Query + "6", Query + "5"}));
  EXPECT_EQ(Lines[1], "501 Illegal CDDB protocol level: 6.");
  EXPECT_EQ(Cddb.State, TCddb::QueryDone);
  Finish(Cddb.HttpRead());
  EXPECT_EQ(Cddb.CDInfo.TrackTitles[0], "?");

  // Another client of the same server asks at level 5 at once.
  TCddb Other(Loop);
  Other.ServerType = HTTP;
  Other.ServerAddr = Old.HostPort();
  Other.EmailUser = "user@example";
  Other.InternalTOCRetrieve = false;
  Other.CDInfo.Toc = ThreeTracks();
  ASSERT_EQ(Other.HttpQuery(), 0);
  ASSERT_TRUE(Loop.RunUntil([&] { return !Other.Busy(); }, 10s));
  Strings Asked = Old.Requests();
  ASSERT_EQ(Asked.size(), 2u);
  EXPECT_EQ(Asked[1].substr(Asked[1].size() - 8), "&proto=5");
  EXPECT_EQ(Other.State, TCddb::QueryDone);
}

TEST_F(CddbClient, InexactListTakesTheChosenLineAndKeepsAHundred) {
  // 101 entries close to the disc, none with its ID.
  for (int I = 0; I < 101; ++I) {
    char Id[9];
    std::snprintf(Id, sizeof Id, "%06x03", 0x100000 + I);
    Server.AddEntry("misc", Id, {150, 18783 + I, 39387}, 750,
                    "DISCID=" + std::string(Id) + "\nDTITLE=A / T" + std::to_string(I) +
                        "\nTTITLE0=a\nTTITLE1=b\nTTITLE2=c\n");
  }
  int Calls = 0;
  Cddb.OnMatch = [&](TCddb& Sender, const TMatchArray& M, int32_t& RightOne) {
    ++Calls;
    EXPECT_EQ(Sender.State, TCddb::MatchesReceived);
    EXPECT_EQ(M[99], "misc 10006303 A / T99");  // the 101st line was dropped
    RightOne = 2;
  };
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(Statuses, Strings({"Querying CD", "Found inexact matches", "OK, receiving matches",
                               "Received matches"}));
  EXPECT_EQ(Cddb.State, TCddb::QueryDone);
  EXPECT_EQ(Cddb.CDInfo.Category, "misc");
  EXPECT_EQ(Cddb.CDInfo.DiscID, "10000203");
}

TEST_F(CddbClient, DeclinedOrMissingMatchesRefuseTheRead) {
  Server.AddEntry("rock", "1502ec03", kOffsets, 750,
                  "DISCID=1502ec03\nTTITLE0=\nTTITLE1=\nTTITLE2=\n");
  Cddb.OnMatch = [](TCddb&, const TMatchArray&, int32_t& RightOne) { RightOne = -1; };
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Cddb.State, TCddb::QueryFailed);
  EXPECT_EQ(Cddb.HttpRead(), -1);
  EXPECT_EQ(Statuses.back(), "Can't perform a CDDB READ without a successful CDDB QUERY!");
  EXPECT_EQ(Server.Requests().size(), 1u);

  Cddb.CDInfo.Toc.Tracks[1].Minute = 20;  // nothing close to this one
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Lines.back(), "202 No match for disc ID 1202ec03.");
  EXPECT_EQ(Statuses.back(), "No match found");
  EXPECT_EQ(Cddb.State, TCddb::QueryFailed);

  Cddb.State = TCddb::Idle;
  Cddb.CDInfo.Category = "jazz";
  Cddb.CDInfo.DiscID = "1502ec03";
  Finish(Cddb.HttpRead());
  EXPECT_EQ(Cddb.State, TCddb::ReadFailed);
  EXPECT_EQ(Statuses.back(), "Specified CDDB entry not found");
}

TEST_F(CddbClient, RefusedAndFailedRequests) {
  Cddb.ServerType = CDDBP;
  EXPECT_EQ(Cddb.HttpQuery(), -1);
  EXPECT_EQ(Cddb.HttpRead(), -1);
  EXPECT_EQ(Statuses, Strings(2, "Selected server not an HTTP server"));
  EXPECT_EQ(Cddb.State, TCddb::Idle);

  // No hello at all: the server wants the handshake.
  Cddb.ServerType = HTTP;
  Cddb.EmailUser = Cddb.ClientName = Cddb.ClientVersion = "";
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Statuses.back(), "No handshake");
  EXPECT_EQ(Cddb.State, TCddb::QueryFailed);
  EXPECT_EQ(Server.Requests().size(), 1u);

  // A second command while one runs leaves the running one alone.
  Cddb.State = TCddb::Idle;
  ASSERT_EQ(Cddb.HttpQuery(), 0);
  EXPECT_EQ(Cddb.HttpRead(), -1);
  EXPECT_EQ(Statuses.back(),
            "CDDB Component Internal Error: THttpCli.GetAsync failed because of error "
            "\"HTTP component is busy\"");
  EXPECT_EQ(Cddb.State, TCddb::QuerySent);
  Finish(0);
  EXPECT_EQ(Statuses.back(), "No handshake");

  {
    cddbtest::TCddbServer Gone;
    Cddb.ServerAddr = Gone.HostPort();
  }
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Cddb.State, TCddb::HttpFailed);
  EXPECT_EQ(Statuses.back(),
            "CDDB Component Internal Error: THttpCli.GetAsync failed because of error "
            "\"Connection refused (Error #10061)\"");
}

TEST_F(CddbClient, CancelOrAPassedDeadlineFreesTheClientAtOnce) {
  Server.AddEntry("rock", "1502ec03", kOffsets, 750,
                  "DISCID=1502ec03\nTTITLE0=\nTTITLE1=\nTTITLE2=\n");
  const std::string Live = Cddb.ServerAddr;
  cddbtest::TSilentServer Silent;
  Cddb.ServerAddr = Silent.HostPort();
  ASSERT_EQ(Cddb.HttpQuery(), 0);
  Loop.RunUntil([] { return false; }, 100ms);
  Cddb.Cancel();
  EXPECT_FALSE(Cddb.Busy());
  EXPECT_EQ(Cddb.State, TCddb::HttpFailed);
  EXPECT_EQ(Statuses.back(), "CDDB request cancelled");
  // The cancelled request's end, still to come, does not pass for the next one's.
  Cddb.ServerAddr = Live;
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Cddb.State, TCddb::QueryDone);

  // Past its deadline a request no longer blocks the next command, even
  // before the loop has ended it.
  Cddb.HttpClient.Deadline = 50ms;
  Cddb.ServerAddr = Silent.HostPort();
  ASSERT_EQ(Cddb.HttpQuery(), 0);
  std::this_thread::sleep_for(80ms);
  Cddb.ServerAddr = Live;
  ASSERT_EQ(Cddb.HttpQuery(), 0);
  Cddb.HttpClient.Deadline = 10s;
  Finish(0);
  EXPECT_EQ(Cddb.State, TCddb::QueryDone);
}

TEST_F(CddbClient, ReplyTextsGoIntoTheNextRequestEncoded) {
  // A category that is not one word of letters is no match.
  Server.AddEntry("ro&ck", "1502ec03", kOffsets, 750,
                  "DISCID=1502ec03\nDTITLE=A / B\nTTITLE0=\nTTITLE1=\nTTITLE2=\n");
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Lines.back(), "200 ro&ck 1502ec03 A / B");
  EXPECT_EQ(Statuses.back(), "No match found");
  EXPECT_EQ(Cddb.State, TCddb::QueryFailed);

  // A disc ID from a match list travels as data, not as more of the query.
  cddbtest::TCddbServer Other;
  Other.AddEntry("misc", "a%2B&x=1", kOffsets, 750,
                 "DISCID=1502ec03\nDTITLE=A / B\nTTITLE0=\nTTITLE1=\nTTITLE2=\n");
  Cddb.ServerAddr = Other.HostPort();
  Finish(Cddb.HttpQuery());
  EXPECT_EQ(Cddb.CDInfo.DiscID, "a%2B&x=1");
  Finish(Cddb.HttpRead());
  EXPECT_EQ(Other.Requests().back(), "/~cddb/cddb.cgi?cmd=cddb+read+misc+a%252B%26x%3D1" + kHello);
}

TEST_F(CddbClient, StrayLinesInAnEntryAreReported) {
  auto Read = [&](const std::string& Body) {
    Server.AddEntry("rock", "1502ec03", kOffsets, 750, "DISCID=1502ec03\n" + Body);
    Cddb.CDInfo.Category = "rock";
    Cddb.CDInfo.DiscID = "1502ec03";  // the entry parse cleared it: there is no drive
    Statuses.clear();
    Finish(Cddb.HttpRead());
  };
  auto Kept = [&](const std::string& Line) {
    return std::find(Cddb.Entry.begin(), Cddb.Entry.end(), Line) != Cddb.Entry.end();
  };
  Read("TTITLE0=a\n230 Closing\nTTITLE1=b\nTTITLE2=c\n");
  EXPECT_EQ(Statuses[2], "Command OK, connection will close");
  EXPECT_TRUE(Kept("TTITLE2=c"));  // collection goes on after it
  EXPECT_EQ(Cddb.State, TCddb::EntryRead);
  EXPECT_EQ(Cddb.CDInfo.TrackTitles[2], "c");

  // A line with no reply code where one is due ends the reply with a
  // conversion error that names the line; the loop's owner receives it.
  std::string Raised;
  Loop.OnException = [&](std::exception_ptr E) {
    try {
      std::rethrow_exception(E);
    } catch (const std::exception& X) {
      Raised = X.what();
    }
  };
  Read("TTITLE0=a\nttitle1=b\nTTITLE1=b\nTTITLE2=c\n");
  EXPECT_EQ(Raised, "'tti' is not a valid integer value in line \"ttitle1=b\"");
  EXPECT_EQ(Statuses, Strings({"Reading CD info", "OK, CDDB database entry follows"}));
  EXPECT_EQ(Cddb.State, TCddb::ReadFailed);
  EXPECT_TRUE(Kept("TTITLE0=a"));
  EXPECT_FALSE(Kept("TTITLE1=b"));
  // So does a number in the entry that is none, found by the parse.
  Read("# Revision: seven\nTTITLE0=a\nTTITLE1=b\nTTITLE2=c\n");
  EXPECT_EQ(Raised, "'seven' is not a valid integer value in line \"# Revision: seven\"");

  // A body past 1 MiB is refused instead of kept.
  std::string Padding;
  for (int I = 0; I < 40000; ++I) Padding += "# padding padding padding padding\n";
  Read("TTITLE0=\nTTITLE1=\nTTITLE2=\n" + Padding);
  EXPECT_EQ(Cddb.State, TCddb::HttpFailed);
  EXPECT_EQ(Statuses.back(),
            "CDDB Component Internal Error: THttpCli.GetAsync failed because of error "
            "\"reply larger than 1048576 bytes\"");
  EXPECT_LE(Cddb.ReceiveStream.str().size(), 1048576u + 8192u);
}

TEST(CddbReplies, ClassifyReplyTexts) {
  TPollLoop Loop;
  TCddb Cddb(Loop);
  std::string Status;
  Cddb.OnStatusMessage = [&](TCddbDisc&, const std::string& S) { Status = S; };
  const std::pair<const char*, const char*> Cases[] = {
      {"211 found", "Command OK"},
      {"100 x", "Informative message, ready for further commands"},
      {"310 x", "Command OK so far, more server-to-client output follows"},
      {"420", "Command OK, but cannot be performed, more client-to-server input follows"},
      {"501 x", "Command unimplemented, incorrect, or program error"},
      {"402 x", "Server error"},
      {"408 x", "CGI environment error"},
      {"500 x", "Command syntax error, command unknown, command unimplemented"},
      {"999 x", ""},
  };
  for (auto [Line, Text] : Cases) {
    Cddb.ClassifyReply(Line);
    EXPECT_EQ(Status, Text) << Line;
  }
  Cddb.State = TCddb::QuerySent;
  Cddb.ClassifyReply("230 bye");
  EXPECT_EQ(Status, "Command OK, connection will close");
  EXPECT_EQ(Cddb.State, TCddb::Idle);
  Cddb.State = TCddb::ReadSent;
  Cddb.ClassifyReply("530 late");
  EXPECT_EQ(Cddb.State, TCddb::Idle);
  EXPECT_THROW(Cddb.ClassifyReply("ab1"), EConvertError);
}

TEST(CddbReplies, UrlEncodeHelloUserAndSplitLines) {
  EXPECT_EQ(UrlEncode("v0.7"), "v0%2E7");
  EXPECT_EQ(UrlEncode("a b"), "a+b");
  EXPECT_EQ(UrlEncode("Az09-_\xE9"), "Az09%2D%5F%E9");
  EXPECT_EQ(HelloUser("user@example"), "user example");
  EXPECT_EQ(HelloUser("a@b@host"), "a@b host");
  EXPECT_EQ(HelloUser("nobody"), "");
  EXPECT_EQ(SplitLines("a\r\nb\rc\n\nd"), Strings({"a", "b", "c", "", "d"}));
  EXPECT_EQ(SplitLines("200 x\r\n"), Strings({"200 x"}));
  EXPECT_EQ(SplitLines("."), Strings({"."}));
  EXPECT_EQ(SplitLines(""), Strings());
}
