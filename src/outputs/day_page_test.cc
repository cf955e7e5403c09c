// The day page and its facts, from tables built in place; the page of a
// whole generated day is checked against its CSVs by tests/pages.
#include "outputs/day_page.h"

#include <string>
#include <vector>

#include "outputs/day_facts.h"
#include "outputs/day_summary.h"
#include "outputs/health_report.h"
#include "outputs/html_page.h"
#include "outputs/picture.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

class DayPageTest : public ReportTest {
 protected:
  // Observed from 05:00 on with plain traffic: good detectors.
  void observe(DeviceRecord& r, int32_t from, int32_t to) {
    for (int32_t p = from; p < to; ++p) {
      r.NumLanes[p] = 1;
      r.Volume[p] = static_cast<uint16_t>(3 + p % 4);
      r.ScanCnt[p] = static_cast<uint16_t>(40 + p % 50);
    }
  }

  DayPageInput input() {
    DayPageInput in;
    in.header = &header_;
    in.table = table_.get();
    in.dataFileName = "PELMA20Sec_08182021.DAT";
    return in;
  }

  PreparedDayPage prepare() {
    return prepareDayPage(header_, table_.get(), "PELMA20Sec_08182021.DAT", true);
  }

  IsoDate date() {
    IsoDate d;
    EXPECT_TRUE(isoDateOf(header_, &d));
    return d;
  }
};

TEST_F(DayPageTest, FactsCountKindsObservedPeriodsAndFaultsWorstFirst) {
  makeTable({{"b_cabinet:_MN___1", KindLane},
             {SpeedLoopName, KindLane},
             {RampName, KindLane},
             {StationName, KindStation},
             {TrapName, KindTrap},
             {MeteredName, KindMeteredLane},
             {"odd", 77},
             {"a_cabinet:_MN___1", KindLane},
             {"c_cabinet:_MN___1", KindLane}});
  header_.numberOfColumns = 3960;  // the file ends at 22:00
  observe(device(0), 0, 3960);     // good
  // device 1 and 2 (speed loop, ramp) never observed: no_data
  observe(device(3), 900, 3960);                                      // good, only the judged hours
  for (int p = 0; p < PeriodsPerDay; ++p) device(4).NumLanes[p] = 1;  // a trap: not a detector
  observe(device(7), 900, 900 + 1000);  // insufficient_data (1000 of 3060)
  observe(device(8), 900, 3960);
  for (int32_t p = 900; p < 3960; ++p) device(8).ScanCnt[p] = 900;  // high_values
  DayFacts facts = gatherDayFacts(header_, table_.get());
  EXPECT_EQ(facts.devices.lanes, 3);
  EXPECT_EQ(facts.devices.speedLoops, 1);
  EXPECT_EQ(facts.devices.rampMeters, 1);
  EXPECT_EQ(facts.devices.stations, 1);
  EXPECT_EQ(facts.devices.traps, 1);
  EXPECT_EQ(facts.devices.meteredLanes, 1);
  EXPECT_EQ(facts.devices.other, 1);
  EXPECT_EQ(facts.devices.total(), 9);
  EXPECT_EQ(facts.devices.detectors(), 6);
  EXPECT_EQ(facts.detectorPeriods, 6 * 3960);
  EXPECT_EQ(facts.observedPeriods, 3960 + 3060 + 1000 + 3060);
  EXPECT_EQ(facts.count(HealthStatus::Good), 2);
  EXPECT_EQ(facts.count(HealthStatus::NoData), 2);
  EXPECT_EQ(facts.count(HealthStatus::InsufficientData), 1);
  EXPECT_EQ(facts.count(HealthStatus::HighValues), 1);
  ASSERT_EQ(facts.notGood.size(), 4u);
  // no_data first, its two by name (the ramp sorts before the speed loop
  // by the byte at position 16), then insufficient_data, then high_values.
  EXPECT_EQ(facts.notGood[0].name, RampName);
  EXPECT_EQ(facts.notGood[1].name, SpeedLoopName);
  EXPECT_EQ(facts.notGood[2].name, "a_cabinet:_MN___1");
  EXPECT_EQ(facts.notGood[3].name, "c_cabinet:_MN___1");
  EXPECT_EQ(facts.notGood[3].verdict.status, HealthStatus::HighValues);

  // The health table's verdicts give the same facts; a list that does not
  // fit the table is not used.
  std::vector<HealthVerdict> verdicts;
  ASSERT_TRUE(writeHealthReport(run(), header_, table_.get(), "x.DAT", &verdicts).written);
  ASSERT_EQ(verdicts.size(), 6u);
  DayFacts shared = gatherDayFacts(header_, table_.get(), &verdicts);
  EXPECT_EQ(shared.byStatus, facts.byStatus);
  ASSERT_EQ(shared.notGood.size(), facts.notGood.size());
  for (size_t i = 0; i < facts.notGood.size(); ++i) {
    EXPECT_EQ(shared.notGood[i].name, facts.notGood[i].name);
    EXPECT_EQ(shared.notGood[i].verdict.samples, facts.notGood[i].verdict.samples);
  }
  std::vector<HealthVerdict> wrong(5);  // one short: judged again
  EXPECT_EQ(gatherDayFacts(header_, table_.get(), &wrong).byStatus, facts.byStatus);

  DayFacts none = gatherDayFacts(header_, nullptr);
  EXPECT_EQ(none.devices.total(), 0);
  EXPECT_TRUE(none.notGood.empty());
}

