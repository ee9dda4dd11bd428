#pragma once
// Verification work that reads through the ripper: the verification of a
// rip of its disc, the header of the rip log from its drive and table, and
// the read offset found from the database's sector-450 sums. Shared by the
// window and tolvar-cli.
#include <cstdint>
#include <optional>
#include <vector>

#include "RipLog.h"
#include "RipVerification.h"
#include "ripper/CDRipper.h"

namespace tolvar {

// A verification of R's disc, its audio tracks' lengths taken from R's track table.
TRipVerification MakeVerification(const TCDRipper& R, const TAccurateRipId& Id);

// The log's program, date, drive, read offset, read mode and table of
// contents for a rip on R's active drive (Drive: its index in R.Drives).
TRipLogInfo RipLogHeader(const TCDRipper& R, int Drive, const TAccurateRipId& Id, bool TestAndCopy);

// Reads tracks First..Last once without writing, as the test read of test
// and copy, into V. False when the read failed or was cancelled. Leaves
// R.OnAudioRead as it found it.
bool TestRead(TCDRipper& R, TRipVerification& V, int First, int Last);

// Reads each audio track's sector 450 with the search margin at offset 0
// and finds the read offset at which two tracks match a pressing; none when
// there is no such offset. Throws ECDRIPError on a read error.
std::optional<int32_t> DetectReadOffset(TCDRipper& R, const TAccurateRipId& Id,
                                        const std::vector<TArPressing>& Pressings);

}  // namespace tolvar
