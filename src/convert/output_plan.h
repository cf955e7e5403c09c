// The outputs that the options ask for from one data file: where each goes
// and how it is written. The one list of them, for the conversion (which
// writes them) and for --skip-done (which looks whether they are there).
#ifndef LOOPCONV_CONVERT_OUTPUT_PLAN_H_
#define LOOPCONV_CONVERT_OUTPUT_PLAN_H_

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "analysis/health.h"
#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

class CabinetPlaces;

// One writer and the files it writes (a roll-up writes two).
struct PlannedOutput {
  // Full paths as written: the output folder, the name and, for a CSV, the
  // compression suffix.
  std::vector<std::string> paths;
  // Writes them; true when all were written. Holds references to the
  // arguments of planOutputs(), which must outlive it.
  std::function<bool(const RunContext&)> write;
};

// The outputs of the data file `dataFileName` described by `header` (with a
// valid Data Start date) and `table` (may be null when only the paths are
// wanted), in the order they are written and logged: Element, Lane, Trap,
// Contents, roll-ups, health, picture.
// With --corridors the corridor files come last; `cabinets` is the run's
// cabinet list, null when it could not be read (the writer then writes
// nothing: the run has logged why).
// `verdicts`, when given with --health, receives the health table's verdicts
// (for the day page).
std::vector<PlannedOutput> planOutputs(
    const RunOptions& options, const DataHeader& header, const DeviceTable* table,
    const std::string& dataFileName, const CabinetPlaces* cabinets = nullptr,
    std::promise<std::vector<HealthVerdict>>* verdicts = nullptr);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_OUTPUT_PLAN_H_
