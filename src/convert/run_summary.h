// --summary=FILE: one CSV row per input file of the run, saying what was done
// with it, written atomically at the end of the run.
#ifndef LOOPCONV_CONVERT_RUN_SUMMARY_H_
#define LOOPCONV_CONVERT_RUN_SUMMARY_H_

#include <string>
#include <vector>

#include "base/log.h"
#include "convert/file_outcome.h"

namespace loopconv {

enum class SummaryStatus {
  Converted,  // converted, every output written
  Skipped,    // up to date (--skip-done)
  Failed,     // could not be read, or an output could not be written
  Refused,    // no valid date: nothing converted
  Replaced,   // a file of the same date wrote the same outputs (both rows)
};

const char* summaryStatusText(SummaryStatus status);

struct SummaryRow {
  std::string file;      // relative to the input folder
  bool list = false;     // a cabinet list (metadata mode), else a data file
  bool skipped = false;  // --skip-done found it up to date
  FileOutcome outcome;
};

// The status of each row. Completed files of one kind with the same date in
// the same folder write the same output names, the later replacing the
// earlier's: each of them is `replaced` (a failed write stays `failed`).
std::vector<SummaryStatus> summaryStatuses(const std::vector<SummaryRow>& rows);

// Writes the summary to `path` (under a temporary name, renamed into place
// when complete): the header
// "file,kind,date,status,devices,periods,errors,warnings,seconds,outputs",
// then one row per file in run order, every line ending in CR LF. An empty
// field where a value is not known; `outputs` joins the names written with
// ';'. False, with an E line, when it could not be written.
[[nodiscard]] bool writeRunSummary(const std::string& path, const std::vector<SummaryRow>& rows,
                                   Log& log);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_RUN_SUMMARY_H_
