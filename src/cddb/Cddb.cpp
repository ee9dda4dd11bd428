#include "Cddb.h"

#include <cstdio>
#include <set>
#include <string_view>

#include "util/Product.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

std::string GetAsyncFailed(const std::string& Reason) {
  return "CDDB Component Internal Error: THttpCli.GetAsync failed because of error \"" + Reason +
         "\"";
}

std::string FirstWord(const std::string& Text) {
  return Text.substr(0, Text.find(' '));
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

// Categories are single words such as "rock" or "newage".
bool IsCategory(const std::string& Text) {
  if (Text.empty()) return false;
  for (char C : Text)
    if (!((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'))) return false;
  return true;
}

// Servers that refused protocol level 6, for the life of the program.
std::set<std::string>& Level5Servers() {
  static std::set<std::string> Servers;
  return Servers;
}

}  // namespace

TCddb::TCddb(TEventLoop& Loop) : HttpClient(Loop) {
  HttpClient.RcvdStream = &ReceiveStream;
  HttpClient.OnRequestDone = [this](THttpCli&, THttpRequest, int Error) { RequestDone(Error); };
  HttpClient.OnDocData = [this](THttpCli& Sender, const char*, int) {
    if (FOverflow || Sender.RcvdCount() <= MaxReplyBytes) return;
    FOverflow = true;
    Sender.Abort();
  };
}

// ---- commands ----

std::string TCddb::HelloArguments() const {
  return "&hello=" + UrlEncode(HelloUser(EmailUser)) + "+" + UrlEncode(ClientName) + "+" +
         UrlEncode(ClientVersion);
}

int32_t TCddb::HttpQuery() {
  if (ServerType != HTTP) {
    Report("Selected server not an HTTP server");
    return -1;
  }
  return StartRequest("http://" + ServerAddr + ServerAdditionalAddr +
                          "?cmd=" + UrlEncode(BuildQueryCommand(CDInfo.Toc)) + HelloArguments(),
                      "Querying CD", QuerySent);
}

int32_t TCddb::HttpRead() {
  if (State == QueryFailed) {
    Report("Can't perform a CDDB READ without a successful CDDB QUERY!");
    return -1;
  }
  if (ServerType != HTTP) {
    Report("Selected server not an HTTP server");
    return -1;
  }
  // Both texts came from a server's reply or the user: they are data, never
  // more of the query.
  return StartRequest("http://" + ServerAddr + ServerAdditionalAddr + "?cmd=cddb+read+" +
                          UrlEncode(Trim(CDInfo.Category)) + "+" + UrlEncode(Trim(CDInfo.DiscID)) +
                          HelloArguments(),
                      "Reading CD info", ReadSent);
}

int32_t TCddb::StartRequest(const std::string& Url, const char* Status, int32_t NewState) {
  // A second command must not empty the stream the running one fills, nor
  // change the state its answer is handled by.
  if (FRequestRunning) {
    if (std::chrono::steady_clock::now() - FRequestStarted < HttpClient.Deadline) {
      Report(GetAsyncFailed("HTTP component is busy"));
      return -1;
    }
    Cancel();  // past its deadline: its end is merely still in the queue
  }
  ReceiveStream.str({});
  ReceiveStream.clear();
  HttpClient.RcvdStream = &ReceiveStream;
  FUrl = Url;
  FStatus = Status;
  FRequestState = NewState;
  FRequestLevel =
      Level5Servers().count(LowerCase(ServerAddr)) ? std::min(ProtocolLevel, 5) : ProtocolLevel;
  HttpClient.URL = Url + "&proto=" + std::to_string(FRequestLevel);
  try {
    Report(Status);
    Exchange(HttpClient.URL + "\r\n");
    FOverflow = false;
    HttpClient.GetAsync();
    FRequestRunning = true;
    FRequestStarted = std::chrono::steady_clock::now();
    State = NewState;
    return 0;
  } catch (const std::exception& E) {
    State = HttpFailed;
    Report(GetAsyncFailed(E.what()));
    return -1;
  }
}

void TCddb::Cancel() {
  if (!FRequestRunning) return;
  FRequestRunning = false;
  ++FAbandoned;
  HttpClient.Abort();
  State = HttpFailed;
  Report("CDDB request cancelled");
}

void TCddb::Exchange(const std::string& Line) {
  if (OnDataExchange) OnDataExchange(*this, Line);
}

// ---- replies ----

void TCddb::RequestDone(int Error) {
  if (FAbandoned > 0) {
    --FAbandoned;  // the end of a cancelled request, not of the running one
    return;
  }
  FRequestRunning = false;
  if (Error != 0) {
    State = HttpFailed;
    Report(GetAsyncFailed(FOverflow
                              ? "reply larger than " + std::to_string(MaxReplyBytes) + " bytes"
                              : HttpClient.ReasonPhrase()));
    return;
  }
  if (RefusedLevel(ReceiveStream.str())) {
    Level5Servers().insert(LowerCase(ServerAddr));
    State = FRequestState;
    StartRequest(FUrl, FStatus, FRequestState);
    return;
  }
  HandleBody(State);
}

// A server that knows only level 5 says so on the first line of its answer.
bool TCddb::RefusedLevel(const std::string& Body) {
  if (FRequestLevel <= 5 || Body.compare(0, 3, "501") != 0) return false;
  Exchange(SplitLines(Body).front());
  return true;
}

void TCddb::HandleBody(int32_t Selector) {
  if (Selector != QuerySent && Selector != ReadSent) return;
  // A line that is no number where one is due ends the reply; the error goes
  // to the loop's owner, naming the line.
  for (const std::string& Line : SplitLines(ReceiveStream.str())) {
    try {
      Exchange(Line);
      if (Selector == QuerySent)
        QueryReply(Line);
      else
        ReadReply(Line);
    } catch (const EConvertError& E) {
      throw InLine(E, Line);
    }
  }
  if (Selector == ReadSent) ParseEntry(AnswerLatin1());
}

int32_t TCddb::AskMatch() {
  int32_t RightOne = 0;
  if (OnMatch) OnMatch(*this, Matches, RightOne);
  return RightOne;
}

void TCddb::QueryReply(const std::string& Line) {
  if (Line.empty()) return;
  std::string_view Code = std::string_view(Line).substr(0, 3);
  if (Code == "200") {
    State = QueryDone;
    Report("Found exact match");
    Matches.fill({});
    Matches[0] = EntryText(Trim(Line.size() > 4 ? Line.substr(4) : std::string()), AnswerLatin1());
    if (AskMatch() == -1) {
      State = QueryFailed;
      return;
    }
    char Id[9];
    std::snprintf(Id, sizeof Id, "%8.8X", CddbDiscId(CDInfo.Toc));
    TakeMatch(FirstWord(Matches[0]), Id);
  } else if (Code == "210" || Code == "211") {
    Report(Code == "210" ? "Found exact matches" : "Found inexact matches");
    Matches.fill({});
    Report("OK, receiving matches");
  } else if (Code == "202" || Code == "403" || Code == "409") {
    State = QueryFailed;
    Report(Code == "202"   ? "No match found"
           : Code == "403" ? "Database entry is corrupt"
                           : "No handshake");
  } else if (IsDigit(Line[0])) {
    ClassifyReply(Line);
  } else if (Line[0] == '.') {
    State = MatchesReceived;
    Report("Received matches");
    ChooseMatch(AskMatch());
  } else {
    // Lines past the 100th match are dropped.
    for (std::string& Slot : Matches) {
      if (Slot.empty()) {
        Slot = EntryText(Trim(Line), AnswerLatin1());
        break;
      }
    }
  }
}

void TCddb::ChooseMatch(int32_t RightOne) {
  if (RightOne == -1) {
    State = QueryFailed;
    return;
  }
  // An index that names no received match gives nothing to read.
  if (RightOne < 0 || RightOne >= static_cast<int32_t>(Matches.size()) ||
      Matches[RightOne].empty()) {
    State = QueryFailed;
    Report("No match found");
    return;
  }
  const std::string& Match = Matches[RightOne];
  size_t Blank = Match.find(' ');
  if (TakeMatch(FirstWord(Match), Blank == std::string::npos ? "" : Match.substr(Blank + 1, 8)))
    State = QueryDone;
}

// The chosen match's category and disc ID become those of the next read; a
// category that is no single word is no match.
bool TCddb::TakeMatch(const std::string& Category, const std::string& DiscID) {
  if (!IsCategory(Category)) {
    State = QueryFailed;
    Report("No match found");
    return false;
  }
  CDInfo.Category = Category;
  CDInfo.DiscID = DiscID;
  return true;
}

void TCddb::ReadReply(const std::string& Line) {
  switch (CollectEntryLine(Entry, Line)) {
    case TEntryLine::ReplyCode:
      if (Line.compare(0, 3, "210") == 0) {
        Report("OK, CDDB database entry follows");
        Entry.fill({});
        return;
      }
      State = ReadFailed;
      Report(Line.compare(0, 3, "401") == 0   ? "Specified CDDB entry not found"
             : Line.compare(0, 3, "402") == 0 ? "Server error"
             : Line.compare(0, 3, "403") == 0 ? "Database entry is corrupt"
                                              : "No handshake");
      return;
    case TEntryLine::EndOfEntry:
      State = EntryRead;
      Report("Entry read");
      return;
    case TEntryLine::Stray:
      State = ReadFailed;
      ClassifyReply(Line);
      return;
    case TEntryLine::Kept:
    case TEntryLine::Dropped:
    case TEntryLine::Blank:
      return;
  }
}

void TCddb::ClassifyReply(const std::string& Line) {
  int32_t Code = StrToInt(Line.substr(0, 3));
  std::string Text;
  switch (Code) {
    case 402:
      Text = "Server error";
      break;
    case 408:
      Text = "CGI environment error";
      break;
    case 500:
      Text = "Command syntax error, command unknown, command unimplemented";
      break;
    case 530:
      Text = "Server error, server timeout";
      State = Idle;
      break;
    default: {
      static const char* const Kinds[] = {"",
                                          "Informative message",
                                          "Command OK",
                                          "Command OK so far",
                                          "Command OK, but cannot be performed",
                                          "Command unimplemented, incorrect, or program error"};
      int Kind = Code / 100;
      if (Kind >= 1 && Kind <= 5) Text = Kinds[Kind];
      switch (Code % 100) {
        case 0:
          Text += ", ready for further commands";
          break;
        case 10:
          Text += ", more server-to-client output follows";
          break;
        case 20:
          Text += ", more client-to-server input follows";
          break;
        case 30:
          Text += ", connection will close";
          State = Idle;
          break;
      }
    }
  }
  Report(Text);
}

// ---- helpers ----

std::string UrlEncode(const std::string& Text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string Out;
  for (unsigned char C : Text) {
    if (C == ' ') {
      Out += '+';
    } else if ((C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z')) {
      Out += static_cast<char>(C);
    } else {
      Out += '%';
      Out += kHex[C >> 4];
      Out += kHex[C & 15];
    }
  }
  return Out;
}

std::string HelloUser(const std::string& EmailUser) {
  size_t At = EmailUser.rfind('@');
  if (At == std::string::npos) return {};
  std::string Words = EmailUser;
  Words[At] = ' ';
  return Words;
}

std::vector<std::string> SplitLines(const std::string& Body) {
  std::vector<std::string> Lines;
  size_t Start = 0;
  for (size_t I = 0; I < Body.size(); ++I) {
    if (Body[I] != '\r' && Body[I] != '\n') continue;
    Lines.push_back(Body.substr(Start, I - Start));
    if (Body[I] == '\r' && I + 1 < Body.size() && Body[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  if (Start < Body.size()) Lines.push_back(Body.substr(Start));
  return Lines;
}

void ApplyWindowSettings(TCddb& Cddb) {
  Cddb.InternalTOCRetrieve = true;
  Cddb.ServerType = HTTP;
  Cddb.ServerAddr = kCddbServer;
  Cddb.ServerAdditionalAddr = "/~cddb/cddb.cgi";
  Cddb.EmailUser = kCddbEmailUser;
  Cddb.ProxyAddress().clear();
  Cddb.ProxyPort() = "80";
  Cddb.ClientName = kProductName;
  Cddb.ClientVersion = "v0.7";
}

}  // namespace tolvar
