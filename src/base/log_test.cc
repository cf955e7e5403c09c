// The log: severity marks, the error count, and child logs handed on whole to
// their parents in the order they are released.
#include "base/log.h"

#include <string>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

struct LoggedRun {
  TempDir dir;
  CapturedConsole console;
  CapturedConsole errors;
  Log log{console.stream(), errors.stream()};

  LoggedRun() {
    int error = 0;
    EXPECT_TRUE(log.open(dir.file("run.log"), &error)) << error;
    log.setTimeStamp("12:00:00");
  }
  std::string file() {
    log.close();
    return readFile(dir.file("run.log"));
  }
};

TEST(LogTest, MarksEachSeverityAndCountsOnlyErrors) {
  LoggedRun run;
  run.log.note("one %d\n", 1);
  run.log.warn("two\n");
  run.log.error("three [%s]\n", "x");
  run.log.errorAt("08:00:00", "four\n");
  run.log.warnAt("08:00:00", "five\n");
  EXPECT_EQ(run.log.errorCount(), 2);
  EXPECT_EQ(run.file(),
            "[12:00:00] - one 1\n[12:00:00] W two\n[12:00:00] E three [x]\n"
            "[08:00:00] E four\n[08:00:00] W five\n");
  // Only errors reach the error stream, without their stamp and mark.
  EXPECT_EQ(run.errors.text(), "loopconv: three [x]\nloopconv: four\n");
  EXPECT_EQ(run.console.text(), "");
}

TEST(LogTest, ChildrenHoldTheirLinesUntilReleasedInOrder) {
  LoggedRun run;
  run.log.note("before\n");
  Log first(run.log);
  Log second(run.log);
  // Written out of order, as side-by-side work does.
  second.error("second's error\n");
  second.console("second's console\n");
  first.note("first's note\n");
  first.error("first's error\n");
  first.error("first's second error\n");
  EXPECT_EQ(run.log.errorCount(), 0);  // nothing handed on yet
  EXPECT_EQ(run.console.text(), "");
  EXPECT_EQ(run.errors.text(), "");

  first.release();
  EXPECT_EQ(run.log.errorCount(), 2);
  second.release();
  EXPECT_EQ(run.log.errorCount(), 3);  // every error of every child counts
  run.log.note("after\n");
  EXPECT_EQ(run.file(),
            "[12:00:00] - before\n[12:00:00] - first's note\n[12:00:00] E first's error\n"
            "[12:00:00] E first's second error\n[12:00:00] E second's error\n"
            "[12:00:00] - after\n");
  EXPECT_EQ(run.errors.text(),
            "loopconv: first's error\nloopconv: first's second error\n"
            "loopconv: second's error\n");
  EXPECT_EQ(run.console.text(), "second's console\n");
}

TEST(LogTest, GrandchildrenTravelWithTheirParent) {
  LoggedRun run;
  Log file(run.log);
  file.note("file starts\n");
  Log output(file);
  output.error("output failed\n");
  output.error("and again\n");
  output.release();
  file.note("file ends\n");
  EXPECT_EQ(run.log.errorCount(), 0);
  file.release();
  EXPECT_EQ(run.log.errorCount(), 2);
  EXPECT_EQ(run.file(),
            "[12:00:00] - file starts\n[12:00:00] E output failed\n[12:00:00] E and again\n"
            "[12:00:00] - file ends\n");
}

TEST(LogTest, SummaryNamesTheErrorCountAndLogPath) {
  LoggedRun run;
  run.log.summarizeErrors("/logs/a.txt");
  EXPECT_EQ(run.errors.text(), "");  // no error, no summary
  for (int i = 0; i < 137; ++i) run.log.error("e\n");
  run.log.summarizeErrors("/logs/a.txt");
  const std::string text = run.errors.text();
  EXPECT_EQ(text.substr(text.rfind("loopconv: ")),
            "loopconv: 137 error(s) logged in [/logs/a.txt]\n");
}

#ifndef NDEBUG
TEST(LogDeathTest, AnUnreleasedChildIsCaughtInDebugBuilds) {
  EXPECT_DEATH(
      {
        Log parent(stdout);
        Log child(parent);
        child.note("lost\n");
      },
      "released");
}
#endif

}  // namespace
}  // namespace loopconv
