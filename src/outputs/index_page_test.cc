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
  for (const char* name : {"Day_2021-08-18.htm", "day_2021-08-18.html", "Day_2021-8-18.html",
                           "Day_2021-08-18.html~", "xDay_2021-08-18.html", "Day_2021_08_18.html",
                           "Index.html", ""}) {
    EXPECT_FALSE(isDayPageName(name)) << name;
  }
}

TEST(SparklineTest, DrawsOnePointPerHourAndBreaksAtHoursWithoutSpeed) {
  CorridorDigest corridor;
  corridor.name = "I-35W <S>";
  for (int h = 0; h < 24; ++h) {
    if (h == 5) {
      corridor.hourlySpeed.emplace_back();
    } else {
      corridor.hourlySpeed.emplace_back(h == 8 ? 22.5 : 64.0);
    }
  }
  std::string out;
  appendSparkline(&out, corridor);
  EXPECT_NE(out.find("<title>Hourly speed of I-35W &lt;S&gt;, lowest 22.5 mph at 8:00</title>"),
            std::string::npos);
  // Moves: the first point and the one after the gap.
  size_t line = out.find("stroke-width=\"1.3\" d=\"");
  ASSERT_NE(line, std::string::npos);
  std::string d = out.substr(line, out.find("\"/>", line) - line);
  EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 2);
  EXPECT_EQ(std::count(d.begin(), d.end(), 'L'), 21);
  // 0 mph at the bottom, 80 and above at the top: 22.5 mph sits low.
  EXPECT_NE(d.find("L34.0 15.4"), std::string::npos) << d;
}

}  // namespace
}  // namespace loopconv
