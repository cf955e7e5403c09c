#include "analysis/health.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "outputs/health_report.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

constexpr int32_t Judged = HealthEndPeriod - HealthFirstPeriod;  // 3060 in a full day

// One record in a table of its own (a record is too large for the stack).
class Detector {
 public:
  Detector(const char* name, uint16_t kind) : table_(DeviceTable::create(1)) {
    memcpy(record().Name, name, strnlen(name, NameBytes - 1));  // the table is zeroed
    record().Kind = kind;
  }
  DeviceRecord& record() { return (*table_)[0]; }

 private:
  std::unique_ptr<DeviceTable> table_;
};

using Fill = std::function<void(DeviceRecord&)>;

// A healthy day: a sample in every period, moderate traffic, and an
// occupancy that changes from one period to the next.
void fillHealthy(DeviceRecord& r) {
  for (int p = 0; p < PeriodsPerDay; ++p) {
    r.NumLanes[p] = 1;
    r.Volume[p] = static_cast<uint16_t>(3 + p % 5);
    r.ScanCnt[p] = static_cast<uint16_t>(100 + p % 7);
  }
}

// The first `count` judged periods of `r` get `set`.
void setJudged(DeviceRecord& r, int32_t count, const std::function<void(DeviceRecord&, int)>& set) {
  for (int32_t p = HealthFirstPeriod; p < HealthFirstPeriod + count; ++p) set(r, p);
}

void zeroOccupancy(DeviceRecord& r, int p) {
  r.ScanCnt[p] = 0;
  r.Volume[p] = 0;
}

TEST(JudgeHealth, CraftedDays) {
  struct Case {
    const char* what;
    const char* name;
    uint16_t kind;
    Fill fill;
    HealthStatus status;
    int32_t samples;
  };
  const std::vector<Case> cases = {
      {"dead lane without a single sample", LaneName, KindLane, [](DeviceRecord&) {},
       HealthStatus::NoData, 0},
      {"lane reporting but never occupied", LaneName, KindLane,
       [](DeviceRecord& r) {
         for (int p = 0; p < PeriodsPerDay; ++p) r.NumLanes[p] = 1;
       },
       HealthStatus::CardOff, Judged},
      {"lane stuck at one occupancy", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; ++p) r.ScanCnt[p] = 120;
       },
       HealthStatus::Constant, Judged},
      {"lane at 100% occupancy", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; ++p)
           r.ScanCnt[p] = static_cast<uint16_t>(1190 + p % 10);
       },
       HealthStatus::HighValues, Judged},
      {"chattering lane: occupancy without vehicles", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; p += 10) r.Volume[p] = 0;
       },
       HealthStatus::Intermittent, Judged},
      {"healthy lane", LaneName, KindLane, fillHealthy, HealthStatus::Good, Judged},
      {"healthy speed loop", SpeedLoopName, KindLane, fillHealthy, HealthStatus::Good, Judged},
      {"healthy station of three lanes with 30 vehicles", StationName, KindStation,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; ++p) {
           r.NumLanes[p] = 3;
           r.Volume[p] = static_cast<uint16_t>(30 + p % 10);  // at most 39 = 3 x 13
         }
       },
       HealthStatus::Good, Judged},
      {"station of three lanes with 40 vehicles", StationName, KindStation,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; ++p) {
           r.NumLanes[p] = 3;
           r.Volume[p] = 40;
         }
       },
       HealthStatus::HighValues, Judged},
      {"lane with 14 vehicles a period", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; ++p) r.Volume[p] = 14;
       },
       HealthStatus::HighValues, Judged},
      {"lane with samples in half the judged periods", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = 0; p < PeriodsPerDay; p += 2) r.NumLanes[p] = 0;
       },
       HealthStatus::InsufficientData, Judged / 2},
      {"lane dead by day, busy by night", LaneName, KindLane,
       [](DeviceRecord& r) {
         fillHealthy(r);
         for (int p = HealthFirstPeriod; p < HealthEndPeriod; ++p) r.NumLanes[p] = 0;
       },
       HealthStatus::NoData, 0},
  };
  for (const Case& c : cases) {
    Detector d(c.name, c.kind);
    c.fill(d.record());
    HealthVerdict v = judgeHealth(d.record(), PeriodsPerDay);
    EXPECT_EQ(healthStatusText(v.status), std::string(healthStatusText(c.status))) << c.what;
    EXPECT_EQ(v.expected, Judged) << c.what;
    EXPECT_EQ(v.samples, c.samples) << c.what;
  }
}

