#include "outputs/corridor_picture.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/output_file.h"
#include "corridor/exact.h"
#include "outputs/markup.h"
#include "outputs/markup_file.h"
#include "outputs/speed_palette.h"

namespace loopconv {

namespace {

constexpr const char* Announcement = "Writing corridor picture to SVG file";
constexpr const char* XmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Geometry in pixels.
constexpr int CellWidth = 4;
constexpr int CellsPerHour = 60 / CorridorMinutes;
constexpr int LabelWidth = 230;  // milepost and location, right-aligned before the cells
constexpr int RightMargin = 24;
constexpr int MinWidth = 960;      // room for the title and the legend
constexpr int HeaderHeight = 104;  // title, subtitle, legend
constexpr int HeadingHeight = 38;  // a corridor's heading and hour labels
constexpr int CorridorGap = 28;
constexpr int LabelPitch = 11;  // station labels closer than this are left out
constexpr int MinPlotHeight = 14;
constexpr int MaxPlotHeight = 1200;
constexpr int MinPixelsPerMile = 16;
constexpr int MaxPixelsPerMile = 80;
constexpr int LegendItemWidth = 175;

// Estimated cells: the band's colour with white dots.
constexpr const char* EstimateFills[] = {"url(#est0)", "url(#est1)", "url(#est2)", "url(#est3)"};

void appendFixed(std::string* out, uint64_t scaled, int decimals) {
  uint64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  appendInt(out, static_cast<int64_t>(scaled / unit));
  out->push_back('.');
  std::string fraction = std::to_string(scaled % unit);
  out->append(static_cast<size_t>(decimals) - fraction.size(), '0');
  out->append(fraction);
}

void appendAttribute(std::string* out, const char* name, int64_t value) {
  out->push_back(' ');
  out->append(name);
  out->append("=\"");
  appendInt(out, value);
  out->push_back('"');
}

// The vertical scale of one corridor: positions in thousandths of a mile
// from the downstream end of the last segment (top) to the upstream end of
// the first (bottom).
struct Scale {
  int64_t low = 0;     // thousandths at the bottom edge
  int64_t extent = 1;  // thousandths from bottom to top
  int height = MinPlotHeight;

