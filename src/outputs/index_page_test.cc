#include "outputs/index_page.h"

#include <string>
#include <vector>

#include "outputs/day_page.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

class IndexPageTest : public ReportTest {
 protected:
  // A day page as the run writes it, for the date `mmddyyyy`.
  void writeDay(const char* dataStart, const char* dataFile) {
    strcpy(header_.dataStart, dataStart);
    DayPageInput in;
    in.header = &header_;
    in.table = table_.get();
    in.dataFileName = dataFile;
    ASSERT_TRUE(writeDayPage(run(), in));
  }
};

TEST_F(IndexPageTest, ListsEveryReadableDayPageNewestFirst) {
  makeTable({{StationName, KindStation}, {LaneName, KindLane}});
  writeDay("08/18/2021 00:00:00", "B<&>.DAT");
  writeDay("12/31/2020 00:00:00", "A.DAT");
  writeDay("01/02/2022 00:00:00", "C.DAT");
  // Not day pages, or broken ones.
  writeFile(options_.outputFolder + "Day_2021-08-19.html", "<html>no summary</html>");
  writeFile(options_.outputFolder + "Day_2021-08-20.html.gz", "x");
  writeFile(options_.outputFolder + "Day_21-08-20.html", "x");
  ASSERT_TRUE(writeIndexPage(run()));

  const std::string index = output("Index.html");
  size_t newest = index.find("<a href=\"Day_2022-01-02.html\">2022-01-02</a>");
  size_t middle = index.find("<a href=\"Day_2021-08-18.html\">2021-08-18</a>");
  size_t oldest = index.find("<a href=\"Day_2020-12-31.html\">2020-12-31</a>");
  ASSERT_NE(newest, std::string::npos);
  ASSERT_NE(middle, std::string::npos);
  ASSERT_NE(oldest, std::string::npos);
  EXPECT_LT(newest, middle);
  EXPECT_LT(middle, oldest);
  EXPECT_NE(index.find("<code>B&lt;&amp;&gt;.DAT</code>"), std::string::npos);
  EXPECT_EQ(index.find("2021-08-19"), std::string::npos);
  EXPECT_EQ(index.find("2021-08-20"), std::string::npos);
  // Two devices, no period observed: 0.0 %; both detectors no_data.
  EXPECT_NE(index.find("<td class=\"n\">2</td><td class=\"n\">0.0</td><td class=\"n\">2</td>"),
            std::string::npos);

  const std::string log = logText();
  EXPECT_NE(log.find("W Day page [" + options_.outputFolder +
                     "Day_2021-08-19.html] left out of the index: no day summary block!"),
            std::string::npos);
  EXPECT_NE(log.find("Writing index of the day pages to HTML file [" + options_.outputFolder +
                     "Index.html]..."),
            std::string::npos);
}

TEST_F(IndexPageTest, AnEmptyFolderGetsAnIndexThatSaysSo) {
  ASSERT_TRUE(writeIndexPage(run()));
  EXPECT_NE(output("Index.html").find("No day page in this folder yet."), std::string::npos);
}

TEST_F(IndexPageTest, DayPageNamesAreExact) {
  EXPECT_TRUE(isDayPageName("Day_2021-08-18.html"));
  for (const char* name :
       {"Day_2021-08-18.htm", "day_2021-08-18.html", "Day_2021-8-18.html", "Day_2021-08-18.html~",
        "xDay_2021-08-18.html", "Day_2021_08_18.html", "Index.html", ""}) {
    EXPECT_FALSE(isDayPageName(name)) << name;
  }
}

TEST(SparklineTest, StepsMergeAndHoursWithoutSpeedBreakTheLine) {
  CorridorDigest corridor;
  corridor.name = "I-35W <S>";
  for (int h = 0; h < 24; ++h) {
    if (h == 5) {
      corridor.hourlySpeed.emplace_back();
    } else {
      // 64 mph (y 5), 22.5 mph at 08:00 (y 14), 90 mph at 23:00 (top, y 1).
      corridor.hourlySpeed.emplace_back(h == 8 ? 22.5 : h == 23 ? 90.0 : 64.0);
    }
  }
  std::string out;
  appendSparkline(&out, corridor);
  EXPECT_EQ(out, "<svg viewBox=\"0 0 96 20\"><path d=\"M0 5h20M24 5h8v9h4v-9h56v-4h4\"/></svg>");
  CorridorDigest none;
  none.hourlySpeed.resize(24);
  out.clear();
  appendSparkline(&out, none);
  EXPECT_EQ(out, "<svg viewBox=\"0 0 96 20\"><path d=\"\"/></svg>");
}

TEST(IndexPageTextTest, OneColumnPerCorridorOfAnyDayWithWholeFigures) {
  IndexedDay first;
  first.pageName = "Day_2021-08-18.html";
  first.summary.observedPct = "99.9";
  CorridorDigest b;
  b.name = "B <road>";
  b.vmt = "277998.50";
  b.delay60 = "865.404";
  b.hourlySpeed.assign(24, 60.0);
  first.summary.corridors = {b};
  IndexedDay second = first;
  second.pageName = "Day_2021-08-17.html";
  CorridorDigest a = b;
  a.name = "A";
  a.vmt = "12.49";
  a.delay60 = "not a number";
  second.summary.corridors = {a};
  const std::string page = indexPageText({first, second});
  EXPECT_NE(page.find("<th class=\"c\">A</th><th class=\"c\">B &lt;road&gt;</th></tr>"),
            std::string::npos);
  // The first day has no A, the second no B: empty cells in their place.
  EXPECT_NE(page.find("<td class=\"c\"></td><td class=\"c\"><svg"), std::string::npos);
  EXPECT_NE(page.find("</svg>277,999 / 865</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("</svg>12 / not a number</td><td class=\"c\"></td></tr>"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
