#pragma once
// Options that "rip", "tag" and "encode" share beyond the MP3 encoder's: the
// tag fields of the tag model that have no TagInfo text, and the FLAC, Opus
// and Ogg settings.
#include "CliArgs.h"
#include "encoders/StreamEncoder.h"
#include "tags/TagModel.h"

namespace tolvar::cli {

extern const char* const kTagExtraOptionsHelp;
extern const char* const kStreamOptionsHelp;

// --album-artist A, --track N[/M], --disc N[/M], --isrc CODE (UTF-8 texts).
TTagExtras TagExtraOptions(TArgs& Args);

// --flac-level 0-8 [5], --opus-bitrate 6-510 [160], --ogg-quality INDEX of
// the Ogg bit-rate list [6, "128"], for Format.
TStreamSettings StreamOptions(TArgs& Args, TStreamFormat Format);

}  // namespace tolvar::cli
