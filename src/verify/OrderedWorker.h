#pragma once
// A thread of its own that runs what is posted to it one step after the
// other, in the order posted, so that work on a stream of chunks (such as
// checksums) leaves the thread that reads them free. Chunks are copied into
// a bounded queue: a poster waits while Capacity bytes are queued. The worker
// starts on a batch of queued work, or when Drain asks for everything.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tolvar {

class TOrderedWorker {
 public:
  using TBytesHandler = std::function<void(const uint8_t* Bytes, size_t Size)>;

  // OnBytes takes each chunk posted with PostBytes, on the worker's thread.
  TOrderedWorker(TBytesHandler OnBytes, size_t Capacity);
  // Drops what is still queued, lets the running step end, joins the thread.
  ~TOrderedWorker();
  TOrderedWorker(const TOrderedWorker&) = delete;
  TOrderedWorker& operator=(const TOrderedWorker&) = delete;

  // Step runs after everything posted before it.
  void Post(std::function<void()> Step);
  // A copy of Bytes goes to OnBytes after everything posted before it.
  void PostBytes(const uint8_t* Bytes, size_t Size);
  // Waits until every step posted has run; what a step threw is thrown here.
  void Drain();

 private:
  struct TItem {
    std::function<void()> Step;  // empty for a chunk
    std::vector<uint8_t> Bytes;
  };

  void Enqueue(TItem Item);
  void Run();

  TBytesHandler OnBytes;
  const size_t Capacity;
  std::mutex Lock;
  std::condition_variable Posted;    // the queue got an item, or the worker is to stop
  std::condition_variable Finished;  // an item ran
  std::deque<TItem> Queue;
  std::vector<std::vector<uint8_t>> Spare;  // buffers of chunks that ran, for reuse
  size_t QueuedBytes = 0;
  bool Busy = false;  // the worker runs an item it took off the queue
  bool Stop = false;
  std::exception_ptr Failure;
  std::thread Thread;  // last: starts once everything above is set up
};

}  // namespace tolvar
