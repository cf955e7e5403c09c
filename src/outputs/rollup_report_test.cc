#include "outputs/rollup_report.h"

#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <map>

#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "reports/lane_report.h"
#include "reports/report_test_fixture.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

using RollupReportTest = ReportTest;

const char kHeader[] =
    "device,lane_type,interval_start,periods,observed,volume,flow_vph,occupancy_pct,"
    "speed_mph,est_speed_mph,length_ft,lanes";

// "12.3" -> 123: the Lane report prints tenths exactly.
int64_t tenths(const std::string& text) {
  std::string digits = text;
  digits.erase(digits.find('.'), 1);
  return std::stoll(digits);
}

// n / d rounded half up to `decimals` places, or "" when d is 0.
std::string rounded(uint64_t n, uint64_t d, int decimals) {
  if (d == 0) return "";
  uint64_t scale = decimals == 0 ? 1 : decimals == 1 ? 10 : 100;
  uint64_t q = n * scale / d;
  if (2 * (n * scale % d) >= d) ++q;
  char text[40];
  if (decimals == 0) {
    snprintf(text, sizeof text, "%" PRIu64, q);
  } else {
    snprintf(text, sizeof text, "%" PRIu64 ".%0*" PRIu64, q / scale, decimals, q % scale);
  }
  return text;
}

std::string rollupName(const char* which, int minutes) {
  return std::string("Rollup_") + which + "_" + std::to_string(minutes) + "min_2021-08-18.csv";
}

// The columns of a Lane report row that the roll-ups sum.
struct LaneRow {
  int lanes;
  uint64_t volume;
  double occupancy;
  uint64_t speedTenths, lengthTenths;
};
using LaneRows = std::map<std::string, std::vector<LaneRow>>;

// The Lane report's rows by device name, each device's in period order.
LaneRows laneRowsOf(const std::string& laneText) {
  LaneRows rows;
  std::vector<std::string> lines = csvLines(laneText);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = csvFields(lines[i]);
    rows[f[0]].push_back({std::stoi(f[2]), std::stoull(f[3]), std::stod(f[4]),
                          static_cast<uint64_t>(tenths(f[7])),
                          static_cast<uint64_t>(tenths(f[8]))});
  }
  return rows;
}

// What the generated day put to the test.
struct Seen {
  std::map<std::string, int> laneTypes;
  int partlyObserved = 0, unobserved = 0, withSpeed = 0, observedWithoutSpeed = 0;
};

// Each roll-up row against sums over the Lane report's rows of that device
// (occupancy within the Lane report's own rounding to 0.1) and, for the
// estimated speed, which that report lacks, over the table's planes.
void checkAgainstLaneReport(const std::string& rollupText, const LaneRows& laneRows,
                            const DeviceTable& table, uint16_t kind, int minutes, Seen* seen) {
  std::vector<std::string> lines = csvLines(rollupText);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], kHeader);
  size_t line = 1;
  const int span = minutes * 3;
  for (const DeviceRecord& r : table) {
    if (r.Kind != kind) continue;
    const std::string name(r.Name);
    auto found = laneRows.find(name);
    ASSERT_NE(found, laneRows.end()) << name;
    const auto& rows = found->second;  // one per period
    const char* type = kind == KindStation ? "station"
                       : r.Name[16] == 'S' ? "speed_loop"
                       : r.Name[16] == 'R' ? "ramp_meter"
                                           : "lane";
    for (size_t first = 0; first < rows.size(); first += static_cast<size_t>(span), ++line) {
      SCOPED_TRACE(name + " at period " + std::to_string(first));
      ASSERT_LT(line, lines.size());
      uint64_t periods = 0, observed = 0, volume = 0, speedW = 0, speedV = 0;
      uint64_t lengthW = 0, lengthV = 0, estW = 0, estV = 0, lanes = 0;
      double occupancy = 0;
      for (size_t p = first; p < rows.size() && p < first + static_cast<size_t>(span); ++p) {
        const LaneRow& row = rows[p];
        ++periods;
        if (row.lanes == 0) continue;
        uint64_t v = row.volume;
        ++observed;
        lanes += static_cast<uint64_t>(row.lanes);
        volume += v;
        occupancy += row.occupancy;
        if (v == 0) continue;
        uint64_t speed = row.speedTenths;
        uint64_t length = row.lengthTenths;
        speedW += speed * v;
        speedV += speed > 0 ? v : 0;
        lengthW += length * v;
        lengthV += length > 0 ? v : 0;
        uint64_t est = r.CalcSpdTenths[p];
        estW += est * v * 10;
        estV += est > 0 ? v : 0;
      }
      char start[48];
      snprintf(start, sizeof start, "2021-08-18T%02zu:%02zu:00", first / 180, first % 180 / 3);
      std::vector<std::string> f = csvFields(lines[line]);
      ASSERT_EQ(f.size(), 12u) << lines[line];
      EXPECT_EQ(f[0], name);
      EXPECT_EQ(f[1], type);
      EXPECT_EQ(f[2], start);
      EXPECT_EQ(f[3], std::to_string(periods));
      EXPECT_EQ(f[4], std::to_string(observed));
      EXPECT_EQ(f[5], observed ? std::to_string(volume) : "");
      EXPECT_EQ(f[6], rounded(volume * 180, observed, 0));
      if (observed == 0) {
        EXPECT_EQ(f[7], "");
      } else {
        EXPECT_NEAR(std::stod(f[7]), occupancy / static_cast<double>(observed), 0.0551);
      }
      EXPECT_EQ(f[8], rounded(speedW, speedV * 10, 1));
      EXPECT_EQ(f[9], rounded(estW, estV * 10, 1));
      EXPECT_EQ(f[10], rounded(lengthW, lengthV * 10, 1));
      EXPECT_EQ(f[11], rounded(lanes, observed, 2));
      ++seen->laneTypes[type];
      seen->partlyObserved += observed > 0 && observed < periods;
      seen->unobserved += observed == 0;
      seen->withSpeed += speedV > 0;
      seen->observedWithoutSpeed += observed > 0 && speedV == 0;
    }
  }
  EXPECT_EQ(line, lines.size());
}

