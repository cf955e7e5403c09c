// The Trap report.
#ifndef LOOPCONV_REPORTS_TRAP_REPORT_H_
#define LOOPCONV_REPORTS_TRAP_REPORT_H_

#include <cstddef>

#include <string>

#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "reports/number_text.h"

namespace loopconv {

// The path of the Trap report the options ask for (without a compression
// suffix): the output folder and the name the writer below uses.
std::string trapReportPath(const RunOptions& options, const DataHeader& header);

// Writes the Trap report of the data file described by `header` and `table`
// (null when the table is absent) into the output folder. Returns true when the
// file was written and closed, false when it could not be opened or written.
[[nodiscard]] bool writeTrapReport(const RunContext& run, const DataHeader& header,
                                   const DeviceTable* table);

// Room for the longest Trap row, slack included.
constexpr size_t TrapRowRoom = 128;

// Writes the row of `record` at `period`, as
// "%s,%s,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u\n" with CR LF, and returns its end.
// `label` is the period's time label (TimeLabelLength characters).
char* formatTrapRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                    const char* label);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_TRAP_REPORT_H_
