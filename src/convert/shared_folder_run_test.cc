// End to end through the program: two runs into one output folder never mix
// their outputs (the second is refused, or with --wait runs after the
// first), runs into two folders go side by side, and data files of one date
// end with the same files and the same warning with any --jobs.
#include <sys/resource.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/parallel.h"
#include "base/thread_budget.h"
#include "convert/running_program.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

class SharedFolderRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    big_ = new TempDir;
    small_ = new TempDir;
    ProgramResult made = runProgram({LOOPCONV_GEN_BINARY, "--devices", SlowBuild ? "400" : "3000",
                                     "--seed", "5", big_->path()});
    ASSERT_EQ(made.status, 0) << made.err;
    made = runProgram({LOOPCONV_GEN_BINARY, "--devices", "20", "--seed", "6", "--date",
                       "08/19/2021", small_->path()});
    ASSERT_EQ(made.status, 0) << made.err;
  }
  static void TearDownTestSuite() {
    delete big_;
    delete small_;
  }

  static std::vector<std::string> command(const TempDir& in, const TempDir& out,
                                          const TempDir& logs,
                                          const std::vector<std::string>& more = {}) {
    std::vector<std::string> argv = {LOOPCONV_BINARY, "-E", "-A"};
    argv.insert(argv.end(), more.begin(), more.end());
    argv.insert(argv.end(), {"-I" + in.path(), "-O" + out.path(), "-F" + logs.path()});
    return argv;
  }
  static std::string logOf(const TempDir& logs) {
    std::string text;
    for (const std::string& name : namesIn(logs.path())) text += readFile(logs.file(name));
    return text;
  }
  // The outputs of the big day, made by a run of its own.
  void expectBigDayOutputs(const TempDir& out) {
    TempDir reference, logs;
    ASSERT_EQ(runProgram(command(*big_, reference, logs)).status, 0);
    EXPECT_EQ(namesIn(out.path()).size(), namesIn(reference.path()).size());
    for (const std::string& name : namesIn(reference.path())) {
      EXPECT_TRUE(sameBytes(out.file(name), reference.file(name))) << name;
    }
  }

  static TempDir* big_;
  static TempDir* small_;
};

TempDir* SharedFolderRunTest::big_ = nullptr;
TempDir* SharedFolderRunTest::small_ = nullptr;

TEST_F(SharedFolderRunTest, ASecondRunIntoTheSameFolderIsRefused) {
  TempDir out, logs, otherLogs;
  RunningProgram first(command(*big_, out, logs));
  ASSERT_TRUE(first.waitUntil([&] { return countTemporaryFiles(out.path()) > 0; }));
  ProgramResult second = runProgram(command(*big_, out, otherLogs));
  bool firstStillRuns = kill(first.pid(), 0) == 0 && countTemporaryFiles(out.path()) > 0;
  const std::string line = "Output folder [" + out.path() +
                           "/] is in use by another run (waited [0] seconds), nothing written!\n";
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err.find("loopconv: " + line), 0u) << second.err;
  std::string secondLog = logOf(otherLogs);
  EXPECT_NE(secondLog.find("] E " + line), std::string::npos) << secondLog;
  EXPECT_EQ(secondLog.find("Processing data file"), std::string::npos);
  EXPECT_TRUE(firstStillRuns);
  int status = first.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  expectBigDayOutputs(out);
}

TEST_F(SharedFolderRunTest, WithWaitTheSecondRunFollowsTheFirst) {
  TempDir out, logs, otherLogs;
  RunningProgram first(command(*big_, out, logs));
  ASSERT_TRUE(first.waitUntil([&] { return countTemporaryFiles(out.path()) > 0; }));
  RunningProgram second(command(*big_, out, otherLogs, {"--wait=600"}));
  // The first ends while the second still waits for the folder.
  int status = first.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  status = second.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << second.err();
  EXPECT_NE(second.out().find("] - Output folder [" + out.path() +
                              "/] is in use by another run, waiting up to [600] seconds\n"),
            std::string::npos)
      << second.out();
  std::string secondLog = logOf(otherLogs);
  EXPECT_LT(secondLog.find("waiting up to [600] seconds"), secondLog.find("Processing data file"));
  expectBigDayOutputs(out);
}

TEST_F(SharedFolderRunTest, RunsIntoTwoFoldersGoSideBySide) {
  TempDir out, logs, otherOut, otherLogs;
  RunningProgram first(command(*big_, out, logs));
  ASSERT_TRUE(first.waitUntil([&] { return countTemporaryFiles(out.path()) > 0; }));
  ProgramResult second = runProgram(command(*small_, otherOut, otherLogs, {"--wait=600"}));
  bool firstStillRuns = countTemporaryFiles(out.path()) > 0;
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out.find("is in use by another run"), std::string::npos);
  EXPECT_EQ(namesIn(otherOut.path()).size(), 2u);
  EXPECT_TRUE(firstStillRuns);  // the small day was done while the big one was written
  EXPECT_EQ(first.wait(), 0);
}

