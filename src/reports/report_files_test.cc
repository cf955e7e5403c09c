// File names, open failures and write failures of the four report writers.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "reports/lane_report.h"
#include "reports/report_test_fixture.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

using ReportFilesTest = ReportTest;

// Runs the writers in the pipeline's order and returns their results.
std::vector<int> writeAll(const RunContext& run, const DataHeader& header, DeviceTable* table) {
  return {writeElementReport(run, header, table), writeLaneReport(run, header, table),
          writeTrapReport(run, header, table), writeContentsReport(run, header, table)};
}

TEST_F(ReportFilesTest, NamesFollowEachReportsPrecedence) {
  makeTable({{LaneName, KindLane}, {TrapName, KindTrap}});
  header_.numberOfColumns = 3;
  struct Case {
    const char* letters;
    const char* element;
    const char* lane;
    const char* trap;
    const char* contents;
  } cases[] = {
      {"", "Element_", "Lane_", "Trap_", "Content_"},
      {"P", "Element_P_", "Lane_P_", "Trap_P_", "Content_"},
      {"D", "Element_D_", "Lane_D_", "Trap_D_", "Content_"},
      {"S", "Element_S_", "Lane_S_", "Trap_", "Content_S_"},
      {"R", "Element_", "Lane_R_", "Trap_R_", "Content_"},
      {"C", "Element_", "Lane_", "Trap_", "Content_C_"},
      {"PD", "Element_D_", "Lane_P_", "Trap_D_", "Content_"},
      {"RD", "Element_D_", "Lane_D_", "Trap_D_", "Content_"},
      {"PR", "Element_P_", "Lane_P_", "Trap_P_", "Content_"},
      {"RS", "Element_S_", "Lane_S_", "Trap_R_", "Content_S_"},
      {"PS", "Element_P_", "Lane_P_", "Trap_P_", "Content_S_"},
      {"DS", "Element_D_", "Lane_D_", "Trap_D_", "Content_S_"},
      {"CS", "Element_S_", "Lane_S_", "Trap_", "Content_C_"},
      {"PDSRC", "Element_D_", "Lane_P_", "Trap_D_", "Content_C_"},
  };
  for (const Case& c : cases) {
    std::string letters = c.letters;
    options_ = RunOptions();
    options_.outputFolder = dir_.folder() + "out" + std::to_string(&c - cases) + "/";
    mkdir(options_.outputFolder.c_str(), 0755);
    options_.singlePeriod = letters.find('P') != std::string::npos;
    options_.periodText = "00:00:00";
    options_.singleDevice = letters.find('D') != std::string::npos;
    options_.deviceName = LaneName;
    options_.includeSpeedLoops = letters.find('S') != std::string::npos;
    options_.rowFirst = letters.find('R') != std::string::npos;
    options_.includeRampMeters = letters.find('C') != std::string::npos;
    EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{1, 1, 1, 1}));
    std::vector<std::string> expected;
    for (const char* word : {c.element, c.lane, c.trap, c.contents}) {
      expected.push_back(std::string("PELMA20Sec_") + word + "08182021.csv");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(outputFiles(), expected) << "options " << letters;
  }
  // The name does not depend on whether the device exists.
  options_.deviceName = "005es00000:_MN___1";
  EXPECT_EQ(writeLaneReport(run(), header_, table_.get()), 1);
  EXPECT_TRUE(fileExists(options_.outputFolder + "PELMA20Sec_Lane_P_08182021.csv"));
}

TEST_F(ReportFilesTest, OpenFailuresAreLoggedAndTheOthersStillRun) {
  makeTable({{LaneName, KindLane}});
  std::string folder = dir_.folder() + "missing/";
  options_.outputFolder = folder;
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{0, 0, 0, 0}));
  std::string expected;
  for (const char* name : {"Element_", "Lane_", "Trap_", "Content_"}) {
    std::string path = folder + "PELMA20Sec_" + name + "08182021.csv";
    expected += std::string("[12:34:56] - Writing 20 second data ") +
                (name[0] == 'C' ? "elements " : "") + "to CSV file [" + path + "]...\n" +
                "[12:34:56] E Could not open data file [" + path + "]! - Error = [" +
                std::to_string(ENOENT) + "].\n";
  }
  EXPECT_EQ(logText(), expected);
  EXPECT_EQ(consoleText(), "");
  EXPECT_TRUE(log_.errorLogged());

  // A report name that is an existing folder fails alone, with EISDIR.
  options_.outputFolder = dir_.folder() + "out/";
  mkdir((options_.outputFolder + "PELMA20Sec_Lane_08182021.csv").c_str(), 0755);
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{1, 0, 1, 1}));
  EXPECT_NE(logText().find("E Could not open data file [" + options_.outputFolder +
                           "PELMA20Sec_Lane_08182021.csv]! - Error = [21].\n"),
            std::string::npos);

  // A folder that cannot be written (root writes anywhere, so only checked
  // for other users).
  if (geteuid() != 0) {
    std::string locked = dir_.folder() + "locked/";
    mkdir(locked.c_str(), 0555);
    options_.outputFolder = locked;
    EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_NE(logText().find("Error = [" + std::to_string(EACCES) + "]"), std::string::npos);
  }
}

