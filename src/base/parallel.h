// Work shared out over the machine's cores.
#ifndef LOOPCONV_BASE_PARALLEL_H_
#define LOOPCONV_BASE_PARALLEL_H_

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "base/thread_budget.h"

namespace loopconv {

// Threads that work on one file: one per core, at least one.
inline int coreCount() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(std::min(n, 64u));
}

// Calls work(i) for every i in 0 .. count - 1, spread over the cores in
// chunks taken in order. Each call must touch only what belongs to its i.
// The helper threads come from the process's thread budget; with none to
// spare the calling thread does all of it.
template <typename Work>
void forEachInParallel(int32_t count, Work work) {
  constexpr int32_t Chunk = 32;
  int threads = std::min(coreCount(), static_cast<int>((count + Chunk - 1) / Chunk));
  if (threads <= 1) {
    for (int32_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<int32_t> next{0};
  auto worker = [&] {
    for (;;) {
      int32_t first = next.fetch_add(Chunk);
      if (first >= count) return;
      int32_t end = std::min(count, first + Chunk);
      for (int32_t i = first; i < end; ++i) work(i);
    }
  };
  std::vector<BudgetThread> helpers(static_cast<size_t>(threads - 1));
  for (BudgetThread& helper : helpers) {
    if (!helper.start(worker)) break;
  }
  worker();
  for (BudgetThread& helper : helpers) helper.join();
}

}  // namespace loopconv

#endif  // LOOPCONV_BASE_PARALLEL_H_