// A generated day decoded and derived as the pipeline does it, for a full
// day and a short file whose last interval is short at every length.
TEST_F(RollupReportTest, AgreesWithTheLaneReportAtEveryIntervalLength) {
  Seen seen;
  for (int32_t columns : {PeriodsPerDay, 1000}) {
    SCOPED_TRACE(columns);
    SampleDay day = generateSampleDay(60, "08/18/2021", 10, columns);
    std::vector<char> image(day.bytes.begin(), day.bytes.end());
    parseDataHeader(image.data(), image.size(), &header_, log_);
    table_ = loadDeviceTable(image.data(), image.size(), day.fileName, log_, &header_);
    ASSERT_NE(table_, nullptr);
    aggregateStations(table_.get(), header_.numberOfColumns);
    computeEstimates(table_.get(), header_.numberOfColumns);
    // A lane and a station that stop reporting for 50 minutes, as after a
    // cabinet outage: intervals partly observed and not observed at all.
    for (uint16_t kind : {KindLane, KindStation}) {
      for (DeviceRecord& r : *table_) {
        if (r.Kind != kind) continue;
        for (int p = 100; p < 250; ++p) r.NumLanes[p] = 0;
        break;
      }
    }
    options_.includeSpeedLoops = true;  // every kind 80 entry in the Lane report
    ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
    LaneRows laneRows = laneRowsOf(output("PELMA20Sec_Lane_S_08182021.csv"));
    for (int minutes : {1, 5, 15, 60}) {
      SCOPED_TRACE(minutes);
      ASSERT_EQ(writeRollupReports(run(), header_, table_.get(), minutes), 1);
      checkAgainstLaneReport(output(rollupName("Lanes", minutes)), laneRows, *table_, KindLane,
                             minutes, &seen);
      checkAgainstLaneReport(output(rollupName("Stations", minutes)), laneRows, *table_,
                             KindStation, minutes, &seen);
    }
  }
  EXPECT_EQ(seen.laneTypes.size(), 4u);
  EXPECT_GT(seen.partlyObserved, 0);
  EXPECT_GT(seen.unobserved, 0);
  EXPECT_GT(seen.withSpeed, 0);
  EXPECT_GT(seen.observedWithoutSpeed, 0);
}

