// --cabinets=FILE --corridors end to end through the program: the command
// line, a list that cannot be read, stations without a cabinet, --jobs.
#include <filesystem>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/cabinet_list_writer.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

const char* const CorridorFiles[] = {
    "Corridors_2021-08-18.csv", "Corridor_Measures_5min_2021-08-18.csv",
    "Corridor_Summary_2021-08-18.csv", "TravelTimes_2021-08-18.csv",
    "Corridors_2021-08-18.svg"};

class CorridorRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    day_ = generateSampleDay(60, "08/18/2021", 3, 540);
    writeFile(in_.file(day_.fileName), day_.bytes);
  }
  ProgramResult run(std::vector<std::string> options) {
    std::vector<std::string> argv = {LOOPCONV_BINARY};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("-I" + in_.path());
    argv.push_back("-O" + out_.path());
    argv.push_back("-F" + logs_.path());
    return runProgram(argv);
  }
  bool written(const std::string& name) {
    return std::filesystem::exists(out_.path() + "/" + name);
  }
  std::string log() {
    for (auto& entry : std::filesystem::directory_iterator(logs_.path())) {
      return readFile(entry.path().string());
    }
    return "";
  }

  SampleDay day_;
  TempDir in_;
  TempDir out_;
  TempDir logs_;
  TempDir lists_;
};

TEST_F(CorridorRunTest, CorridorsNeedACabinetList) {
  ProgramResult r = run({"--rollup=5", "--corridors"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("     E Option --corridors needs --cabinets=FILE!\n\t--jobs=N"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(written("Rollup_Stations_5min_2021-08-18.csv"));
  r = run({"--cabinets=", "--corridors"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("Illegal value in option -- '--cabinets='!"), std::string::npos) << r.out;
}

TEST_F(CorridorRunTest, AListThatCannotBeReadLeavesTheCorridorsOutOnly) {
  const std::string missing = lists_.file("Cabinets.LST");
  ProgramResult r = run({"--rollup=5", "--cabinets=" + missing, "--corridors"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("loopconv: Could not read cabinet list [" + missing +
                       "]! - Error = [2]. No corridors are written.\n"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(written("Rollup_Stations_5min_2021-08-18.csv"));
  for (const char* name : CorridorFiles) EXPECT_FALSE(written(name)) << name;
  // A folder is no list either (read once per run: one E line).
  writeFile(in_.file("PELMA20Sec_08192021.DAT"),
            generateSampleDay(20, "08/19/2021", 4, 90).bytes);
  r = run({"--cabinets=" + lists_.path(), "--corridors"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("]! - Error = [21]. No corridors are written.\nloopconv: 1 error(s)"),
            std::string::npos)
      << r.err;
}

TEST_F(CorridorRunTest, StationsWithoutACabinetAreCountedOnceAndJobsChangeNothing) {
  // The list lacks the first two cabinets of the day.
  std::vector<std::string> cabinets(day_.cabinets.begin() + 2, day_.cabinets.end());
  const std::string list = lists_.file("Cabinets.LST");
  writeFile(list, buildCabinetList(cabinets, "08/18/2021", 1));
  int stationsMissing = 0;
  for (const SampleDevice& d : day_.devices) {
    if (d.kind != KindStation) continue;
    std::string cabinet = d.name.substr(0, 10);
    stationsMissing += cabinet == day_.cabinets[0] || cabinet == day_.cabinets[1];
  }
  ASSERT_GT(stationsMissing, 0);
  ProgramResult r = run({"-E", "--cabinets=" + list, "--corridors"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string text = log();
  const std::string warning =
      " W " + std::to_string(stationsMissing) + " station(s) of data file [" + day_.fileName +
      "] have no usable cabinet in the cabinet list and are left out of the corridors (first: ";
  size_t at = text.find(warning);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text.find(warning, at + 1), std::string::npos);  // one line per data file
  // The W line, then the five files in their order.
  size_t previous = at;
  for (const char* name : CorridorFiles) {
    size_t line = text.find(std::string(name) + "]...");
    ASSERT_NE(line, std::string::npos) << name;
    EXPECT_GT(line, previous) << name;
    previous = line;
    ASSERT_TRUE(written(name)) << name;
  }
  std::vector<std::string> first;
  for (const char* name : CorridorFiles) first.push_back(readFile(out_.path() + "/" + name));

  // Two files at a time: the same bytes.
  writeFile(in_.file("PELMA20Sec_08192021.DAT"),
            generateSampleDay(20, "08/19/2021", 4, 90).bytes);
  r = run({"-E", "--jobs=2", "--cabinets=" + list, "--corridors"});
  EXPECT_EQ(r.status, 0) << r.err;
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(readFile(out_.path() + "/" + CorridorFiles[i]), first[i]) << CorridorFiles[i];
  }
  EXPECT_TRUE(written("Corridors_2021-08-19.svg"));
}

}  // namespace
}  // namespace loopconv
