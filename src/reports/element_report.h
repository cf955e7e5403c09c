// The Element report: lanes and stations with their trap values, estimates
// and colour codes.
#ifndef LOOPCONV_REPORTS_ELEMENT_REPORT_H_
#define LOOPCONV_REPORTS_ELEMENT_REPORT_H_

#include <cstddef>

#include <string>

#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "reports/number_text.h"

namespace loopconv {

// The path of the Element report the options ask for (without a compression
// suffix): the output folder and the name the writer below uses.
std::string elementReportPath(const RunOptions& options, const DataHeader& header);

// Writes the Element report of the data file described by `header` and `table`
// (null when the table is absent) into the output folder. Returns true when the
// file was written and closed, false when it could not be opened or written.
[[nodiscard]] bool writeElementReport(const RunContext& run, const DataHeader& header,
                                      const DeviceTable* table);

// Room for the longest Element row, slack included.
constexpr size_t ElementRowRoom = 256;

// Writes the row of `record` at `period`, as
// "%s,%u,%u,%2.1f,%u,%u,%u,%u,%u,%u,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u,%u,%u,%2.1f,%d,%s\n"
// with CR LF, and returns its end. The colour columns are the period's codes.
// `label` is the period's time label (TimeLabelLength characters) to which
// the row adds its trailing blank.
char* formatElementRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                       const char* label);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_ELEMENT_REPORT_H_