TEST(JudgeHealth, CountsEachKindOfSuspiciousSample) {
  Detector d(LaneName, KindLane);
  DeviceRecord& r = d.record();
  fillHealthy(r);
  int p = HealthFirstPeriod;
  r.ScanCnt[p++] = 0;  // zero occupancy, no volume: zero only
  r.Volume[p - 1] = 0;
  r.ScanCnt[p] = 0;  // zero occupancy with volume
  r.Volume[p++] = 4;
  r.ScanCnt[p] = 841;  // high occupancy, first above 840
  r.Volume[p++] = 2;
  r.ScanCnt[p] = 840;  // not high
  r.Volume[p++] = 13;  // not high either
  r.ScanCnt[p] = 900;  // high occupancy and high volume: one high value
  r.Volume[p++] = 14;
  r.ScanCnt[p] = 50;  // occupancy without volume
  r.Volume[p++] = 0;
  r.NumLanes[p] = 0;  // no sample: none of its values count
  r.ScanCnt[p] = 0;
  r.Volume[p++] = 99;
  HealthVerdict v = judgeHealth(r, PeriodsPerDay);
  EXPECT_EQ(v.expected, Judged);
  EXPECT_EQ(v.samples, Judged - 1);
  EXPECT_EQ(v.zeroOccupancy, 2);
  EXPECT_EQ(v.volumeNoOccupancy, 1);
  EXPECT_EQ(v.highOccupancy, 2);
  EXPECT_EQ(v.highVolume, 1);
  EXPECT_EQ(v.highValues, 2);
  EXPECT_EQ(v.occupancyNoVolume, 1);
}

// Each threshold at its exact edge and one sample short of it, on a full day
// of 3060 samples.
TEST(JudgeHealth, ThresholdsAtTheirEdges) {
  auto highOccupancy = [](DeviceRecord& r, int p) {
    r.ScanCnt[p] = static_cast<uint16_t>(1000 + p % 7);  // no constant run
  };
  auto highVolume = [](DeviceRecord& r, int p) { r.Volume[p] = 20; };
  auto noVolume = [](DeviceRecord& r, int p) { r.Volume[p] = 0; };
  auto noOccupancy = [](DeviceRecord& r, int p) { r.ScanCnt[p] = 0; };
  auto noSample = [](DeviceRecord& r, int p) { r.NumLanes[p] = 0; };
  struct Case {
    const char* what;
    const char* name;
    std::function<void(DeviceRecord&, int32_t)> apply;  // to `count` periods
    int32_t edge;
    HealthStatus atEdge;
    HealthStatus belowEdge = HealthStatus::Good;
  };
  const std::vector<Case> cases = {
      // 60% of 3060 is 1836 samples: 1224 periods may go missing.
      {"samples 60% of expected", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, Judged - n, noSample); }, 1836,
       HealthStatus::Good, HealthStatus::InsufficientData},
      // 59% of 3060 is 1805.4.
      {"zero occupancy 59%", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, zeroOccupancy); }, 1806,
       HealthStatus::CardOff},
      {"ramp meter zero occupancy 95%", RampName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, zeroOccupancy); }, 2907,
       HealthStatus::CardOff},
      // 20% of 3060 is 612.
      {"high occupancy 20%", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, highOccupancy); }, 612,
       HealthStatus::HighValues},
      {"high volume 20%", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, highVolume); }, 612,
       HealthStatus::HighValues},
      {"high occupancy and high volume in different samples, 20% together", LaneName,
       [&](DeviceRecord& r, int32_t n) {
         setJudged(r, n / 2, highOccupancy);
         for (int32_t p = HealthFirstPeriod + n / 2; p < HealthFirstPeriod + n; ++p) {
           highVolume(r, p);
         }
       },
       612, HealthStatus::HighValues},
      // 2% of 3060 is 61.2.
      {"occupancy without volume 2%", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, noVolume); }, 62,
       HealthStatus::Intermittent},
      // 50% of 3060 is 1530 (below the 59% of card_off).
      {"volume without occupancy 50%", LaneName,
       [&](DeviceRecord& r, int32_t n) { setJudged(r, n, noOccupancy); }, 1530,
       HealthStatus::Intermittent},
      {"constant run of 50", LaneName,
       [&](DeviceRecord& r, int32_t n) {
         setJudged(r, n, [](DeviceRecord& d, int p) { d.ScanCnt[p] = 333; });
       },
       50, HealthStatus::Constant},
  };
  for (const Case& c : cases) {
    for (int32_t count : {c.edge, c.edge - 1}) {
      Detector d(c.name, KindLane);
      fillHealthy(d.record());
      c.apply(d.record(), count);
      HealthStatus want = count == c.edge ? c.atEdge : c.belowEdge;
      HealthVerdict v = judgeHealth(d.record(), PeriodsPerDay);
      EXPECT_EQ(healthStatusText(v.status), std::string(healthStatusText(want)))
          << c.what << " with " << count;
    }
  }
}

