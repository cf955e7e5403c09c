// The Contents report: the devices of a data file with their lane counts.
#ifndef LOOPCONV_REPORTS_CONTENTS_REPORT_H_
#define LOOPCONV_REPORTS_CONTENTS_REPORT_H_

#include <string>

#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

// The path of the Contents report the options ask for (without a compression
// suffix): the output folder and the name the writer below uses.
std::string contentsReportPath(const RunOptions& options, const DataHeader& header);

// Writes the Contents report of the data file described by `header` and `table`
// (null when the table is absent) into the output folder. Returns true when the
// file was written and closed, false when it could not be opened or written.
[[nodiscard]] bool writeContentsReport(const RunContext& run, const DataHeader& header,
                                       const DeviceTable* table);

// Stations and traps always; lanes unless speed loops ('S' at name position
// 16) without option S or ramp-meter lanes ('R') without option C; metered
// lanes unless 'R' without option C; nothing else.
bool passesContentsFilter(const DeviceRecord& record, bool includeSpeedLoops,
                          bool includeRampMeters);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_CONTENTS_REPORT_H_
