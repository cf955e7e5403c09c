#include "reports/element_report.h"

#include <cstdio>

#include "reports/colour_codes.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

using ElementReportTest = ReportTest;

const char kHeader[] =
    "Name,NumLanes,Volume,OccTenths,ScanCnt,Flag,NPds,Color0,Color1,Color2,SpdTenths,"
    "LenTenths,Bin1,Bin2,Bin3,Bin4,SpdFlag,SpdFlag2,SpdNPds,EstLength,CalcSpdTenths,"
    "ScanCntSum,CollectionTime";
const char kPlainName[] = "PELMA20Sec_Element_08182021.csv";

double tenths(uint16_t v) {
  return static_cast<double>(static_cast<float>(v) / 10.0f);
}

// The row as the report's printf format makes it, from the planes as they
// stand and the colour codes of the period.
std::string printfRow(const DeviceRecord& r, const char* dataStart, int p) {
  ColourCodes codes =
      colourCodes(flowPerHour(r.Volume[p], r.NumLanes[p]), r.ScanCnt[p], r.SpdTenths[p]);
  char label[32];
  unsigned u = static_cast<unsigned>(p);
  snprintf(label, sizeof label, "%10.10s %2.2u:%2.2u:%2.2u ", dataStart, u / 180, (u % 180) / 3,
           (u % 3) * 20);
  int64_t sum = static_cast<int64_t>(r.NumLanes[p]) * r.ScanCnt[p];
  char text[512];
  snprintf(text, sizeof text,
           "%s,%u,%u,%2.1f,%u,%u,%u,%u,%u,%u,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u,%u,%u,%2.1f,%d,%s\n",
           r.Name, r.NumLanes[p], r.Volume[p],
           static_cast<double>(static_cast<float>(r.ScanCnt[p]) / 12.0f), r.ScanCnt[p], r.Flag[p],
           r.NPds[p], codes.flow, codes.occupancy, codes.speed, tenths(r.SpdTenths[p]),
           tenths(r.LenTenths[p]), r.Bin1[p], r.Bin2[p], r.Bin3[p], r.Bin4[p], r.SpdFlag[p],
           r.SpdFlag2[p], r.SpdNPds[p], r.EstLength[p], static_cast<double>(r.CalcSpdTenths[p]),
           static_cast<int>(static_cast<uint32_t>(sum)), label);
  std::string row = text;
  row.insert(row.size() - 1, "\r");
  return row;
}

void setExampleLane(DeviceRecord& r) {
  const int p = 1260;
  r.NumLanes[p] = 1;
  r.Volume[p] = 5;
  r.ScanCnt[p] = 96;
  r.NPds[p] = 1;
  r.SpdTenths[p] = 652;
  r.LenTenths[p] = 183;
  r.Bin1[p] = 4;
  r.Bin2[p] = 1;
  r.SpdNPds[p] = 1;
  r.EstLength[p] = 31;
  r.CalcSpdTenths[p] = 66;
}

const char kExampleRow[] =
    "005es17329:_MN___1,1,5,8.0,96,0,1,3,3,3,65.2,18.3,4,1,0,0,0,0,1,31,66.0,96,"
    "08/18/2021 07:00:00 ";

TEST_F(ElementReportTest, WritesTheExampleRow) {
  makeTable({{LaneName, KindLane}});
  setExampleLane(device(0));
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  std::vector<std::string> lines = csvLines(output(kPlainName));
  ASSERT_EQ(lines.size(), 4321u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1261], kExampleRow);
  EXPECT_EQ(lines[1],
            "005es17329:_MN___1,0,0,0.0,0,0,0,4,4,4,0.0,0.0,0,0,0,0,0,0,0,0,0.0,0,"
            "08/18/2021 00:00:00 ");
  EXPECT_EQ(lines[4320].substr(19, 19), "0,0,0.0,0,0,0,4,4,4");
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data to CSV file [" + options_.outputFolder +
                           kPlainName + "]...\n");
  EXPECT_EQ(consoleText(), "");
}

