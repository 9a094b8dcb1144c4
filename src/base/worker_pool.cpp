#include "base/worker_pool.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kiwora {
namespace {

std::atomic<int> configuredThreads{0};
thread_local bool insideLoop = false;

// One loop handed to the pool; it lives on the stack of the thread that started it.
struct Job {
  int n = 0;
  void* context = nullptr;
  void (*call)(void*, int) = nullptr;
  std::atomic<int> next{0};
  std::mutex errorLock;
  std::exception_ptr error;

  void work() {
    for (int i = next.fetch_add(1); i < n; i = next.fetch_add(1)) {
      try {
        call(context, i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(errorLock);
        if (!error) error = std::current_exception();
        next.store(n);  // stop handing out items
      }
    }
  }
};

// About a tenth of a millisecond of looking before sleeping.
constexpr int kSpins = 4000;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

// Threads started once and kept; they sleep between loops instead of being started and joined per loop.
class WorkerPool {
 public:
  static WorkerPool& instance() {
    static WorkerPool pool;
    return pool;
  }

  ~WorkerPool() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  void run(int n, int threads, void* context, void (*call)(void*, int)) {
    std::lock_guard<std::mutex> one(submit_);  // loops started by different threads take turns
    Job job;
    job.n = n;
    job.context = context;
    job.call = call;
    {
      std::lock_guard<std::mutex> lock(m_);
      while (static_cast<int>(workers_.size()) < threads - 1) workers_.emplace_back([this] { loop(); });
      job_ = &job;
      slots_ = threads - 1;
      ++generation_;
    }
    wake_.notify_all();
    insideLoop = true;
    job.work();
    insideLoop = false;
    std::unique_lock<std::mutex> lock(m_);
    job_ = nullptr;  // workers waking late find nothing to join
    slots_ = 0;
    lock.unlock();
    // The workers still on their last item are usually done within microseconds.
    for (int k = 0; k < kSpins && running_.load(std::memory_order_acquire) != 0; ++k) pause();
    lock.lock();
    idle_.wait(lock, [this] { return running_.load() == 0; });
    lock.unlock();
    if (job.error) std::rethrow_exception(job.error);
  }

 private:
  void loop() {
    insideLoop = true;
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      // Loops often follow each other closely (a block of pairs per population): a worker looks out for
      // the next one a little while before it goes to sleep.
      lock.unlock();
      for (int k = 0; k < kSpins && generation_.load(std::memory_order_acquire) == seen; ++k) pause();
      lock.lock();
      wake_.wait(lock, [&] { return stop_ || (job_ && generation_.load() != seen && slots_ > 0); });
      if (stop_) return;
      seen = generation_.load();
      --slots_;
      ++running_;
      Job* job = job_;
      lock.unlock();
      job->work();
      lock.lock();
      if (--running_ == 0) idle_.notify_all();
    }
  }

  std::mutex submit_;
  std::mutex m_;
  std::condition_variable wake_, idle_;
  std::vector<std::thread> workers_;
  Job* job_ = nullptr;
  int slots_ = 0;
  std::atomic<int> running_{0};             // changed under m_, read without it while spinning
  std::atomic<std::uint64_t> generation_{0};
  bool stop_ = false;
};

}  // namespace

void setWorkerThreads(int n) { configuredThreads.store(n < 0 ? 0 : n); }

int workerThreads() {
  const int n = configuredThreads.load();
  if (n > 0) return n;
  const unsigned hw = std::thread::hardware_concurrency();
  return hw == 0 ? 1 : static_cast<int>(hw);
}

namespace detail {

bool inParallelLoop() { return insideLoop; }

void runOnPool(int n, int threads, void* context, void (*call)(void*, int)) {
  WorkerPool::instance().run(n, threads, context, call);
}

}  // namespace detail
}  // namespace kiwora
