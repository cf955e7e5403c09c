#include "reports/trap_report.h"

#include <cstdio>

#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

using TrapReportTest = ReportTest;

const char kHeader[] =
    "name,collectiontime,speed(ave mph),length (ave ft),bin1 (0.0-20.0),"
    "bin2 (20.1-42.0),bin3 (42.1-72.0),bin4 (72.1-115.0 ),flag1,flag2";
const char kPlainName[] = "PELMA20Sec_Trap_08182021.csv";
constexpr const char* SecondTrap = "005es17329:_MN__T2";

std::string printfRow(const DeviceRecord& r, const char* dataStart, int p) {
  char label[32];
  unsigned u = static_cast<unsigned>(p);
  snprintf(label, sizeof label, "%10.10s %2.2u:%2.2u:%2.2u", dataStart, u / 180, (u % 180) / 3,
           (u % 3) * 20);
  char text[256];
  snprintf(text, sizeof text, "%s,%s,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u\n", r.Name, label,
           static_cast<double>(static_cast<float>(r.SpdTenths[p]) / 10.0f),
           static_cast<double>(static_cast<float>(r.LenTenths[p]) / 10.0f), r.Bin1[p], r.Bin2[p],
           r.Bin3[p], r.Bin4[p], r.SpdFlag[p], r.SpdFlag2[p]);
  std::string row = text;
  row.insert(row.size() - 1, "\r");
  return row;
}

TEST_F(TrapReportTest, WritesTheExampleRowOfTrapsOnly) {
  makeTable({{LaneName, KindLane}, {TrapName, KindTrap}, {StationName, KindStation}});
  DeviceRecord& trap = device(1);
  trap.SpdTenths[1441] = 655;
  trap.LenTenths[1441] = 183;
  trap.Bin1[1441] = 4;
  trap.Bin2[1441] = 1;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  std::vector<std::string> lines = csvLines(output(kPlainName));
  ASSERT_EQ(lines.size(), 4321u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1442], "005es17329:_MN__T1,08/18/2021 08:00:20,65.5,18.3,4,1,0,0,0,0");
  EXPECT_EQ(lines[1], "005es17329:_MN__T1,08/18/2021 00:00:00,0.0,0.0,0,0,0,0,0,0");
  // A file without traps holds the header alone.
  trap.Kind = KindLane;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(output(kPlainName), std::string(kHeader) + "\r\n");
  EXPECT_EQ(consoleText(), "");
}

TEST_F(TrapReportTest, PeriodAndDeviceSelectionInBothOrders) {
  makeTable({{TrapName, KindTrap}, {LaneName, KindLane}, {SecondTrap, KindTrap}});
  std::mt19937 random(3);
  for (int i = 0; i < 3; ++i) randomize(device(i), random);
  const char* date = header_.dataStart;
  // Options R and P: one row per trap, in table order.
  options_.rowFirst = true;
  options_.singlePeriod = true;
  options_.periodText = "08:00:20";
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  std::string path = options_.outputFolder + "PELMA20Sec_Trap_P_08182021.csv";
  EXPECT_EQ(readFile(path), std::string(kHeader) + "\r\n" + printfRow(device(0), date, 1441) +
                                printfRow(device(2), date, 1441));
  // Options R, D and P: exactly one row.
  options_.singleDevice = true;
  options_.deviceName = SecondTrap;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  std::string dPath = options_.outputFolder + "PELMA20Sec_Trap_D_08182021.csv";
  EXPECT_EQ(readFile(dPath), std::string(kHeader) + "\r\n" + printfRow(device(2), date, 1441));
  // The period goes to the log only; the device to both.
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data to CSV file [" + path + "]...\n" +
                           "[12:34:56] - Printing period [08:00:20] column [1441] for [" + path +
                           "]\n" + "[12:34:56] - Writing 20 second data to CSV file [" + dPath +
                           "]...\n" +
                           "[12:34:56] - Printing period [08:00:20] column [1441] for [" + dPath +
                           "]\n" + "[12:34:56] - Processing device [005es17329:_MN__T2]\n");
  EXPECT_EQ(consoleText(), "Processing device [005es17329:_MN__T2]\n");
  // Option D alone: every period of that trap, in either order.
  options_.singlePeriod = false;
  header_.numberOfColumns = 100;
  std::string expected = std::string(kHeader) + "\r\n";
  for (int p = 0; p < 100; ++p) expected += printfRow(device(2), date, p);
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(readFile(dPath), expected);
  options_.rowFirst = false;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(readFile(dPath), expected);
  // Option D naming a lane: found, header only.
  options_.deviceName = LaneName;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(readFile(dPath), std::string(kHeader) + "\r\n");
  // A period outside the day.
  options_.singleDevice = false;
  options_.singlePeriod = true;
  options_.periodText = "24:00:00";
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(readFile(path), std::string(kHeader) + "\r\n");
  std::string console = consoleText();
  EXPECT_NE(console.find("          W Period [24:00:00] column [4320] is outside the "
                         "file's 100 periods!\n"),
            std::string::npos)
      << console;
}

TEST_F(TrapReportTest, RowOrdersGiveTheSameRowsAndMatchPrintf) {
  makeTable({{TrapName, KindTrap}, {StationName, KindStation}, {SecondTrap, KindTrap}});
  std::mt19937 random(11);
  for (int i = 0; i < 3; ++i) randomize(device(i), random);
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  options_.rowFirst = true;
  ASSERT_EQ(writeTrapReport(run(), header_, table_.get()), 1);
  std::string periodFirst = std::string(kHeader) + "\r\n";
  std::string rowFirst = periodFirst;
  for (int p = 0; p < PeriodsPerDay; ++p) {
    periodFirst += printfRow(device(0), header_.dataStart, p);
    periodFirst += printfRow(device(2), header_.dataStart, p);
  }
  for (int i : {0, 2}) {
    for (int p = 0; p < PeriodsPerDay; ++p) {
      rowFirst += printfRow(device(i), header_.dataStart, p);
    }
  }
  EXPECT_TRUE(output(kPlainName) == periodFirst);
  EXPECT_TRUE(output("PELMA20Sec_Trap_R_08182021.csv") == rowFirst);
  std::vector<std::string> a = csvLines(periodFirst), b = csvLines(rowFirst);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace loopconv