TEST_F(ElementReportTest, ColourCodesFollowEachRowsValues) {
  makeTable({{SpeedLoopName, KindLane},
             {TrapName, KindTrap},
             {LaneName, KindLane},
             {MeteredName, KindMeteredLane},
             {StationName, KindStation}});
  const int p = 1260;
  for (int i = 0; i < 5; ++i) {
    device(i).NumLanes[p] = 1;
    device(i).Volume[p] = static_cast<uint16_t>(6 + 3 * i);  // flow 1080 + 540 i
    device(i).ScanCnt[p] = static_cast<uint16_t>(100 + 100 * i);
    device(i).SpdTenths[p] = static_cast<uint16_t>(250 + 100 * i);
  }
  options_.singlePeriod = true;
  options_.periodText = "07:00:00";
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  // Rows only for the lane and the station: flow 2160 and 2700, ScanCnt 300
  // and 500, speed 45.0 and 65.0.
  std::vector<std::string> lines = csvLines(output("PELMA20Sec_Element_P_08182021.csv"));
  ASSERT_EQ(lines.size(), 3u);
  const char* codes[2][3] = {{"100", "1", "2"}, {"100", "100", "3"}};
  for (int row = 0; row < 2; ++row) {
    std::vector<std::string> f = csvFields(lines[1 + row]);
    ASSERT_EQ(f.size(), 23u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(f[7 + k], codes[row][k]) << row << " " << k;
  }
  EXPECT_EQ(lines[1], printfRow(device(2), header_.dataStart, p).substr(0, lines[1].size()));
  EXPECT_EQ(lines[2], printfRow(device(4), header_.dataStart, p).substr(0, lines[2].size()));
  EXPECT_EQ(lines[1].substr(0, 48), "005es17329:_MN___1,1,12,25.0,300,0,0,100,1,2,45.");
}

TEST_F(ElementReportTest, SingleDeviceIgnoresTheSpeedLoopRule) {
  makeTable({{LaneName, KindLane}, {SpeedLoopName, KindLane}, {TrapName, KindTrap}});
  setExampleLane(device(1));
  options_.singleDevice = true;
  options_.deviceName = SpeedLoopName;
  options_.singlePeriod = true;  // D outranks P in the name
  options_.periodText = "07:00:00";
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  std::string name = "PELMA20Sec_Element_D_08182021.csv";
  std::string row = kExampleRow;
  row.replace(0, 18, SpeedLoopName);
  EXPECT_EQ(output(name), std::string(kHeader) + "\r\n" + row + "\r\n");
  // A selected trap: no row.
  options_.deviceName = TrapName;
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(name), std::string(kHeader) + "\r\n");
  // A name not found: header only, nothing visited.
  options_.deviceName = "005es17329:_MN___9";
  options_.singlePeriod = false;
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(name), std::string(kHeader) + "\r\n");
  std::string path = options_.outputFolder + name;
  std::string period = "Printing period [07:00:00] column [1260] for [" + path + "]\n";
  EXPECT_EQ(consoleText(), period + "Processing device [005es17329:_MN__S1]\n" + period +
                               "Processing device [005es17329:_MN__T1]\n" +
                               "          W Device [005es17329:_MN___9] NOT found!\n");
}

TEST_F(ElementReportTest, NothingToReportLeavesTheHeader) {
  ASSERT_EQ(writeElementReport(run(), header_, nullptr), 1);
  EXPECT_EQ(output(kPlainName), std::string(kHeader) + "\r\n");
  makeTable({{LaneName, KindLane}});
  options_.singlePeriod = true;
  options_.periodText = "-1:00:00";
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output("PELMA20Sec_Element_P_08182021.csv"), std::string(kHeader) + "\r\n");
  std::string path = options_.outputFolder + "PELMA20Sec_Element_P_08182021.csv";
  EXPECT_EQ(consoleText(),
            "Printing period [-1:00:00] column [-180] for [" + path + "]\n" +
                "          W Period [-1:00:00] column [-180] is outside the file's 4320 "
                "periods!\n");
}

TEST_F(ElementReportTest, RandomRowsMatchThePrintfFormat) {
  makeTable({{LaneName, KindLane}, {StationName, KindStation}, {TrapName, KindTrap}});
  std::mt19937 random(5);
  for (int i = 0; i < 3; ++i) randomize(device(i), random);
  // Short: a right-aligned label, and a name whose '/' names a sub-folder.
  strcpy(header_.dataStart, "1/2/2003");
  mkdir((options_.outputFolder + "PELMA20Sec_Element_1").c_str(), 0755);
  ASSERT_EQ(writeElementReport(run(), header_, table_.get()), 1);
  std::string expected = std::string(kHeader) + "\r\n";
  for (int p = 0; p < PeriodsPerDay; ++p) {
    for (int i = 0; i < 3; ++i) {
      if (i < 2) expected += printfRow(device(i), header_.dataStart, p);
    }
  }
  EXPECT_TRUE(output("PELMA20Sec_Element_1//203.csv") == expected);
}

}  // namespace
}  // namespace loopconv
