#pragma once
// The media monitor: Linux's stand-in for the Windows device-change message.
// It polls the media state of every drive (the CD library answers for real
// drives and image drives alike) and reports each change as the message's
// event code: 0x8000 when a disc arrived, 0x8004 when one was removed. The
// window hands the codes to TCDRipper::DeviceChange.
//
// The monitor runs on the owner's thread: the owner calls Poll from a timer
// of its event loop and from the ripper's process-messages callback, so a
// change reaches the ripper within one poll interval, also during a rip.
#include <chrono>
#include <functional>
#include <vector>

namespace tolvar {

constexpr int kDeviceArrival = 0x8000;  // DBT_DEVICEARRIVAL
constexpr int kDeviceRemoval = 0x8004;  // DBT_DEVICEREMOVECOMPLETE

class TMediaMonitor {
 public:
  // Media present per drive, in drive order.
  using TProbe = std::function<std::vector<bool>()>;

  explicit TMediaMonitor(TProbe Probe,
                         std::chrono::milliseconds Interval = std::chrono::milliseconds(250));

  // Receives 0x8000 or 0x8004 for each drive whose media state changed.
  std::function<void(int Code)> OnDeviceChange;

  // Probes when the interval has passed since the last probe; cheap otherwise.
  void Poll();
  // Probes now.
  void PollNow();
  // Takes the present state as known, without events (after the owner read
  // the drives itself, or when the drive list changed).
  void Reset();

  std::chrono::milliseconds Interval() const { return Period; }

 private:
  TProbe Probe;
  std::chrono::milliseconds Period;
  std::chrono::steady_clock::time_point LastProbe{};
  std::vector<bool> Known;
  bool Primed = false;
};

}  // namespace tolvar
