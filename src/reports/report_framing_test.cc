#include "reports/report_framing.h"

#include <cerrno>

#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

using ReportFramingTest = ReportTest;

TEST_F(ReportFramingTest, PeriodIndexReadsFieldsLikeAtoi) {
  EXPECT_EQ(periodIndex("00:00:00"), 0);
  EXPECT_EQ(periodIndex("00:00:20"), 1);
  EXPECT_EQ(periodIndex("00:00:40"), 2);
  EXPECT_EQ(periodIndex("01:00:00"), 180);
  EXPECT_EQ(periodIndex("07:00:00"), 1260);
  EXPECT_EQ(periodIndex("08:00:20"), 1441);
  EXPECT_EQ(periodIndex("23:59:40"), 4319);
  // Seconds other than 20 and 40 count as periods themselves.
  EXPECT_EQ(periodIndex("00:00:10"), 10);
  EXPECT_EQ(periodIndex("00:01:59"), 62);
  // Outside the day.
  EXPECT_EQ(periodIndex("24:00:00"), 4320);
  EXPECT_EQ(periodIndex("99:99:99"), 99 * 180 + 99 * 3 + 99);
  EXPECT_EQ(periodIndex("-1:00:00"), -180);
  EXPECT_EQ(periodIndex("00:-9:00"), -27);
  // Blanks and signs as atoi takes them; no digits gives 0.
  EXPECT_EQ(periodIndex(" 1:00:00"), 180);
  EXPECT_EQ(periodIndex("+1: 2:00"), 186);
  EXPECT_EQ(periodIndex("1x:ab:cd"), 180);
  EXPECT_EQ(periodIndex("ab:cd:ef"), 0);
  // A short text (never passed by the option parser) reads what is there.
  EXPECT_EQ(periodIndex("02:0"), 360);
  EXPECT_EQ(periodIndex(""), 0);
}

TEST_F(ReportFramingTest, PathTakesDatePiecesFromFixedPositions) {
  const char* format = "%sPELMA20Sec_Lane_%.2s%.2s%.4s.csv";
  EXPECT_EQ(reportPath("/o/", format, header_), "/o/PELMA20Sec_Lane_08182021.csv");
  strcpy(header_.dataStart, "08/18/21");
  EXPECT_EQ(reportPath("/o/", format, header_), "/o/PELMA20Sec_Lane_081821.csv");
  memset(header_.dataStart, 0, sizeof header_.dataStart);
  EXPECT_EQ(reportPath("/o/", format, header_), "/o/PELMA20Sec_Lane_.csv");
  // Whatever stands at the positions is taken, '/' included (the open
  // refuses a ".." step).
  strcpy(header_.dataStart, "x/-..-/../");
  EXPECT_EQ(reportPath("/o/", format, header_), "/o/PELMA20Sec_Lane_x/../../.csv");
  // A field without terminator is read within its 32 bytes only.
  memset(header_.dataStart, '7', sizeof header_.dataStart);
  EXPECT_EQ(reportPath("/o/", format, header_), "/o/PELMA20Sec_Lane_77777777.csv");
}

TEST_F(ReportFramingTest, OpenAnnouncesAndReportsFailures) {
  OutputFile csv;
  std::string good = options_.outputFolder + "a.csv";
  EXPECT_TRUE(openReport(run(), good, AnnounceData, &csv));
  std::string missing = dir_.file("none/b.csv");
  EXPECT_FALSE(openReport(run(), missing, AnnounceElements, &csv));
  std::string folder = options_.outputFolder + "taken.csv";
  mkdir(folder.c_str(), 0755);
  EXPECT_FALSE(openReport(run(), folder, AnnounceData, &csv));
  std::string longPath = options_.outputFolder + std::string(260, 'x');
  EXPECT_FALSE(openReport(run(), longPath, AnnounceData, &csv));
  EXPECT_EQ(logText(), "[12:34:56] - Writing 20 second data to CSV file [" + good +
                           "]...\n"
                           "[12:34:56] - Writing 20 second data elements to CSV file [" +
                           missing +
                           "]...\n"
                           "[12:34:56] E Could not open data file [" +
                           missing + "]! - Error = [" + std::to_string(ENOENT) +
                           "].\n"
                           "[12:34:56] - Writing 20 second data to CSV file [" +
                           folder +
                           "]...\n"
                           "[12:34:56] E Could not open data file [" +
                           folder +
                           "]! - Error = [21].\n"
                           "[12:34:56] E Path [" +
                           longPath + "] is longer than 259 characters!\n");
  EXPECT_EQ(consoleText(), "");
  // A path of exactly 259 characters is still formed.
  std::string limit = options_.outputFolder;
  limit += std::string(MaxPathLength - limit.size(), 'y');
  OutputFile other;
  EXPECT_TRUE(openReport(run(), limit, AnnounceData, &other));
}

