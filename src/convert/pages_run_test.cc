// Runs with --pages: the pages change nothing else that the run writes, say
// the same with --jobs, carry the file's own E lines, and the index keeps the
// days of earlier runs.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

struct RunResult {
  int status = -1;
  std::string console;
  std::string log;
  std::map<std::string, std::string> files;
};

// Runs the program on `in` into `out` (emptied first unless `keep`) and
// `logs` (emptied), so that the paths in the log are the same every time.
RunResult convert(const TempDir& in, const TempDir& out, const TempDir& logs,
                  const std::vector<std::string>& options, bool keep = false) {
  for (const TempDir* folder : {&out, &logs}) {
    if (keep && folder == &out) continue;
    for (auto& entry : std::filesystem::directory_iterator(folder->path())) {
      std::filesystem::remove_all(entry.path());
    }
  }
  std::vector<std::string> argv = {LOOPCONV_BINARY};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"-I" + in.path(), "-O" + out.path(), "-F" + logs.path()});
  ProgramResult r = runProgram(argv);
  RunResult run;
  run.status = r.status;
  run.console = maskedRunTimes(r.out);
  for (auto& entry : std::filesystem::directory_iterator(logs.path())) {
    run.log = maskedRunTimes(readFile(entry.path().string()));
  }
  for (auto& entry : std::filesystem::directory_iterator(out.path())) {
    run.files[entry.path().filename().string()] = maskedRunTimes(readFile(entry.path().string()));
  }
  return run;
}

// `text` without its lines that contain `part`.
std::string without(const std::string& text, const std::string& part) {
  std::string kept;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(start, end - start);
    if (line.find(part) == std::string::npos) kept += line;
    start = end;
  }
  return kept;
}

TEST(PagesRunTest, PagesAddThemselvesAndChangeNothingElse) {
  TempDir in;
  const char* dates[] = {"08/16/2021", "08/17/2021", "08/18/2021"};
  for (int i = 0; i < 3; ++i) {
    SampleDay day = generateSampleDay(60, dates[i], static_cast<uint64_t>(i + 1), 4320);
    std::string bytes = day.bytes;
    if (i == 1) bytes.resize(bytes.size() * 2 / 3);  // an E line for that day only
    writeFile(in.file(day.fileName), bytes);
  }
  TempDir out, logs;
  const std::vector<std::string> options = {"--rollup=15", "--health"};
  RunResult plain = convert(in, out, logs, options);
  std::vector<std::string> withPages = options;
  withPages.push_back("--pages");
  RunResult pages = convert(in, out, logs, withPages);
  EXPECT_EQ(pages.status, plain.status);
  EXPECT_EQ(pages.status, 1);

  // The same log and console but for the page lines and the option's echo.
  std::string log = without(without(pages.log, "Writing day page to HTML file ["),
                            "Writing index of the day pages to HTML file [");
  EXPECT_TRUE(log == plain.log) << log;
  EXPECT_TRUE(without(pages.console, "\tOption --pages") == plain.console) << pages.console;
  // The same files, and a page per day and the index.
  for (const auto& [name, bytes] : plain.files) {
    ASSERT_TRUE(pages.files.count(name)) << name;
    EXPECT_TRUE(pages.files[name] == bytes) << name;
  }
  EXPECT_EQ(pages.files.size(), plain.files.size() + 4);
  for (const char* page :
       {"Day_2021-08-16.html", "Day_2021-08-17.html", "Day_2021-08-18.html", "Index.html"}) {
    EXPECT_TRUE(pages.files.count(page)) << page;
  }
  // The cut file's page shows its E line, the others none.
  const std::string& cut = pages.files["Day_2021-08-17.html"];
  EXPECT_NE(cut.find("<b data-figure=\"errors\">"), std::string::npos);
  EXPECT_EQ(cut.find("<b data-figure=\"errors\">0</b>"), std::string::npos);
  EXPECT_NE(cut.find("<li class=\"e\">[T] E Data block of device ["), std::string::npos);
  EXPECT_NE(pages.files["Day_2021-08-16.html"].find("<b data-figure=\"errors\">0</b>"),
            std::string::npos);
  // Each page lists its day's files and only those.
  EXPECT_NE(cut.find(">Health_2021-08-17.csv</a>"), std::string::npos);
  EXPECT_EQ(cut.find(">Health_2021-08-16.csv</a>"), std::string::npos);

  // Side by side: the same pages, log and index.
  withPages.push_back("--jobs=3");
  RunResult jobs = convert(in, out, logs, withPages);
  EXPECT_TRUE(jobs.log == pages.log);
  for (const auto& [name, bytes] : pages.files) {
    EXPECT_TRUE(jobs.files[name] == bytes) << name;
  }

  // A later run of one day into the same folder keeps the others in the
  // index.
  TempDir later;
  SampleDay day = generateSampleDay(30, "08/19/2021", 9, 4320);
  writeFile(later.file(day.fileName), day.bytes);
  RunResult next = convert(later, out, logs, {"--pages"}, true);
  EXPECT_EQ(next.status, 0);
  const std::string& index = next.files["Index.html"];
  size_t position = 0;
  for (const char* date : {"2021-08-19", "2021-08-18", "2021-08-17", "2021-08-16"}) {
    size_t at = index.find(std::string(">") + date + "</a>");
    ASSERT_NE(at, std::string::npos) << date;
    EXPECT_GT(at, position) << date;
    position = at;
  }
}

}  // namespace
}  // namespace loopconv