// Hand-worked rows: ties round up, a device without data keeps its rows with
// empty fields, traps and metered lanes are left out.
TEST_F(RollupReportTest, WritesExactRowsWithEmptyFieldsWhereNothingWasObserved) {
  header_.numberOfColumns = 20;  // a 5-minute interval and one of 5 periods
  makeTable({{LaneName, KindLane},
             {TrapName, KindTrap},
             {SpeedLoopName, KindLane},
             {MeteredName, KindMeteredLane},
             {RampName, KindLane},
             {StationName, KindStation}});
  DeviceRecord& lane = device(0);
  const uint16_t planes[][6] = {
      // NumLanes, Volume, ScanCnt, SpdTenths, CalcSpdTenths, LenTenths
      {2, 5, 96, 652, 65, 183},
      {1, 5, 1, 655, 66, 184},
      {0, 9, 50, 600, 60, 200},
      {1, 0, 6, 600, 60, 200},  // period 15: observed, nothing to weigh
  };
  for (int i = 0; i < 4; ++i) {
    int p = i == 3 ? 15 : i;
    lane.NumLanes[p] = planes[i][0];
    lane.Volume[p] = planes[i][1];
    lane.ScanCnt[p] = planes[i][2];
    lane.SpdTenths[p] = planes[i][3];
    lane.CalcSpdTenths[p] = planes[i][4];
    lane.LenTenths[p] = planes[i][5];
  }
  ASSERT_EQ(writeRollupReports(run(), header_, table_.get(), 5), 1);
  EXPECT_EQ(output(rollupName("Lanes", 5)),
            std::string(kHeader) + "\r\n" +
                "005es17329:_MN___1,lane,2021-08-18T00:00:00,15,2,10,900,4.04,65.4,65.5,18.4,"
                "1.50\r\n"
                "005es17329:_MN___1,lane,2021-08-18T00:05:00,5,1,0,0,0.50,,,,1.00\r\n"
                "005es17329:_MN__S1,speed_loop,2021-08-18T00:00:00,15,0,,,,,,,\r\n"
                "005es17329:_MN__S1,speed_loop,2021-08-18T00:05:00,5,0,,,,,,,\r\n"
                "005es17329:_MN__R1,ramp_meter,2021-08-18T00:00:00,15,0,,,,,,,\r\n"
                "005es17329:_MN__R1,ramp_meter,2021-08-18T00:05:00,5,0,,,,,,,\r\n");
  EXPECT_EQ(output(rollupName("Stations", 5)),
            std::string(kHeader) + "\r\n" +
                "005es17329:_MN____,station,2021-08-18T00:00:00,15,0,,,,,,,\r\n"
                "005es17329:_MN____,station,2021-08-18T00:05:00,5,0,,,,,,,\r\n");
}

TEST_F(RollupReportTest, WithoutATableBothFilesHoldTheHeaderAlone) {
  ASSERT_EQ(writeRollupReports(run(), header_, nullptr, 15), 1);
  EXPECT_EQ(outputFiles(),
            (std::vector<std::string>{rollupName("Lanes", 15), rollupName("Stations", 15)}));
  for (const char* which : {"Lanes", "Stations"}) {
    EXPECT_EQ(output(rollupName(which, 15)), std::string(kHeader) + "\r\n");
  }
  EXPECT_EQ(logText(), "[12:34:56] - Writing interval roll-ups to CSV file [" +
                           options_.outputFolder + rollupName("Lanes", 15) +
                           "]...\n[12:34:56] - Writing interval roll-ups to CSV file [" +
                           options_.outputFolder + rollupName("Stations", 15) + "]...\n");
}

// Refused calls write nothing; a file that cannot be opened leaves the other.
TEST_F(RollupReportTest, FailuresAreLoggedAndReported) {
  struct Case {
    const char* dataStart;
    int minutes;
    bool lanesFolderInTheWay;
    const char* logged;
    std::vector<std::string> files;
  };
  const std::vector<Case> cases = {
      {"08/18/2021 00:00:00",
       10,
       false,
       "E Interval roll-ups take 1, 5, 15 or 60 minutes, not [10]!",
       {}},
      {"2021-08-18 00:00:00",
       5,
       false,
       "E Interval roll-ups need a Data Start date (MM/DD/YYYY), not [2021-08-18 00:00:00]!",
       {}},
      {"13/18/2021", 5, false, "E Interval roll-ups need a Data Start date", {}},
      {"08/18/2021",
       60,
       true,
       "E Could not open data file [",
       {rollupName("Lanes", 60), rollupName("Stations", 60)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataStart);
    std::filesystem::remove_all(options_.outputFolder);
    mkdir(options_.outputFolder.c_str(), 0755);
    if (c.lanesFolderInTheWay) {
      mkdir((options_.outputFolder + rollupName("Lanes", c.minutes)).c_str(), 0755);
    }
    memset(header_.dataStart, 0, sizeof header_.dataStart);
    strcpy(header_.dataStart, c.dataStart);
    makeTable({{LaneName, KindLane}, {StationName, KindStation}});
    EXPECT_EQ(writeRollupReports(run(), header_, table_.get(), c.minutes), 0);
    EXPECT_NE(logText().find(c.logged), std::string::npos) << logText();
    EXPECT_EQ(outputFiles(), c.files);
    if (c.lanesFolderInTheWay) {
      EXPECT_EQ(csvLines(output(rollupName("Stations", c.minutes))).size(), 1u + 24);
    }
  }
}

}  // namespace
}  // namespace loopconv
