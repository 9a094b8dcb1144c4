#include "spatial/parallel_chunks.h"

namespace kiwora {
namespace {
std::atomic<int> configuredThreads{0};
}

void setWorkerThreads(int n) { configuredThreads.store(n < 0 ? 0 : n); }

int workerThreads() {
  const int n = configuredThreads.load();
  if (n > 0) return n;
  const unsigned hw = std::thread::hardware_concurrency();
  return hw == 0 ? 1 : static_cast<int>(hw);
}

}  // namespace kiwora
