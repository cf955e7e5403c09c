// Seeded mutations of generated cabinet lists through the list conversion:
// random bytes, NULs, very long lines, '-' anywhere in the date line, mixed
// line ends and cuts. Whatever the bytes, the conversion logs its start,
// either completes or stops at a rejected date, and a metadata CSV it leaves
// is whole: its header line, CR LF line ends only, no temporary file.

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/test_support.h"
#include "convert/list_file_conversion.h"
#include "gtest/gtest.h"
#include "sample/cabinet_list_writer.h"

namespace loopconv {
namespace {

using Random = std::mt19937_64;

size_t below(Random& random, size_t n) {
  return static_cast<size_t>(random() % n);
}

const char kCsvHeader[] =
    "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,"
    "Stations,Speedtraps,Meteredlanes,Status\r\n";

class ListMutationRun {
 public:
  ListMutationRun() : log_(console_.stream()) {
    options_.inputFolder = in_.folder();
    options_.outputFolder = out_.folder();
    options_.metadataMode = true;
    log_.setTimeStamp("01:02:03");
  }

  // Converts `bytes` as one list file of a run that carries its metadata
  // date from one list to the next, checks the log and the CSV, and removes
  // the output. Returns the conversion's log lines.
  std::string convert(const std::string& bytes, const std::string& what) {
    writeFile(in_.file("m.LST"), bytes);
    int error = 0;
    EXPECT_TRUE(log_.open(logs_.file("log.txt"), &error));
    RunContext run{options_, log_, platform_};
    int result = convertCabinetList("m.LST", run, &date_);
    log_.close();
    std::string all = readFile(logs_.file("log.txt"));
    std::string log = all.substr(logRead_);
    logRead_ = all.size();

    EXPECT_EQ(log.find("[12:34:56] - Processing metadata file [m.LST], starting[12:34:56]\n"), 0u)
        << what << "\n"
        << log;
    bool rejected = log.find("[12:34:56] W No date [") != std::string::npos;
    bool completed = log.find("[12:34:56] - Completed processing of List File [m.LST] in [") !=
                     std::string::npos;
    EXPECT_NE(rejected, completed) << what << "\n" << log;
    EXPECT_EQ(result == 1, completed && log.find("E Could not write") == std::string::npos)
        << what << "\n"
        << log;
    if (completed) {
      // Every cabinet counted is loaded.
      size_t found = log.find("] - Found [");
      size_t loaded = log.find("] - Loaded [");
      EXPECT_NE(found, std::string::npos) << what;
      EXPECT_NE(loaded, std::string::npos) << what;
      if (found != std::string::npos && loaded != std::string::npos) {
        EXPECT_EQ(std::stoll(log.substr(found + 11)), std::stoll(log.substr(loaded + 12)))
            << what << "\n"
            << log;
      }
    }
    checkOutput(what, completed);
    return log;
  }

  // How many CSVs the checks have read: the mutations must leave some.
  int csvsSeen() const { return csvsSeen_; }

 private:
  void checkOutput(const std::string& what, bool completed) {
    int csvs = 0;
    for (auto& entry : std::filesystem::recursive_directory_iterator(out_.path())) {
      if (entry.is_directory()) continue;
      std::string name = entry.path().filename().string();
      // A temporary file is the final name with ".tmp<pid>.<n>" after it; the
      // date in the final name may hold ".tmp" itself.
      EXPECT_TRUE(name.size() > 4 && name.substr(name.size() - 4) == ".CSV")
          << what << ": temporary file " << name;
      std::string text = readFile(entry.path().string());
      EXPECT_EQ(text.rfind(kCsvHeader, 0), 0u) << what << ": " << name;
      EXPECT_EQ(countBareLineFeeds(text), 0u) << what << ": " << name << " has LF without CR";
      ++csvs;
      ++csvsSeen_;
    }
    EXPECT_LE(csvs, completed ? 1 : 0) << what;
    for (auto& entry : std::filesystem::directory_iterator(out_.path())) {
      std::filesystem::remove_all(entry.path());
    }
  }

