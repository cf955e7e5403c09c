// One data file from disk to its reports.
#ifndef LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_
#define LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_

#include <string>

#include "base/run_context.h"

namespace loopconv {

class CabinetPlaces;

// Converts the data file `name` (found in run.options.inputFolder): reads it,
// builds its device table, derives the station and estimate planes and writes
// the reports the options ask for. Returns true when the file was processed
// to the end, false when it could not be opened, allocated or read.
// `cabinets`, the run's cabinet list (read once, only read here), is null
// unless --corridors was asked for and the list could be read.
[[nodiscard]] bool processDataFile(const std::string& name, const RunContext& run,
                                   const CabinetPlaces* cabinets = nullptr);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_
