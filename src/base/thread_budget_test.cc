#include "base/thread_budget.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "base/background_writer.h"
#include "base/parallel.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

TEST(ThreadBudgetTest, NeverGivesMoreThanItsCapacity) {
  ThreadBudget budget(3);  // one slot taken by the first thread
  EXPECT_TRUE(budget.tryTake());
  EXPECT_TRUE(budget.tryTake());
  EXPECT_FALSE(budget.tryTake());
  budget.giveBack();
  EXPECT_EQ(budget.inUse(), 2);
  EXPECT_TRUE(budget.tryTake());
}

TEST(ThreadBudgetTest, AThreadHoldsItsSlotUntilJoined) {
  ThreadBudget budget(2);
  std::atomic<bool> ran{false};
  BudgetThread first;
  ASSERT_TRUE(first.start([&] { ran = true; }, budget));
  BudgetThread second;
  std::atomic<bool> secondRan{false};
  EXPECT_FALSE(second.start([&] { secondRan = true; }, budget));  // full: not run
  first.join();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(secondRan);
  EXPECT_EQ(budget.inUse(), 1);
  ASSERT_TRUE(second.start([&] { secondRan = true; }, budget));
  BudgetThread moved = std::move(second);
  moved.join();
  EXPECT_TRUE(secondRan);
  EXPECT_EQ(budget.inUse(), 1);
}

TEST(ThreadBudgetTest, StartFailuresAreCountedOnce) {
  ThreadBudget budget(4);
  budget.noteStartFailure(11);
  budget.noteStartFailure(12);
  int error = 0;
  EXPECT_EQ(budget.takeStartFailures(&error), 2);
  EXPECT_EQ(error, 11);
  EXPECT_EQ(budget.takeStartFailures(&error), 0);
  EXPECT_EQ(error, 0);
}

// Takes every free slot of the process's budget while it lives.
class ExhaustedBudget {
 public:
  ExhaustedBudget() {
    while (ThreadBudget::process().tryTake()) ++taken_;
  }
  ~ExhaustedBudget() {
    for (int i = 0; i < taken_; ++i) ThreadBudget::process().giveBack();
  }

 private:
  int taken_ = 0;
};

TEST(ThreadBudgetTest, WorkWithoutThreadsRunsOnTheCaller) {
  ExhaustedBudget none;
  std::vector<int> seen(1000, 0);
  forEachInParallel(1000, [&](int32_t i) { seen[static_cast<size_t>(i)] += 1; });
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 1000);

  TempDir dir;
  std::string path = dir.file("written");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  {
    BackgroundWriter writer(fd, nullptr, 16);
    std::vector<char> buffer(16, 'a');
    writer.submit(&buffer, 16);
    buffer.assign(16, 'b');
    writer.submit(&buffer, 5);
    EXPECT_EQ(writer.wait(), 0);
  }
  close(fd);
  EXPECT_EQ(readFile(path), std::string(16, 'a') + "bbbbb");
}

}  // namespace
}  // namespace loopconv