  TempDir in_;
  TempDir out_;
  TempDir logs_;
  CapturedConsole console_;
  Log log_;
  FakePlatform platform_;
  RunOptions options_;
  std::string date_;
  size_t logRead_ = 0;
  int csvsSeen_ = 0;
};

std::string seedList(uint64_t seed) {
  std::vector<std::string> cabinets;
  for (int i = 0; i < 12; ++i) {
    cabinets.push_back((i % 5 == 4 ? "005xx" : "005es") + std::to_string(17300 + i));
  }
  return buildCabinetList(cabinets, "08/18/2021", seed);
}

TEST(CabinetListFuzzTest, RandomBytesAndNuls) {
  ListMutationRun run;
  Random random(1808);
  std::string list = seedList(1);
  for (int round = 0; round < 60; ++round) {
    std::string bytes = list;
    size_t changes = 1 + below(random, 12);
    for (size_t i = 0; i < changes; ++i) {
      size_t at = below(random, bytes.size());
      bytes[at] = round % 3 == 0 ? '\0' : static_cast<char>(random());
    }
    run.convert(bytes, "bytes round " + std::to_string(round));
  }
  // Wholly random files, with and without line ends.
  for (int round = 0; round < 20; ++round) {
    std::string bytes(below(random, 2000), '\0');
    for (char& c : bytes) {
      c = static_cast<char>(round % 2 ? random() : "es-/\r\n 0"[below(random, 8)]);
    }
    run.convert(bytes, "random file " + std::to_string(round));
  }
  run.convert("", "empty file");
  run.convert(std::string(1, '\0'), "one NUL");
  EXPECT_GE(run.csvsSeen(), 60);
}

TEST(CabinetListFuzzTest, VeryLongLinesAndLinesOfEveryLength) {
  ListMutationRun run;
  std::string list = seedList(2);
  size_t firstEnd = list.find('\n') + 1;
  std::string dateLine = list.substr(0, firstEnd);
  std::string rest = list.substr(firstEnd);
  Random random(255);
  // A long date line, a long cabinet line, and lines around the 255-byte
  // read size, cut at every column a field can end in.
  run.convert(std::string(100000, '-') + "\r\n" + rest, "date line of dashes");
  run.convert("- 08/18/2021" + std::string(5000, ' ') + "\r\n" + rest, "long date line");
  std::string cabinet = rest.substr(rest.rfind("005es"));
  run.convert(dateLine + cabinet.substr(0, 97) + std::string(100000, 'x') + "\r\n",
              "long cabinet line");
  for (size_t length = 0; length < 300; length += 1 + below(random, 7)) {
    std::string line = cabinet.substr(0, std::min(length, cabinet.size() - 2));
    line.resize(length, 'e');
    run.convert(dateLine + line + "\r\n" + line + "\n" + line, "line of " + std::to_string(length));
  }
  EXPECT_GE(run.csvsSeen(), 80);
}

TEST(CabinetListFuzzTest, DashesAnywhereInTheDateLine) {
  ListMutationRun run;
  std::string list = seedList(3);
  std::string rest = list.substr(list.find('\n') + 1);
  const std::string texts[] = {"Cabinet list - 08/18/2021",
                               "- 08/18/2021 - 09/19/2022",
                               "-",
                               "--",
                               "- ",
                               "-  ",
                               "- 08/18",
                               "x-x08/18/2021",
                               "- 08/18/2021-",
                               "- ../../../x",
                               "- 08/../../x",
                               "- 0/1/../..",
                               "- /etc/pass",
                               "- 08/18/.tmp",
                               "- 08/18/2021 - 06:00"};
  for (const std::string& text : texts) {
    for (const char* end : {"\r\n", "\n", "\r", ""}) {
      run.convert(text + end + rest, "date line " + text);
    }
  }
  Random random(42);
  for (int round = 0; round < 40; ++round) {
    std::string line = "Cabinet list - 08/18/2021";
    for (int k = 0; k < 3; ++k) line[below(random, line.size())] = "-/_. "[below(random, 5)];
    run.convert(line + "\r\n" + rest, "dash round " + std::to_string(round));
  }
  EXPECT_GE(run.csvsSeen(), 14);
}

TEST(CabinetListFuzzTest, MixedLineEndsAndCuts) {
  ListMutationRun run;
  std::string list = seedList(4);
  Random random(77);
  const char* ends[] = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", ""};
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    for (size_t at = 0; at < list.size();) {
      size_t end = list.find("\r\n", at);
      bytes += list.substr(at, end - at) + ends[below(random, std::size(ends))];
      at = end + 2;
    }
    if (round % 2 == 1) bytes.resize(below(random, bytes.size() + 1));
    run.convert(bytes, "line ends round " + std::to_string(round));
  }
  for (size_t length = 0; length <= list.size(); length += 1 + below(random, 13)) {
    run.convert(list.substr(0, length), "cut at " + std::to_string(length));
  }
  EXPECT_GE(run.csvsSeen(), 200);
}

}  // namespace
}  // namespace loopconv
