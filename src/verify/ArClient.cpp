#include "ArClient.h"

namespace tolvar {

namespace {

// A record is 13 + 9 bytes a track; a file of many pressings stays far below.
constexpr size_t kArBodyCap = 1u << 20;

}  // namespace

std::string AccurateRipBase() {
  return ServiceAddress("TOLVAR_ACCURATERIP_URL", "http://www.accuraterip.com");
}

TWebClient::TRequestId FetchAccurateRip(TWebClient& Web, const TAccurateRipId& Id,
                                        std::function<void(const TArLookup&)> Done) {
  TWebRequest Request;
  Request.Url = Id.Url(AccurateRipBase());
  Request.Service = "AccurateRip";
  Request.Accept = "*/*";
  Request.MaxBody = kArBodyCap;
  return Web.Get(Request, [Id, Done = std::move(Done)](const TWebResponse& R) {
    TArLookup Result;
    if (!R.Answered)
      Result.Error = R.Error;
    else if (R.Status == 200)
      Result.Pressings = ParseAccurateRip(R.Body, Id);
    else if (R.Status != 404)
      Result.Error = "AccurateRip: HTTP " + std::to_string(R.Status);
    Done(Result);
  });
}

}  // namespace tolvar
