#include "outputs/index_page.h"

#include <algorithm>
#include <cmath>

#include "base/output_file.h"
#include "base/platform.h"
#include "base/run_options.h"
#include "outputs/html_page.h"
#include "outputs/markup.h"
#include "outputs/markup_file.h"

namespace loopconv {
namespace {

constexpr const char* Announcement = "Writing index of the day pages to HTML file";
constexpr const char* IndexName = "Index.html";

// The summary block stands at the top of a page's head; no more of a page
// than this is read for it.
constexpr int64_t SummaryReadLimit = 1 << 20;

// Sparkline geometry: a step per hour, 4 units wide, speeds from 80 mph at
// the top (y 1) to 0 at the bottom (y 19), in whole units so that the path
// stays short: a year of days with dozens of corridors each is one page.
constexpr int SparkHourWidth = 4;
constexpr int SparkTop = 1;
constexpr int SparkBottom = 19;
constexpr double SparkTopMph = 80;

// The start of the file at `path`, at most `limit` bytes.
bool readHead(const std::string& path, int64_t limit, std::string* head, int* error) {
  OwnedFd fd = openRegularFileForReading(path, error);
  int64_t size = 0;
  if (!fd.valid() || !fileSize(fd.get(), &size, error)) return false;
  head->resize(static_cast<size_t>(std::min(size, limit)));
  return readFully(fd.get(), head->data(), static_cast<int64_t>(head->size()), error);
}

int sparkY(double mph) {
  double clamped = std::clamp(mph, 0.0, SparkTopMph);
  return SparkBottom -
         static_cast<int>(std::lround(clamped * (SparkBottom - SparkTop) / SparkTopMph));
}

// A decimal text ("277998.45") rounded half up to a whole number with
// thousands separators; the text itself when it is no plain decimal.
void appendWhole(std::string* out, const std::string& text) {
  size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  bool plain = !whole.empty() && whole.size() < 16 &&
               std::all_of(whole.begin(), whole.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!plain) {
    appendEscapedUtf8(out, text);
    return;
  }
  int64_t value = std::stoll(whole);
  if (point != std::string::npos && point + 1 < text.size() && text[point + 1] >= '5' &&
      text[point + 1] <= '9') {
    ++value;
  }
  appendGrouped(out, value);
}

void appendDayRow(std::string* out, const IndexedDay& day,
                  const std::vector<std::string>& corridorNames) {
  const DaySummary& s = day.summary;
  const std::string date = day.pageName.substr(4, 10);
  out->append("<tr><td class=\"nw\"><a href=\"");
  appendHref(out, day.pageName);
  out->append("\">");
  out->append(date);  // checked digits and dashes
  out->append("</a></td><td class=\"opt\">");
  out->append(weekdayName(date), 3);
  out->append("</td><td class=\"opt\"><code>");
  appendEscapedUtf8(out, s.dataFile);
  out->append("</code></td><td class=\"n\">");
  appendGrouped(out, s.devices);
  out->append("</td><td class=\"n\">");
  appendEscapedUtf8(out, s.observedPct);
  out->append("</td><td class=\"n\">");
  appendGrouped(out, s.notGood);
  out->append("</td><td class=\"n\" data-sort=\"");
  appendInt(out, s.errors * 1000000 + s.warnings);
  out->append("\">");
  appendInt(out, s.errors);
  out->append(" / ");
  appendInt(out, s.warnings);
  out->append("</td>");
  for (const std::string& name : corridorNames) {
    out->append("<td class=\"c\">");
    for (const CorridorDigest& corridor : s.corridors) {
      if (corridor.name != name) continue;
      appendSparkline(out, corridor);
      appendWhole(out, corridor.vmt);
      out->append(" / ");
      appendWhole(out, corridor.delay60);
      break;
    }
    out->append("</td>");
  }
  out->append("</tr>\n");
}

}  // namespace

bool isDayPageName(const std::string& name) {
  static const char Pattern[] = "Day_####-##-##.html";
  if (name.size() != sizeof Pattern - 1) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    bool match = Pattern[i] == '#' ? name[i] >= '0' && name[i] <= '9' : name[i] == Pattern[i];
    if (!match) return false;
  }
  return true;
}

