#include "reports/lane_report.h"

#include <cstdio>

#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

using LaneReportTest = ReportTest;

const char kHeader[] =
    "name,collectiontime,lanes,volume,occupancy (%),status,incident,speed,length";
const char kPlainName[] = "PELMA20Sec_Lane_08182021.csv";

std::string printfLabel(const char* dataStart, unsigned p) {
  char text[32];
  snprintf(text, sizeof text, "%10.10s %2.2u:%2.2u:%2.2u", dataStart, p / 180, (p % 180) / 3,
           (p % 3) * 20);
  return text;
}

// The row as the report's printf format makes it, line end as text mode writes it.
std::string printfRow(const DeviceRecord& r, const char* dataStart, int p) {
  char text[256];
  snprintf(text, sizeof text, "%s,%s,%u,%u,%2.1f,%u,%u,%2.1f,%2.1f\n", r.Name,
           printfLabel(dataStart, static_cast<unsigned>(p)).c_str(), r.NumLanes[p], r.Volume[p],
           static_cast<double>(static_cast<float>(r.ScanCnt[p]) / 12.0f), r.Flag[p], r.Incident[p],
           static_cast<double>(static_cast<float>(r.SpdTenths[p]) / 10.0f),
           static_cast<double>(static_cast<float>(r.LenTenths[p]) / 10.0f));
  std::string row = text;
  row.insert(row.size() - 1, "\r");
  return row;
}

void setExampleLane(DeviceRecord& r) {
  r.NumLanes[1260] = 1;
  r.Volume[1260] = 5;
  r.ScanCnt[1260] = 96;
  r.SpdTenths[1260] = 652;
  r.LenTenths[1260] = 183;
}

const char kExampleRow[] = "005es17329:_MN___1,08/18/2021 07:00:00,1,5,8.0,0,0,65.2,18.3";

TEST_F(LaneReportTest, WritesTheExampleRowForAWholeDay) {
  makeTable({{LaneName, KindLane}});
  setExampleLane(device(0));
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(outputFiles(), std::vector<std::string>{kPlainName});
  std::vector<std::string> lines = csvLines(output(kPlainName));
  ASSERT_EQ(lines.size(), 4321u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1], "005es17329:_MN___1,08/18/2021 00:00:00,0,0,0.0,0,0,0.0,0.0");
  EXPECT_EQ(lines[1261], kExampleRow);
  EXPECT_EQ(lines[4320], "005es17329:_MN___1,08/18/2021 23:59:40,0,0,0.0,0,0,0.0,0.0");
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data to CSV file [" + options_.outputFolder +
                           kPlainName + "]...\n");
  EXPECT_EQ(consoleText(), "");
}

TEST_F(LaneReportTest, SinglePeriodAndSingleDevice) {
  makeTable({{StationName, KindStation}, {LaneName, KindLane}});
  setExampleLane(device(1));
  device(0).ScanCnt[1260] = 6;
  device(0).LenTenths[1260] = 215;
  options_.singlePeriod = true;
  options_.periodText = "07:00:00";
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  std::string name = "PELMA20Sec_Lane_P_08182021.csv";
  std::string path = options_.outputFolder + name;
  EXPECT_EQ(output(name), std::string(kHeader) + "\r\n" +
                              "005es17329:_MN____,08/18/2021 07:00:00,0,0,0.5,0,0,0.0,21.5\r\n" +
                              kExampleRow + "\r\n");
  // With option D too the name keeps "_P_" and the row is the device's.
  options_.singleDevice = true;
  options_.deviceName = LaneName;
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(name), std::string(kHeader) + "\r\n" + kExampleRow + "\r\n");
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data to CSV file [" + path + "]...\n" +
                           "[12:34:56] - Printing period [07:00:00] column [1260] for [" + path +
                           "]\n" + "[12:34:56] - Writing 20 second data to CSV file [" + path +
                           "]...\n" +
                           "[12:34:56] - Printing period [07:00:00] column [1260] for [" + path +
                           "]\n" + "[12:34:56] - Processing device [005es17329:_MN___1]\n");
  EXPECT_EQ(consoleText(), "Printing period [07:00:00] column [1260] for [" + path + "]\n" +
                               "Printing period [07:00:00] column [1260] for [" + path + "]\n" +
                               "Processing device [005es17329:_MN___1]\n");
}

