#include "base/stale_temp_files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

// The id of a process that has ended (a child, started and reaped).
pid_t endedProcess() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(StaleTempFilesTest, RemovesOnlyTheFilesOfEndedRuns) {
  TempDir dir;
  const std::string dead = std::to_string(endedProcess());
  const std::string alive = std::to_string(getppid());
  const std::string mine = std::to_string(getpid());
  const std::string stale[] = {"A.csv.tmp" + dead + ".0", "Rollup_x.csv.gz.tmp" + dead + ".17"};
  const std::string kept[] = {"A.csv.tmp" + alive + ".1",
                              "A.csv.tmp" + mine + ".2",
                              "A.csv.tmp0" + dead + ".3",
                              "A.csv.tmp" + dead + ".x",
                              "A.csv.tmp" + dead,
                              "notes.txt",
                              "A.csv"};
  for (const std::string& name : stale) writeFile(dir.file(name), "x");
  for (const std::string& name : kept) writeFile(dir.file(name), "x");
  // A folder of that name is no temporary file of ours.
  std::filesystem::create_directory(dir.file("B.csv.tmp" + dead + ".4"));

  EXPECT_EQ(removeStaleTempFiles(dir.folder()), 2);
  for (const std::string& name : stale) EXPECT_FALSE(fileExists(dir.file(name))) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fileExists(dir.file(name))) << name;
  EXPECT_TRUE(fileExists(dir.file("B.csv.tmp" + dead + ".4")));
  EXPECT_EQ(removeStaleTempFiles(dir.folder()), 0);
  EXPECT_EQ(removeStaleTempFiles(dir.file("missing/")), 0);
}

}  // namespace
}  // namespace loopconv
