#pragma once
// The ripper as tolvar-cli's commands use it: the CD library loaded with the
// drives of the command line, TCDRipper initialised, the chosen drive
// selected, and the media monitor polled whenever the ripper processes
// messages.
#include <string>
#include <vector>

#include "Commands.h"
#include "net/PollLoop.h"
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

  // What the ripper does between chunks: polls the media monitor and runs
  // the loop's ready work while the loop has any.
  void ProcessMessages();

  TCDRipper Ripper;
  TMediaMonitor Monitor;
  // The one loop of the command's network requests, so that they go on
  // while the ripper reads.
  TPollLoop Loop;
  int Drive = 0;  // the selected drive

 private:
  int Target = -1;      // --drive, or the first --image
  int ImagesAdded = 0;  // image drives this session added, the last ones of the list
};

// "3", "2-5", "1,3,7" (or a mixture such as "1,3-5"): the track numbers in
// ascending order, each once; TUsageError for anything else.
std::vector<int> ParseTracks(const std::string& Text);
// TCommandError for a track that is not on the disc or holds data.
void CheckTracks(const TCDRipper& R, const std::vector<int>& Tracks);

// Prints every status text of Ripper on stdout (in UTF-8) as it is set.
void EchoStatusTexts(TCDRipper& Ripper);

}  // namespace tolvar::cli
