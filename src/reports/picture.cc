#include "reports/picture.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/csv_file.h"
#include "reports/report_framing.h"

namespace loopconv {
namespace {

// reportPath() hands over the output folder and the MM, DD and YYYY pieces of
// "Data Start" in that order; the positions put the year first.
constexpr const char* FileFormat = "%1$sPicture_%4$.4s-%2$.2s-%3$.2s.svg";
constexpr const char* Announcement = "Writing speed picture to SVG file";

// Geometry in pixels.
constexpr int CellWidth = 4;
constexpr int CellsPerHour = 60 / PictureMinutes;
constexpr int RowHeight = 12;
constexpr int RowPitch = 14;
constexpr int LabelWidth = 150;  // the station names, right-aligned before the cells
constexpr int RightMargin = 24;
constexpr int PlotTop = 100;  // below the title, the legend and the hour labels
constexpr int BottomMargin = 30;  // room for the hour labels again below the rows
constexpr int MinWidth = 860;  // room for the title and the legend
constexpr int LegendItemWidth = 166;

struct BandStyle {
  const char* fill;
  const char* name;    // in the hover text
  const char* legend;  // what the legend says
};

// Lightness falls with speed (L* 86, 75, 55, 21), and the hues run blue,
// orange, dark red: the order reads the same without colour vision, and no
// two bands differ only in red against green. No data is a grey hatch, which
// no lightness of a band can be taken for.
constexpr BandStyle Bands[] = {
    {"#bcdcf0", "free", "free: above 50 mph"},
    {"#f5a83a", "slowing", "slowing: 40.1 to 50 mph"},
    {"#d95f0e", "slow", "slow: 30.1 to 40 mph"},
    {"#6b0010", "stopped", "stopped: 30 mph or less"},
    {"url(#nodata)", "no data", "no data"},
};

const BandStyle& styleOf(SpeedBand band) { return Bands[static_cast<size_t>(band)]; }

// n / d rounded half up, in integers.
uint64_t roundedQuotient(uint64_t numerator, uint64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

void appendInt(std::string* out, int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out->append(text, result.ptr);
}

// "52.3" from 523.
void appendTenths(std::string* out, int32_t tenths) {
  appendInt(out, tenths / 10);
  out->push_back('.');
  out->push_back(static_cast<char>('0' + tenths % 10));
}

void appendTwoDigits(std::string* out, int32_t value) {
  out->push_back(static_cast<char>('0' + value / 10 % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

// The time of day at the start of `period` as HH:MM, or HH:MM:SS when it
// falls inside a minute (the end of a file that stops between minutes).
// Period 4320 is 24:00.
void appendClock(std::string* out, int32_t period) {
  appendTwoDigits(out, period / 180);
  out->push_back(':');
  appendTwoDigits(out, period % 180 / 3);
  if (period % 3 != 0) {
    out->push_back(':');
    appendTwoDigits(out, period % 3 * 20);
  }
}

// Appends bytes that come from a file as XML text, fit for element content
// and for attribute values in double quotes. Markup characters become
// references, printable ASCII stays, a byte from 0xA0 up is read as Latin-1
// (every byte is then a character and the document stays well-formed
// whatever the bytes), and control bytes, which XML 1.0 forbids or which
// would not show, become U+FFFD.
void appendXml(std::string* out, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&':
        out->append("&amp;");
        continue;
      case '<':
        out->append("&lt;");
        continue;
      case '>':
        out->append("&gt;");
        continue;
      case '"':
        out->append("&quot;");
        continue;
      case '\'':
        out->append("&#39;");
        continue;
      default:
        break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out->push_back(static_cast<char>(c));
    } else if (c >= 0xA0) {
      char reference[8];
      snprintf(reference, sizeof reference, "&#x%02X;", c);
      out->append(reference);
    } else {
      out->append("&#xFFFD;");
    }
  }
}

void appendXml(std::string* out, const std::string& text) {
  appendXml(out, text.data(), text.size());
}

// "YYYY-MM-DD" from the MM/DD/YYYY at the start of "Data Start".
std::string isoDate(const DataHeader& header) {
  char start[HeaderTextBytes];
  memcpy(start, header.dataStart, sizeof start);
  start[sizeof start - 1] = '\0';
  std::string date(start, strnlen(start, sizeof start));
  date.resize(10, ' ');
  return date.substr(6, 4) + "-" + date.substr(0, 2) + "-" + date.substr(3, 2);
}

// Hands raw bytes to the file (no LF translation: the image uses LF alone).
void writeRaw(CsvFile* file, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    size_t length = std::min(text.size() - done, CsvFile::MaxReserve);
    char* room = file->reserve(length);
    memcpy(room, text.data() + done, length);
    file->commit(room + length);
    done += length;
  }
}

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
                const std::string& dataFileName) {
  out->append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
  appendInt(out, layout.width);
  out->append("\" height=\"");
  appendInt(out, layout.height);
  out->append("\" viewBox=\"0 0 ");
  appendInt(out, layout.width);
  out->push_back(' ');
  appendInt(out, layout.height);
  out->append("\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\">\n<title>Station speeds ");
  appendXml(out, date);
  out->append(" &#x2014; ");
  appendXml(out, dataFileName);
  out->append(
      "</title>\n<defs><pattern id=\"nodata\" width=\"6\" height=\"6\" "
      "patternUnits=\"userSpaceOnUse\"><rect width=\"6\" height=\"6\" fill=\"#d4d4d4\"/>"
      "<path d=\"M0 6L6 0M-1 1L1-1M5 7L7 5\" stroke=\"#7a7a7a\"/></pattern></defs>\n"
      "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n");
  out->append("<text x=\"16\" y=\"26\" font-size=\"18\" font-weight=\"bold\">Station speeds, ");
  appendXml(out, date);
  out->append("</text>\n<text x=\"16\" y=\"46\">Data file ");
  appendXml(out, dataFileName);
  out->append(" &#xB7; ");
  appendInt(out, layout.stations);
  out->append(layout.stations == 1 ? " station" : " stations");
  out->append(
      " &#xB7; five-minute speed of each station: measured by its traps, else estimated "
      "from occupancy</text>\n");
  // The legend.
  out->append("<g font-size=\"12\">");
  for (size_t b = 0; b < std::size(Bands); ++b) {
    int x = 16 + static_cast<int>(b) * LegendItemWidth;
    out->append("<rect x=\"");
    appendInt(out, x);
    out->append("\" y=\"58\" width=\"22\" height=\"14\" stroke=\"#555\" stroke-width=\".5\" fill=\"");
    out->append(Bands[b].fill);
    out->append("\"/><text x=\"");
    appendInt(out, x + 28);
    out->append("\" y=\"70\">");
    out->append(Bands[b].legend);
    out->append("</text>");
  }
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
               int32_t first, int32_t last, SpeedBand band, int32_t minTenths,
               int32_t maxTenths) {
  out->append("<rect x=\"");
  appendInt(out, first * CellWidth);
  out->append("\" width=\"");
  appendInt(out, (last - first + 1) * CellWidth);
  out->append("\" height=\"");
  appendInt(out, RowHeight);
  out->append("\" fill=\"");
  out->append(styleOf(band).fill);
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
  out->append(styleOf(band).name);
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
void appendStation(std::string* out, std::string* nameXml, const DeviceRecord& station,
                   int32_t row, const RollupInterval* intervals, int32_t cells) {
  nameXml->clear();
  appendXml(nameXml, station.Name, nameLength(station));
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
    SpeedBand cell = cellSpeedTenths(intervals[i], &tenths) ? speedBand(tenths)
                                                            : SpeedBand::NoData;
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

// Every station's row, in table order, each written as it is made.
void writeStations(CsvFile* file, const DeviceTable& table, int32_t periods, int32_t cells) {
  // The names line up in a fixed-width font, right-aligned before the cells.
  writeRaw(file, "<g font-family=\"monospace\" font-size=\"11\" text-anchor=\"end\">\n");
  std::vector<RollupInterval> intervals(static_cast<size_t>(cells));
  std::string text;
  std::string nameXml;
  int32_t row = 0;
  for (const DeviceRecord& record : table) {
    if (record.Kind != KindStation) continue;
    rollUpDevice(record, periods, PictureMinutes, intervals.data());
    text.clear();
    appendStation(&text, &nameXml, record, row++, intervals.data(), cells);
    writeRaw(file, text);
  }
  writeRaw(file, "</g>\n");
}

}  // namespace

bool cellSpeedTenths(const RollupInterval& interval, int32_t* tenths) {
  // From the exact sums, rounded as the roll-up report prints speed_mph and
  // est_speed_mph, so that a cell's band matches the printed value; the
  // doubles of speedMph() and estSpeedMph() could fall on the other side of
  // a half. SpdTenths holds tenths, CalcSpdTenths whole mph.
  uint64_t value;
  if (interval.hasSpeed()) {
    value = roundedQuotient(interval.speedWeighted, interval.speedVolume);
  } else if (interval.hasEstSpeed()) {
    value = roundedQuotient(interval.estSpeedWeighted * 10, interval.estSpeedVolume);
  } else {
    return false;
  }
  // A plane value is at most 65535, and so is any mean of them in tenths;
  // only the estimate in whole mph reaches ten times that.
  *tenths = static_cast<int32_t>(std::min<uint64_t>(value, INT32_MAX));
  return true;
}

SpeedBand speedBand(int32_t tenths) {
  if (tenths > 500) return SpeedBand::Free;
  if (tenths > 400) return SpeedBand::Slowing;
  if (tenths > 300) return SpeedBand::Slow;
  return SpeedBand::Stopped;
}

const char* speedBandFill(SpeedBand band) { return styleOf(band).fill; }

bool writePicture(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                  const std::string& dataFileName) {
  std::string path = reportPath(run.options.outputFolder, FileFormat, header);
  CsvFile file;
  if (!openReport(run, path, Announcement, &file)) return false;

  const int32_t periods = periodCount(header);
  const int32_t cells = rollupIntervalCount(periods, PictureMinutes);
  int32_t stations = 0;
  if (table != nullptr) {
    for (const DeviceRecord& record : *table) stations += record.Kind == KindStation;
  }
  Layout layout = layoutFor(cells, stations);
  std::string text;
  appendHead(&text, layout, isoDate(header), dataFileName);
  appendHourLabels(&text, layout);
  if (stations == 0) {
    text.append("<text x=\"16\" y=\"");
    appendInt(&text, PlotTop + 10);
    text.append("\">No stations in this data file.</text>\n");
  }
  writeRaw(&file, text);

  if (stations > 0) writeStations(&file, *table, periods, cells);
  text.clear();
  appendHourLines(&text, layout);
  text.append("</svg>\n");
  writeRaw(&file, text);
  return file.close(run.log);
}

}  // namespace loopconv
