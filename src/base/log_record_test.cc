// What a held log keeps for a summary of its work: its W and E lines and the
// files written, handed on to a held parent and dropped at the run's log.
#include <cstdio>
#include <string>

#include "base/log.h"
#include "base/output_file.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

TEST(LogRecordTest, HeldLogsKeepProblemsAndFilesAndHandThemToHeldParents) {
  CapturedConsole console;
  Log run(console.stream());
  run.setTimeStamp("10:00:00");
  Log file(run);
  file.note("progress\n");
  file.warn("odd\n");
  {
    Log writer(file);
    writer.error("broken\n");
    writer.recordFileWritten("/out/a.csv");
    writer.release();
  }
  file.recordFileWritten("/out/b.csv");
  EXPECT_EQ(file.heldProblems(),
            (std::vector<std::string>{"[10:00:00] W odd\n", "[10:00:00] E broken\n"}));
  EXPECT_EQ(file.filesWritten(), (std::vector<std::string>{"/out/a.csv", "/out/b.csv"}));
  EXPECT_EQ(file.errorCount(), 1);
  file.release();
  // The run's own log counts the error but keeps no record.
  EXPECT_EQ(run.errorCount(), 1);
  EXPECT_TRUE(run.heldProblems().empty());
  EXPECT_TRUE(run.filesWritten().empty());
  run.recordFileWritten("/out/c.csv");
  EXPECT_TRUE(run.filesWritten().empty());
}

TEST(LogRecordTest, OnlyFilesRenamedIntoPlaceAreRecorded) {
  TempDir dir;
  CapturedConsole console;
  Log run(console.stream());
  Log held(run);
  OutputFile good;
  int error = 0;
  ASSERT_TRUE(good.open(dir.file("good.csv"), &error));
  good.writeText("a\n");
  ASSERT_TRUE(good.close(held));
  {
    OutputFile dropped;  // never closed: removed, not recorded
    ASSERT_TRUE(dropped.open(dir.file("dropped.csv"), &error));
  }
  EXPECT_EQ(held.filesWritten(), (std::vector<std::string>{dir.file("good.csv")}));
  EXPECT_EQ(readFile(dir.file("good.csv")), "a\r\n");
  held.release();
}

}  // namespace
}  // namespace loopconv
