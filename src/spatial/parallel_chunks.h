#pragma once
// Spreads independent work items over the cores. Items are handed out one at a time from a shared
// counter, so uneven items balance out; callers write each item's result into a slot of its own and merge
// the slots in index order afterwards, which keeps every result independent of the number of threads.
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kiwora {

// Number of worker threads used by parallelFor: the value set here, or the machine's cores when 0.
void setWorkerThreads(int n);
int workerThreads();

// Calls f(i) for every i in 0..n-1, spread over workerThreads() threads (the caller's thread is one of
// them). Returns when every call has finished; the first exception thrown by any call is rethrown here.
template <class F>
void parallelFor(int n, F&& f) {
  if (n <= 0) return;
  int threads = workerThreads();
  if (threads > n) threads = n;
  if (threads <= 1) {
    for (int i = 0; i < n; ++i) f(i);
    return;
  }
  std::atomic<int> next{0};
  std::exception_ptr error;
  std::mutex errorLock;
  auto work = [&] {
    for (int i = next.fetch_add(1); i < n; i = next.fetch_add(1)) {
      try {
        f(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(errorLock);
        if (!error) error = std::current_exception();
        next.store(n);  // stop handing out items
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace kiwora
