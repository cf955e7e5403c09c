// --cabinets=FILE --corridors end to end through the program: the command
// line, a list that cannot be read, stations without a cabinet, --jobs.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "metadata/cabinet_test_lines.h"
#include "sample/cabinet_list_writer.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

const char* const CorridorFiles[] = {
    "Corridors_2021-08-18.csv", "Corridor_Measures_5min_2021-08-18.csv",
    "Corridor_Summary_2021-08-18.csv", "TravelTimes_2021-08-18.csv", "Corridors_2021-08-18.svg"};

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
  writeFile(in_.file("PELMA20Sec_08192021.DAT"), generateSampleDay(20, "08/19/2021", 4, 90).bytes);
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
  EXPECT_NE(r.out.find("          W " + warning.substr(3)), std::string::npos) << r.out;
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
  writeFile(in_.file("PELMA20Sec_08192021.DAT"), generateSampleDay(20, "08/19/2021", 4, 90).bytes);
  r = run({"-E", "--jobs=2", "--cabinets=" + list, "--corridors"});
  EXPECT_EQ(r.status, 0) << r.err;
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(readFile(out_.path() + "/" + CorridorFiles[i]), first[i]) << CorridorFiles[i];
  }
  EXPECT_TRUE(written("Corridors_2021-08-19.svg"));
}

