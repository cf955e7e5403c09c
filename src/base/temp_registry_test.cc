#include "base/temp_registry.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

TEST(TempRegistryTest, NamesAreReadBackOnlyInTheirExactForm) {
  pid_t pid = 0;
  EXPECT_EQ(temporaryPath("out/A.csv", 4711, 3), "out/A.csv.tmp4711.3");
  ASSERT_TRUE(parseTemporaryName("A.csv.tmp4711.3", &pid));
  EXPECT_EQ(pid, 4711);
  EXPECT_TRUE(parseTemporaryName("A.tmp.csv.tmp12.0", &pid));
  EXPECT_EQ(pid, 12);
  for (const char* other : {"A.csv", ".tmp12.0", "A.csv.tmp12.", "A.csv.tmp.3", "A.csv.tmp012.3",
                            "A.csv.tmp12.03", "A.csv.tmp12.3x", "A.csv.tmp-12.3", "A.csv.tmp0.1",
                            "A.csv.tmp99999999999.1", "A.csv.TMP12.3", "A.csv.tmp12"}) {
    EXPECT_FALSE(parseTemporaryName(other, &pid)) << other;
  }
}

TEST(TempRegistryTest, RemovesWhatIsInProgressAndRefusesNewFiles) {
  TempDir dir;
  TempRegistry registry;
  int error = 0;
  int done = registry.create(dir.file("done.tmp1.0"), &error);
  int open = registry.create(dir.file("open.tmp1.1"), &error);
  int dropped = registry.create(dir.file("dropped.tmp1.2"), &error);
  ASSERT_TRUE(done >= 0 && open >= 0 && dropped >= 0);
  EXPECT_EQ(registry.renameIntoPlace(dir.file("done.tmp1.0"), dir.file("done")), 0);
  registry.remove(dir.file("dropped.tmp1.2"));
  EXPECT_FALSE(fileExists(dir.file("dropped.tmp1.2")));

  EXPECT_EQ(registry.removeAllAndClose(), 1);
  EXPECT_TRUE(fileExists(dir.file("done")));
  EXPECT_FALSE(fileExists(dir.file("open.tmp1.1")));
  EXPECT_EQ(registry.create(dir.file("late.tmp1.3"), &error), -1);
  EXPECT_EQ(error, EINTR);
  EXPECT_FALSE(fileExists(dir.file("late.tmp1.3")));
  EXPECT_EQ(registry.renameIntoPlace(dir.file("open.tmp1.1"), dir.file("open")), EINTR);
  EXPECT_FALSE(fileExists(dir.file("open")));
  for (int fd : {done, open, dropped}) close(fd);
}

TEST(TempRegistryTest, AFailedCreateLeavesNothingRecorded) {
  TempDir dir;
  TempRegistry registry;
  int error = 0;
  EXPECT_EQ(registry.create(dir.file("missing/x.tmp1.0"), &error), -1);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(registry.removeAllAndClose(), 0);
}

}  // namespace
}  // namespace loopconv
