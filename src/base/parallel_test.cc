// Work spread over the cores: every index exactly once, whatever the count.
#include "base/parallel.h"

#include <atomic>
#include <vector>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

TEST(ForEachInParallelTest, CallsEveryIndexExactlyOnce) {
  // Counts around the chunk size and a count of many chunks.
  for (int32_t count : {0, 1, 31, 32, 33, 64, 65, 1000, 100003}) {
    std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
    forEachInParallel(count, [&](int32_t i) { calls[static_cast<size_t>(i)]++; });
    int wrong = 0;
    for (const auto& c : calls) wrong += c.load() != 1;
    EXPECT_EQ(wrong, 0) << count;
  }
}

TEST(ForEachInParallelTest, EachIndexOwnsItsSlot) {
  // The pattern the decoder relies on: every call writes only its own slot,
  // so plain (non-atomic) slots are filled without a race.
  const int32_t count = 50000;
  std::vector<int64_t> squares(count, -1);
  forEachInParallel(count, [&](int32_t i) { squares[static_cast<size_t>(i)] = int64_t{i} * i; });
  for (int32_t i = 0; i < count; ++i) ASSERT_EQ(squares[static_cast<size_t>(i)], int64_t{i} * i);
}

TEST(ForEachInParallelTest, NegativeCountDoesNothing) {
  int calls = 0;
  forEachInParallel(-5, [&](int32_t) { ++calls; });
  EXPECT_EQ(calls, 0);
}

TEST(CoreCountTest, AtLeastOneAtMostSixtyFour) {
  EXPECT_GE(coreCount(), 1);
  EXPECT_LE(coreCount(), 64);
}

}  // namespace
}  // namespace loopconv