TEST_F(LaneReportTest, LaneFilterKeepsLanesAndStations) {
  makeTable({{LaneName, KindLane},
             {SpeedLoopName, KindLane},
             {"005es17329:_MN__S_", KindStation},
             {TrapName, KindTrap},
             {MeteredName, KindMeteredLane},
             {"005es17329:_MN___7", 0}});
  header_.numberOfColumns = 2;
  auto names = [&](const std::string& file) {
    std::vector<std::string> result;
    std::vector<std::string> lines = csvLines(output(file));
    for (size_t i = 1; i < lines.size(); ++i) {
      result.push_back(lines[i].substr(0, 18) + "@" + lines[i].substr(30, 8));
    }
    return result;
  };
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(names(kPlainName),
            (std::vector<std::string>{
                LaneName + std::string("@00:00:00"), "005es17329:_MN__S_@00:00:00",
                LaneName + std::string("@00:00:20"), "005es17329:_MN__S_@00:00:20"}));
  options_.includeSpeedLoops = true;
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(names("PELMA20Sec_Lane_S_08182021.csv"),
            (std::vector<std::string>{
                LaneName + std::string("@00:00:00"), SpeedLoopName + std::string("@00:00:00"),
                "005es17329:_MN__S_@00:00:00", LaneName + std::string("@00:00:20"),
                SpeedLoopName + std::string("@00:00:20"), "005es17329:_MN__S_@00:00:20"}));
  // Option D naming what the filter rejects: the device is found, no rows.
  options_.includeSpeedLoops = false;
  options_.singleDevice = true;
  for (const char* rejected : {SpeedLoopName, TrapName, MeteredName}) {
    options_.deviceName = rejected;
    ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
    EXPECT_EQ(output("PELMA20Sec_Lane_D_08182021.csv"), std::string(kHeader) + "\r\n");
  }
  EXPECT_EQ(consoleText(),
            "Processing device [005es17329:_MN__S1]\n"
            "Processing device [005es17329:_MN__T1]\n"
            "Processing device [005es17329:_MN___M]\n");
}

TEST_F(LaneReportTest, NothingToReportLeavesTheHeader) {
  // Option D naming no device.
  makeTable({{LaneName, KindLane}});
  options_.singleDevice = true;
  options_.deviceName = "005es99999:_MN___1";
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output("PELMA20Sec_Lane_D_08182021.csv"), std::string(kHeader) + "\r\n");
  EXPECT_EQ(consoleText(), "          W Device [005es99999:_MN___1] NOT found!\n");
  // An absent table, an empty table, a file without periods.
  options_.singleDevice = false;
  ASSERT_EQ(writeLaneReport(run(), header_, nullptr), 1);
  EXPECT_EQ(output(kPlainName), std::string(kHeader) + "\r\n");
  makeTable({});
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(kPlainName), std::string(kHeader) + "\r\n");
  makeTable({{LaneName, KindLane}});
  header_.numberOfColumns = 0;
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(kPlainName), std::string(kHeader) + "\r\n");
  // A period past the file's last one: warned about, nothing read.
  header_.numberOfColumns = 180;
  options_.singlePeriod = true;
  options_.periodText = "01:00:00";
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  std::string path = options_.outputFolder + "PELMA20Sec_Lane_P_08182021.csv";
  EXPECT_EQ(readFile(path), std::string(kHeader) + "\r\n");
  std::string log = logText();
  EXPECT_NE(log.find("[12:34:56] - Printing period [01:00:00] column [180] for [" + path +
                     "]\n[12:34:56] W Period [01:00:00] column [180] is outside the "
                     "file's 180 periods!\n"),
            std::string::npos)
      << log;
}

