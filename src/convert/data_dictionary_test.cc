// Every column of every CSV the program writes is described in the data
// dictionary, docs/reports.md, under its exact header name.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/cabinet_list_writer.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

// The header line of a CSV: its first line, or the second in the Contents
// report (whose first line counts the devices).
std::string headerLine(const std::string& text) {
  size_t end = text.find("\r\n");
  std::string first = text.substr(0, end);
  if (first.rfind("Input element count = ", 0) == 0) {
    size_t next = text.find("\r\n", end + 2);
    return text.substr(end + 2, next - end - 2);
  }
  return first;
}

TEST(DataDictionaryTest, EveryColumnOfEveryCsvIsDescribed) {
  std::string dictionary = readFile(std::string(LOOPCONV_SOURCE_DIR) + "/docs/reports.md");
  ASSERT_FALSE(dictionary.empty());

  TempDir in, out, logs;
  SampleDay day = generateSampleDay(40, "08/18/2021", 1, 90);
  writeFile(in.file(day.fileName), day.bytes);
  writeFile(in.file("Cabinets.LST"), buildCabinetList(day.cabinets, "08/18/2021", 1));
  std::vector<std::vector<std::string>> runs = {
      {"-E", "-L", "-T", "-A", "--rollup=5", "--health"},
      {"-M"},
      {"--cabinets=" + in.file("Cabinets.LST"), "--corridors"},
  };
  for (std::vector<std::string> run : runs) {
    std::vector<std::string> argv = {LOOPCONV_BINARY};
    argv.insert(argv.end(), run.begin(), run.end());
    argv.insert(argv.end(), {"-I" + in.path(), "-O" + out.path(), "-F" + logs.path()});
    ASSERT_EQ(runProgram(argv).status, 0) << run[0];
  }

  std::set<std::string> files;
  for (auto& entry : std::filesystem::directory_iterator(out.path())) {
    std::string name = entry.path().filename().string();
    files.insert(name);
    if (name.size() > 4 && name.substr(name.size() - 4) == ".svg") continue;
    for (const std::string& column : csvFields(headerLine(readFile(entry.path().string())))) {
      EXPECT_NE(dictionary.find("| `" + column + "` |"), std::string::npos)
          << name << ": column " << column;
    }
  }
  // Four reports, two roll-ups, health, metadata, four corridor CSVs and the
  // corridor picture.
  EXPECT_EQ(files.size(), 13u);
}

}  // namespace
}  // namespace loopconv