TEST(JudgeHealth, RampMeterLaneIsOffOnlyWhenNearlySilent) {
  struct Case {
    const char* name;
    int32_t zeroShareTenthsOfPct;  // share of samples with ScanCnt 0, in 0.1%
    HealthStatus status;
  };
  const std::vector<Case> cases = {
      {RampName, 900, HealthStatus::Good},
      {RampName, 950, HealthStatus::CardOff},
      {LaneName, 900, HealthStatus::CardOff},
      {SpeedLoopName, 900, HealthStatus::CardOff},
  };
  for (const Case& c : cases) {
    Detector d(c.name, KindLane);
    fillHealthy(d.record());
    setJudged(d.record(), Judged * c.zeroShareTenthsOfPct / 1000, zeroOccupancy);
    HealthVerdict v = judgeHealth(d.record(), PeriodsPerDay);
    EXPECT_EQ(healthStatusText(v.status), std::string(healthStatusText(c.status)))
        << c.name << " " << c.zeroShareTenthsOfPct;
  }
  // A station named with 'R' at position 16 is no ramp-meter lane.
  Detector station(RampName, KindStation);
  fillHealthy(station.record());
  setJudged(station.record(), Judged * 9 / 10, zeroOccupancy);
  EXPECT_EQ(judgeHealth(station.record(), PeriodsPerDay).status, HealthStatus::CardOff);
}

TEST(JudgeHealth, ConstantRunSkipsMissingSamplesButBreaksOnChangeOrZero) {
  struct Case {
    const char* what;
    std::function<void(DeviceRecord&, int)> between;  // the period between two runs of 30
    int32_t longest;
  };
  const std::vector<Case> cases = {
      {"a period without a sample", [](DeviceRecord& r, int p) { r.NumLanes[p] = 0; }, 60},
      {"a sample of another value", [](DeviceRecord& r, int p) { r.ScanCnt[p] = 334; }, 30},
      {"a sample of zero occupancy", zeroOccupancy, 30},
  };
  for (const Case& c : cases) {
    Detector d(LaneName, KindLane);
    DeviceRecord& r = d.record();
    fillHealthy(r);
    const int start = 2000;
    for (int p = start; p < start + 61; ++p) r.ScanCnt[p] = 333;
    c.between(r, start + 30);
    HealthVerdict v = judgeHealth(r, PeriodsPerDay);
    EXPECT_EQ(v.longestConstantRun, c.longest) << c.what;
    EXPECT_EQ(v.status, c.longest >= 50 ? HealthStatus::Constant : HealthStatus::Good) << c.what;
  }
}

TEST(JudgeHealth, ShortAndOddFilesJudgeOnlyTheirOwnPeriods) {
  struct Case {
    int32_t periodCount;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {PeriodsPerDay, Judged},
      {PeriodsPerDay + 100, Judged},
      {3960, Judged},
      {3959, Judged - 1},
      {2000, 1100},
      {901, 1},
      {900, 0},
      {500, 0},
      {0, 0},
      {-7, 0},
  };
  for (const Case& c : cases) {
    Detector d(LaneName, KindLane);
    fillHealthy(d.record());
    HealthVerdict v = judgeHealth(d.record(), c.periodCount);
    EXPECT_EQ(v.expected, c.expected) << c.periodCount;
    EXPECT_EQ(v.samples, c.expected) << c.periodCount;
    EXPECT_EQ(v.status, c.expected == 0 ? HealthStatus::NoData : HealthStatus::Good)
        << c.periodCount;
  }
  // Values outside the judged hours never count, even very bad ones.
  Detector night(LaneName, KindLane);
  fillHealthy(night.record());
  for (int p = 0; p < PeriodsPerDay; ++p) {
    if (p < HealthFirstPeriod || p >= HealthEndPeriod) night.record().ScanCnt[p] = 1200;
  }
  EXPECT_EQ(judgeHealth(night.record(), PeriodsPerDay).highOccupancy, 0);
}

