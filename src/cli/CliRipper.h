#pragma once
// The ripper as tolvar-cli's commands use it: the CD library loaded with the
// drives of the command line, TCDRipper initialised, the chosen drive
// selected, and the media monitor polled whenever the ripper processes
// messages.
#include <string>
#include <vector>

#include "Commands.h"
#include "platform/mediamonitor/MediaMonitor.h"
#include "ripper/CDRipper.h"

namespace tolvar::cli {

class TRipperSession {
 public:
  // Adds the images of the command line (or, when there is none and the
  // machine has no drive at all, the sample disc) to the library's image
  // drives and loads the library. Throws TCommandError for an image that
  // does not exist.
  explicit TRipperSession(const TContext& Context);
  ~TRipperSession();
  TRipperSession(const TRipperSession&) = delete;
  TRipperSession& operator=(const TRipperSession&) = delete;

  // TCDRipper::Init (its exceptions pass through), then the drive that
  // --drive or --image chose: SelectDrive and SetCDRomNum, as the window does
  // for a choice in its drive box. Throws TCommandError for a --drive
  // beyond the drive list.
  void Start();

  TCDRipper Ripper;
  TMediaMonitor Monitor;
  int Drive = 0;  // the selected drive

 private:
  int Target = -1;      // --drive, or the first --image
  int ImagesAdded = 0;  // image drives this session added, the last ones of the list
};

// Prints every status text of Ripper on stdout (in UTF-8) as it is set.
void EchoStatusTexts(TCDRipper& Ripper);

}  // namespace tolvar::cli
