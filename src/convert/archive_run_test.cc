// An archive of month folders converted through the built program:
// --recursive, --skip-done and --summary together, as a nightly job runs them.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "reports/report_test_fixture.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

const char kSummaryHeader[] =
    "file,kind,date,status,devices,periods,errors,warnings,seconds,outputs";

// Sets the modification time of `path` to `seconds` from now.
void setModified(const std::string& path, time_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = time(nullptr) + seconds;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

struct timespec modifiedAt(const std::string& path) {
  struct stat info = {};
  stat(path.c_str(), &info);
  return info.st_mtim;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The summary's rows (header checked), each split into its fields.
std::vector<std::vector<std::string>> summaryRows(const std::string& path) {
  std::vector<std::string> lines = csvLines(readFile(path));
  std::vector<std::vector<std::string>> rows;
  EXPECT_FALSE(lines.empty()) << path;
  if (lines.empty()) return rows;
  EXPECT_EQ(lines[0], kSummaryHeader);
  for (size_t i = 1; i < lines.size(); ++i) rows.push_back(csvFields(lines[i]));
  return rows;
}

// Every regular file below `folder`, relative to it.
std::vector<std::string> filesBelow(const std::string& folder) {
  std::vector<std::string> files;
  for (auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files.push_back(std::filesystem::relative(entry.path(), folder).string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class ArchiveRunTest : public ::testing::Test {
 protected:
  ArchiveRunTest() {
    // Three month folders of ten small days each, and a folder whose name
    // holds DAT (descended into, never opened as a data file).
    for (int month : {6, 7, 8}) {
      const std::string folder = in_.file("2021-0" + std::to_string(month));
      mkdir(folder.c_str(), 0755);
      for (int day = 1; day <= 10; ++day) {
        char date[16];
        snprintf(date, sizeof date, "%02d/%02d/2021", month, day);
        SampleDay sample = generateSampleDay(6, date, static_cast<uint64_t>(day), 180);
        const std::string path = folder + "/" + sample.fileName;
        writeFile(path, sample.bytes);
        dataFiles_.push_back(path.substr(in_.folder().size()));
      }
    }
    mkdir(in_.file("DATA_notes").c_str(), 0755);
    writeFile(in_.file("DATA_notes/readme.txt"), "not a data file");
    // The data files are older than anything the runs write.
    for (const std::string& file : dataFiles_) setModified(in_.file(file), -86400);
  }

  ProgramResult convert(const std::vector<std::string>& extra, const std::string& summary) {
    std::vector<std::string> argv = {LOOPCONV_BINARY, "-E",       "--rollup=5",          "--health",
                                     "--recursive",   "--jobs=2", "--summary=" + summary};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.insert(argv.end(), {"-I" + in_.path(), "-O" + out_.path(), "-F" + logs_.path()});
    return runProgram(argv);
  }

  // The outputs of the data file `file` (relative, "2021-06/PELMA..."),
  // relative to the output folder.
  static std::vector<std::string> outputsOf(const std::string& file) {
    const std::string folder = file.substr(0, 8);               // "2021-06/"
    const std::string mmdd = file.substr(file.size() - 12, 4);  // "0601"
    const std::string iso = "2021-" + mmdd.substr(0, 2) + "-" + mmdd.substr(2, 2);
    return {folder + "PELMA20Sec_Element_" + mmdd + "2021.csv",
            folder + "Rollup_Lanes_5min_" + iso + ".csv",
            folder + "Rollup_Stations_5min_" + iso + ".csv", folder + "Health_" + iso + ".csv"};
  }

  static std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ";") + name;
    return text;
  }

  TempDir in_, out_, logs_, summaries_;
  std::vector<std::string> dataFiles_;  // relative to the input folder, in folder order
};

TEST_F(ArchiveRunTest, ConvertsOnceThenOnlyWhatChanged) {
  // First run: everything, into the same month folders of the output folder.
  ProgramResult first = convert({}, summaries_.file("first.csv"));
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_NE(first.out.find("Finished converting 30 .DAT Files"), std::string::npos);
  EXPECT_EQ(first.out.find("DATA_notes"), std::string::npos) << first.out;
  std::vector<std::string> expected;
  for (const std::string& file : dataFiles_) {
    for (const std::string& output : outputsOf(file)) expected.push_back(output);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(filesBelow(out_.path()), expected);

  auto rows = summaryRows(summaries_.file("first.csv"));
  ASSERT_EQ(rows.size(), dataFiles_.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& file = dataFiles_[i];
    SCOPED_TRACE(file);
    ASSERT_EQ(rows[i].size(), 10u);
    EXPECT_EQ(rows[i][0], file);  // depth first, sorted: the folder order
    EXPECT_EQ(rows[i][1], "data");
    EXPECT_EQ(rows[i][2],
              "2021-" + file.substr(file.size() - 12, 2) + "-" + file.substr(file.size() - 10, 2));
    EXPECT_EQ(rows[i][3], "converted");
    EXPECT_EQ(rows[i][4], "6");    // devices
    EXPECT_EQ(rows[i][5], "180");  // periods
    EXPECT_EQ(rows[i][6], "0");
    EXPECT_EQ(rows[i][7], "0");
    EXPECT_FALSE(rows[i][8].empty());
    EXPECT_EQ(rows[i][9], joined(outputsOf(file)));
  }

  // Second run: every output is there and newer; nothing is converted.
  std::map<std::string, struct timespec> before;
  for (const std::string& output : expected) before[output] = modifiedAt(out_.file(output));
  ProgramResult second = convert({"--skip-done"}, summaries_.file("second.csv"));
  ASSERT_EQ(second.status, 0) << second.out << second.err;
  EXPECT_EQ(second.out.find("Processing data file"), std::string::npos);
  EXPECT_NE(second.out.find("Data file [2021-07/PELMA20Sec_07042021.DAT] is up to date, "
                            "skipped.\n"),
            std::string::npos);
  EXPECT_NE(second.out.find("Skipped 30 up-to-date .DAT Files.\n"
                            "Finished converting 0 .DAT Files and 0 .LST Files"),
            std::string::npos)
      << second.out;
  for (const std::string& output : expected) {
    EXPECT_TRUE(sameTime(modifiedAt(out_.file(output)), before[output])) << output;
  }
  rows = summaryRows(summaries_.file("second.csv"));
  ASSERT_EQ(rows.size(), dataFiles_.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], dataFiles_[i]);
    EXPECT_EQ(rows[i][3], "skipped");
    EXPECT_EQ(rows[i][4], "");  // not read: no device or period count
    EXPECT_EQ(rows[i][8], "");
    EXPECT_EQ(rows[i][9], joined(outputsOf(dataFiles_[i])));
  }

  // A data file changed after its outputs were written is converted alone
  // (its time set ahead, so that no clock granularity can hide the change).
  const std::string touched = "2021-07/PELMA20Sec_07052021.DAT";
  setModified(in_.file(touched), 2);
  ProgramResult third = convert({"--skip-done"}, summaries_.file("third.csv"));
  ASSERT_EQ(third.status, 0) << third.out << third.err;
  EXPECT_NE(third.out.find("Processing data file [" + touched + "]"), std::string::npos);
  EXPECT_NE(third.out.find("Skipped 29 up-to-date .DAT Files.\n"
                           "Finished converting 1 .DAT Files"),
            std::string::npos)
      << third.out;
  rows = summaryRows(summaries_.file("third.csv"));
  ASSERT_EQ(rows.size(), dataFiles_.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][3], dataFiles_[i] == touched ? "converted" : "skipped") << dataFiles_[i];
  }
  for (const std::string& output : expected) {
    const bool rewritten =
        output.rfind("2021-07/", 0) == 0 && (output.find("07052021") != std::string::npos ||
                                             output.find("2021-07-05") != std::string::npos);
    EXPECT_EQ(!sameTime(modifiedAt(out_.file(output)), before[output]), rewritten) << output;
  }

  // A new output asked for (the picture) converts every file that lacks it.
  ProgramResult fourth = convert({"--skip-done", "--picture"}, summaries_.file("fourth.csv"));
  ASSERT_EQ(fourth.status, 0) << fourth.err;
  EXPECT_NE(fourth.out.find("Skipped 0 up-to-date .DAT Files.\n"
                            "Finished converting 30 .DAT Files"),
            std::string::npos);
  EXPECT_TRUE(fileExists(out_.file("2021-08/Picture_2021-08-10.svg")));
}

