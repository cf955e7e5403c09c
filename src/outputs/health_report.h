// The detector health report: one row per lane and station of a data file
// with its sample counts, the shares of suspicious samples and a verdict.
#ifndef LOOPCONV_OUTPUTS_HEALTH_REPORT_H_
#define LOOPCONV_OUTPUTS_HEALTH_REPORT_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/health.h"
#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "outputs/iso_date.h"

namespace loopconv {

struct HealthSummary {
  bool written = false;  // the file was written and renamed into place
  std::array<int32_t, HealthStatusCount> byStatus = {};

  int32_t count(HealthStatus status) const { return byStatus[static_cast<size_t>(status)]; }
};

// "<folder>Health_YYYY-MM-DD.csv" (without a compression suffix).
std::string healthReportPath(const std::string& folder, const IsoDate& date);

// Writes "Health_YYYY-MM-DD.csv" (the date from "Data Start") into the output
// folder for the data file `dataFileName` described by `header` and `table`
// (null when the table is absent: the header line alone). Every entry of
// kind 80 or 84 gets a row, in table order. Logs and prints the count of
// detectors by status once the file is written, and returns the counts.
// `verdicts`, when given, receives every row's verdict in table order (for
// the day page, which then need not judge again).
[[nodiscard]] HealthSummary writeHealthReport(const RunContext& run, const DataHeader& header,
                                              const DeviceTable* table,
                                              const std::string& dataFileName,
                                              std::vector<HealthVerdict>* verdicts = nullptr);

// `count` in percent of `samples` (above 0) with two decimals, rounded half
// up in integers: the text of the table's percentage columns.
char* putHealthShare(char* out, int32_t count, int32_t samples);

// Room for the longest row, slack included.
constexpr size_t HealthRowRoom = 256;

// Appends the row of `record` judged as `verdict` on the day `date` (the
// leading column, so that the tables of many days stay apart once loaded
// together), ending in CR LF, and returns its end. The name is quoted when it
// holds a comma, a quote or a line end, so that the columns stay in place.
char* formatHealthRow(char* out, const IsoDate& date, const DeviceRecord& record, DetectorType type,
                      const HealthVerdict& verdict);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_HEALTH_REPORT_H_