TEST_F(SharedFolderRunTest, FilesOfOneDateEndTheSameWithAnyJobs) {
  // A big day and a small one of the same date with a dateless file between
  // them, and a file of another date: the small one, later in folder order,
  // wins; the warning names it and the big one, not the dateless one.
  TempDir in;
  std::filesystem::copy_file(big_->file("PELMA20Sec_08182021.DAT"), in.file("D1_DAT"));
  writeFile(in.file("D2_DAT"), std::string(600, 'x'));
  writeFile(in.file("D3_DAT"), generateSampleDay(20, "08/18/2021", 9, 4320).bytes);
  std::filesystem::copy_file(small_->file("PELMA20Sec_08192021.DAT"), in.file("D4_DAT"));
  const std::string warning =
      "W Data files [D1_DAT] and [D3_DAT] share the Data Start date [08/18/2021]; the later "
      "one's outputs replace the earlier one's!\n";
  std::map<std::string, std::string> files[3];
  std::string logs[3], consoles[3];
  const char* jobs[3] = {"--jobs=1", "--jobs=2", "--jobs=4"};
  TempDir out, logFolder;  // the same paths in every run's lines
  for (int j = 0; j < 3; ++j) {
    for (const TempDir* folder : {&out, &logFolder}) {
      for (const std::string& name : namesIn(folder->path())) {
        std::filesystem::remove(folder->file(name));
      }
    }
    ProgramResult r = runProgram(command(in, out, logFolder, {"--rollup=15", jobs[j]}));
    EXPECT_EQ(r.status, 1) << jobs[j];  // the dateless file
    for (const std::string& name : namesIn(out.path())) files[j][name] = readFile(out.file(name));
    logs[j] = maskedRunTimes(logOf(logFolder));
    consoles[j] = maskedRunTimes(r.out);
    size_t echo = consoles[j].find(std::string("\tOption ") + jobs[j] + "\n");
    ASSERT_NE(echo, std::string::npos);
    consoles[j].erase(echo, strlen(jobs[j]) + 9);
    EXPECT_NE(logs[j].find("[T] " + warning), std::string::npos) << jobs[j] << logs[j];
    EXPECT_NE(consoles[j].find("          " + warning), std::string::npos) << consoles[j];
    // Right after the later file's Completed line.
    EXPECT_NE(
        logs[j].find("Completed processing of data file [D3_DAT] in [S] seconds.\n[T] " + warning),
        std::string::npos);
  }
  EXPECT_EQ(files[0].size(), 2u * 4);  // Element, Contents, two roll-ups, per date
  TempDir alone, aloneOut, aloneLogs;
  std::filesystem::copy_file(in.file("D3_DAT"), alone.file("D3_DAT"));
  ASSERT_EQ(runProgram(command(alone, aloneOut, aloneLogs, {"--rollup=15"})).status, 0);
  for (const std::string& name : namesIn(aloneOut.path())) {
    EXPECT_TRUE(files[0][name] == readFile(aloneOut.file(name))) << name;
  }
  for (int j = 1; j < 3; ++j) {
    EXPECT_TRUE(files[j] == files[0]) << jobs[j];
    EXPECT_EQ(logs[j], logs[0]) << jobs[j];
    EXPECT_EQ(consoles[j], consoles[0]) << jobs[j];
  }
}

TEST_F(SharedFolderRunTest, ARunStaysWithinItsThreadBudget) {
  TempDir in, out, logs;
  for (int i = 0; i < 4; ++i) {
    std::string date = "08/1" + std::to_string(i + 1) + "/2021";
    SampleDay day = generateSampleDay(SlowBuild ? 60 : 300, date, static_cast<uint64_t>(i), 4320);
    writeFile(in.file(day.fileName), day.bytes);
  }
  RunningProgram run(
      command(in, out, logs, {"-L", "-T", "--rollup=5", "--health", "--picture", "--jobs=4"}));
  int most = 0;
  run.waitUntil([&] {
    most = std::max(most, run.threads());
    return false;
  });
  EXPECT_EQ(run.wait(), 0);
  EXPECT_LE(most, 4 * (coreCount() + 2) + (ThreadSanitizer ? 1 : 0));
  EXPECT_EQ(ThreadBudget::defaultCapacity(), 4 * (coreCount() + 2));
  EXPECT_GE(most, 3);  // the count was seen while the run worked
  EXPECT_EQ(namesIn(out.path()).size(), 4u * 8);
}

TEST_F(SharedFolderRunTest, ThreadsThatCannotStartAreAnErrorNotACrash) {
  // With a stack limit far above the machine's memory every thread's stack
  // allocation fails: the work runs on the first thread.
  if (ThreadSanitizer) GTEST_SKIP() << "ThreadSanitizer cannot start under that stack limit";
  TempDir in, out, logs, plainOut, plainLogs;
  for (int i = 0; i < 2; ++i) {
    SampleDay day = generateSampleDay(40, "08/1" + std::to_string(i + 1) + "/2021",
                                      static_cast<uint64_t>(i), 4320);
    writeFile(in.file(day.fileName), day.bytes);
  }
  RunningProgram starved(command(in, out, logs, {"--rollup=5", "--jobs=2"}), [] {
    struct rlimit huge = {rlim_t(1) << 46, RLIM_INFINITY};
    setrlimit(RLIMIT_STACK, &huge);
  });
  int status = starved.wait();
  ProgramResult plain = runProgram(command(in, plainOut, plainLogs, {"--rollup=5", "--jobs=2"}));
  ASSERT_EQ(plain.status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  std::regex line(R"(^loopconv: Could not start \[\d+\] thread\(s\) - Error = \[\d+\]; their )"
                  R"(work ran on the others!\n)");
  EXPECT_TRUE(std::regex_search(starved.err(), line)) << starved.err();
  EXPECT_EQ(namesIn(out.path()).size(), namesIn(plainOut.path()).size());
  for (const std::string& name : namesIn(plainOut.path())) {
    EXPECT_TRUE(sameBytes(out.file(name), plainOut.file(name))) << name;
  }
}

}  // namespace
}  // namespace loopconv
