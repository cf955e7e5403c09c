#include "reports/contents_report.h"

#include <cstdio>

#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

class ContentsReportTest : public ReportTest {
 protected:
  // Lane, speed loop, ramp-meter lane, station, trap, metered lane.
  void makeCabinet() {
    makeTable({{LaneName, KindLane},
               {SpeedLoopName, KindLane},
               {RampName, KindLane},
               {StationName, KindStation},
               {TrapName, KindTrap},
               {MeteredName, KindMeteredLane}});
    device(0).NumLanes[0] = 1;
    device(1).NumLanes[0] = 1;
    device(2).NumLanes[0] = 1;
    device(3).NumLanes[0] = 3;
    device(3).NumLanes[1] = 7;  // only period 0 counts
  }
  std::string contents(const std::string& name = "PELMA20Sec_Content_08182021.csv") {
    return output(name);
  }
};

TEST_F(ContentsReportTest, ListsTheCabinetWithItsCounts) {
  makeCabinet();
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(),
            "Input element count = 6\r\n"
            "Name,NumLanes\r\n"
            "005es17329:_MN___1,1\r\n"
            "005es17329:_MN____,3\r\n"
            "005es17329:_MN__T1,0\r\n"
            "005es17329:_MN___M,0\r\n"
            "Contents listed = 4\r\n");
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data elements to CSV file [" +
                           options_.outputFolder + "PELMA20Sec_Content_08182021.csv]...\n");
  EXPECT_EQ(consoleText(), "");
  // Option P changes nothing.
  options_.singlePeriod = true;
  options_.periodText = "24:00:00";
  std::string before = contents();
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(), before);
  EXPECT_EQ(consoleText(), "");
}

TEST_F(ContentsReportTest, OptionsSAndCAddLanes) {
  makeCabinet();
  options_.includeSpeedLoops = true;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents("PELMA20Sec_Content_S_08182021.csv"),
            "Input element count = 6\r\nName,NumLanes\r\n"
            "005es17329:_MN___1,1\r\n005es17329:_MN__S1,1\r\n005es17329:_MN____,3\r\n"
            "005es17329:_MN__T1,0\r\n005es17329:_MN___M,0\r\nContents listed = 5\r\n");
  options_.includeSpeedLoops = false;
  options_.includeRampMeters = true;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents("PELMA20Sec_Content_C_08182021.csv"),
            "Input element count = 6\r\nName,NumLanes\r\n"
            "005es17329:_MN___1,1\r\n005es17329:_MN__R1,1\r\n005es17329:_MN____,3\r\n"
            "005es17329:_MN__T1,0\r\n005es17329:_MN___M,0\r\nContents listed = 5\r\n");
  options_.includeSpeedLoops = true;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_NE(contents("PELMA20Sec_Content_C_08182021.csv").find("Contents listed = 6\r\n"),
            std::string::npos);
}

TEST_F(ContentsReportTest, FilterByKindAndNamePosition) {
  makeTable({{"005es17329:_MN__S1", KindMeteredLane},
             {"005es17329:_MN__R1", KindMeteredLane},
             {"005es17329:_MN__S_", KindStation},
             {"005es17329:_MN__R_", KindTrap},
             {"005es17329:_MN___1", 0},
             {"005es17329:_MN___1", 999}});
  bool plain[] = {true, false, true, true, false, false};
  bool ramps[] = {true, true, true, true, false, false};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(passesContentsFilter(device(i), false, false), plain[i]) << i;
    EXPECT_EQ(passesContentsFilter(device(i), true, false), plain[i]) << i;
    EXPECT_EQ(passesContentsFilter(device(i), false, true), ramps[i]) << i;
  }
}

