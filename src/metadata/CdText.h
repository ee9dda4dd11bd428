#pragma once
// CD-Text from the disc itself, through libcdio: from a drive, or from an
// image (a CUE sheet's TITLE and PERFORMER lines arrive the same way).
#include <optional>
#include <string>

#include "Release.h"

namespace tolvar {

// The album title and performer and each track's title and performer of the
// disc in Device (a device path or an image file); nothing when the disc
// holds no text at all.
std::optional<TMetaRelease> ReadCdText(const std::string& Device);

}  // namespace tolvar
