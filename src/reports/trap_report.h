// The Trap report.
#ifndef LOOPCONV_REPORTS_TRAP_REPORT_H_
#define LOOPCONV_REPORTS_TRAP_REPORT_H_

#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "run/run_context.h"

namespace loopconv {

// Writes the Trap report of the data file described by `header` and `table`
// (null when the table is absent) into the output folder. Returns 1 when the
// file was written and closed, 0 when it could not be opened or written.
int writeTrapReport(const RunContext& run, const DataHeader& header,
                   DeviceTable* table);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_TRAP_REPORT_H_