TEST(DetectorType, KindAndNamePosition) {
  struct Case {
    const char* name;
    uint16_t kind;
    bool judged;
    const char* text;
  };
  const std::vector<Case> cases = {
      {LaneName, KindLane, true, "lane"},        {SpeedLoopName, KindLane, true, "speed_loop"},
      {RampName, KindLane, true, "ramp_meter"},  {StationName, KindStation, true, "station"},
      {RampName, KindStation, true, "station"},  {TrapName, KindTrap, false, ""},
      {MeteredName, KindMeteredLane, false, ""}, {LaneName, 0, false, ""},
  };
  for (const Case& c : cases) {
    Detector d(c.name, c.kind);
    DetectorType type = DetectorType::Lane;
    ASSERT_EQ(detectorType(d.record(), &type), c.judged) << c.name << " " << c.kind;
    if (c.judged) {
      EXPECT_STREQ(detectorTypeText(type), c.text) << c.name;
    }
  }
}

// The report, end to end.
class HealthReportTest : public ReportTest {
 protected:
  static constexpr const char* FileName = "Health_2021-08-18.csv";
  static constexpr const char* HeaderText =
      "date,device,lane_type,expected,samples,zero_occupancy_pct,high_occupancy_pct,"
      "high_volume_pct,occupancy_no_volume_pct,volume_no_occupancy_pct,"
      "longest_constant_run,status";
};

TEST_F(HealthReportTest, OneRowPerLaneAndStationWithSharesAndSummary) {
  makeTable({{LaneName, KindLane},
             {TrapName, KindTrap},
             {"005es17329:_MN__S2", KindLane},
             {MeteredName, KindMeteredLane},
             {StationName, KindStation},
             {RampName, KindLane}});
  // Lane: three samples at 07:00, one without occupancy but with volume, one
  // at high occupancy; far too few samples for a day.
  device(0).NumLanes[1260] = device(0).NumLanes[1261] = device(0).NumLanes[1262] = 1;
  device(0).Volume[1260] = 3;
  device(0).ScanCnt[1261] = 900;
  device(0).Volume[1261] = 2;
  device(0).ScanCnt[1262] = 50;
  device(0).Volume[1262] = 1;
  fillHealthy(device(4));
  for (int p = 0; p < PeriodsPerDay; ++p) device(4).NumLanes[p] = 2;
  ASSERT_EQ(outputFiles(), std::vector<std::string>{});
  HealthSummary summary = writeHealthReport(run(), header_, table_.get(), "day.DAT");
  ASSERT_TRUE(summary.written);
  ASSERT_EQ(outputFiles(), std::vector<std::string>{FileName});
  std::vector<std::string> lines = csvLines(output(FileName));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], HeaderText);
  EXPECT_EQ(lines[1],
            "2021-08-18,005es17329:_MN___1,lane,3060,3,33.33,33.33,0.00,0.00,33.33,1,"
            "insufficient_data");
  EXPECT_EQ(lines[2], "2021-08-18,005es17329:_MN__S2,speed_loop,3060,0,,,,,,0,no_data");
  EXPECT_EQ(lines[3],
            "2021-08-18,005es17329:_MN____,station,3060,3060,0.00,0.00,0.00,0.00,0.00,1,good");
  EXPECT_EQ(lines[4], "2021-08-18,005es17329:_MN__R1,ramp_meter,3060,0,,,,,,0,no_data");
  EXPECT_EQ(summary.count(HealthStatus::Good), 1);
  EXPECT_EQ(summary.count(HealthStatus::NoData), 2);
  EXPECT_EQ(summary.count(HealthStatus::InsufficientData), 1);
  EXPECT_EQ(summary.count(HealthStatus::CardOff), 0);
  const std::string counts =
      "1 good, 2 no_data, 1 insufficient_data, 0 card_off, 0 high_values, 0 intermittent, "
      "0 constant\n";
  EXPECT_EQ(logText(), "[12:34:56] - Writing detector health to CSV file [" +
                           options_.outputFolder + FileName +
                           "]...\n[12:34:56] - Detector health of data file [day.DAT]: " + counts);
  EXPECT_EQ(consoleText(), "Detector health of data file [day.DAT]: " + counts);
}

