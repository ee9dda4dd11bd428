#include "MediaMonitor.h"

namespace tolvar {

TMediaMonitor::TMediaMonitor(TProbe Probe, std::chrono::milliseconds Interval)
    : Probe(std::move(Probe)), Period(Interval) {}

void TMediaMonitor::Poll() {
  auto Now = std::chrono::steady_clock::now();
  if (Primed && Now - LastProbe < Period) return;
  PollNow();
}

void TMediaMonitor::Reset() {
  Known = Probe ? Probe() : std::vector<bool>();
  LastProbe = std::chrono::steady_clock::now();
  Primed = true;
}

void TMediaMonitor::PollNow() {
  if (!Primed) {
    Reset();
    return;
  }
  std::vector<bool> Now = Probe ? Probe() : std::vector<bool>();
  LastProbe = std::chrono::steady_clock::now();
  // A new drive list (the library was set up again) is a new start.
  if (Now.size() != Known.size()) {
    Known = std::move(Now);
    return;
  }
  std::vector<int> Codes;
  for (size_t I = 0; I < Now.size(); ++I)
    if (Now[I] != Known[I]) Codes.push_back(Now[I] ? kDeviceArrival : kDeviceRemoval);
  Known = std::move(Now);
  // The handler may poll again (a rip processing messages): the state is
  // already stored, so nothing is reported twice.
  for (int Code : Codes)
    if (OnDeviceChange) OnDeviceChange(Code);
}

}  // namespace tolvar