// The fields of a CSV row (RFC 4180 quotes; no line ends inside fields).
std::vector<std::string> quotedFields(const std::string& row) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < row.size(); ++i) {
    char c = row[i];
    if (c == '"') {
      if (quoted && i + 1 < row.size() && row[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::vector<std::string>> table(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  size_t start = text.find('\n') + 1;  // past the header
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    rows.push_back(quotedFields(text.substr(start, end - start)));
    start = end + 1;
  }
  return rows;
}

// "12.34" with 2 decimals -> 1234.
int64_t scaled(const std::string& text) {
  std::string digits = text;
  digits.erase(digits.find('.'), 1);
  return std::stoll(digits);
}

// n / d rounded half up.
int64_t rounded(int64_t n, int64_t d) {
  return (2 * n + d) / (2 * d);
}

// Every printed measure recomputed from the printed volume, segment and speed
// alone, and the day's sums and travel times from the measures, on a
// generated day.
TEST_F(CorridorRunTest, EveryFigureFollowsFromThePrintedOnes) {
  // A whole day, its cabinets on two corridors with stations 0.35 mile
  // apart, so that travel times exist.
  day_ = generateSampleDay(200, "08/18/2021", 5);
  writeFile(in_.file(day_.fileName), day_.bytes);
  std::string text = "Cabinet list - 08/18/2021\r\n";
  for (size_t i = 0; i < day_.cabinets.size(); ++i) {
    Line line;
    const int hundredths = 1000 + 35 * static_cast<int>(i / 2);
    line.put(0, day_.cabinets[i])
        .put(32, "TEST, 1")
        .put(44, i % 2 ? "S" : "N")
        .put(46, std::to_string(hundredths / 100) + "." + std::to_string(hundredths % 100 / 10) +
                     std::to_string(hundredths % 10))
        .put(54, "AT \"" + std::to_string(i) + "\" ST");
    text += line.text + "\r\n";
  }
  const std::string list = lists_.file("Cabinets.LST");
  writeFile(list, text);
  ASSERT_EQ(run({"--cabinets=" + list, "--corridors"}).status, 0);
  auto csv = [&](const char* name) { return table(readFile(out_.path() + "/" + name)); };
  std::map<std::string, int64_t> segment;   // "corridor seq" -> thousandths
  std::map<std::string, int64_t> distance;  // hundredths
  for (const auto& f : csv("Corridors_2021-08-18.csv")) {
    ASSERT_EQ(f.size(), 13u);
    segment[f[0] + " " + f[1]] = scaled(f[8]);
    distance[f[0] + " " + f[1]] = scaled(f[7]);
  }
  ASSERT_FALSE(segment.empty());
  // Per corridor: day sums (VMT exact in thousandths, VHT as a double), and
  // per interval the speeds in corridor order.
  std::map<std::string, int64_t> vmtSum;
  std::map<std::string, double> vhtSum;
  std::map<std::string, std::map<std::string, std::vector<std::pair<int64_t, int64_t>>>> speeds;
  int64_t checked = 0;
  for (const auto& f : csv("Corridor_Measures_5min_2021-08-18.csv")) {
    ASSERT_EQ(f.size(), 13u);
    const std::string key = f[0] + " " + f[1];
    ASSERT_EQ(segment.count(key), 1u) << key;
    const int64_t l = segment[key];
    if (f[4] == "0") {
      for (int c = 5; c < 13; ++c) EXPECT_EQ(f[c], "") << key << " " << f[3];
      continue;
    }
    const int64_t v = std::stoll(f[5]);
    EXPECT_EQ(scaled(f[9]), rounded(v * l, 10)) << key << " " << f[3];
    vmtSum[f[0]] += v * l;
    if (f[7].empty()) {
      EXPECT_EQ(f[8], "");
      EXPECT_EQ(f[10], v == 0 ? "0.000" : "") << key << " " << f[3];
      continue;
    }
    const int64_t s = scaled(f[7]);
    ASSERT_GT(s, 0);
    EXPECT_TRUE(f[8] == "trap" || (f[8] == "estimate" && s <= 800)) << f[8] << " " << s;
    // VHT = V L / S: thousandths 10 V L / S; delay at T: 10 V L (T - S) / (T S).
    EXPECT_EQ(scaled(f[10]), rounded(10 * v * l, s)) << key << " " << f[3];
    for (auto [column, t] : {std::pair{11, 350}, std::pair{12, 600}}) {
      const int64_t delay = s >= t ? 0 : rounded(10 * v * l * (t - s), t * s);
      EXPECT_EQ(scaled(f[column]), delay) << key << " " << f[3] << " at " << t;
    }
    vhtSum[f[0]] += 10.0 * static_cast<double>(v * l) / static_cast<double>(s);
    speeds[f[0]][f[3]].push_back({distance[key], s});
    ++checked;
  }
  EXPECT_GT(checked, 1000);
  for (const auto& f : csv("Corridor_Summary_2021-08-18.csv")) {
    if (f[1] != "day") continue;
    EXPECT_EQ(scaled(f[4]), rounded(vmtSum[f[0]], 10)) << f[0];
    EXPECT_NEAR(static_cast<double>(scaled(f[6])), vhtSum[f[0]], 0.5001) << f[0];
  }
  // Instant travel times from the printed speeds and distances.
  int64_t times = 0;
  for (const auto& f : csv("TravelTimes_2021-08-18.csv")) {
    if (f[4].empty()) continue;
    const auto& cells = speeds[f[0]][f[1]];
    ASSERT_GE(cells.size(), 2u) << f[0] << " " << f[1];
    double minutes = 0;
    for (size_t i = 0; i + 1 < cells.size(); ++i) {
      const double d = static_cast<double>(cells[i + 1].first - cells[i].first) / 100;
      const double a = static_cast<double>(cells[i].second) / 10;
      const double b = static_cast<double>(cells[i + 1].second) / 10;
      ASSERT_LE(d, 3.0);
      minutes += 60 * (d / 3 / a + d / 3 / ((a + b) / 2) + d / 3 / b);
    }
    EXPECT_NEAR(static_cast<double>(scaled(f[4])), minutes * 100, 0.5001) << f[0] << f[1];
    EXPECT_EQ(scaled(f[3]), scaled(f[2]));  // one minute a mile
    ++times;
  }
  EXPECT_GT(times, 0);
}

}  // namespace
}  // namespace loopconv
