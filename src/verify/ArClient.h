#pragma once
// Fetches a disc's AccurateRip file over the web client: its address base is
// TOLVAR_ACCURATERIP_URL when set.
#include <functional>
#include <string>
#include <vector>

#include "AccurateRip.h"
#include "web/WebClient.h"

namespace tolvar {

struct TArLookup {
  // The records of the file that belong to the disc; none for a 404.
  std::vector<TArPressing> Pressings;
  std::string Error;  // set when no answer came or the service failed
};

// The database's base address, without a trailing slash.
std::string AccurateRipBase();

// Starts the request; Done is called once, from the loop. A 404 is a disc the
// database does not know, no error.
TWebClient::TRequestId FetchAccurateRip(TWebClient& Web, const TAccurateRipId& Id,
                                        std::function<void(const TArLookup&)> Done);

}  // namespace tolvar
