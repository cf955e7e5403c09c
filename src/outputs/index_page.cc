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

// Sparkline geometry: one point per hour, speeds 0 to 80 mph up the side.
constexpr int SparkWidth = 96;
constexpr int SparkHeight = 22;
constexpr double SparkTopMph = 80;

// The start of the file at `path`, at most `limit` bytes.
bool readHead(const std::string& path, int64_t limit, std::string* head, int* error) {
  OwnedFd fd = openRegularFileForReading(path, error);
  int64_t size = 0;
  if (!fd.valid() || !fileSize(fd.get(), &size, error)) return false;
  head->resize(static_cast<size_t>(std::min(size, limit)));
  return readFully(fd.get(), head->data(), static_cast<int64_t>(head->size()), error);
}

double sparkY(double mph) {
  double clamped = std::clamp(mph, 0.0, SparkTopMph);
  return SparkHeight - 1 - clamped * (SparkHeight - 2) / SparkTopMph;
}

void appendCoordinate(std::string* out, double value) {
  appendTenths(out, static_cast<int32_t>(std::lround(value * 10)));
}

void appendDayRow(std::string* out, const IndexedDay& day) {
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
  out->append("</td><td>");
  if (s.corridors.empty()) out->append("&#x2014;");
  for (const CorridorDigest& corridor : s.corridors) {
    out->append("<div class=\"cor\"><span class=\"cn\">");
    appendEscapedUtf8(out, corridor.name);
    out->append("</span> ");
    appendSparkline(out, corridor);
    out->append(" <span class=\"n\">");
    appendEscapedUtf8(out, corridor.vmt);
    out->append(" VMT, delay ");
    appendEscapedUtf8(out, corridor.delay60);
    out->append(" veh-h</span></div>");
  }
  out->append("</td></tr>\n");
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
  out->append("<svg class=\"spark\" width=\"");
  appendInt(out, SparkWidth);
  out->append("\" height=\"");
  appendInt(out, SparkHeight);
  out->append("\" viewBox=\"0 0 ");
  appendInt(out, SparkWidth);
  out->push_back(' ');
  appendInt(out, SparkHeight);
  out->append("\" role=\"img\"><title>Hourly speed of ");
  appendEscapedUtf8(out, corridor.name);
  // Lowest hour, as the line's reader looks for it first.
  double lowest = SparkTopMph + 1;
  size_t lowestHour = 0;
  for (size_t h = 0; h < corridor.hourlySpeed.size(); ++h) {
    const std::optional<double>& speed = corridor.hourlySpeed[h];
    if (speed.has_value() && std::isfinite(*speed) && *speed < lowest) {
      lowest = *speed;
      lowestHour = h;
    }
  }
  if (lowest <= SparkTopMph) {
    out->append(", lowest ");
    appendCoordinate(out, lowest);
    out->append(" mph at ");
    appendInt(out, static_cast<int64_t>(lowestHour));
    out->append(":00");
  }
  out->append("</title><path stroke=\"#bbb\" stroke-dasharray=\"2 2\" d=\"M0 ");
  appendCoordinate(out, sparkY(50));
  out->push_back('H');
  appendInt(out, SparkWidth);
  out->append("\"/><path fill=\"none\" stroke=\"#333\" stroke-width=\"1.3\" d=\"");
  const size_t hours = corridor.hourlySpeed.size();
  bool drawing = false;
  for (size_t h = 0; h < hours; ++h) {
    const std::optional<double>& speed = corridor.hourlySpeed[h];
    if (!speed.has_value() || !std::isfinite(*speed)) {
      drawing = false;
      continue;
    }
    out->push_back(drawing ? 'L' : 'M');
    appendCoordinate(out, (h + 0.5) * SparkWidth / std::max<size_t>(hours, 1));
    out->push_back(' ');
    appendCoordinate(out, sparkY(*speed));
    drawing = true;
  }
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
  out.append("<div class=\"scroll\"><table class=\"");
  out.append(SortableClass);
  out.append(
      "\" id=\"days\">\n<thead><tr><th>Date</th><th class=\"opt\">Day</th>"
      "<th class=\"opt\">Data file</th><th class=\"n\">Devices</th>"
      "<th class=\"n\">Observed %</th><th class=\"n\">Not good</th>"
      "<th class=\"n\">E / W</th><th>Corridors</th></tr></thead>\n<tbody>\n");
  for (const IndexedDay& day : days) appendDayRow(&out, day);
  out.append("</tbody></table></div>\n");
  out.append("<footer>Written by loopconv ");
  out.append(VersionText);
  out.append(
      ". Observed %: share of the detectors' 20-second periods with data. Not good: "
      "detectors whose health verdict is not good. E / W: error and warning lines the run "
      "logged for the day's data file. Corridors: the speed of each hour of the day (the "
      "dashed line is 50 mph, the scale 0 to 80 mph), the day's vehicle-miles travelled and "
      "the delay against 60 mph in vehicle-hours.</footer>\n");
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
  std::sort(days.begin(), days.end(), [](const IndexedDay& a, const IndexedDay& b) {
    return a.pageName > b.pageName;
  });
  OutputTarget target{folder + IndexName, folder.size(), Compression::None};
  OutputFile file;
  if (!openOutputFile(run.log, target, Announcement, "data file", &file)) return false;
  writeMarkup(&file, indexPageText(days));
  return file.close(run.log);
}

}  // namespace loopconv
