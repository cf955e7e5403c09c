// The page of a converted day, "Day_YYYY-MM-DD.html": one self-contained
// HTML5 file (inline style, inline SVG, no request of any kind) that answers
// the first questions of a shift: was the day normal, where and when was it
// slow, which detectors need a technician, and which files hold the rest.
#ifndef LOOPCONV_OUTPUTS_DAY_PAGE_H_
#define LOOPCONV_OUTPUTS_DAY_PAGE_H_

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "outputs/corridor_section.h"
#include "outputs/day_facts.h"
#include "outputs/day_summary.h"
#include "outputs/iso_date.h"

namespace loopconv {

// What the run did with one data file, for its page.
struct DayPageInput {
  const DataHeader* header = nullptr;
  const DeviceTable* table = nullptr;  // null: no table could be loaded
  std::string dataFileName;
  std::vector<std::string> problems;      // the file's W and E log lines, as logged
  std::vector<std::string> filesWritten;  // paths of the day's outputs, in the order written
  // With --corridors: what the page shows of the corridors instead of the
  // station picture (null without).
  const CorridorPageData* corridors = nullptr;
};

// A file of the day as the page lists it.
struct DayFileEntry {
  std::string name;  // relative to the output folder
  int64_t bytes = 0;
};

// What takes time in a page and needs only the table: the facts and the
// station picture. A run makes it beside the other outputs, on a thread of
// its own, and writes the page once they are done.
struct PreparedDayPage {
  bool dated = false;  // "Data Start" holds a date
  IsoDate date = {};
  DayFacts facts;
  std::string stationPicture;  // the <svg> element; empty with corridors
};
// `verdicts`, when not null, is waited for (after the picture) and then
// handed to gatherDayFacts().
PreparedDayPage prepareDayPage(const DataHeader& header, const DeviceTable* table,
                               const std::string& dataFileName, bool withStationPicture,
                               std::shared_future<std::vector<HealthVerdict>> verdicts = {});

// "Day_YYYY-MM-DD.html" in `folder` (which ends in a separator or is empty).
std::string dayPagePath(const std::string& folder, const IsoDate& date);

// Writes "Day_YYYY-MM-DD.html" into the output folder, never compressed, by
// way of a temporary file. False when it could not be written (E line logged).
[[nodiscard]] bool writeDayPage(const RunContext& run, const DayPageInput& input,
                                const PreparedDayPage& prepared);
// The same, preparing the page first.
[[nodiscard]] bool writeDayPage(const RunContext& run, const DayPageInput& input);

// The page's text and the summary it carries, from the prepared parts and
// the files found.
std::string dayPageText(const DayPageInput& input, const PreparedDayPage& prepared,
                        const std::vector<DayFileEntry>& files);
DaySummary daySummaryOf(const DayPageInput& input, const PreparedDayPage& prepared);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_DAY_PAGE_H_