  int y(int64_t thousandths) const {
    return static_cast<int>(height - ((thousandths - low) * height + extent / 2) / extent);
  }
};

Scale scaleOf(const Corridor& corridor) {
  Scale scale;
  const CorridorStation& first = corridor.stations.front();
  const CorridorStation& last = corridor.stations.back();
  scale.low = -first.upstreamThousandths;
  scale.extent = std::max<int64_t>(
      int64_t{last.distanceHundredths} * 10 + last.downstreamThousandths - scale.low, 1);
  // Room for a label per station where they are close, within bounds.
  int32_t closest = 0;
  for (size_t i = 1; i < corridor.stations.size(); ++i) {
    int32_t gap =
        corridor.stations[i].distanceHundredths - corridor.stations[i - 1].distanceHundredths;
    if (gap > 0 && (closest == 0 || gap < closest)) closest = gap;
  }
  int64_t perMile = closest > 0 ? LabelPitch * 100 / closest : MaxPixelsPerMile;
  perMile = std::clamp<int64_t>(perMile, MinPixelsPerMile, MaxPixelsPerMile);
  int64_t height = (scale.extent * perMile + 500) / 1000;
  scale.height = static_cast<int>(std::clamp<int64_t>(height, MinPlotHeight, MaxPlotHeight));
  return scale;
}

int corridorHeight(const CorridorOfDay& c) {
  return HeadingHeight + scaleOf(c.corridor).height + CorridorGap;
}

void appendHead(std::string* out, int width, int height, const std::string& date,
                const std::string& dataFileName, size_t corridors, bool standalone) {
  if (standalone) out->append(XmlDeclaration);
  out->append("<svg xmlns=\"http://www.w3.org/2000/svg\"");
  appendAttribute(out, "width", width);
  appendAttribute(out, "height", height);
  out->append(" viewBox=\"0 0 ");
  appendInt(out, width);
  out->push_back(' ');
  appendInt(out, height);
  out->append(
      "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\">\n"
      "<title>Corridor speeds ");
  appendEscaped(out, date);
  out->append(" &#x2014; ");
  appendEscaped(out, dataFileName);
  out->append("</title>\n<defs>");
  out->append(NoDataPattern);
  for (size_t b = 0; b < std::size(EstimateFills); ++b) {
    out->append("<pattern id=\"est");
    appendInt(out, static_cast<int64_t>(b));
    out->append(
        "\" width=\"4\" height=\"4\" patternUnits=\"userSpaceOnUse\"><rect width=\"4\" "
        "height=\"4\" fill=\"");
    out->append(BandStyles[b].fill);
    out->append("\"/><circle cx=\"2\" cy=\"2\" r=\".9\" fill=\"#fff\"/></pattern>");
  }
  out->append("</defs>\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n");
  out->append("<text x=\"16\" y=\"26\" font-size=\"18\" font-weight=\"bold\">Corridor speeds, ");
  appendEscaped(out, date);
  out->append("</text>\n<text x=\"16\" y=\"46\">Data file ");
  appendEscaped(out, dataFileName);
  out->append(" &#xB7; ");
  appendInt(out, static_cast<int64_t>(corridors));
  out->append(corridors == 1 ? " corridor" : " corridors");
  out->append(
      " &#xB7; time across, distance up the page in the direction of travel, each "
      "station's five-minute speed over its segment</text>\n<g>");
  appendBandLegend(out, LegendItemWidth);
  out->append(
      "<rect x=\"16\" y=\"80\" width=\"22\" height=\"14\" stroke=\"#555\" "
      "stroke-width=\".5\" fill=\"url(#est2)\"/><text x=\"44\" y=\"92\">dotted: "
      "estimated from flow and occupancy (no trap speed); plain: measured by traps"
      "</text></g>\n");
}

// The heading: name, stations, length and the day's figures.
void appendHeading(std::string* out, const CorridorOfDay& c) {
  const MeasureSums& day = c.summaries[0].sums;
  out->append("<text x=\"16\" y=\"14\" font-size=\"14\"><tspan font-weight=\"bold\">");
  appendEscaped(out, c.corridor.name);
  out->append("</tspan> &#xB7; ");
  appendInt(out, static_cast<int64_t>(c.corridor.stations.size()));
  out->append(c.corridor.stations.size() == 1 ? " station" : " stations");
  out->append(", ");
  appendFixed(out, static_cast<uint32_t>(c.corridor.lengthHundredths()), 2);
  out->append(" mi &#xB7; day: VMT ");
  appendFixed(out, roundedQuotient(day.vmtThousandths, 10), 2);
  out->append(", VHT ");
  appendFixed(out, fixedToPlaces(day.vht, 3), 3);
  out->append(", delay at 60 mph ");
  appendFixed(out, fixedToPlaces(day.delay60, 3), 3);
  out->append(" veh-h, worst travel time ");
  if (c.summaries[0].hasWorst) {
    appendFixed(out, c.summaries[0].worstHundredths, 2);
    out->append(" min at ");
    appendClock(out, c.summaries[0].worstInterval * CorridorMinutes * 3);
  } else {
    out->append("none");
  }
  out->append("</text>\n");
}

void appendHours(std::string* out, int32_t cells, int plotTop, int plotHeight) {
  out->append("<g font-size=\"10\" text-anchor=\"middle\" fill=\"#444\">");
  for (int32_t hour = 0; hour * CellsPerHour <= cells; ++hour) {
    out->append("<text x=\"");
    appendInt(out, LabelWidth + hour * CellsPerHour * CellWidth);
    out->append("\" y=\"");
    appendInt(out, plotTop - 4);
    out->append("\">");
    appendTwoDigits(out, hour);
    out->append("</text>");
  }
  out->append("</g>\n<path pointer-events=\"none\" stroke=\"#fff\" stroke-opacity=\".7\" d=\"");
  for (int32_t hour = 0; hour * CellsPerHour <= cells; ++hour) {
    out->push_back('M');
    appendInt(out, LabelWidth + hour * CellsPerHour * CellWidth);
    out->push_back(' ');
    appendInt(out, plotTop);
    out->push_back('v');
    appendInt(out, plotHeight);
  }
  out->append("\"/>\n");
}

// Milepost and location of the stations, bottom up, leaving out a label
// that would overlap the one below it.
void appendLabels(std::string* out, const Corridor& corridor, const Scale& scale, int plotTop) {
  out->append("<g font-size=\"10\" text-anchor=\"end\">");
  int lastY = 1 << 30;
  for (const CorridorStation& s : corridor.stations) {
    int y = plotTop + scale.y(int64_t{s.distanceHundredths} * 10);
    if (lastY - y < LabelPitch && lastY != (1 << 30)) continue;
    lastY = y;
    out->append("<text x=\"");
    appendInt(out, LabelWidth - 6);
    out->append("\" y=\"");
    appendInt(out, y + 4);
    out->append("\">");
    appendFixed(out, static_cast<uint32_t>(s.station.place->milepostHundredths), 2);
    out->push_back(' ');
    appendEscaped(out, s.station.place->location);
    out->append("</text>");
  }
  out->append("</g>\n");
}

struct Cell {
  SpeedBand band = SpeedBand::NoData;
  bool estimate = false;
  bool operator!=(const Cell& other) const {
    return band != other.band || estimate != other.estimate;
  }
};

Cell cellOf(const StationSpeed& speed) {
  Cell cell;
  if (speed.source == SpeedSource::None) return cell;
  cell.band = speedBand(speed.tenths);
  cell.estimate = speed.source == SpeedSource::Estimate;
  return cell;
}

const char* cellFill(const Cell& cell) {
  if (cell.estimate) return EstimateFills[static_cast<size_t>(cell.band)];
  return bandStyle(cell.band).fill;
}

// One rectangle per run of cells of one band and source, with its hover text.
void appendRuns(std::string* out, const CorridorStation& station, size_t seq, const StationDay& day,
                int32_t cells, int top, int height) {
  int32_t first = 0;
  while (first < cells) {
    const Cell cell = cellOf(day.speeds[first]);
    int32_t last = first;
    int32_t low = day.speeds[first].tenths;
    int32_t high = low;
    while (last + 1 < cells && !(cellOf(day.speeds[last + 1]) != cell)) {
      ++last;
      low = std::min(low, day.speeds[last].tenths);
      high = std::max(high, day.speeds[last].tenths);
    }
    out->append("<rect");
    appendAttribute(out, "x", LabelWidth + first * CellWidth);
    appendAttribute(out, "y", top);
    appendAttribute(out, "width", (last - first + 1) * CellWidth);
    appendAttribute(out, "height", height);
    out->append(" fill=\"");
    out->append(cellFill(cell));
    out->push_back('"');
    appendAttribute(out, "data-seq", static_cast<int64_t>(seq));
    appendAttribute(out, "data-first", first);
    appendAttribute(out, "data-last", last);
    out->append("><title>");
    appendEscaped(out, station.station.device);
    out->push_back(' ');
    appendClock(out, day.intervals[first].firstPeriod);
    out->push_back('-');
    appendClock(out, day.intervals[last].firstPeriod + day.intervals[last].periods);
    out->push_back(' ');
    out->append(bandStyle(cell.band).name);
    if (cell.band != SpeedBand::NoData) {
      out->push_back(' ');
      appendTenths(out, low);
      if (high != low) {
        out->push_back('-');
        appendTenths(out, high);
      }
      out->append(cell.estimate ? " mph estimated" : " mph trap");
    }
    out->append("</title></rect>\n");
    first = last + 1;
  }
}

void appendCorridor(std::string* out, const CorridorOfDay& c, int32_t cells, int top) {
  const Scale scale = scaleOf(c.corridor);
  const int plotTop = HeadingHeight;
  out->append("<g data-corridor=\"");
  appendEscaped(out, c.corridor.name);
  out->append("\" transform=\"translate(0,");
  appendInt(out, top);
  out->append(")\">\n");
  appendHeading(out, c);
  appendLabels(out, c.corridor, scale, plotTop);
  for (size_t s = 0; s < c.corridor.stations.size(); ++s) {
    const CorridorStation& station = c.corridor.stations[s];
    const int64_t at = int64_t{station.distanceHundredths} * 10;
    const int yTop = scale.y(at + station.downstreamThousandths);
    const int yBottom = scale.y(at - station.upstreamThousandths);
    appendRuns(out, station, s + 1, c.stations[s], cells, plotTop + yTop,
               std::max(yBottom - yTop, 1));
  }
  appendHours(out, cells, plotTop, scale.height);
  out->append("</g>\n");
}

}  // namespace

std::string corridorPicturePath(const std::string& folder, const IsoDate& date) {
  return dayFilePath(folder, "Corridors_", date, ".svg");
}

// Never compressed, as the speed picture: a browser must open it.
bool openCorridorPicture(const RunContext& run, const IsoDate& date, OutputFile* file) {
  OutputTarget target{corridorPicturePath(run.options.outputFolder, date),
                      run.options.outputFolder.size(), Compression::None};
  return openOutputFile(run.log, target, Announcement, "data file", file);
}

void produceCorridorPicture(const IsoDate& date, const CorridorDay& day,
                            const std::string& dataFileName, bool standalone,
                            const PictureSink& sink) {
  const int32_t cells = day.intervalCount;
  const int width = std::max(LabelWidth + cells * CellWidth + RightMargin, MinWidth);
  int height = HeaderHeight + 20;
  for (const CorridorOfDay& c : day.corridors) height += corridorHeight(c);
  std::string text;
  appendHead(&text, width, height, date.str(), dataFileName, day.corridors.size(), standalone);
  if (day.corridors.empty()) {
    text.append("<text x=\"16\" y=\"");
    appendInt(&text, HeaderHeight + 10);
    text.append(
        "\">No station of this data file stands on a corridor of the cabinet list.</text>\n");
  }
  sink(text);
  int top = HeaderHeight;
  for (const CorridorOfDay& c : day.corridors) {
    text.clear();
    appendCorridor(&text, c, cells, top);
    sink(text);
    top += corridorHeight(c);
  }
  sink("</svg>\n");
}

bool writeCorridorPictureText(const RunContext& run, const IsoDate& date,
                              const std::string& embedded) {
  OutputFile file;
  if (!openCorridorPicture(run, date, &file)) return false;
  writeMarkup(&file, XmlDeclaration);
  writeMarkup(&file, embedded);
  return file.close(run.log);
}

bool writeCorridorPicture(const RunContext& run, const IsoDate& date, const CorridorDay& day,
                          const std::string& dataFileName) {
  OutputFile file;
  if (!openCorridorPicture(run, date, &file)) return false;
  produceCorridorPicture(date, day, dataFileName, true,
                         [&file](const std::string& text) { writeMarkup(&file, text); });
  return file.close(run.log);
}

}  // namespace loopconv
