#include "outputs/corridor_section.h"

#include <algorithm>
#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

CorridorPageEntry corridor() {
  CorridorPageEntry c;
  c.name = "I-35W <S>";
  c.stations = "12";
  c.lengthMi = "9.50";
  c.freeflowMin = "9.50";
  CorridorSummaryTexts day;
  day.window = "day";
  day.vmt = "123456.78";
  day.vht = "2345.678";
  day.delay35 = "12.345";
  day.delay60 = "456.789";
  day.speedMph = "52.6";
  day.congestedHours = "3.250";
  day.worstTravelMin = "21.37";
  day.worstDeparture = "07:45";
  CorridorSummaryTexts am = day;
  am.window = "am";
  am.worstTravelMin = "";
  am.worstDeparture = "";
  c.windows = {day, am};
  for (int k = 0; k < 288; ++k) {
    TravelTimePoint p;
    p.departureMinute = 5 * k;
    if (k < 100 || k > 110) p.instant = 9.5 + (k == 93 ? 11.87 : 0);
    if (k < 280) p.experienced = 9.6;
    c.travel.push_back(p);
  }
  return c;
}

// The "d" texts of the chart's paths of one colour.
std::string pathOf(const std::string& svg, const std::string& colour) {
  size_t at = svg.find("stroke=\"" + colour + "\" stroke-width");
  if (at == std::string::npos) return "";
  size_t d = svg.find(" d=\"", at) + 4;
  return svg.substr(d, svg.find('"', d) - d);
}

TEST(CorridorSectionTest, ChartBreaksLinesWhereDeparturesHaveNoTime) {
  std::string svg;
  appendTravelTimeChart(&svg, corridor());
  EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(svg.find("<title>Travel times over the day, I-35W &lt;S&gt;</title>"),
            std::string::npos);
  const std::string instant = pathOf(svg, "#d95f0e");
  const std::string experienced = pathOf(svg, "#6b0010");
  // Instant: two runs (0-99 and 111-287); experienced: one run of 280.
  EXPECT_EQ(std::count(instant.begin(), instant.end(), 'M'), 2);
  EXPECT_EQ(std::count(instant.begin(), instant.end(), 'L'), 100 - 1 + 177 - 1);
  EXPECT_EQ(std::count(experienced.begin(), experienced.end(), 'M'), 1);
  EXPECT_EQ(std::count(experienced.begin(), experienced.end(), 'L'), 279);
  // The axis reaches past the worst time (21.37 min): lines at 0, 5, ..., 25.
  EXPECT_NE(svg.find(">25</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">30</text>"), std::string::npos);
  // Free flow dashed across the whole day.
  EXPECT_NE(svg.find("stroke=\"#3b7bb0\" stroke-dasharray"), std::string::npos);
}

TEST(CorridorSectionTest, SectionShowsEachCorridorsFiguresAsGiven) {
  CorridorPageData data;
  data.pictureSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\"><g data-corridor=\"x\"/></svg>";
  data.corridors = {corridor()};
  std::string out;
  appendCorridorSection(&out, data);
  EXPECT_NE(out.find(data.pictureSvg), std::string::npos);
  EXPECT_NE(out.find("<h3>I-35W &lt;S&gt;</h3>"), std::string::npos);
  EXPECT_NE(out.find("data-corridor=\"I-35W &lt;S&gt;\""), std::string::npos);
  EXPECT_NE(out.find("<table id=\"corridor-1\" class=\"figures\">"), std::string::npos);
  EXPECT_NE(out.find("12 stations, 9.50 mi; free-flow travel time 9.50 min"), std::string::npos);
  EXPECT_NE(out.find("<tr data-window=\"day\"><td>day</td><td class=\"n\">123456.78</td>"
                     "<td class=\"n\">2345.678</td><td class=\"n\">12.345</td>"
                     "<td class=\"n\">456.789</td><td class=\"n\">52.6</td>"
                     "<td class=\"n\">3.250</td><td class=\"n\">21.37</td><td>07:45</td></tr>"),
            std::string::npos);
  EXPECT_NE(out.find("<td class=\"n\"></td><td></td></tr>"), std::string::npos);  // am: none

  CorridorPageData none;
  std::string empty;
  appendCorridorSection(&empty, none);
  EXPECT_NE(empty.find("No station of this data file lies on a corridor"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