TEST_F(DayPageTest, PageShowsHeaderFiguresProblemsAndFilesAndCarriesItsSummary) {
  makeTable({{"005es<&>\"x:_MN___1", KindLane}, {StationName, KindStation}});
  observe(device(1), 0, PeriodsPerDay);
  DayPageInput in = input();
  in.problems = {"[10:00:00] W Something odd about <this> file!\n",
                 "[10:00:01] E Could not write data file [/x/a&b.csv]! - Error = [28].\n"};
  std::vector<DayFileEntry> files = {{"Health_2021-08-18.csv", 1234}, {"we ird\"name.csv", 5}};
  std::string page = dayPageText(in, prepare(), files);

  EXPECT_NE(page.find("<h1>Wednesday 2021-08-18</h1>"), std::string::npos);
  EXPECT_NE(page.find("<b data-figure=\"devices\">2</b> devices: 1 lane, 1 station"),
            std::string::npos);
  EXPECT_NE(page.find("<b data-figure=\"observed_pct\">50.0%</b>"), std::string::npos);
  EXPECT_NE(page.find("<b data-figure=\"not_good\">1</b> of 2 detectors"), std::string::npos);
  EXPECT_NE(page.find("<b data-figure=\"errors\">1</b> E and <b data-figure=\"warnings\">1</b>"),
            std::string::npos);
  // The log lines, escaped, the error marked.
  EXPECT_NE(page.find("<li>[10:00:00] W Something odd about &lt;this&gt; file!</li>"),
            std::string::npos);
  EXPECT_NE(page.find("<li class=\"e\">[10:00:01] E Could not write data file [/x/a&amp;b.csv]"),
            std::string::npos);
  // The detector's name is escaped as in the picture, in the table too.
  EXPECT_NE(page.find("<code>005es&lt;&amp;&gt;&quot;x:_MN___1</code>"), std::string::npos);
  EXPECT_EQ(page.find("005es<&>"), std::string::npos);
  // Files linked by their names, percent-encoded, with their sizes.
  EXPECT_NE(page.find("<a href=\"Health_2021-08-18.csv\">Health_2021-08-18.csv</a></td><td "
                      "class=\"n\" data-sort=\"1234\" data-bytes=\"1234\">1.2 kB</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"we%20ird%22name.csv\">we ird&quot;name.csv</a>"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"Index.html\">"), std::string::npos);

  // The summary reads back with the same figures.
  DaySummary summary;
  std::string why;
  ASSERT_TRUE(readDaySummary(page, &summary, &why)) << why;
  EXPECT_EQ(summary.date, "2021-08-18");
  EXPECT_EQ(summary.dataFile, "PELMA20Sec_08182021.DAT");
  EXPECT_EQ(summary.devices, 2);
  EXPECT_EQ(summary.observedPct, "50.0");
  EXPECT_EQ(summary.notGood, 1);
  EXPECT_EQ(summary.errors, 1);
  EXPECT_EQ(summary.warnings, 1);
  EXPECT_TRUE(summary.corridors.empty());
}

