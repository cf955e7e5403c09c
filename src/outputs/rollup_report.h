// The interval roll-up reports (--rollup=MIN): one tidy CSV of the lanes and
// one of the stations, a row per device and interval of MIN minutes.
#ifndef LOOPCONV_REPORTS_ROLLUP_REPORT_H_
#define LOOPCONV_REPORTS_ROLLUP_REPORT_H_

#include <string>

#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "outputs/iso_date.h"

namespace loopconv {

// The announcement of a roll-up file in the log.
constexpr const char* AnnounceRollups = "Writing interval roll-ups to CSV file";

// The two files of a roll-up of `minutes` for the day `date` in `folder`
// (without a compression suffix).
struct RollupPaths {
  std::string lanes;     // "<folder>Rollup_Lanes_{MIN}min_YYYY-MM-DD.csv"
  std::string stations;  // "<folder>Rollup_Stations_{MIN}min_YYYY-MM-DD.csv"
};
RollupPaths rollupReportPaths(const std::string& folder, const IsoDate& date, int minutes);

// Writes "Rollup_Lanes_{MIN}min_YYYY-MM-DD.csv" (every entry of kind 80, in
// table order) and "Rollup_Stations_{MIN}min_YYYY-MM-DD.csv" (kind 84) into
// the output folder, the date taken from "Data Start" (MM/DD/YYYY). A null
// `table` gives files holding the header line alone. Options P, D, S and C
// do not apply. Returns true when both files were written and closed; false when
// one could not be opened or written, or when `minutes` is not 1, 5, 15 or
// 60 or "Data Start" holds no date (nothing is written then), each with an
// E line in the log.
[[nodiscard]] bool writeRollupReports(const RunContext& run, const DataHeader& header,
                                      const DeviceTable* table, int minutes);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_ROLLUP_REPORT_H_
