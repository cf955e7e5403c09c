#include "outputs/day_page.h"

#include <sys/stat.h>

#include <cstring>

#include "base/output_file.h"
#include "base/run_options.h"
#include "outputs/health_report.h"
#include "outputs/html_page.h"
#include "outputs/markup.h"
#include "outputs/markup_file.h"
#include "outputs/picture.h"

namespace loopconv {
namespace {

constexpr const char* Announcement = "Writing day page to HTML file";

// The run's lines of a file that the header shows before it says "and N more
// in the log".
constexpr size_t ShownProblems = 40;

// What a logged line is: "[stamp] W text" or "[stamp] E text".
char severityOf(const std::string& line) {
  size_t mark = line.find("] ");
  return mark == std::string::npos || mark + 2 >= line.size() ? ' ' : line[mark + 2];
}

void appendCount(std::string* out, int64_t count, const char* one, const char* many) {
  appendGrouped(out, count);
  out->push_back(' ');
  out->append(count == 1 ? one : many);
}

void appendHeader(std::string* out, const DayPageInput& input, const IsoDate& date,
                  const DayFacts& facts, int64_t errors, int64_t warnings) {
  const std::string day = date.str();
  out->append("<nav><a href=\"Index.html\">All days</a></nav>\n<header>\n<h1>");
  out->append(weekdayName(day));
  out->push_back(' ');
  out->append(day);
  out->append("</h1>\n<p>Loop detector day from data file <code>");
  appendEscaped(out, input.dataFileName);
  out->append("</code>.</p>\n<ul class=\"facts\">\n<li><b data-figure=\"devices\">");
  const DeviceCounts& d = facts.devices;
  appendGrouped(out, d.total());
  out->append("</b> devices: ");
  struct Part {
    int32_t count;
    const char* one;
    const char* many;
  };
  const Part parts[] = {{d.lanes, "lane", "lanes"},
                        {d.speedLoops, "speed loop", "speed loops"},
                        {d.rampMeters, "ramp-meter lane", "ramp-meter lanes"},
                        {d.stations, "station", "stations"},
                        {d.traps, "trap", "traps"},
                        {d.meteredLanes, "metered lane", "metered lanes"},
                        {d.other, "other", "other"}};
  bool first = true;
  for (const Part& part : parts) {
    if (part.count == 0) continue;
    if (!first) out->append(", ");
    first = false;
    appendCount(out, part.count, part.one, part.many);
  }
  if (first) out->append("none");
  out->append("</li>\n<li><b data-figure=\"observed_pct\">");
  appendPercentTenths(out, facts.observedPeriods, facts.detectorPeriods);
  out->append("%</b> of detector periods observed</li>\n<li><b data-figure=\"not_good\">");
  appendGrouped(out, static_cast<int64_t>(facts.notGood.size()));
  out->append("</b> of ");
  appendGrouped(out, d.detectors());
  out->append(" detectors not good</li>\n<li><b data-figure=\"errors\">");
  appendGrouped(out, errors);
  out->append("</b> E and <b data-figure=\"warnings\">");
  appendGrouped(out, warnings);
  out->append("</b> W lines in the run's log</li>\n</ul>\n");
  if (input.problems.empty()) {
    out->append("<p class=\"ok\">The run logged no warning or error for this file.</p>\n");
  } else {
    out->append("<ul class=\"log\">\n");
    size_t shown = std::min(input.problems.size(), ShownProblems);
    for (size_t i = 0; i < shown; ++i) {
      const std::string& line = input.problems[i];
      out->append(severityOf(line) == 'E' ? "<li class=\"e\">" : "<li>");
      // Without the line end the log gives it.
      size_t length = line.size();
      while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
      appendEscaped(out, line.data(), length);
      out->append("</li>\n");
    }
    if (input.problems.size() > shown) {
      out->append("<li>&#x2026; and ");
      appendGrouped(out, static_cast<int64_t>(input.problems.size() - shown));
      out->append(" more in the log file.</li>\n");
    }
    out->append("</ul>\n");
  }
  out->append("</header>\n");
}

void appendStationPicture(std::string* out, const std::string& picture) {
  out->append("<section id=\"stations\">\n<h2>Station speeds</h2>\n<figure class=\"wide\">\n");
  out->append(picture);
  out->append(
      "<figcaption>Every station's five-minute speed over the day, in the order of the data "
      "file; hover over a cell for its times and speeds.</figcaption>\n</figure>\n</section>\n");
}

void appendHealth(std::string* out, const DayFacts& facts) {
  out->append(
      "<section id=\"health\">\n<h2>Detector health</h2>\n<div class=\"scroll\"><table "
      "id=\"health-counts\">\n<thead><tr><th>Verdict</th><th class=\"n\">Detectors</th>"
      "<th>What it means</th></tr></thead>\n<tbody>\n");
  // Good first, then the faults in their order of precedence.
  static const HealthStatus Order[] = {
      HealthStatus::Good,    HealthStatus::NoData,     HealthStatus::InsufficientData,
      HealthStatus::CardOff, HealthStatus::HighValues, HealthStatus::Intermittent,
      HealthStatus::Constant};
  for (HealthStatus status : Order) {
    const char* text = healthStatusText(status);
    out->append("<tr><td><span class=\"st st-");
    out->append(text);
    out->append("\">");
    out->append(text);
    out->append("</span></td><td class=\"n\" data-status=\"");
    out->append(text);
    out->append("\">");
    appendGrouped(out, facts.count(status));
    out->append("</td><td>");
    appendEscaped(out, std::string(healthStatusMeaning(status)));
    out->append("</td></tr>\n");
  }
  out->append("</tbody></table></div>\n");
  if (facts.notGood.empty()) {
    out->append("<p class=\"ok\">Every detector is good.</p>\n</section>\n");
    return;
  }
  out->append("<h3>Detectors not good, worst first</h3>\n<div class=\"scroll\"><table class=\"");
  out->append(SortableClass);
  out->append(
      "\" id=\"health-detectors\">\n<thead><tr><th>Device</th><th>Type</th><th>Verdict</th>"
      "<th class=\"n\">Expected</th><th class=\"n\">Samples</th>"
      "<th class=\"n\">Zero occ. %</th><th class=\"n\">High occ. %</th>"
      "<th class=\"n\">High vol. %</th><th class=\"n\">Occ. no vol. %</th>"
      "<th class=\"n\">Vol. no occ. %</th><th class=\"n\">Longest constant run</th>"
      "<th>In short</th></tr></thead>\n<tbody>\n");
  char share[32];
  for (const HealthEntry& entry : facts.notGood) {
    const HealthVerdict& v = entry.verdict;
    const char* status = healthStatusText(v.status);
    out->append("<tr><td><code>");
    appendEscaped(out, entry.name);
    out->append("</code></td><td>");
    out->append(detectorTypeText(entry.type));
    out->append("</td><td data-sort=\"");
    appendInt(out, static_cast<int>(v.status));
    out->append("\"><span class=\"st st-");
    out->append(status);
    out->append("\">");
    out->append(status);
    out->append("</span></td>");
    for (int32_t count : {v.expected, v.samples}) {
      out->append("<td class=\"n\">");
      appendInt(out, count);
      out->append("</td>");
    }
    for (int32_t count : {v.zeroOccupancy, v.highOccupancy, v.highVolume, v.occupancyNoVolume,
                          v.volumeNoOccupancy}) {
      out->append("<td class=\"n\">");
      if (v.samples > 0) out->append(share, putHealthShare(share, count, v.samples));
      out->append("</td>");
    }
    out->append("<td class=\"n\">");
    appendInt(out, v.longestConstantRun);
    out->append("</td><td>");
    appendEscaped(out, std::string(healthStatusBrief(v.status)));
    out->append("</td></tr>\n");
  }
  out->append("</tbody></table></div>\n</section>\n");
}

void appendFiles(std::string* out, const std::vector<DayFileEntry>& files) {
  out->append("<section id=\"files\">\n<h2>Files of the day</h2>\n");
  if (files.empty()) {
    out->append("<p>The run wrote no other file for this day.</p>\n</section>\n");
    return;
  }
  out->append("<div class=\"scroll\"><table class=\"");
  out->append(SortableClass);
  out->append(
      "\" id=\"files-written\">\n<thead><tr><th>File</th><th class=\"n\">Size</th></tr>"
      "</thead>\n<tbody>\n");
  for (const DayFileEntry& file : files) {
    out->append("<tr><td><a href=\"");
    appendHref(out, file.name);
    out->append("\">");
    appendEscaped(out, file.name);
    out->append("</a></td><td class=\"n\" data-sort=\"");
    appendInt(out, file.bytes);
    out->append("\" data-bytes=\"");
    appendInt(out, file.bytes);
    out->append("\">");
    appendByteSize(out, file.bytes);
    out->append("</td></tr>\n");
  }
  out->append("</tbody></table></div>\n</section>\n");
}

// The files of `paths` that are still there, named relative to `folder`.
std::vector<DayFileEntry> findFiles(const std::vector<std::string>& paths,
                                    const std::string& folder) {
  std::vector<DayFileEntry> files;
  for (const std::string& path : paths) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    DayFileEntry entry;
    bool inFolder = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
    entry.name = inFolder ? path.substr(folder.size()) : path.substr(path.rfind('/') + 1);
    entry.bytes = status.st_size;
    files.push_back(std::move(entry));
  }
  return files;
}

}  // namespace

