#include "base/folder_lock.h"

#include <chrono>
#include <thread>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

using Result = FolderLock::Result;

TEST(FolderLockTest, OneHolderPerFolder) {
  TempDir one, two;
  FolderLock first, second, other;
  EXPECT_EQ(first.tryLock(one.folder()), Result::Locked);
  EXPECT_EQ(second.tryLock(one.folder()), Result::Busy);
  EXPECT_EQ(other.tryLock(two.folder()), Result::Locked);  // another folder: no matter
  EXPECT_EQ(second.waitFor(0), Result::Busy);
  // Released when the holder goes, also while the other waits.
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    first = FolderLock();
  });
  EXPECT_EQ(second.waitFor(60), Result::Locked);
  release.join();
  FolderLock third;
  EXPECT_EQ(third.tryLock(one.path()), Result::Busy);  // the same folder without its '/'
}

TEST(FolderLockTest, AFolderThatCannotBeOpenedIsNotLocked) {
  TempDir dir;
  writeFile(dir.file("plain"), "x");
  FolderLock lock;
  EXPECT_EQ(lock.tryLock(dir.file("missing/")), Result::Unavailable);
  EXPECT_EQ(lock.waitFor(1), Result::Unavailable);
  EXPECT_EQ(lock.tryLock(dir.file("plain")), Result::Unavailable);
}

}  // namespace
}  // namespace loopconv
