// End to end through the program: every failure a user can meet shows in the
// exit status and on standard error, not only in the log.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

const char kDayName[] = "PELMA20Sec_08182021.DAT";

class RunFailuresTest : public ::testing::Test {
 protected:
  // Runs the program on in_ with the given options (folders appended).
  ProgramResult run(std::vector<std::string> options, const std::string& input = "") {
    std::vector<std::string> argv = {LOOPCONV_BINARY};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("-I" + (input.empty() ? in_.path() : input));
    argv.push_back("-O" + out_.path());
    argv.push_back("-F" + logs_.path());
    return runProgram(argv);
  }
  // The log file's path, as the closing line on standard error gives it.
  std::string logPath() {
    for (auto& entry : std::filesystem::directory_iterator(logs_.path())) {
      return entry.path().string();
    }
    return "(no log)";
  }
  std::string summary(int errors) {
    return "loopconv: " + std::to_string(errors) + " error(s) logged in [" + logPath() + "]\n";
  }
  size_t outputCount() {
    size_t n = 0;
    for (auto& entry : std::filesystem::directory_iterator(out_.path())) {
      (void)entry;
      ++n;
    }
    return n;
  }

  TempDir in_;
  TempDir out_;
  TempDir logs_;
};

TEST_F(RunFailuresTest, ACleanRunSaysNothingOnStandardError) {
  writeFile(in_.file(kDayName), generateSampleDay(30, "08/18/2021", 1, 90).bytes);
  ProgramResult r = run({"-E"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(outputCount(), 1u);
}

TEST_F(RunFailuresTest, APeriodThatNamesNoPeriodIsACommandLineError) {
  for (const char* period : {"07:00:10", "07:61:00", "24:00:00", "ab:00:00"}) {
    ProgramResult r = run({"-E", std::string("-P") + period});
    EXPECT_EQ(r.status, 2) << period;
    EXPECT_NE(r.out.find(std::string("\tOption -P, String = ") + period +
                         "\n     E Illegal 'P' time -- HH 00 to 23, MM 00 to 59, SS 00, 20 or "
                         "40!\n\tOption -P[\"timeperiod\"]"),
              std::string::npos)
        << r.out;
    // Schedulers mail standard error: the error and the closing line reach it.
    EXPECT_EQ(r.err,
              "loopconv: Illegal 'P' time -- HH 00 to 23, MM 00 to 59, SS 00, 20 or 40!\n"
              "loopconv: Error on command line!\n")
        << period;
  }
  EXPECT_EQ(logPath(), "(no log)");
  EXPECT_EQ(outputCount(), 0u);
}

TEST_F(RunFailuresTest, AFileWithoutADateIsSkippedWithAnError) {
  std::string noise(3000, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());
  writeFile(in_.file("XDATX"), noise);
  // A readable header whose Data Start is no date.
  std::string day = generateSampleDay(5, "08/18/2021", 1, 30).bytes;
  size_t start = day.find("Data Start = ");
  ASSERT_NE(start, std::string::npos);
  day.replace(start + 13, 10, "2021-08-18");
  writeFile(in_.file("YDAT"), day);
  ProgramResult r = run({"-E", "-L"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "loopconv: Data file [XDATX] has no valid Data Start date (MM/DD/YYYY), file "
            "skipped!\n"
            "loopconv: Data file [YDAT] has no valid Data Start date (MM/DD/YYYY), file "
            "skipped!\n" +
                summary(2));
  EXPECT_EQ(outputCount(), 0u);  // no report, no sub-folder
  std::string log = readFile(logPath());
  EXPECT_EQ(log.find("Completed processing of data file"), std::string::npos);
  EXPECT_NE(log.find("Finished converting 2 .DAT Files"), std::string::npos);
}

TEST_F(RunFailuresTest, ACutFileSaysItWasNotConvertedWhole) {
  std::string day = generateSampleDay(40, "08/18/2021", 2, 4320).bytes;
  writeFile(in_.file(kDayName), day.substr(0, day.size() * 4 / 10));
  ProgramResult r = run({"-E"});
  EXPECT_EQ(r.status, 1);
  size_t skipped = 0;
  for (size_t at = r.err.find("loopconv: Data block of device ["); at != std::string::npos;
       at = r.err.find("loopconv: Data block of device [", at + 1)) {
    ++skipped;
  }
  EXPECT_GT(skipped, 10u);
  EXPECT_EQ(r.err.substr(r.err.size() - summary(static_cast<int>(skipped)).size()),
            summary(static_cast<int>(skipped)));
  EXPECT_EQ(outputCount(), 1u);  // the devices that were whole are reported
}

TEST_F(RunFailuresTest, FolderProblemsReachStandardError) {
  ProgramResult empty = run({"-E"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "loopconv: Found no input file.\n" + summary(1));

  std::string missing = in_.file("missing");
  ProgramResult gone = run({"-E"}, missing);
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.err, "loopconv: Source Directory [" + missing + "/] not found!\n" + summary(1));

  // An output "folder" that is a file: the report cannot be opened.
  writeFile(in_.file(kDayName), generateSampleDay(3, "08/18/2021", 1, 9).bytes);
  std::string notAFolder = out_.file("file");
  writeFile(notAFolder, "x");
  std::vector<std::string> argv = {LOOPCONV_BINARY, "-E", "-I" + in_.path(), "-O" + notAFolder,
                                   "-F" + logs_.path()};
  ProgramResult blocked = runProgram(argv);
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "loopconv: Could not open data file [" + notAFolder +
                             "/PELMA20Sec_Element_08182021.csv]! - Error = [20].\n" + summary(1));
}

}  // namespace
}  // namespace loopconv
