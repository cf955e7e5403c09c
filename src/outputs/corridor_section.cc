#include "outputs/corridor_section.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "outputs/markup.h"

namespace loopconv {
namespace {

// Geometry of the travel-time chart in its own units.
constexpr int ChartWidth = 640;
constexpr int ChartHeight = 190;
constexpr int PlotLeft = 44;
constexpr int PlotRight = 626;
constexpr int PlotTop = 10;
constexpr int PlotBottom = 160;
constexpr int MinutesPerDay = 24 * 60;

constexpr const char* InstantColour = "#d95f0e";
constexpr const char* ExperiencedColour = "#6b0010";
constexpr const char* FreeFlowColour = "#3b7bb0";

void appendOneDecimal(std::string* out, double value) {
  appendTenths(out, static_cast<int32_t>(std::lround(value * 10)));
}

double xOf(int32_t minute) {
  return PlotLeft + static_cast<double>(minute) * (PlotRight - PlotLeft) / MinutesPerDay;
}

// A step of the minutes axis that gives three to six lines.
int axisStep(double top) {
  for (int step : {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600}) {
    if (top / step <= 6) return step;
  }
  return 1200;
}

// One line over the day, broken where a departure has no value.
template <typename Value>
void appendSeries(std::string* out, const std::vector<TravelTimePoint>& points, Value value,
                  double scale, const char* colour, const char* width) {
  std::string d;
  bool drawing = false;
  for (const TravelTimePoint& point : points) {
    std::optional<double> minutes = value(point);
    if (!minutes.has_value() || !std::isfinite(*minutes)) {
      drawing = false;
      continue;
    }
    d.push_back(drawing ? 'L' : 'M');
    appendOneDecimal(&d, xOf(point.departureMinute));
    d.push_back(' ');
    appendOneDecimal(&d, PlotBottom - *minutes * scale);
    drawing = true;
  }
  if (d.empty()) return;
  out->append("<path fill=\"none\" stroke=\"");
  out->append(colour);
  out->append("\" stroke-width=\"");
  out->append(width);
  out->append("\" d=\"");
  out->append(d);
  out->append("\"/>\n");
}

void appendFiguresTable(std::string* out, const CorridorPageEntry& corridor, size_t number) {
  out->append("<div class=\"scroll\"><table id=\"corridor-");
  appendInt(out, static_cast<int64_t>(number));
  out->append(
      "\" class=\"figures\">\n<thead><tr><th>Window</th><th class=\"n\">VMT</th>"
      "<th class=\"n\">VHT</th><th class=\"n\">Delay at 35 mph, veh-h</th>"
      "<th class=\"n\">Delay at 60 mph, veh-h</th><th class=\"n\">Speed, mph</th>"
      "<th class=\"n\">Congested station-h</th><th class=\"n\">Worst travel, min</th>"
      "<th>Worst at</th></tr></thead>\n<tbody>\n");
  for (const CorridorSummaryTexts& row : corridor.windows) {
    out->append("<tr data-window=\"");
    appendEscaped(out, row.window);
    out->append("\"><td>");
    if (row.window == "day") {
      out->append("day");
    } else if (row.window == "am") {
      out->append("am 06:00&#x2013;09:59");
    } else if (row.window == "pm") {
      out->append("pm 15:00&#x2013;18:59");
    } else {
      appendEscaped(out, row.window);
    }
    out->append("</td>");
    for (const std::string* text : {&row.vmt, &row.vht, &row.delay35, &row.delay60, &row.speedMph,
                                    &row.congestedHours, &row.worstTravelMin}) {
      out->append("<td class=\"n\">");
      appendEscaped(out, *text);
      out->append("</td>");
    }
    out->append("<td>");
    appendEscaped(out, row.worstDeparture);
    out->append("</td></tr>\n");
  }
  out->append("</tbody></table></div>\n");
}

}  // namespace

void appendTravelTimeChart(std::string* out, const CorridorPageEntry& corridor) {
  double freeflow = std::strtod(corridor.freeflowMin.c_str(), nullptr);
  double top = std::isfinite(freeflow) ? freeflow : 0;
  for (const TravelTimePoint& point : corridor.travel) {
    if (point.instant.has_value()) top = std::max(top, *point.instant);
    if (point.experienced.has_value()) top = std::max(top, *point.experienced);
  }
  const int step = axisStep(std::max(top, 1.0));
  const double axisTop = std::ceil(std::max(top, 1.0) * 1.05 / step) * step;
  const double scale = (PlotBottom - PlotTop) / axisTop;

  out->append("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
  appendInt(out, ChartWidth);
  out->append("\" height=\"");
  appendInt(out, ChartHeight);
  out->append("\" viewBox=\"0 0 ");
  appendInt(out, ChartWidth);
  out->push_back(' ');
  appendInt(out, ChartHeight);
  out->append("\" font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\" role=\"img\">");
  out->append("<title>Travel times over the day, ");
  appendEscaped(out, corridor.name);
  out->append("</title>\n<g stroke=\"#ddd\">");
  for (int m = 0; m <= axisTop + 1e-9; m += step) {
    double y = PlotBottom - m * scale;
    out->append("<path d=\"M");
    appendInt(out, PlotLeft);
    out->push_back(' ');
    appendOneDecimal(out, y);
    out->push_back('H');
    appendInt(out, PlotRight);
    out->append("\"/>");
  }
  for (int hour = 0; hour <= 24; hour += 3) {
    out->append("<path d=\"M");
    appendOneDecimal(out, xOf(hour * 60));
    out->push_back(' ');
    appendInt(out, PlotTop);
    out->push_back('V');
    appendInt(out, PlotBottom);
    out->append("\"/>");
  }
  out->append("</g>\n<g text-anchor=\"end\">");
  for (int m = 0; m <= axisTop + 1e-9; m += step) {
    out->append("<text x=\"");
    appendInt(out, PlotLeft - 5);
    out->append("\" y=\"");
    appendOneDecimal(out, PlotBottom - m * scale + 4);
    out->append("\">");
    appendInt(out, m);
    out->append("</text>");
  }
  out->append("</g>\n<g text-anchor=\"middle\">");
  for (int hour = 0; hour <= 24; hour += 3) {
    out->append("<text x=\"");
    appendOneDecimal(out, xOf(hour * 60));
    out->append("\" y=\"");
    appendInt(out, PlotBottom + 15);
    out->append("\">");
    out->push_back(static_cast<char>('0' + hour / 10));
    out->push_back(static_cast<char>('0' + hour % 10));
    out->append(":00</text>");
  }
  out->append("<text x=\"");
  appendInt(out, (PlotLeft + PlotRight) / 2);
  out->append("\" y=\"");
  appendInt(out, ChartHeight - 2);
  out->append("\">departure from the first station; minutes up the side</text></g>\n");
  if (std::isfinite(freeflow) && freeflow > 0) {
    out->append("<path fill=\"none\" stroke=\"");
    out->append(FreeFlowColour);
    out->append("\" stroke-dasharray=\"6 4\" d=\"M");
    appendInt(out, PlotLeft);
    out->push_back(' ');
    appendOneDecimal(out, PlotBottom - freeflow * scale);
    out->push_back('H');
    appendInt(out, PlotRight);
    out->append("\"/>\n");
  }
  appendSeries(
      out, corridor.travel, [](const TravelTimePoint& p) { return p.experienced; }, scale,
      ExperiencedColour, "1.5");
  appendSeries(
      out, corridor.travel, [](const TravelTimePoint& p) { return p.instant; }, scale,
      InstantColour, "1.5");
  out->append("</svg>");
}

void appendCorridorSection(std::string* out, const CorridorPageData& data) {
  out->append("<section id=\"corridors\">\n<h2>Corridors</h2>\n");
  if (data.corridors.empty()) {
    out->append("<p>No station of this data file lies on a corridor of the cabinet list.</p>\n");
  }
  if (!data.pictureSvg.empty()) {
    out->append("<figure class=\"wide\">\n");
    out->append(data.pictureSvg);
    out->append(
        "<figcaption>Speed along each corridor over the day, in the direction of travel "
        "up the page; the legend and the estimated cells as the picture states.</figcaption>"
        "\n</figure>\n");
  }
  for (size_t i = 0; i < data.corridors.size(); ++i) {
    const CorridorPageEntry& corridor = data.corridors[i];
    out->append("<section class=\"corridor\" data-corridor=\"");
    appendEscaped(out, corridor.name);
    out->append("\">\n<h3>");
    appendEscaped(out, corridor.name);
    out->append("</h3>\n<p>");
    appendEscaped(out, corridor.stations);
    out->append(corridor.stations == "1" ? " station, " : " stations, ");
    appendEscaped(out, corridor.lengthMi);
    out->append(" mi; free-flow travel time ");
    appendEscaped(out, corridor.freeflowMin);
    out->append(" min at 60 mph.</p>\n");
    appendFiguresTable(out, corridor, i + 1);
    if (!corridor.travel.empty()) {
      out->append("<figure>\n");
      appendTravelTimeChart(out, corridor);
      // Line keys as coloured line characters (an empty element would not
      // print): heavy for the times, dashed for free flow.
      out->append("<figcaption><span class=\"key\" style=\"color:");
      out->append(InstantColour);
      out->append("\">&#x2501;&#x2501;</span> instant, <span class=\"key\" style=\"color:");
      out->append(ExperiencedColour);
      out->append("\">&#x2501;&#x2501;</span> experienced, <span class=\"key\" style=\"color:");
      out->append(FreeFlowColour);
      out->append("\">&#x254D;&#x254D;</span> free flow (60 mph)</figcaption>\n</figure>\n");
    }
    out->append("</section>\n");
  }
  out->append("</section>\n");
}

}  // namespace loopconv