TEST_F(ReportFilesTest, OverlongPathsAreRefused) {
  makeTable({{LaneName, KindLane}});
  // Folder and the 38 characters of the longest name go past 259.
  std::string folder = dir_.folder() + std::string(240 - dir_.folder().size(), 'f') + "/";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  options_.outputFolder = folder;
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{0, 0, 0, 0}));
  std::string expected;
  for (const char* name : {"Element_", "Lane_", "Trap_", "Content_"}) {
    expected += "[12:34:56] E Path [" + folder + "PELMA20Sec_" + name +
                "08182021.csv] is longer than 259 characters!\n";
  }
  EXPECT_EQ(logText(), expected);
  EXPECT_EQ(outputFiles().size(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// The date pieces of a name are taken as they stand: a '/' among them names
// a sub-folder of the output folder, but a ".." step is refused even where
// the folders it names exist, so nothing is written outside the output folder.
TEST_F(ReportFilesTest, SlashesInTheDateNameSubFoldersButNeverLeaveTheOutputFolder) {
  makeTable({{LaneName, KindLane}});
  header_.numberOfColumns = 1;
  const char* reports[] = {"Element_", "Lane_", "Trap_", "Content_"};
  auto openLines = [&](const std::string& piece, int error) {
    std::string lines;
    for (const char* name : reports) {
      std::string path = options_.outputFolder + "PELMA20Sec_" + name + piece + ".csv";
      lines += std::string("[12:34:56] - Writing 20 second data ") +
               (name[0] == 'C' ? "elements " : "") + "to CSV file [" + path + "]...\n" +
               "[12:34:56] E Could not open data file [" + path + "]! - Error = [" +
               std::to_string(error) + "].\n";
    }
    return lines;
  };
  // "2021/08/18": pieces "20", "1/" and "8/18".
  strcpy(header_.dataStart, "2021/08/18");
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(logText(), openLines("201/8/18", ENOENT));
  for (const char* name : reports) {
    std::string folder = options_.outputFolder + "PELMA20Sec_" + name + "201";
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "/8").c_str(), 0755);
  }
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(csvLines(output("PELMA20Sec_Lane_201/8/18.csv")).size(), 2u);
  EXPECT_EQ(csvLines(output("PELMA20Sec_Content_201/8/18.csv")).back(), "Contents listed = 1");

  // "x/-..-/../": "PELMA20Sec_<report>x/../../.csv" would be ".csv" beside
  // the output folder.
  strcpy(header_.dataStart, "x/-..-/../");
  for (const char* name : reports) {
    mkdir((options_.outputFolder + "PELMA20Sec_" + name + "x").c_str(), 0755);
  }
  logText();
  log_.close();
  std::remove(logPath().c_str());
  int error = 0;
  ASSERT_TRUE(log_.open(logPath(), &error));
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(logText(), openLines("x/../../", EINVAL));
  EXPECT_FALSE(fileExists(dir_.folder() + ".csv"));
}