namespace loopconv {
namespace {

// With corridors the page's thread computes the corridor day once and writes
// the corridor files too: the same files and log as without pages.
TEST(PagesRunTest, CorridorFilesAreTheSameWithPages) {
  TempDir in, out, logs, lists;
  for (const char* date : {"08/17/2021", "08/18/2021"}) {
    ProgramResult gen = runProgram({LOOPCONV_GEN_BINARY, "--devices", "120", "--date", date,
                                    "--seed", "3", "--lst", in.path()});
    ASSERT_EQ(gen.status, 0) << gen.err;
  }
  // The list of the first day serves both (the same seed places the same
  // cabinets); it moves out of the input folder.
  std::string list;
  for (auto& entry : std::filesystem::directory_iterator(in.path())) {
    std::string name = entry.path().filename().string();
    if (name.find("LST") == std::string::npos) continue;
    if (list.empty()) {
      list = lists.file(name);
      std::filesystem::rename(entry.path(), list);
    } else {
      std::filesystem::remove(entry.path());
    }
  }
  ASSERT_FALSE(list.empty());
  const std::vector<std::string> options = {"--rollup=5", "--cabinets=" + list, "--corridors"};
  RunResult plain = convert(in, out, logs, options);
  ASSERT_EQ(plain.status, 0) << plain.console;
  std::vector<std::string> withPages = options;
  withPages.push_back("--pages");
  for (bool jobs : {false, true}) {
    if (jobs) withPages.push_back("--jobs=2");
    RunResult pages = convert(in, out, logs, withPages);
    std::string log = without(without(pages.log, "Writing day page to HTML file ["),
                              "Writing index of the day pages to HTML file [");
    EXPECT_TRUE(log == plain.log) << log;
    for (const auto& [name, bytes] : plain.files) {
      EXPECT_TRUE(pages.files[name] == bytes) << name;
    }
    const std::string& page = pages.files["Day_2021-08-18.html"];
    EXPECT_NE(page.find("<section id=\"corridors\">"), std::string::npos);
    EXPECT_EQ(page.find("<section id=\"stations\">"), std::string::npos);
    EXPECT_NE(page.find(">Corridor_Summary_2021-08-18.csv</a>"), std::string::npos);
  }

  // A cabinet list that cannot be read: the page says so and shows the
  // station picture.
  RunResult broken =
      convert(in, out, logs, {"--cabinets=" + lists.file("none.LST"), "--corridors", "--pages"});
  EXPECT_EQ(broken.status, 1);
  const std::string& page = broken.files["Day_2021-08-18.html"];
  EXPECT_NE(page.find("No corridors: the cabinet list could not be read"), std::string::npos);
  EXPECT_NE(page.find("<section id=\"stations\">"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