PreparedDayPage prepareDayPage(const DataHeader& header, const DeviceTable* table,
                               const std::string& dataFileName, bool withStationPicture,
                               std::shared_future<std::vector<HealthVerdict>> verdicts) {
  PreparedDayPage prepared;
  prepared.dated = isoDateOf(header, &prepared.date);
  if (!prepared.dated) return prepared;
  if (withStationPicture) {
    producePicture(header, table, prepared.date, dataFileName, false,
                   [&prepared](const std::string& text) { prepared.stationPicture += text; });
  }
  prepared.facts = gatherDayFacts(header, table, verdicts.valid() ? &verdicts.get() : nullptr);
  return prepared;
}

DaySummary daySummaryOf(const DayPageInput& input, const PreparedDayPage& prepared) {
  const DayFacts& facts = prepared.facts;
  DaySummary summary;
  summary.date = prepared.date.str();
  appendLatin1AsUtf8(&summary.dataFile, input.dataFileName.data(), input.dataFileName.size());
  summary.devices = facts.devices.total();
  summary.detectors = facts.devices.detectors();
  appendPercentTenths(&summary.observedPct, facts.observedPeriods, facts.detectorPeriods);
  summary.notGood = static_cast<int64_t>(facts.notGood.size());
  for (const std::string& line : input.problems) {
    char severity = severityOf(line);
    summary.errors += severity == 'E';
    summary.warnings += severity == 'W';
  }
  if (input.corridors != nullptr && input.corridors->failure.empty()) {
    for (const CorridorPageEntry& corridor : input.corridors->corridors) {
      CorridorDigest digest;
      appendLatin1AsUtf8(&digest.name, corridor.name.data(), corridor.name.size());
      for (const CorridorSummaryTexts& window : corridor.windows) {
        if (window.window != "day") continue;
        digest.vmt = window.vmt;
        digest.delay60 = window.delay60;
      }
      digest.hourlySpeed = corridor.hourlySpeed;
      summary.corridors.push_back(std::move(digest));
    }
  }
  return summary;
}