TEST_F(LaneReportTest, RowOrdersGiveTheSameRows) {
  makeTable({{LaneName, KindLane},
             {TrapName, KindTrap},
             {StationName, KindStation},
             {"005es17329:_MN___2", KindLane}});
  std::mt19937 random(7);
  for (int i = 0; i < 4; ++i) randomize(device(i), random);
  header_.numberOfColumns = 70;  // two whole blocks of periods and a part
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  options_.rowFirst = true;
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  std::vector<std::string> periodFirst = csvLines(output(kPlainName));
  std::vector<std::string> rowFirst = csvLines(output("PELMA20Sec_Lane_R_08182021.csv"));
  ASSERT_EQ(periodFirst.size(), 211u);
  ASSERT_EQ(rowFirst.size(), 211u);
  // Entry by entry: the first 70 rows are the first lane's, in period order;
  // period by period: lane, station, second lane.
  for (int p = 0; p < 70; ++p) {
    std::string row = printfRow(device(0), header_.dataStart, p);
    EXPECT_EQ(rowFirst[1 + p] + "\r\n", row);
    EXPECT_EQ(periodFirst[1 + 3 * p] + "\r\n", row);
    EXPECT_EQ(rowFirst[71 + p] + "\r\n", printfRow(device(2), header_.dataStart, p));
    EXPECT_EQ(periodFirst[2 + 3 * p] + "\r\n", printfRow(device(2), header_.dataStart, p));
    EXPECT_EQ(periodFirst[3 + 3 * p] + "\r\n", printfRow(device(3), header_.dataStart, p));
  }
  std::sort(periodFirst.begin(), periodFirst.end());
  std::sort(rowFirst.begin(), rowFirst.end());
  EXPECT_EQ(periodFirst, rowFirst);
  // Options P and R: one row per entry, in table order.
  options_.singlePeriod = true;
  options_.periodText = "00:00:00";
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  std::vector<std::string> single = csvLines(output("PELMA20Sec_Lane_P_08182021.csv"));
  ASSERT_EQ(single.size(), 4u);
  EXPECT_EQ(single[1].substr(0, 38), LaneName + std::string(",08/18/2021 00:00:00"));
  EXPECT_EQ(single[2].substr(0, 18), StationName);
  EXPECT_EQ(single[3].substr(0, 18), "005es17329:_MN___2");
}

TEST_F(LaneReportTest, RandomRowsMatchThePrintfFormat) {
  makeTable({{LaneName, KindLane}, {StationName, KindStation}, {SpeedLoopName, KindLane}});
  std::mt19937 random(42);
  for (int i = 0; i < 3; ++i) randomize(device(i), random);
  strcpy(header_.dataStart, "12/31/1999");
  options_.includeSpeedLoops = true;
  ASSERT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  std::string expected = std::string(kHeader) + "\r\n";
  for (int p = 0; p < PeriodsPerDay; ++p) {
    for (int i = 0; i < 3; ++i) expected += printfRow(device(i), header_.dataStart, p);
  }
  EXPECT_TRUE(output("PELMA20Sec_Lane_S_12311999.csv") == expected);
  // Straight through the row formatter as well, with a short date.
  LabelDate date = labelDate("8/1/21", 7);
  const NumberTexts& texts = numberTexts();
  for (int p = 0; p < PeriodsPerDay; p += 7) {
    char label[TimeLabelLength];
    putTimeLabel(label, date, p);
    char row[LaneRowRoom];
    char* end = formatLaneRow(row, texts, device(1), p, label);
    ASSERT_EQ(std::string(row, static_cast<size_t>(end - row)), printfRow(device(1), "8/1/21", p));
  }
}

}  // namespace
}  // namespace loopconv