// One folder holding two files of one date, a file without a date and a
// folder whose name holds DAT (without --recursive: taken for a data file
// and failing to open, as ever).
TEST(RunSummaryEndToEnd, SaysWhichFilesFailedWereRefusedOrReplacedEachOther) {
  TempDir in, out, logs, summaries;
  SampleDay day = generateSampleDay(6, "08/18/2021", 1, 90);
  writeFile(in.file("A_DAT"), day.bytes);
  writeFile(in.file("B_DAT"), generateSampleDay(4, "08/18/2021", 2, 90).bytes);
  std::string dateless = day.bytes;
  size_t start = dateless.find("Data Start = 08/18/2021");
  ASSERT_NE(start, std::string::npos);
  dateless.replace(start + 13, 10, "18.08.2021");
  writeFile(in.file("C_DAT"), dateless);
  mkdir(in.file("D_DAT").c_str(), 0755);
  for (const char* name : {"A_DAT", "B_DAT", "C_DAT"}) setModified(in.file(name), -3600);

  auto run = [&](const std::string& summary, std::vector<std::string> extra) {
    std::vector<std::string> argv = {LOOPCONV_BINARY,        "-E",
                                     "--summary=" + summary, "-I" + in.path(),
                                     "-O" + out.path(),      "-F" + logs.path()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return runProgram(argv);
  };
  ProgramResult r = run(summaries.file("s.csv"), {});
  EXPECT_EQ(r.status, 1);  // C and D logged errors
  auto rows = summaryRows(summaries.file("s.csv"));
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> want[] = {
      {"A_DAT", "data", "2021-08-18", "replaced", "6", "90", "0", "0"},
      // The later file logs the same-date W line: a warning of its own.
      {"B_DAT", "data", "2021-08-18", "replaced", "4", "90", "0", "1"},
      {"C_DAT", "data", "", "refused", "", "", "1", "0"},
      {"D_DAT", "data", "", "failed", "", "", "1", "0"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 10u);
    EXPECT_EQ(std::vector<std::string>(rows[i].begin(), rows[i].begin() + 8), want[i]) << i;
  }
  EXPECT_EQ(rows[0][9], "PELMA20Sec_Element_08182021.csv");
  EXPECT_EQ(rows[2][9], "");
  EXPECT_EQ(rows[2][8], "");  // did not complete: no duration
  const std::string bOutput = readFile(out.file("PELMA20Sec_Element_08182021.csv"));

  // The earlier file of the date changes: with --skip-done both files of the
  // date are converted again, so the later one's outputs stand, as in a run
  // without it.
  setModified(in.file("A_DAT"), 2);
  r = run(summaries.file("t.csv"), {"--skip-done"});
  rows = summaryRows(summaries.file("t.csv"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][3], "replaced");
  EXPECT_EQ(rows[1][3], "replaced");
  EXPECT_EQ(readFile(out.file("PELMA20Sec_Element_08182021.csv")), bOutput);

  // A summary that cannot be written is an error of the run.
  mkdir(summaries.file("in_the_way.csv").c_str(), 0755);
  r = run(summaries.file("in_the_way.csv"), {});
  EXPECT_NE(r.err.find("loopconv: Could not open summary file [" +
                       summaries.file("in_the_way.csv") + "]! - Error = [21]."),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace loopconv
