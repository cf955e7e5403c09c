#include "outputs/picture.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/output_file.h"
#include "datafile/data_file.h"
#include "outputs/iso_date.h"
#include "outputs/markup.h"
#include "outputs/markup_file.h"
#include "outputs/speed_palette.h"

namespace loopconv {
namespace {

constexpr const char* Announcement = "Writing speed picture to SVG file";

// Geometry in pixels.
constexpr int CellWidth = 4;
constexpr int CellsPerHour = 60 / PictureMinutes;
constexpr int RowHeight = 12;
constexpr int RowPitch = 14;
constexpr int LabelWidth = 150;  // the station names, right-aligned before the cells
constexpr int RightMargin = 24;
constexpr int PlotTop = 100;      // below the title, the legend and the hour labels
constexpr int BottomMargin = 30;  // room for the hour labels again below the rows
constexpr int MinWidth = 860;     // room for the title and the legend
constexpr int LegendItemWidth = 166;

struct Layout {
  int32_t cells = 0;
  int32_t stations = 0;
  int width = 0;
  int height = 0;
};

Layout layoutFor(int32_t cells, int32_t stations) {
  Layout layout;
  layout.cells = cells;
  layout.stations = stations;
  layout.width = std::max(LabelWidth + cells * CellWidth + RightMargin, MinWidth);
  int rows = std::max(stations, 1);  // the "no stations" line takes a row
  layout.height = PlotTop + rows * RowPitch + BottomMargin;
  return layout;
}

void appendHead(std::string* out, const Layout& layout, const std::string& date,
                const std::string& dataFileName, bool standalone) {
  if (standalone) out->append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  out->append("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
  appendInt(out, layout.width);
  out->append("\" height=\"");
  appendInt(out, layout.height);
  out->append("\" viewBox=\"0 0 ");
  appendInt(out, layout.width);
  out->push_back(' ');
  appendInt(out, layout.height);
  out->append(
      "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\">\n<title>Station speeds ");
  appendEscaped(out, date);
  out->append(" &#x2014; ");
  appendEscaped(out, dataFileName);
  out->append("</title>\n<defs>");
  out->append(NoDataPattern);
  out->append("</defs>\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n");
  out->append("<text x=\"16\" y=\"26\" font-size=\"18\" font-weight=\"bold\">Station speeds, ");
  appendEscaped(out, date);
  out->append("</text>\n<text x=\"16\" y=\"46\">Data file ");
  appendEscaped(out, dataFileName);
  out->append(" &#xB7; ");
  appendInt(out, layout.stations);
  out->append(layout.stations == 1 ? " station" : " stations");
  out->append(
      " &#xB7; five-minute speed of each station: measured by its traps, else estimated "
      "from occupancy</text>\n");
  // The legend.
  out->append("<g font-size=\"12\">");
  appendBandLegend(out, LegendItemWidth);
  out->append("</g>\n");
}

// Hour labels along the top, and again below the rows of a tall picture.
void appendHourLabels(std::string* out, const Layout& layout) {
  if (layout.cells == 0 || layout.stations == 0) return;
  const int bottom = PlotTop + layout.stations * RowPitch;
  out->append("<g font-size=\"10\" text-anchor=\"middle\" fill=\"#444\">");
  for (int y : {PlotTop - 8, bottom + 14}) {
    for (int32_t hour = 0; hour * CellsPerHour <= layout.cells; ++hour) {
      out->append("<text x=\"");
      appendInt(out, LabelWidth + hour * CellsPerHour * CellWidth);
      out->append("\" y=\"");
      appendInt(out, y);
      out->append("\">");
      appendTwoDigits(out, hour);
      out->append(":00</text>");
    }
  }
  out->append("</g>\n");
}

// A thin line at every hour, drawn over the rows so that times can be read
// off deep down the picture; it lets the hover texts below through.
void appendHourLines(std::string* out, const Layout& layout) {
  if (layout.cells == 0 || layout.stations == 0) return;
  int bottom = PlotTop + layout.stations * RowPitch;
  out->append("<path pointer-events=\"none\" stroke=\"#fff\" stroke-opacity=\".7\" d=\"");
  for (int32_t hour = 0; hour * CellsPerHour <= layout.cells; ++hour) {
    out->push_back('M');
    appendInt(out, LabelWidth + hour * CellsPerHour * CellWidth);
    out->push_back(' ');
    appendInt(out, PlotTop - 5);
    out->push_back('V');
    appendInt(out, bottom);
  }
  out->append("\"/>\n");
}

// A run of cells of one band: its rectangle and hover text.
void appendRun(std::string* out, const std::string& nameXml, const RollupInterval* intervals,
               int32_t first, int32_t last, SpeedBand band, int32_t minTenths, int32_t maxTenths) {
  out->append("<rect x=\"");
  appendInt(out, first * CellWidth);
  out->append("\" width=\"");
  appendInt(out, (last - first + 1) * CellWidth);
  out->append("\" height=\"");
  appendInt(out, RowHeight);
  out->append("\" fill=\"");
  out->append(bandStyle(band).fill);
  out->append("\" data-first=\"");
  appendInt(out, first);
  out->append("\" data-last=\"");
  appendInt(out, last);
  out->append("\"><title>");
  out->append(nameXml);
  out->push_back(' ');
  appendClock(out, intervals[first].firstPeriod);
  out->push_back('-');
  appendClock(out, intervals[last].firstPeriod + intervals[last].periods);
  out->push_back(' ');
  out->append(bandStyle(band).name);
  if (band != SpeedBand::NoData) {
    out->push_back(' ');
    appendTenths(out, minTenths);
    if (maxTenths != minTenths) {
      out->push_back('-');
      appendTenths(out, maxTenths);
    }
    out->append(" mph");
  }
  out->append("</title></rect>\n");
}

// One station's row: its name, then one rectangle per run of cells of one
// band.
void appendStation(std::string* out, std::string* nameXml, const DeviceRecord& station, int32_t row,
                   const RollupInterval* intervals, int32_t cells) {
  nameXml->clear();
  appendEscaped(nameXml, station.Name, strnlen(station.Name, NameBytes - 1));
  out->append("<g data-device=\"");
  out->append(*nameXml);
  out->append("\" transform=\"translate(");
  appendInt(out, LabelWidth);
  out->push_back(',');
  appendInt(out, PlotTop + row * RowPitch);
  out->append(")\"><text x=\"-6\" y=\"10\">");
  out->append(*nameXml);
  out->append("</text>\n");
  // The run of cells so far: its first cell, band and speed range.
  int32_t first = 0;
  SpeedBand band = SpeedBand::NoData;
  int32_t minTenths = 0;
  int32_t maxTenths = 0;
  for (int32_t i = 0; i < cells; ++i) {
    int32_t tenths = 0;
    SpeedBand cell = cellSpeedTenths(intervals[i], &tenths) ? speedBand(tenths) : SpeedBand::NoData;
    if (i == 0 || cell != band) {
      if (i > 0) appendRun(out, *nameXml, intervals, first, i - 1, band, minTenths, maxTenths);
      first = i;
      band = cell;
      minTenths = maxTenths = tenths;
    } else {
      minTenths = std::min(minTenths, tenths);
      maxTenths = std::max(maxTenths, tenths);
    }
  }
  if (cells > 0) appendRun(out, *nameXml, intervals, first, cells - 1, band, minTenths, maxTenths);
  out->append("</g>\n");
}

// Every station's row, in table order, each handed on as it is made.
void produceStations(const PictureSink& sink, const DeviceTable& table, int32_t periods,
                     int32_t cells) {
  // The names line up in a fixed-width font, right-aligned before the cells.
  sink("<g font-family=\"monospace\" font-size=\"11\" text-anchor=\"end\">\n");
  std::vector<RollupInterval> intervals(static_cast<size_t>(cells));
  std::string text;
  std::string nameXml;
  int32_t row = 0;
  for (const DeviceRecord& record : table) {
    if (record.Kind != KindStation) continue;
    rollUpDevice(record, periods, PictureMinutes, intervals.data());
    text.clear();
    appendStation(&text, &nameXml, record, row++, intervals.data(), cells);
    sink(text);
  }
  sink("</g>\n");
}

}  // namespace

std::string picturePath(const std::string& folder, const IsoDate& date) {
  return dayFilePath(folder, "Picture_", date, ".svg");
}

void producePicture(const DataHeader& header, const DeviceTable* table, const IsoDate& date,
                    const std::string& dataFileName, bool standalone, const PictureSink& sink) {
  const int32_t periods = periodCount(header);
  const int32_t cells = rollupIntervalCount(periods, PictureMinutes);
  int32_t stations = 0;
  if (table != nullptr) {
    for (const DeviceRecord& record : *table) stations += record.Kind == KindStation;
  }
  Layout layout = layoutFor(cells, stations);
  std::string text;
  appendHead(&text, layout, date.str(), dataFileName, standalone);
  appendHourLabels(&text, layout);
  if (stations == 0) {
    text.append("<text x=\"16\" y=\"");
    appendInt(&text, PlotTop + 10);
    text.append("\">No stations in this data file.</text>\n");
  }
  sink(text);

  if (stations > 0) produceStations(sink, *table, periods, cells);
  text.clear();
  appendHourLines(&text, layout);
  text.append("</svg>\n");
  sink(text);
}

bool writePicture(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                  const std::string& dataFileName) {
  IsoDate date;
  if (!requireIsoDate(run.log, header, "Speed pictures", &date)) return false;
  // Never compressed: a browser must open it.
  OutputTarget target{picturePath(run.options.outputFolder, date), run.options.outputFolder.size(),
                      Compression::None};
  OutputFile file;
  if (!openOutputFile(run.log, target, Announcement, "data file", &file)) return false;
  producePicture(header, table, date, dataFileName, true,
                 [&file](const std::string& text) { writeMarkup(&file, text); });
  return file.close(run.log);
}

}  // namespace loopconv