TEST_F(ContentsReportTest, OptionDNarrowsTheRangeSilently) {
  makeCabinet();
  options_.singleDevice = true;
  options_.deviceName = TrapName;  // position 4, the fifth entry
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(),
            "Input element count = 5\r\nName,NumLanes\r\n005es17329:_MN__T1,0\r\n"
            "Contents listed = 1\r\n");
  options_.deviceName = StationName;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(),
            "Input element count = 4\r\nName,NumLanes\r\n005es17329:_MN____,3\r\n"
            "Contents listed = 1\r\n");
  options_.deviceName = LaneName;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(),
            "Input element count = 1\r\nName,NumLanes\r\n005es17329:_MN___1,1\r\n"
            "Contents listed = 1\r\n");
  options_.deviceName = SpeedLoopName;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(), "Input element count = 2\r\nName,NumLanes\r\nContents listed = 0\r\n");
  options_.deviceName = "005es17329:_MN___9";
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(), "Input element count = 6\r\nName,NumLanes\r\nContents listed = 0\r\n");
  EXPECT_EQ(consoleText(), "");
  EXPECT_EQ(logText().find(" W "), std::string::npos);
}

TEST_F(ContentsReportTest, EmptyCases) {
  const std::string empty = "Input element count = 0\r\nName,NumLanes\r\nContents listed = 0\r\n";
  ASSERT_EQ(writeContentsReport(run(), header_, nullptr), 1);
  EXPECT_EQ(contents(), empty);
  // A table that could not be allocated: the file's count, nothing listed,
  // with or without option D.
  header_.numberOfNames = 70000;
  ASSERT_EQ(writeContentsReport(run(), header_, nullptr), 1);
  const std::string absent =
      "Input element count = 70000\r\nName,NumLanes\r\nContents listed = 0\r\n";
  EXPECT_EQ(contents(), absent);
  options_.singleDevice = true;
  options_.deviceName = LaneName;
  ASSERT_EQ(writeContentsReport(run(), header_, nullptr), 1);
  EXPECT_EQ(contents(), absent);
  makeTable({});
  options_.singleDevice = true;
  options_.deviceName = LaneName;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(), empty);
  // A header without periods lists nothing.
  makeCabinet();
  options_.singleDevice = false;
  header_.numberOfColumns = 0;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  EXPECT_EQ(contents(), "Input element count = 6\r\nName,NumLanes\r\nContents listed = 0\r\n");
}

TEST_F(ContentsReportTest, RandomRowsMatchThePrintfFormat) {
  std::vector<std::pair<std::string, uint16_t>> devices;
  std::mt19937 random(9);
  const uint16_t kinds[] = {KindLane, KindStation, KindTrap, KindMeteredLane};
  for (int i = 0; i < 200; ++i) {
    char name[32];
    snprintf(name, sizeof name, "%03des%05d:_MN__%c%d", i % 1000,
             static_cast<int>(random() % 100000), "_SRT"[random() % 4],
             static_cast<int>(random() % 10));
    devices.emplace_back(name, kinds[random() % 4]);
  }
  makeTable(devices);
  for (int i = 0; i < 200; ++i) device(i).NumLanes[0] = static_cast<uint16_t>(random());
  options_.includeSpeedLoops = true;
  ASSERT_EQ(writeContentsReport(run(), header_, table_.get()), 1);
  std::string expected = "Input element count = 200\r\nName,NumLanes\r\n";
  unsigned listed = 0;
  for (int i = 0; i < 200; ++i) {
    const DeviceRecord& r = device(i);
    char type = r.Name[16];
    bool listedHere = r.Kind == KindStation || r.Kind == KindTrap ||
                      (r.Kind == KindLane && type != 'R') ||
                      (r.Kind == KindMeteredLane && type != 'R');
    if (!listedHere) continue;
    char row[64];
    snprintf(row, sizeof row, "%s,%u\r\n", r.Name, r.NumLanes[0]);
    expected += row;
    ++listed;
  }
  expected += "Contents listed = " + std::to_string(listed) + "\r\n";
  EXPECT_EQ(contents("PELMA20Sec_Content_S_08182021.csv"), expected);
}

}  // namespace
}  // namespace loopconv
