#include "OrderedWorker.h"

#include <cstring>
#include <utility>

namespace tolvar {

namespace {

// Buffers kept for reuse: enough for the chunks in flight without holding
// more memory than the queue's capacity needs.
constexpr size_t kSpareBuffers = 8;

}  // namespace

TOrderedWorker::TOrderedWorker(TBytesHandler OnBytes, size_t Capacity)
    : OnBytes(std::move(OnBytes)), Capacity(Capacity), Thread([this] { Run(); }) {}

TOrderedWorker::~TOrderedWorker() {
  {
    std::lock_guard Guard(Lock);
    Stop = true;
  }
  Posted.notify_one();
  Thread.join();
}

void TOrderedWorker::Post(std::function<void()> Step) {
  Enqueue({std::move(Step), {}});
}

void TOrderedWorker::PostBytes(const uint8_t* Bytes, size_t Size) {
  if (Size == 0) return;
  std::vector<uint8_t> Copy;
  {
    std::unique_lock Guard(Lock);
    // A chunk larger than the whole capacity still goes, into an empty queue.
    const auto Room = [&] { return QueuedBytes == 0 || QueuedBytes + Size <= Capacity; };
    if (!Room()) {
      Posted.notify_one();  // the worker may not have been woken for what is queued
      Finished.wait(Guard, Room);
    }
    QueuedBytes += Size;
    if (!Spare.empty()) {
      Copy = std::move(Spare.back());
      Spare.pop_back();
    }
  }
  Copy.resize(Size);
  std::memcpy(Copy.data(), Bytes, Size);
  Enqueue({nullptr, std::move(Copy)});
}

void TOrderedWorker::Enqueue(TItem Item) {
  bool Wake;
  {
    std::lock_guard Guard(Lock);
    Queue.push_back(std::move(Item));
    // Waking the worker for every chunk costs more than the work saves: it
    // starts once an eighth of the queue is full (or on Drain) and then
    // works the queue empty.
    Wake = QueuedBytes >= Capacity / 8;
  }
  if (Wake) Posted.notify_one();
}

void TOrderedWorker::Drain() {
  std::unique_lock Guard(Lock);
  Posted.notify_one();
  Finished.wait(Guard, [&] { return Queue.empty() && !Busy; });
  if (Failure) std::rethrow_exception(std::exchange(Failure, nullptr));
}

void TOrderedWorker::Run() {
  std::unique_lock Guard(Lock);
  for (;;) {
    Posted.wait(Guard, [&] { return Stop || !Queue.empty(); });
    if (Stop) return;
    TItem Item = std::move(Queue.front());
    Queue.pop_front();
    Busy = true;
    Guard.unlock();
    try {
      // After a failure the results are wrong anyway: the rest is skipped.
      if (!Failure) {
        if (Item.Step)
          Item.Step();
        else
          OnBytes(Item.Bytes.data(), Item.Bytes.size());
      }
    } catch (...) {
      Failure = std::current_exception();
    }
    Guard.lock();
    Busy = false;
    QueuedBytes -= Item.Bytes.size();
    if (!Item.Bytes.empty() && Spare.size() < kSpareBuffers) Spare.push_back(std::move(Item.Bytes));
    Finished.notify_all();
  }
}

}  // namespace tolvar