// The widest value of every column still leaves the slack that the number
// texts may write past a row.
TEST_F(ReportFilesTest, LongestRowsFitTheirRoom) {
  // The longest name column: 18 LF bytes, each written as CR LF.
  makeTable({{std::string(18, '\n'), KindLane}});
  DeviceRecord& r = device(0);
  const int p = 4319;
  for (uint16_t* plane :
       {r.Incident, r.NumLanes, r.Volume, r.ScanCnt, r.Flag, r.EstLength, r.CalcSpdTenths,
        r.SpdFlag, r.SpdFlag2, r.SpdTenths, r.LenTenths, r.Bin1, r.Bin2, r.Bin3, r.Bin4}) {
    plane[p] = 65535;
  }
  for (uint8_t* plane : {r.NPds, r.SpdNPds}) plane[p] = 255;
  r.ScanCnt[p - 1] = 32769;  // the longest ScanCntSum, -2147450881
  r.NumLanes[p - 1] = 65535;
  const NumberTexts& texts = numberTexts();
  char label[TimeLabelLength];
  putTimeLabel(label, labelDate("08/18/2021", 11), p);
  char row[512];
  size_t lane = static_cast<size_t>(formatLaneRow(row, texts, r, p, label) - row);
  size_t trap = static_cast<size_t>(formatTrapRow(row, texts, r, p, label) - row);
  size_t element = static_cast<size_t>(formatElementRow(row, texts, r, p, label) - row);
  size_t sum = static_cast<size_t>(formatElementRow(row, texts, r, p - 1, label) - row);
  EXPECT_EQ(lane, 85u + 18);
  EXPECT_EQ(trap, 90u + 18);
  EXPECT_LE(lane + NumberSlack, LaneRowRoom);
  EXPECT_LE(trap + NumberSlack, TrapRowRoom);
  EXPECT_LE(element + NumberSlack, ElementRowRoom);
  EXPECT_LE(sum + NumberSlack, ElementRowRoom);
  EXPECT_NE(std::string(row, sum).find(",-2147450881,"), std::string::npos);
}

// A name may hold any byte; an LF in it is written as CR LF, as every LF of
// a text-mode report is, in the row formats and in the Contents rows alike.
TEST_F(ReportFilesTest, LineFeedInANameBecomesCrLf) {
  makeTable({{"005es1\n329:_MN___1", KindLane}, {"005es1\n329:_MN__T1", KindTrap}});
  header_.numberOfColumns = 1;
  EXPECT_EQ(writeAll(run(), header_, table_.get()), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(csvLines(output("PELMA20Sec_Lane_08182021.csv")),
            (std::vector<std::string>{
                "name,collectiontime,lanes,volume,occupancy (%),status,incident,speed,length",
                "005es1", "329:_MN___1,08/18/2021 00:00:00,0,0,0.0,0,0,0.0,0.0"}));
  EXPECT_EQ(csvLines(output("PELMA20Sec_Trap_08182021.csv")).back(),
            "329:_MN__T1,08/18/2021 00:00:00,0.0,0.0,0,0,0,0,0,0");
  std::vector<std::string> element = csvLines(output("PELMA20Sec_Element_08182021.csv"));
  ASSERT_EQ(element.size(), 3u);
  EXPECT_EQ(element[1], "005es1");
  EXPECT_EQ(element[2].substr(0, 12), "329:_MN___1,");
  EXPECT_EQ(output("PELMA20Sec_Content_08182021.csv"),
            "Input element count = 2\r\nName,NumLanes\r\n005es1\r\n329:_MN___1,0\r\n"
            "005es1\r\n329:_MN__T1,0\r\nContents listed = 2\r\n");
}

// A full disk, simulated with a file size limit in a child process: each
// writer logs the write error and returns 0, no partial file appears and the
// earlier reports of the same names stay as they were.
TEST_F(ReportFilesTest, AFullDiskKeepsTheEarlierReports) {
  makeTable({{LaneName, KindLane}, {TrapName, KindTrap}, {StationName, KindStation}});
  const char* names[] = {"PELMA20Sec_Element_08182021.csv", "PELMA20Sec_Lane_08182021.csv",
                         "PELMA20Sec_Trap_08182021.csv", "PELMA20Sec_Content_08182021.csv"};
  for (const char* name : names) writeFile(options_.outputFolder + name, "earlier");
  log_.close();
  // Enough for the log and the Contents report, not for a day of rows.
  int status = runWithFileSizeLimit(100000, [&] {
    int error = 0;
    if (!log_.open(logPath(), &error)) return 3;
    std::vector<int> results = writeAll(run(), header_, table_.get());
    log_.close();
    bool allFailed = results[0] == 0 && results[1] == 0 && results[2] == 0;
    // The Contents report is small enough to fit.
    return allFailed && results[3] == 1 ? 0 : 4;
  });
  EXPECT_EQ(status, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(output(names[i]), "earlier") << names[i];
  EXPECT_EQ(csvLines(output(names[3])).back(), "Contents listed = 3");
  EXPECT_EQ(outputFiles().size(), 4u);  // no temporary file left
  std::string log = readFile(logPath());
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(log.find("[12:34:56] E Could not write data file [" + options_.outputFolder +
                       names[i] + "]! - Error = [" + std::to_string(EFBIG) + "].\n"),
              std::string::npos)
        << log;
  }
}

}  // namespace
}  // namespace loopconv
