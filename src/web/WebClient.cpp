#include "WebClient.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

#include "util/Product.h"

namespace tolvar {

std::string WebUserAgent() {
  return std::string(kProductName) + "/" + TOLVAR_VERSION + " ( " + kProductWebAddress + " )";
}

std::string ServiceAddress(const char* Variable, const char* Default) {
  const char* Env = std::getenv(Variable);
  std::string Url = Env && *Env ? Env : Default;
  while (!Url.empty() && Url.back() == '/') Url.pop_back();
  return Url;
}

struct TWebClient::TTransfer {
  TTransfer(CURLM* Multi) : Multi(Multi), Easy(curl_easy_init()) {}
  ~TTransfer() {
    if (Added) curl_multi_remove_handle(Multi, Easy);
    if (Easy) curl_easy_cleanup(Easy);
    if (Headers) curl_slist_free_all(Headers);
  }
  TTransfer(const TTransfer&) = delete;
  TTransfer& operator=(const TTransfer&) = delete;

  CURLM* Multi;
  CURL* Easy;
  curl_slist* Headers = nullptr;
  bool Added = false;
  bool Overflow = false;
  TWebRequest Request;
  TDone Done;
  TWebResponse Response;
  char ErrorText[CURL_ERROR_SIZE] = {};
};

// The C callbacks curl calls, with access to the client.
struct TCurlGlue {
  static size_t Write(char* Data, size_t Size, size_t Count, void* User) {
    auto& T = *static_cast<TWebClient::TTransfer*>(User);
    const size_t Bytes = Size * Count;
    if (T.Response.Body.size() + Bytes > T.Request.MaxBody) {
      T.Overflow = true;
      return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
    T.Response.Body.append(Data, Bytes);
    return Bytes;
  }

  static size_t Header(char* Data, size_t Size, size_t Count, void* User) {
    auto& T = *static_cast<TWebClient::TTransfer*>(User);
    std::string_view Line(Data, Size * Count);
    if (Line.starts_with("HTTP/")) T.Response.RetryAfter.clear();  // a redirect's next answer
    constexpr std::string_view kRetry = "retry-after:";
    if (Line.size() > kRetry.size()) {
      std::string Name(Line.substr(0, kRetry.size()));
      for (char& C : Name) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
      if (Name == kRetry) {
        std::string_view Value = Line.substr(kRetry.size());
        while (!Value.empty() && (Value.front() == ' ' || Value.front() == '\t'))
          Value.remove_prefix(1);
        while (!Value.empty() && (Value.back() == '\r' || Value.back() == '\n'))
          Value.remove_suffix(1);
        T.Response.RetryAfter = Value;
      }
    }
    return Size * Count;
  }

  static int Socket(CURL*, curl_socket_t Fd, int What, void* User, void*) {
    auto& C = *static_cast<TWebClient*>(User);
    if (What == CURL_POLL_REMOVE) {
      C.FTarget.Loop().Unwatch(Fd);
      C.FWatched.erase(Fd);
      return 0;
    }
    unsigned Events = 0;
    if (What == CURL_POLL_IN || What == CURL_POLL_INOUT) Events |= TEventLoop::evRead;
    if (What == CURL_POLL_OUT || What == CURL_POLL_INOUT) Events |= TEventLoop::evWrite;
    C.FWatched.insert(Fd);
    C.FTarget.Loop().Watch(Fd, Events, [&C, Fd](unsigned Ready) {
      int Flags = 0;
      if (Ready & TEventLoop::evRead) Flags |= CURL_CSELECT_IN;
      if (Ready & TEventLoop::evWrite) Flags |= CURL_CSELECT_OUT;
      C.Action(Fd, Flags);
    });
    return 0;
  }

  static int Timer(CURLM*, long TimeoutMs, void* User) {
    auto& C = *static_cast<TWebClient*>(User);
    if (C.FTimer) C.FTarget.Loop().StopTimer(C.FTimer);
    C.FTimer = 0;
    // curl must not be re-entered from here: the loop calls back later.
    if (TimeoutMs >= 0)
      C.FTimer = C.FTarget.Loop().StartTimer(std::chrono::milliseconds(TimeoutMs), [&C] {
        C.FTimer = 0;
        C.Action(CURL_SOCKET_TIMEOUT, 0);
      });
    return 0;
  }
};

TWebClient::TWebClient(TEventLoop& Loop) : FTarget(Loop) {
  static std::once_flag Initialised;
  std::call_once(Initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  FMulti = curl_multi_init();
  curl_multi_setopt(FMulti, CURLMOPT_SOCKETFUNCTION, &TCurlGlue::Socket);
  curl_multi_setopt(FMulti, CURLMOPT_SOCKETDATA, this);
  curl_multi_setopt(FMulti, CURLMOPT_TIMERFUNCTION, &TCurlGlue::Timer);
  curl_multi_setopt(FMulti, CURLMOPT_TIMERDATA, this);
}

TWebClient::~TWebClient() {
  FTransfers.clear();
  curl_multi_cleanup(FMulti);
  for (int Fd : FWatched) FTarget.Loop().Unwatch(Fd);
  if (FTimer) FTarget.Loop().StopTimer(FTimer);
}

TWebClient::TRequestId TWebClient::Get(const TWebRequest& Request, TDone Done) {
  const TRequestId Id = FNextId++;
  auto T = std::make_unique<TTransfer>(static_cast<CURLM*>(FMulti));
  T->Request = Request;
  T->Done = std::move(Done);
  CURL* E = T->Easy;
  bool Ok = E != nullptr;
  if (Ok) {
    curl_easy_setopt(E, CURLOPT_URL, Request.Url.c_str());
    curl_easy_setopt(E, CURLOPT_USERAGENT, WebUserAgent().c_str());
    curl_easy_setopt(E, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectTimeout.count()));
    curl_easy_setopt(E, CURLOPT_TIMEOUT_MS, static_cast<long>(Deadline.count()));
    curl_easy_setopt(E, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(E, CURLOPT_MAXREDIRS, static_cast<long>(MaxRedirects));
    curl_easy_setopt(E, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(E, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(E, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(Request.MaxBody));
    curl_easy_setopt(E, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(E, CURLOPT_NOSIGNAL, 1L);
    // A cancelled request must not wait for a name lookup that hangs.
    curl_easy_setopt(E, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(E, CURLOPT_WRITEFUNCTION, &TCurlGlue::Write);
    curl_easy_setopt(E, CURLOPT_WRITEDATA, T.get());
    curl_easy_setopt(E, CURLOPT_HEADERFUNCTION, &TCurlGlue::Header);
    curl_easy_setopt(E, CURLOPT_HEADERDATA, T.get());
    curl_easy_setopt(E, CURLOPT_ERRORBUFFER, T->ErrorText);
    curl_easy_setopt(E, CURLOPT_PRIVATE, reinterpret_cast<void*>(static_cast<uintptr_t>(Id)));
    // Tests and private installations name the certificate to trust.
    if (const char* CaFile = std::getenv("TOLVAR_CA_FILE"); CaFile && *CaFile)
      curl_easy_setopt(E, CURLOPT_CAINFO, CaFile);
    T->Headers = curl_slist_append(nullptr, ("Accept: " + Request.Accept).c_str());
    curl_easy_setopt(E, CURLOPT_HTTPHEADER, T->Headers);
    Ok = curl_multi_add_handle(static_cast<CURLM*>(FMulti), E) == CURLM_OK;
    T->Added = Ok;
  }
  if (!Ok) {
    // Done is never called from inside Get.
    TWebResponse Failed;
    Failed.Error = Request.Service + ": cannot start the request";
    FTarget.Post([Done = std::move(T->Done), Failed] { Done(Failed); });
    return Id;
  }
  FTransfers.emplace(Id, std::move(T));
  return Id;
}

void TWebClient::Cancel(TRequestId Id) {
  FTransfers.erase(Id);
}

void TWebClient::CancelAll() {
  FTransfers.clear();
}

void TWebClient::Action(int Socket, int Events) {
  int Running = 0;
  curl_multi_socket_action(static_cast<CURLM*>(FMulti), Socket, Events, &Running);
  CollectDone();
}

void TWebClient::Finish(TTransfer& T, int Code) {
  TWebResponse& R = T.Response;
  const std::string& Service = T.Request.Service;
  const auto Result = static_cast<CURLcode>(Code);
  if (Result == CURLE_OK) {
    R.Answered = true;
    curl_easy_getinfo(T.Easy, CURLINFO_RESPONSE_CODE, &R.Status);
    char* Type = nullptr;
    if (curl_easy_getinfo(T.Easy, CURLINFO_CONTENT_TYPE, &Type) == CURLE_OK && Type)
      R.ContentType = Type;
    return;
  }
  R.Body.clear();
  auto Seconds = [](std::chrono::milliseconds Ms) { return std::to_string(Ms.count() / 1000); };
  if (T.Overflow || Result == CURLE_FILESIZE_EXCEEDED) {
    R.Error = Service + ": answer larger than " + std::to_string(T.Request.MaxBody >> 20) + " MiB";
  } else if (Result == CURLE_OPERATION_TIMEDOUT) {
    curl_off_t Connected = 0;
    curl_easy_getinfo(T.Easy, CURLINFO_CONNECT_TIME_T, &Connected);
    R.Error = Connected > 0 ? Service + ": timed out after " + Seconds(Deadline) + " s"
                            : Service + ": no connection within " + Seconds(ConnectTimeout) + " s";
  } else if (Result == CURLE_TOO_MANY_REDIRECTS) {
    R.Error = Service + ": more than " + std::to_string(MaxRedirects) + " redirects";
  } else {
    R.Error = Service + ": " + (T.ErrorText[0] ? T.ErrorText : curl_easy_strerror(Result));
  }
}

void TWebClient::CollectDone() {
  std::vector<std::pair<TDone, TWebResponse>> Finished;
  int Left = 0;
  while (CURLMsg* Message = curl_multi_info_read(static_cast<CURLM*>(FMulti), &Left)) {
    if (Message->msg != CURLMSG_DONE) continue;
    void* Private = nullptr;
    curl_easy_getinfo(Message->easy_handle, CURLINFO_PRIVATE, &Private);
    auto It = FTransfers.find(static_cast<TRequestId>(reinterpret_cast<uintptr_t>(Private)));
    if (It == FTransfers.end()) continue;
    Finish(*It->second, Message->data.result);
    Finished.emplace_back(std::move(It->second->Done), std::move(It->second->Response));
    FTransfers.erase(It);
  }
  // A callback may end the client; the rest are then dropped with it.
  const std::weak_ptr<char> Token = FTarget.Token();
  for (auto& [Done, Response] : Finished) {
    if (!Alive(Token)) return;
    if (Done) Done(Response);
  }
}

}  // namespace tolvar
