// "Index.html" in the output folder: one row per day page found there,
// newest first, with the figures each page carries in its summary block.
#ifndef LOOPCONV_OUTPUTS_INDEX_PAGE_H_
#define LOOPCONV_OUTPUTS_INDEX_PAGE_H_

#include <string>
#include <vector>

#include "base/run_context.h"
#include "outputs/day_summary.h"

namespace loopconv {

// A day page found in the folder and what it says of its day.
struct IndexedDay {
  std::string pageName;  // "Day_YYYY-MM-DD.html"
  DaySummary summary;
};

// True for "Day_YYYY-MM-DD.html" exactly.
bool isDayPageName(const std::string& name);

// Rewrites Index.html from the day pages of the output folder, by way of a
// temporary file. A page whose summary cannot be read is left out with a W
// line naming it. False when the folder cannot be listed or the index not
// written (E line logged).
[[nodiscard]] bool writeIndexPage(const RunContext& run);

// The index's text for `days`, newest first.
std::string indexPageText(const std::vector<IndexedDay>& days);

// A small line of a corridor's hourly speeds, an <svg> element.
void appendSparkline(std::string* out, const CorridorDigest& corridor);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_INDEX_PAGE_H_
