// The run's threads come from one budget: decoding, the outputs written side
// by side, every output's background writes and --jobs all draw on it, so a
// run never has more than 4 x (cores + 2) threads at once, whatever --jobs
// says. Work that gets no thread runs on the thread that asked for one.
#ifndef LOOPCONV_BASE_THREAD_BUDGET_H_
#define LOOPCONV_BASE_THREAD_BUDGET_H_

#include <functional>
#include <mutex>
#include <thread>

namespace loopconv {

class ThreadBudget {
 public:
  // Threads at once, the process's first thread included: 4 x (cores + 2).
  static int defaultCapacity();
  // The process's budget. Threads are a resource of the process (the kernel
  // counts them per process), so there is one budget, shared by every part
  // of the run; the first thread holds one of its slots.
  static ThreadBudget& process();

  explicit ThreadBudget(int capacity, int taken = 1);
  ThreadBudget(const ThreadBudget&) = delete;
  ThreadBudget& operator=(const ThreadBudget&) = delete;

  // Takes a slot when one is free; never waits (a thread waiting for a slot
  // that its own helpers hold would wait forever).
  [[nodiscard]] bool tryTake();
  void giveBack();
  int inUse();
  int capacity() const { return capacity_; }

  // A thread the system would not create (std::system_error): counted, so
  // the run can say so once.
  void noteStartFailure(int error);
  // The failures counted since the last call and the error of the first;
  // starts the count again.
  int takeStartFailures(int* firstError);

 private:
  std::mutex mutex_;
  const int capacity_;
  int taken_;
  int failures_ = 0;
  int firstError_ = 0;
};

// A thread drawn from a budget, joined by its destructor at the latest.
class BudgetThread {
 public:
  BudgetThread() = default;
  ~BudgetThread() { join(); }
  BudgetThread(BudgetThread&& other) noexcept;
  BudgetThread& operator=(BudgetThread&& other) noexcept;
  BudgetThread(const BudgetThread&) = delete;
  BudgetThread& operator=(const BudgetThread&) = delete;

  // Runs `work` on a new thread when `budget` has a slot and the system
  // creates the thread. Returns false otherwise: then nothing runs and the
  // caller does the work itself.
  [[nodiscard]] bool start(std::function<void()> work,
                           ThreadBudget& budget = ThreadBudget::process());
  void join();
  bool running() const { return thread_.joinable(); }

 private:
  std::thread thread_;
  ThreadBudget* budget_ = nullptr;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_THREAD_BUDGET_H_