TEST_F(DayPageTest, PageEmbedsTheStationPictureAsTheFileHasIt) {
  makeTable({{StationName, KindStation}});
  observe(device(0), 0, PeriodsPerDay);
  for (int p = 0; p < PeriodsPerDay; ++p) {
    device(0).SpdTenths[p] = static_cast<uint16_t>(p < 1500 ? 620 : 280);
  }
  ASSERT_TRUE(writePicture(run(), header_, table_.get(), "PELMA20Sec_08182021.DAT"));
  const std::string file = output("Picture_2021-08-18.svg");
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  ASSERT_EQ(file.rfind(declaration, 0), 0u);
  std::string embedded;
  producePicture(header_, table_.get(), date(), "PELMA20Sec_08182021.DAT", false,
                 [&](const std::string& text) { embedded += text; });
  EXPECT_EQ(embedded, file.substr(declaration.size()));
  std::string page = dayPageText(input(), prepare(), {});
  EXPECT_NE(page.find(embedded), std::string::npos);
  EXPECT_EQ(page.find("<?xml"), std::string::npos);
  EXPECT_NE(page.find("The run wrote no other file for this day."), std::string::npos);
  EXPECT_NE(page.find("The run logged no warning or error for this file."), std::string::npos);
}

TEST_F(DayPageTest, ManyLogLinesAreCutWithACount) {
  makeTable({{StationName, KindStation}});
  DayPageInput in = input();
  for (int i = 0; i < 45; ++i) in.problems.push_back("[10:00:00] W line " + std::to_string(i));
  std::string page = dayPageText(in, prepare(), {});
  EXPECT_NE(page.find("W line 39</li>"), std::string::npos);
  EXPECT_EQ(page.find("W line 40</li>"), std::string::npos);
  EXPECT_NE(page.find("and 5 more in the log file."), std::string::npos);
  EXPECT_NE(page.find("<b data-figure=\"warnings\">45</b>"), std::string::npos);
}

TEST_F(DayPageTest, WritesThePageWithTheFilesThatExist) {
  makeTable({{StationName, KindStation}});
  options_.compression = Compression::Gzip;  // pages stay plain all the same
  writeFile(options_.outputFolder + "Health_2021-08-18.csv", std::string(2500, 'x'));
  DayPageInput in = input();
  in.filesWritten = {options_.outputFolder + "Health_2021-08-18.csv",
                     options_.outputFolder + "Gone_2021-08-18.csv"};
  ASSERT_TRUE(writeDayPage(run(), in));
  const std::string page = output("Day_2021-08-18.html");
  EXPECT_NE(page.find("data-bytes=\"2500\">2.5 kB"), std::string::npos);
  EXPECT_EQ(page.find("Gone_"), std::string::npos);
  EXPECT_NE(logText().find("Writing day page to HTML file [" + options_.outputFolder +
                           "Day_2021-08-18.html]..."),
            std::string::npos);

  // No date, no page: an E line.
  strcpy(header_.dataStart, "garbage");
  EXPECT_FALSE(writeDayPage(run(), in));
  EXPECT_NE(logText().find("E The day page needs a Data Start date"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