TEST_F(ReportFramingTest, PeriodSelection) {
  IndexRange all = selectPeriods(run(), header_, "/p.csv", true);
  EXPECT_EQ(all.first, 0);
  EXPECT_EQ(all.end, 4320);
  header_.numberOfColumns = 180;
  EXPECT_EQ(selectPeriods(run(), header_, "/p.csv", true).end, 180);
  header_.numberOfColumns = 9999;  // never read past a plane
  EXPECT_EQ(selectPeriods(run(), header_, "/p.csv", true).end, 4320);
  header_.numberOfColumns = -5;
  EXPECT_TRUE(selectPeriods(run(), header_, "/p.csv", true).empty());
  EXPECT_EQ(logText(), "");

  header_.numberOfColumns = 4320;
  options_.singlePeriod = true;
  options_.periodText = "23:59:40";
  IndexRange last = selectPeriods(run(), header_, "/p.csv", true);
  EXPECT_EQ(last.first, 4319);
  EXPECT_EQ(last.end, 4320);
  options_.periodText = "00:00:20";
  IndexRange second = selectPeriods(run(), header_, "/t.csv", false);
  EXPECT_EQ(second.first, 1);
  EXPECT_EQ(second.end, 2);
  EXPECT_EQ(logText(),
            "[12:34:56] - Printing period [23:59:40] column [4319] for [/p.csv]\n"
            "[12:34:56] - Printing period [00:00:20] column [1] for [/t.csv]\n");
  EXPECT_EQ(consoleText(), "Printing period [23:59:40] column [4319] for [/p.csv]\n");
}

TEST_F(ReportFramingTest, PeriodOutsideTheFileIsRefused) {
  options_.singlePeriod = true;
  header_.numberOfColumns = 180;
  std::string log, console;
  struct Case {
    const char* text;
    int index;
  } cases[] = {{"24:00:00", 4320}, {"99:99:99", 18216}, {"-1:00:00", -180}, {"01:00:00", 180}};
  for (const Case& c : cases) {
    options_.periodText = c.text;
    EXPECT_TRUE(selectPeriods(run(), header_, "/p.csv", true).empty()) << c.text;
    std::string index = std::to_string(c.index);
    log += std::string("[12:34:56] - Printing period [") + c.text + "] column [" + index +
           "] for [/p.csv]\n[12:34:56] W Period [" + c.text + "] column [" + index +
           "] is outside the file's 180 periods!\n";
    console += std::string("Printing period [") + c.text + "] column [" + index +
               "] for [/p.csv]\n          W Period [" + c.text + "] column [" + index +
               "] is outside the file's 180 periods!\n";
  }
  EXPECT_EQ(logText(), log);
  EXPECT_EQ(consoleText(), console);
  // The last period of the file is inside.
  options_.periodText = "00:59:40";
  EXPECT_EQ(selectPeriods(run(), header_, "/p.csv", true).first, 179);
}

TEST_F(ReportFramingTest, DeviceSelection) {
  makeTable({{LaneName, KindLane}, {StationName, KindStation}, {TrapName, KindTrap}});
  IndexRange all = selectDevices(run(), table_.get());
  EXPECT_EQ(all.first, 0);
  EXPECT_EQ(all.end, 3);
  // Option D without a name is not in force.
  options_.singleDevice = true;
  EXPECT_EQ(selectDevices(run(), table_.get()).end, 3);
  EXPECT_EQ(selectDevices(run(), nullptr).end, 0);
  EXPECT_EQ(logText(), "");

  options_.deviceName = LaneName;
  IndexRange first = selectDevices(run(), table_.get());
  EXPECT_EQ(first.first, 0);
  EXPECT_EQ(first.end, 1);
  options_.deviceName = TrapName;
  IndexRange last = selectDevices(run(), table_.get());
  EXPECT_EQ(last.first, 2);
  EXPECT_EQ(last.end, 3);
  // Whole names only, case-sensitive.
  options_.deviceName = "005es17329:_mn___1";
  EXPECT_TRUE(selectDevices(run(), table_.get()).empty());
  options_.deviceName = "005es17329:_MN___";
  EXPECT_TRUE(selectDevices(run(), table_.get()).empty());
  // An absent table finds nothing.
  options_.deviceName = LaneName;
  EXPECT_TRUE(selectDevices(run(), nullptr).empty());
  EXPECT_EQ(logText(),
            "[12:34:56] - Processing device [005es17329:_MN___1]\n"
            "[12:34:56] - Processing device [005es17329:_MN__T1]\n"
            "[12:34:56] W Device [005es17329:_mn___1] NOT found!\n"
            "[12:34:56] W Device [005es17329:_MN___] NOT found!\n"
            "[12:34:56] W Device [005es17329:_MN___1] NOT found!\n");
  EXPECT_EQ(consoleText(),
            "Processing device [005es17329:_MN___1]\n"
            "Processing device [005es17329:_MN__T1]\n"
            "          W Device [005es17329:_mn___1] NOT found!\n"
            "          W Device [005es17329:_MN___] NOT found!\n"
            "          W Device [005es17329:_MN___1] NOT found!\n");
}

TEST_F(ReportFramingTest, LaneFilterAndNames) {
  makeTable({{LaneName, KindLane},
             {SpeedLoopName, KindLane},
             {"005es17329:_MN__S_", KindStation},
             {TrapName, KindTrap},
             {MeteredName, KindMeteredLane},
             {"005es17329:_MN___9", 0}});
  bool without[] = {true, false, true, false, false, false};
  bool with[] = {true, true, true, false, false, false};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(passesLaneFilter(device(i), false), without[i]) << i;
    EXPECT_EQ(passesLaneFilter(device(i), true), with[i]) << i;
  }
  // A name is at most 18 characters even when its 19 bytes hold no NUL.
  memset(device(0).Name, 'n', NameBytes);
  EXPECT_EQ(nameLength(device(0)), 18u);
  // Position 16 is read as stored, also past the terminator of a short name.
  memset(device(1).Name, 0, NameBytes);
  memcpy(device(1).Name, "short", 5);
  device(1).Name[16] = 'S';
  EXPECT_FALSE(passesLaneFilter(device(1), false));
  EXPECT_EQ(nameLength(device(1)), 5u);
}

}  // namespace
}  // namespace loopconv
