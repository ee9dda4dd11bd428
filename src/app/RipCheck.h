#pragma once
// The window's verification of one separate-tracks rip: the disc's IDs, the
// checksums of the rows ripped, the database's answer once it came, and the
// log's header taken when the rip began.
#include <optional>
#include <vector>

#include "verify/ArClient.h"
#include "verify/RipLog.h"
#include "verify/RipVerification.h"
#include "web/WebClient.h"

namespace tolvar {

struct TRipCheck {
  TAccurateRipId Id;
  TRipVerification Verification;
  TRipLogInfo Log;
  bool Asked = false;               // the database was asked
  std::optional<TArLookup> Answer;  // its answer, once it came
  std::vector<int> Rows;            // the rows ripped, in order
};

}  // namespace tolvar
