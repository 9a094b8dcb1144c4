#pragma once
// Spreads independent work items over the cores, on one pool of worker threads kept for the whole
// program. Items are handed out one at a time from a shared counter, so uneven items balance out; callers
// write each item's result into a slot of its own and merge the slots in index order afterwards, which
// keeps every result independent of the number of threads.
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace kiwora {

// Number of worker threads used by parallelFor: the value set here, or the machine's cores when 0.
void setWorkerThreads(int n);
int workerThreads();

namespace detail {
// Whether this thread is running items of a parallel loop: a loop inside one runs on this thread alone.
bool inParallelLoop();
// Runs call(context, i) for i in 0..n-1 on the caller's thread and up to threads - 1 pool workers.
void runOnPool(int n, int threads, void* context, void (*call)(void* context, int i));
}  // namespace detail

// Calls f(i) for every i in 0..n-1, spread over workerThreads() threads (the caller's thread is one of
// them). Returns when every call has finished; the first exception thrown by any call is rethrown here.
// A single item, one thread, or a loop nested inside another runs straight on the calling thread.
template <class F>
void parallelFor(int n, F&& f) {
  if (n <= 0) return;
  int threads = workerThreads();
  if (threads > n) threads = n;
  if (threads <= 1 || detail::inParallelLoop()) {
    for (int i = 0; i < n; ++i) f(i);
    return;
  }
  using Fn = std::remove_reference_t<F>;
  detail::runOnPool(n, threads, const_cast<void*>(static_cast<const void*>(&f)),
                    [](void* context, int i) { (*static_cast<Fn*>(context))(i); });
}

}  // namespace kiwora