TEST_F(HealthReportTest, SharesRoundHalfUpToTwoDecimals) {
  struct Case {
    int32_t count;
    int32_t samples;
    const char* text;
  };
  // 1/8 = 12.5% exactly; 1/3 = 33.333..; 2/3 = 66.666..; 1/1600 = 0.0625 ->
  // 0.06; 1/2000 = 0.05; 1/3060 = 0.0326..
  const std::vector<Case> cases = {{1, 8, "12.50"},        {1, 3, "33.33"},   {2, 3, "66.67"},
                                   {1, 1600, "0.06"},      {1, 2000, "0.05"}, {1, 3060, "0.03"},
                                   {3060, 3060, "100.00"}, {0, 7, "0.00"}};
  makeTable({{LaneName, KindLane}});
  for (const Case& c : cases) {
    HealthVerdict v;
    v.expected = c.samples;
    v.samples = c.samples;
    v.zeroOccupancy = c.count;
    char row[HealthRowRoom];
    char* end = formatHealthRow(row, IsoDate{{'1', '9', '9', '9', '-', '1', '2', '-', '3', '1'}},
                                device(0), DetectorType::Lane, v);
    std::string text(row, end);
    std::string want = "1999-12-31," + std::string(LaneName) + ",lane," +
                       std::to_string(c.samples) + "," + std::to_string(c.samples) + "," + c.text +
                       ",0.00,0.00,0.00,0.00,0,";
    EXPECT_EQ(text.substr(0, want.size()), want) << c.count << "/" << c.samples;
  }
}

TEST_F(HealthReportTest, NamesThatWouldBreakTheColumnsAreQuoted) {
  makeTable({{"a,b", KindLane}, {"say \"hi\"", KindLane}, {"line\nend", KindStation}});
  ASSERT_TRUE(writeHealthReport(run(), header_, table_.get(), "day.DAT").written);
  std::string text = output(FileName);
  EXPECT_NE(text.find("\r\n2021-08-18,\"a,b\",lane,3060,0,"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n2021-08-18,\"say \"\"hi\"\"\",lane,"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n2021-08-18,\"line\r\nend\",station,"), std::string::npos) << text;
}

TEST_F(HealthReportTest, ShortFileAndAbsentTable) {
  makeTable({{LaneName, KindLane}});
  fillHealthy(device(0));
  header_.numberOfColumns = 2000;
  ASSERT_TRUE(writeHealthReport(run(), header_, table_.get(), "short.DAT").written);
  EXPECT_EQ(csvLines(output(FileName))[1],
            "2021-08-18,005es17329:_MN___1,lane,1100,1100,0.00,0.00,0.00,0.00,0.00,1,good");
  HealthSummary summary = writeHealthReport(run(), header_, nullptr, "short.DAT");
  ASSERT_TRUE(summary.written);
  EXPECT_EQ(csvLines(output(FileName)), std::vector<std::string>{HeaderText});
  for (int32_t n : summary.byStatus) EXPECT_EQ(n, 0);
}

TEST_F(HealthReportTest, OpenFailureIsLoggedWithoutSummary) {
  makeTable({{LaneName, KindLane}});
  mkdir((options_.outputFolder + FileName).c_str(), 0755);  // a folder of the file's name
  HealthSummary summary = writeHealthReport(run(), header_, table_.get(), "day.DAT");
  EXPECT_FALSE(summary.written);
  std::string log = logText();
  EXPECT_NE(log.find("[12:34:56] E Could not open data file [" + options_.outputFolder + FileName +
                     "]! - Error = [21].\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Detector health of data file"), std::string::npos);
  EXPECT_EQ(consoleText(), "");
}

}  // namespace
}  // namespace loopconv
