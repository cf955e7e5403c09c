// Files converted side by side (--jobs) and reports written side by side give
// the same bytes as one file and one report after another: reports, log and
// console, apart from time stamps and durations.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

struct RunOutput {
  int status = -1;
  std::string console;
  std::string errors;
  std::string log;
  std::map<std::string, std::string> files;
};

// Runs the program on `in` into the folders `out` and `logs`, emptied first
// (so that the paths in the log are the same from run to run).
RunOutput convert(const TempDir& in, const TempDir& out, const TempDir& logs,
                  const std::vector<std::string>& options) {
  for (const TempDir* folder : {&out, &logs}) {
    for (auto& entry : std::filesystem::directory_iterator(folder->path())) {
      std::filesystem::remove_all(entry.path());
    }
  }
  std::vector<std::string> argv = {LOOPCONV_BINARY};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"-I" + in.path(), "-O" + out.path(), "-F" + logs.path()});
  ProgramResult r = runProgram(argv);
  RunOutput output;
  output.status = r.status;
  output.console = maskedRunTimes(r.out);
  output.errors = r.err;
  for (auto& entry : std::filesystem::directory_iterator(logs.path())) {
    output.log = maskedRunTimes(readFile(entry.path().string()));
  }
  for (auto& entry : std::filesystem::directory_iterator(out.path())) {
    output.files[entry.path().filename().string()] = readFile(entry.path().string());
  }
  return output;
}

TEST(ParallelRunTest, JobsGiveTheSameOutputAsOneFileAfterAnother) {
  TempDir in;
  const char* dates[] = {"08/16/2021", "08/17/2021", "08/18/2021", "08/19/2021", "08/20/2021"};
  for (int i = 0; i < 5; ++i) {
    SampleDay day =
        generateSampleDay(40 + 20 * i, dates[i], static_cast<uint64_t>(i + 1), i == 2 ? 700 : 4320);
    std::string bytes = day.bytes;
    // One file cut short: error lines in the middle of the run.
    if (i == 3) bytes.resize(bytes.size() / 2);
    writeFile(in.file(day.fileName), bytes);
  }
  writeFile(in.file("XDAT-noise"), std::string(500, 'x'));  // skipped with an error
  std::vector<std::string> reports = {"-E", "-L",          "-T",       "-A",
                                      "-S", "--rollup=15", "--health", "--picture"};
  TempDir out, logs;
  RunOutput one = convert(in, out, logs, reports);
  for (const char* jobs : {"--jobs=2", "--jobs=5", "--jobs=64"}) {
    std::vector<std::string> options = reports;
    options.push_back(jobs);
    RunOutput many = convert(in, out, logs, options);
    EXPECT_EQ(many.status, one.status) << jobs;
    // The whole of standard error, the closing error count included: every
    // file's errors must be counted, whichever thread converted it.
    EXPECT_EQ(many.errors, one.errors) << jobs;
    // The console differs only in its echo of the option itself.
    std::string echo = std::string("\tOption ") + jobs + "\n";
    std::string console = many.console;
    size_t at = console.find(echo);
    ASSERT_NE(at, std::string::npos) << jobs;
    console.erase(at, echo.size());
    EXPECT_TRUE(console == one.console) << jobs;
    EXPECT_TRUE(many.log == one.log) << jobs;
    ASSERT_EQ(many.files.size(), one.files.size()) << jobs;
    for (const auto& [name, bytes] : one.files) {
      EXPECT_TRUE(many.files[name] == bytes) << jobs << " " << name;
    }
  }
  EXPECT_EQ(one.status, 1);
  // The errors of the cut file and the noise file, each counted once.
  const std::string errors = one.errors;
  const size_t lines = static_cast<size_t>(std::count(errors.begin(), errors.end(), '\n'));
  EXPECT_NE(errors.find("loopconv: " + std::to_string(lines - 1) + " error(s) logged in ["),
            std::string::npos)
      << errors;
  EXPECT_GT(lines, 2u);
  EXPECT_EQ(one.files.size(), 5u * 8);  // 4 reports, 2 roll-ups, health, picture per day
}

}  // namespace
}  // namespace loopconv
