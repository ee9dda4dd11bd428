#pragma once
// The metadata lookup as tolvar-cli's commands use it: "lookup" prints the
// matches, "rip --lookup" names and tags its files from the chosen one.
#include <optional>
#include <string>

#include "Commands.h"
#include "metadata/CoverArt.h"
#include "metadata/MetadataLookup.h"

namespace tolvar::cli {

struct TLookupOptions {
  std::vector<TMetaSource> Sources;
  int Choose = 0;
};

// --sources LIST and --choose N.
TLookupOptions LookupOptions(TArgs& Args);

// Runs the chain for the disc the command line selects; failed sources are
// reported on stderr.
TLookupResult LookUpDisc(const TContext& Context, const TLookupOptions& Options);

// The chosen match; TCommandError when there is no such match.
const TMetaRelease& ChosenMatch(const TLookupResult& Result, int Choose);

// The release's front cover, empty when there is none (said on stderr).
TCoverImage FetchCover(const TLookupResult& Result, const TMetaRelease& Release);

}  // namespace tolvar::cli
