// The reports of a data file read from disk: decoding, trap transfer and the
// estimates feed the example rows of the Lane, Trap and Element reports.
#include "convert/data_file_conversion.h"
#include "reports/report_test_fixture.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

using ReportPipelineTest = ReportTest;

// A lane and its trap: the lane counts at 07:00:00, the trap's values at
// 07:00:00 and 08:00:20.
std::string exampleDataFile() {
  DataFileDescription description;
  DeviceDescription lane{LaneName, KindLane, 0, {}};
  DeviceDescription trap{TrapName, KindTrap, 0, {}};
  DeviceDescription station{StationName, KindStation, 0, {}};
  for (int p = 0; p < PeriodsPerDay; ++p) {
    lane.add(p == 1260 ? encodeLanePeriod(0, 1, 96, 5, 0) : encodeLanePeriod(0, 0, 0, 0, 0));
    station.add(encodeStationPeriod(0, 0, 0, 0, 0));
    if (p == 1260) {
      // b1 bit 7 carries SpdNPds and is bit 7 of SpdFlag2 too.
      trap.add(encodeTrapPeriod(0, 128, 652, 183, 4, 1, 0, 0));
    } else if (p == 1441) {
      trap.add(encodeTrapPeriod(0, 0, 655, 183, 4, 1, 0, 0));
    } else {
      trap.add(encodeTrapPeriod(0, 0, 0, 0, 0, 0, 0, 0));
    }
  }
  description.devices = {lane, trap, station};
  return buildDataFile(description);
}

TEST_F(ReportPipelineTest, ExampleRowsFromADataFile) {
  options_.inputFolder = dir_.folder();
  options_.elementReport = true;
  options_.laneReport = true;
  options_.trapReport = true;
  options_.contentsReport = true;
  writeFile(dir_.file("PELMA20Sec_08182021.DAT"), exampleDataFile());
  ASSERT_EQ(processDataFile("PELMA20Sec_08182021.DAT", run()), 1);
  EXPECT_EQ(outputFiles(), (std::vector<std::string>{
                               "PELMA20Sec_Content_08182021.csv", "PELMA20Sec_Element_08182021.csv",
                               "PELMA20Sec_Lane_08182021.csv", "PELMA20Sec_Trap_08182021.csv"}));

  std::vector<std::string> lane = csvLines(output("PELMA20Sec_Lane_08182021.csv"));
  ASSERT_EQ(lane.size(), 1u + 2 * 4320);
  EXPECT_EQ(lane[1 + 2 * 1260], "005es17329:_MN___1,08/18/2021 07:00:00,1,5,8.0,0,0,65.2,18.3");

  std::vector<std::string> trap = csvLines(output("PELMA20Sec_Trap_08182021.csv"));
  ASSERT_EQ(trap.size(), 1u + 4320);
  EXPECT_EQ(trap[1 + 1441], "005es17329:_MN__T1,08/18/2021 08:00:20,65.5,18.3,4,1,0,0,0,0");

  // The Element example, but for SpdFlag2: a decoded SpdNPds of 1 is bit 7
  // of SpdFlag2, which therefore reads 128.
  std::vector<std::string> element = csvLines(output("PELMA20Sec_Element_08182021.csv"));
  ASSERT_EQ(element.size(), 1u + 2 * 4320);
  EXPECT_EQ(element[1 + 2 * 1260],
            "005es17329:_MN___1,1,5,8.0,96,0,1,3,3,3,65.2,18.3,4,1,0,0,0,128,1,31,66.0,96,"
            "08/18/2021 07:00:00 ");

  EXPECT_EQ(output("PELMA20Sec_Content_08182021.csv"),
            "Input element count = 3\r\nName,NumLanes\r\n005es17329:_MN___1,0\r\n"
            "005es17329:_MN__T1,0\r\n005es17329:_MN____,0\r\nContents listed = 3\r\n");

  // The writers ran in the fixed order.
  std::string log = logText();
  size_t at = 0;
  for (const char* name : {"Element_", "Lane_", "Trap_", "Content_"}) {
    size_t next = log.find(std::string("PELMA20Sec_") + name, at);
    EXPECT_NE(next, std::string::npos) << name;
    at = next;
  }
}

}  // namespace
}  // namespace loopconv
