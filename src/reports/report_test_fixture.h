// What the report tests share: an output folder, a log read back whole, a
// captured console, a header of 08/18/2021 and a table built in place.
#ifndef LOOPCONV_REPORTS_REPORT_TEST_FIXTURE_H_
#define LOOPCONV_REPORTS_REPORT_TEST_FIXTURE_H_

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/fake_platform.h"
#include "base/log.h"
#include "base/run_context.h"
#include "base/run_options.h"
#include "base/test_support.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "gtest/gtest.h"

namespace loopconv {

// Device names of one cabinet: position 16 tells the lane type.
constexpr const char* LaneName = "005es17329:_MN___1";
constexpr const char* SpeedLoopName = "005es17329:_MN__S1";
constexpr const char* RampName = "005es17329:_MN__R1";
constexpr const char* TrapName = "005es17329:_MN__T1";
constexpr const char* StationName = "005es17329:_MN____";
constexpr const char* MeteredName = "005es17329:_MN___M";

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() : log_(console_.stream()) {
    options_.outputFolder = dir_.folder() + "out/";
    mkdir(options_.outputFolder.c_str(), 0755);
    log_.setTimeStamp(platform_.timeOfDay());
    int error = 0;
    if (!log_.open(logPath(), &error)) ADD_FAILURE() << "log " << error;
    strcpy(header_.dataStart, "08/18/2021 00:00:00");
    header_.numberOfColumns = PeriodsPerDay;
  }

  RunContext run() { return RunContext{options_, log_, platform_}; }
  std::string logPath() const { return dir_.file("log.txt"); }

  // The log file so far (reopened for appending afterwards).
  std::string logText() {
    log_.close();
    std::string text = readFile(logPath());
    int error = 0;
    EXPECT_TRUE(log_.open(logPath(), &error));
    return text;
  }
  std::string consoleText() { return console_.text(); }

  // A table of the given devices, in order, all planes zero.
  void makeTable(const std::vector<std::pair<std::string, uint16_t>>& devices) {
    table_ = DeviceTable::create(static_cast<int32_t>(devices.size()));
    ASSERT_NE(table_, nullptr);
    header_.numberOfNames = table_->size();
    for (size_t i = 0; i < devices.size(); ++i) {
      DeviceRecord& r = (*table_)[static_cast<int32_t>(i)];
      strncpy(r.Name, devices[i].first.c_str(), NameBytes - 1);
      r.Kind = devices[i].second;
    }
  }
  DeviceRecord& device(int32_t i) { return (*table_)[i]; }

  // The names of the files in the output folder, sorted.
  std::vector<std::string> outputFiles() const {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(options_.outputFolder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string output(const std::string& name) const {
    return readFile(options_.outputFolder + name);
  }

  // Fills every plane the reports print with random 16-bit values (8-bit
  // planes with random bytes), so every column sees large values too.
  void randomize(DeviceRecord& r, std::mt19937& random) {
    std::uniform_int_distribution<int> wide(0, 65535);
    std::uniform_int_distribution<int> narrow(0, 255);
    auto fill16 = [&](uint16_t* plane) {
      for (int p = 0; p < PeriodsPerDay; ++p) {
        // Half the values small, as decoded data is.
        int v = wide(random);
        plane[p] = static_cast<uint16_t>((p & 1) ? v : v % 2048);
      }
    };
    auto fill8 = [&](uint8_t* plane) {
      for (int p = 0; p < PeriodsPerDay; ++p) plane[p] = static_cast<uint8_t>(narrow(random));
    };
    for (uint16_t* plane :
         {r.Incident, r.NumLanes, r.Volume, r.ScanCnt, r.Flag, r.EstLength, r.CalcSpdTenths,
          r.SpdFlag, r.SpdFlag2, r.SpdTenths, r.LenTenths, r.Bin1, r.Bin2, r.Bin3, r.Bin4}) {
      fill16(plane);
    }
    for (uint8_t* plane : {r.NPds, r.SpdNPds}) fill8(plane);
  }

  TempDir dir_;
  CapturedConsole console_;
  FakePlatform platform_;
  Log log_;
  RunOptions options_;
  DataHeader header_;
  std::unique_ptr<DeviceTable> table_;
};

// The lines of a CSV text, each without its CR LF (a line without CR LF is
// kept with a marker so that a missing line end shows).
inline std::vector<std::string> csvLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_REPORT_TEST_FIXTURE_H_
