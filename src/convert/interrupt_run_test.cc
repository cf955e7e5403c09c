// End to end through the program: a run ended by SIGINT or SIGTERM, before
// any output, while its outputs are written and after the first is in
// place, leaves no temporary file, only whole outputs, the log line and the
// status of the signal; a run killed outright (SIGKILL) leaves its temporary
// files, which the next run into the folder removes.
#include <signal.h>

#include <map>
#include <string>
#include <vector>

#include "convert/running_program.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

class InterruptRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    day_ = new TempDir;
    reference_ = new TempDir;
    // A day that takes long enough to hit each moment.
    ProgramResult made = runProgram({LOOPCONV_GEN_BINARY, "--devices", SlowBuild ? "400" : "3000",
                                     "--seed", "3", day_->path()});
    ASSERT_EQ(made.status, 0) << made.err;
    TempDir logs;
    ProgramResult whole = runProgram({LOOPCONV_BINARY, "-E", "-A", "--health", "-I" + day_->path(),
                                      "-O" + reference_->path(), "-F" + logs.path()});
    ASSERT_EQ(whole.status, 0) << whole.err;
  }
  static void TearDownTestSuite() {
    delete day_;
    delete reference_;
  }

  std::vector<std::string> command() const {
    return {LOOPCONV_BINARY,    "-E", "-A", "--health", "-I" + day_->path(), "-O" + out_.path(),
            "-F" + logs_.path()};
  }
  std::string log() const {
    std::string text;
    for (const std::string& name : namesIn(logs_.path())) text += readFile(logs_.file(name));
    return text;
  }
  void clear() {
    for (const TempDir* folder : {&out_, &logs_}) {
      for (const std::string& name : namesIn(folder->path())) {
        std::filesystem::remove_all(folder->file(name));
      }
    }
  }
  // Every output left is whole: the bytes of the complete run.
  void expectWholeOutputs(const std::string& what) {
    for (const std::string& name : namesIn(out_.path())) {
      EXPECT_TRUE(sameBytes(out_.file(name), reference_->file(name))) << what << ": " << name;
    }
  }

  static TempDir* day_;
  static TempDir* reference_;
  TempDir out_;
  TempDir logs_;
};

TempDir* InterruptRunTest::day_ = nullptr;
TempDir* InterruptRunTest::reference_ = nullptr;

TEST_F(InterruptRunTest, ASignalRemovesTheUnfinishedOutputsAndSaysSo) {
  // The moments: the run is under way (its watcher thread is up) but has
  // made no output; outputs are being written; the first is in place and
  // others are still being written.
  const std::string out = out_.path();
  std::map<std::string, std::function<bool(RunningProgram&)>> moments = {
      {"before any output",
       [&](RunningProgram& p) { return p.threads() >= 2 && namesIn(out).empty(); }},
      {"while writing",
       [&](RunningProgram&) {
         return countTemporaryFiles(out) > 0 && countFinishedFiles(out) == 0;
       }},
      {"after the first rename",
       [&](RunningProgram&) {
         return countFinishedFiles(out) > 0 && countTemporaryFiles(out) > 0;
       }},
  };
  for (int number : {SIGINT, SIGTERM}) {
    for (const auto& [moment, reached] : moments) {
      std::string what = std::to_string(number) + " " + moment;
      clear();
      RunningProgram run(command());
      ASSERT_TRUE(run.started());
      ASSERT_TRUE(run.waitUntil([&] { return reached(run); })) << what << ": not reached";
      run.signal(number);
      int status = run.wait();
      bool bySignal = WIFSIGNALED(status) && WTERMSIG(status) == number;
      bool byStatus = WIFEXITED(status) && WEXITSTATUS(status) == 128 + number;
      EXPECT_TRUE(bySignal || byStatus) << what << ": status " << status;
      EXPECT_EQ(countTemporaryFiles(out), 0) << what;
      if (moment == "after the first rename") {
        EXPECT_GT(countFinishedFiles(out), 0) << what;
      }
      if (moment == "before any output") {
        EXPECT_TRUE(namesIn(out).empty()) << what;
      }
      expectWholeOutputs(what);
      std::string line =
          "Interrupted by signal [" + std::to_string(number) + "], unfinished outputs removed!\n";
      EXPECT_NE(log().find("] E " + line), std::string::npos) << what << "\n" << log();
      EXPECT_EQ(run.err(), "loopconv: " + line) << what;
    }
  }
}

TEST_F(InterruptRunTest, TheNextRunRemovesWhatAKilledRunLeft) {
  RunningProgram killed(command());
  ASSERT_TRUE(killed.waitUntil([&] { return countTemporaryFiles(out_.path()) > 0; }));
  killed.signal(SIGKILL);
  killed.wait();
  int left = countTemporaryFiles(out_.path());
  ASSERT_GT(left, 0);
  // Names of the same form that are not a dead run's, and other names: kept.
  const std::string mine = "Notes.csv.tmp" + std::to_string(getpid()) + ".0";
  const std::vector<std::string> kept = {mine, "Notes.tmp", "Notes.csv.tmp12x.0", "Notes.csv.tmp.0",
                                         "Notes.csv.tmp0012.1"};
  for (const std::string& name : kept) writeFile(out_.file(name), "keep");

  ProgramResult next = runProgram(command());
  EXPECT_EQ(next.status, 0) << next.err;
  EXPECT_NE(log().find("] - Removed [" + std::to_string(left) +
                       "] temporary file(s) left by ended runs from [" + out_.path() + "/]\n"),
            std::string::npos)
      << log();
  EXPECT_NE(next.out.find("] - Removed [" + std::to_string(left) + "] temporary file(s)"),
            std::string::npos);
  for (const std::string& name : kept) EXPECT_TRUE(fileExists(out_.file(name))) << name;
  for (const std::string& name : kept) std::filesystem::remove(out_.file(name));
  EXPECT_EQ(countTemporaryFiles(out_.path()), 0);
  EXPECT_EQ(namesIn(out_.path()).size(), namesIn(reference_->path()).size());
  expectWholeOutputs("after the killed run");

  // A run that finds nothing to remove says nothing about it.
  ProgramResult again = runProgram(command());
  EXPECT_EQ(again.out.find("temporary file(s)"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
