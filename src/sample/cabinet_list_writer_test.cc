#include "sample/cabinet_list_writer.h"

#include <set>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/test_support.h"
#include "convert/list_file_conversion.h"
#include "gtest/gtest.h"
#include "metadata/cabinet_line.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

std::vector<std::string> splitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  EXPECT_EQ(at, text.size()) << "text ends without CR LF";
  return lines;
}

std::vector<std::string> splitFields(const std::string& row) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (size_t comma; (comma = row.find(',', at)) != std::string::npos; at = comma + 1) {
    fields.push_back(row.substr(at, comma - at));
  }
  fields.push_back(row.substr(at));
  return fields;
}

std::vector<std::string> someCabinets(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i)
    names.push_back("0" + std::to_string(10 + i % 90) + "es" + std::to_string(17000 + i));
  return names;
}

// Runs the cabinet list conversion on `list` (dated 08/18/2021) and returns
// the metadata CSV's lines.
std::vector<std::string> convertedRows(const std::string& list) {
  TempDir in, out, logs;
  writeFile(in.file("day.LST"), list);
  RunOptions options;
  options.inputFolder = in.folder();
  options.outputFolder = out.folder();
  CapturedConsole console;
  Log log(console.stream());
  FakePlatform platform;
  RunContext run{options, log, platform};
  std::string date;
  EXPECT_EQ(convertCabinetList("day.LST", run, &date), 1);
  EXPECT_EQ(date, "08_18_2021");
  return splitCrLf(readFile(out.file("LUMO_08_18_2021.CSV")));
}

TEST(CabinetListWriterTest, LinesAreFixedColumnsWithCrLf) {
  std::vector<std::string> names = someCabinets(200);
  names.push_back("005es1");               // padded to 10
  names.push_back("005es17329-and-more");  // cut to 10
  std::string text = buildCabinetList(names, "08/18/2021", 1);
  std::vector<std::string> lines = splitCrLf(text);
  ASSERT_EQ(lines.size(), 3 + names.size());
  EXPECT_EQ(lines[0], "Cabinet list - 08/18/2021");
  // The date and heading lines are no cabinet lines.
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FALSE(isCabinetLine(lines[i].data(), lines[i].size())) << lines[i];
  }
  const size_t separators[] = {10, 18, 26, 31, 43, 45, 52, 53, 70, 74, 78, 81, 84, 87};
  for (size_t i = 3; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_EQ(line.size(), 97u) << line;
    EXPECT_TRUE(isCabinetLine(line.data(), line.size()));
    for (size_t column : separators) EXPECT_EQ(line[column], ' ') << line << " @" << column;
  }
  EXPECT_EQ(lines[3 + 200].substr(0, 11), "005es1     ");
  EXPECT_EQ(lines[3 + 201].substr(0, 11), "005es17329 ");

  // The same seed gives the same list; another seed another one.
  EXPECT_EQ(buildCabinetList(names, "08/18/2021", 1), text);
  EXPECT_NE(buildCabinetList(names, "08/18/2021", 2), text);
  EXPECT_EQ(buildCabinetList(std::vector<std::string>{}, "01/02/2003", 1).substr(0, 27),
            "Cabinet list - 01/02/2003\r\n");
}

TEST(CabinetListWriterTest, ConvertedListHasOnePlausibleRowPerCabinet) {
  std::vector<std::string> names = someCabinets(300);
  std::string list = buildCabinetList(names, "08/18/2021", 99);
  std::vector<std::string> rows = convertedRows(list);
  ASSERT_EQ(rows.size(), names.size() + 1);
  EXPECT_EQ(rows[0],
            "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,"
            "Loops,Stations,Speedtraps,Meteredlanes,Status");
  std::vector<std::string> listLines = splitCrLf(list);
  int commaLocations = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    std::vector<std::string> f = splitFields(rows[i]);
    ASSERT_EQ(f.size(), 14u) << rows[i];
    EXPECT_EQ(f[0], names[i - 1]);
    EXPECT_EQ(f[1], "CB" + names[i - 1].substr(5));
    int port = std::stoi(f[2]);
    EXPECT_TRUE(port >= 1 && port <= 64) << rows[i];
    EXPECT_TRUE(f[5] == "N" || f[5] == "S" || f[5] == "E" || f[5] == "W") << rows[i];
    EXPECT_FALSE(f[6].empty());
    EXPECT_FALSE(f[7].empty());
    // A location with a comma in the list reads with a '-' in the CSV.
    if (listLines[i + 2].substr(54, 16).find(',') != std::string::npos) {
      ++commaLocations;
      EXPECT_NE(f[7].find('-'), std::string::npos) << rows[i];
    }
    int stations = std::stoi(f[10]);
    int traps = std::stoi(f[11]);
    EXPECT_TRUE(stations >= 1 && stations <= 6) << rows[i];
    EXPECT_TRUE(traps >= 0 && traps <= stations) << rows[i];
    EXPECT_GE(std::stoi(f[9]), stations + 2 * traps) << rows[i];
    EXPECT_FALSE(f[13].empty());
  }
  EXPECT_GT(commaLocations, 0);
}

// A generated day's list reads back whole: one metadata row per cabinet, in
// order, and every device of the day finds its cabinet by the 10 characters
// before its ':'.
TEST(CabinetListWriterTest, GeneratedDayListHasEveryCabinetOfItsDevices) {
  struct Case {
    int devices;
    uint64_t seed;
  };
  for (const Case& c : {Case{300, 1}, Case{40, 3}, Case{2000, 9}}) {
    SCOPED_TRACE(c.devices);
    SampleDay day = generateSampleDay(c.devices, "08/18/2021", c.seed, 1);
    std::vector<std::string> rows = convertedRows(sampleCabinetList(day, "08/18/2021", c.seed));
    ASSERT_EQ(rows.size(), day.cabinets.size() + 1);
    std::set<std::string> listed;
    for (size_t i = 1; i < rows.size(); ++i) {
      std::string device = rows[i].substr(0, rows[i].find(','));
      EXPECT_EQ(device, day.cabinets[i - 1]);
      listed.insert(device);
    }
    for (const SampleDevice& d : day.devices) {
      EXPECT_EQ(listed.count(d.name.substr(0, 10)), 1u) << d.name;
    }
  }
}

}  // namespace
}  // namespace loopconv