void appendSparkline(std::string* out, const CorridorDigest& corridor) {
  // Steps of equal height merge into one; an hour without a speed breaks
  // the line.
  std::string d;
  int run = 0;
  int lastY = 0;
  auto flush = [&] {
    if (run == 0) return;
    d.push_back('h');
    appendInt(&d, run * SparkHourWidth);
    run = 0;
  };
  for (size_t h = 0; h < corridor.hourlySpeed.size() && h < 24; ++h) {
    const std::optional<double>& speed = corridor.hourlySpeed[h];
    if (!speed.has_value() || !std::isfinite(*speed)) {
      flush();
      lastY = 0;
      continue;
    }
    const int y = sparkY(*speed);
    if (lastY == 0) {
      flush();
      d.push_back('M');
      appendInt(&d, static_cast<int64_t>(h) * SparkHourWidth);
      d.push_back(' ');
      appendInt(&d, y);
    } else if (y != lastY) {
      flush();
      d.push_back('v');
      appendInt(&d, y - lastY);
    }
    lastY = y;
    ++run;
  }
  flush();
  out->append("<svg viewBox=\"0 0 96 20\"><path d=\"");
  out->append(d);
  out->append("\"/></svg>");
}

std::string indexPageText(const std::vector<IndexedDay>& days) {
  std::string out;
  appendPageStart(&out, "Loop detector days", std::string());
  out.append(
      "<header>\n<h1>Loop detector days</h1>\n<p>Every day converted into this folder with "
      "<code>--pages</code>, newest first. Open a day for its pictures, detector health and "
      "files.</p>\n</header>\n");
  if (days.empty()) {
    out.append("<p>No day page in this folder yet.</p>\n");
    appendPageEnd(&out);
    return out;
  }
  // A column per corridor of any day, in byte order of the names.
  std::vector<std::string> corridorNames;
  for (const IndexedDay& day : days) {
    for (const CorridorDigest& corridor : day.summary.corridors) {
      corridorNames.push_back(corridor.name);
    }
  }
  std::sort(corridorNames.begin(), corridorNames.end());
  corridorNames.erase(std::unique(corridorNames.begin(), corridorNames.end()), corridorNames.end());
  out.append("<div class=\"scroll\"><table class=\"");
  out.append(SortableClass);
  out.append(
      "\" id=\"days\">\n<thead><tr><th>Date</th><th class=\"opt\">Day</th>"
      "<th class=\"opt\">Data file</th><th class=\"n\">Devices</th>"
      "<th class=\"n\">Observed %</th><th class=\"n\">Not good</th>"
      "<th class=\"n\">E / W</th>");
  for (const std::string& name : corridorNames) {
    out.append("<th class=\"c\">");
    appendEscapedUtf8(&out, name);
    out.append("</th>");
  }
  out.append("</tr></thead>\n<tbody>\n");
  for (const IndexedDay& day : days) appendDayRow(&out, day, corridorNames);
  out.append("</tbody></table></div>\n");
  out.append("<footer>Written by loopconv ");
  out.append(VersionText);
  out.append(
      ". Observed %: share of the detectors' 20-second periods with data. Not good: "
      "detectors whose health verdict is not good. E / W: error and warning lines the run "
      "logged for the day's data file. A column per corridor: the speed of each hour of the "
      "day (0 to 80 mph up the side; the grey line is 50 mph), then the day's "
      "vehicle-miles travelled / the delay against 60 mph in vehicle-hours, both rounded to "
      "whole numbers (the day page has them exactly).</footer>\n");
  appendPageEnd(&out);
  return out;
}

bool writeIndexPage(const RunContext& run) {
  const std::string& folder = run.options.outputFolder;
  std::vector<std::string> names;
  int error = 0;
  if (!run.platform.listFolder(folder.empty() ? std::string("./") : folder, &names, &error)) {
    run.log.error("Could not list output folder [%s] for the index! - Error = [%d].\n",
                  folder.c_str(), error);
    return false;
  }
  std::vector<IndexedDay> days;
  for (const std::string& name : names) {
    if (!isDayPageName(name)) continue;
    std::string head;
    IndexedDay day;
    day.pageName = name;
    std::string why;
    if (!readHead(folder + name, SummaryReadLimit, &head, &error)) {
      why = "it cannot be read (error " + std::to_string(error) + ")";
    } else if (!readDaySummary(head, &day.summary, &why)) {
      // why says what is wrong
    } else {
      days.push_back(std::move(day));
      continue;
    }
    run.log.warn("Day page [%s%s] left out of the index: %s!\n", folder.c_str(), name.c_str(),
                 why.c_str());
    run.log.consoleWarning("Day page [%s%s] left out of the index: %s!\n", folder.c_str(),
                           name.c_str(), why.c_str());
  }
  // Newest first: the names hold the dates.
  std::sort(days.begin(), days.end(),
            [](const IndexedDay& a, const IndexedDay& b) { return a.pageName > b.pageName; });
  OutputTarget target{folder + IndexName, folder.size(), Compression::None};
  OutputFile file;
  if (!openOutputFile(run.log, target, Announcement, "data file", &file)) return false;
  writeMarkup(&file, indexPageText(days));
  return file.close(run.log);
}

}  // namespace loopconv
