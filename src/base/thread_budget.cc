#include "base/thread_budget.h"

#include <system_error>
#include <utility>

#include "base/parallel.h"

namespace loopconv {

int ThreadBudget::defaultCapacity() {
  return 4 * (coreCount() + 2);
}

ThreadBudget& ThreadBudget::process() {
  static ThreadBudget budget(defaultCapacity());
  return budget;
}

ThreadBudget::ThreadBudget(int capacity, int taken) : capacity_(capacity), taken_(taken) {}

bool ThreadBudget::tryTake() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (taken_ >= capacity_) return false;
  ++taken_;
  return true;
}

void ThreadBudget::giveBack() {
  std::lock_guard<std::mutex> lock(mutex_);
  --taken_;
}

int ThreadBudget::inUse() {
  std::lock_guard<std::mutex> lock(mutex_);
  return taken_;
}

void ThreadBudget::noteStartFailure(int error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failures_++ == 0) firstError_ = error;
}

int ThreadBudget::takeStartFailures(int* firstError) {
  std::lock_guard<std::mutex> lock(mutex_);
  int failures = std::exchange(failures_, 0);
  *firstError = std::exchange(firstError_, 0);
  return failures;
}

BudgetThread::BudgetThread(BudgetThread&& other) noexcept
    : thread_(std::move(other.thread_)), budget_(std::exchange(other.budget_, nullptr)) {}

BudgetThread& BudgetThread::operator=(BudgetThread&& other) noexcept {
  if (this != &other) {
    join();
    thread_ = std::move(other.thread_);
    budget_ = std::exchange(other.budget_, nullptr);
  }
  return *this;
}

bool BudgetThread::start(std::function<void()> work, ThreadBudget& budget) {
  join();
  if (!budget.tryTake()) return false;
  try {
    thread_ = std::thread(std::move(work));
  } catch (const std::system_error& failure) {
    budget.giveBack();
    budget.noteStartFailure(failure.code().value());
    return false;
  }
  budget_ = &budget;
  return true;
}

void BudgetThread::join() {
  if (thread_.joinable()) thread_.join();
  if (budget_ != nullptr) std::exchange(budget_, nullptr)->giveBack();
}

}  // namespace loopconv