std::string dayPageText(const DayPageInput& input, const PreparedDayPage& prepared,
                        const std::vector<DayFileEntry>& files) {
  const IsoDate& date = prepared.date;
  const DayFacts& facts = prepared.facts;
  const DaySummary summary = daySummaryOf(input, prepared);
  std::string head(SummaryOpen);
  head.append(daySummaryJson(summary));
  head.append(SummaryClose);
  head.push_back('\n');
  std::string title = date.str();
  title.append(" &#x2014; loop detector day");

  std::string out;
  appendPageStart(&out, title, head);
  appendHeader(&out, input, date, facts, summary.errors, summary.warnings);
  const CorridorPageData* corridors = input.corridors;
  if (corridors != nullptr && corridors->failure.empty()) {
    appendCorridorSection(&out, *corridors);
  } else {
    if (corridors != nullptr) {
      out.append("<p class=\"log\">No corridors: ");
      appendEscaped(&out, corridors->failure);
      out.append("</p>\n");
    }
    appendStationPicture(&out, prepared.stationPicture);
  }
  appendHealth(&out, facts);
  appendFiles(&out, files);
  out.append("<footer>Written by loopconv ");
  out.append(VersionText);
  out.append(
      ". Every figure on this page is also in the CSV files listed above; docs/reports.md "
      "describes them.</footer>\n");
  appendPageEnd(&out);
  return out;
}

std::string dayPagePath(const std::string& folder, const IsoDate& date) {
  return dayFilePath(folder, "Day_", date, ".html");
}

bool writeDayPage(const RunContext& run, const DayPageInput& input,
                  const PreparedDayPage& prepared) {
  if (input.header == nullptr || !prepared.dated) {
    run.log.error("The day page needs a Data Start date (MM/DD/YYYY), not [%.*s]!\n",
                  input.header == nullptr ? 0 : static_cast<int>(sizeof input.header->dataStart),
                  input.header == nullptr ? "" : input.header->dataStart);
    return false;
  }
  const std::string& folder = run.options.outputFolder;
  const std::string text = dayPageText(input, prepared, findFiles(input.filesWritten, folder));
  // Never compressed: a browser opens the page from the folder as it is.
  OutputTarget target{dayPagePath(folder, prepared.date), folder.size(), Compression::None};
  OutputFile file;
  if (!openOutputFile(run.log, target, Announcement, "data file", &file)) return false;
  writeMarkup(&file, text);
  return file.close(run.log);
}

bool writeDayPage(const RunContext& run, const DayPageInput& input) {
  if (input.header == nullptr) return writeDayPage(run, input, PreparedDayPage());
  const bool stationPicture = input.corridors == nullptr || !input.corridors->failure.empty();
  return writeDayPage(
      run, input, prepareDayPage(*input.header, input.table, input.dataFileName, stationPicture));
}

}  // namespace loopconv
