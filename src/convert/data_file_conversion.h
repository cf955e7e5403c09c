// One data file from disk to its reports.
#ifndef LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_
#define LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_

#include <string>

#include "base/run_context.h"
#include "convert/date_claims.h"
#include "convert/file_outcome.h"

namespace loopconv {

class CabinetPlaces;

// Converts the data file `name` (found in run.options.inputFolder): reads it,
// builds its device table, derives the station and estimate planes and writes
// the reports the options ask for. Returns true when the file was processed
// to the end, false when it could not be opened, allocated or read. `name`
// may hold a sub-folder of the input folder ("2021-08/day.DAT", --recursive):
// the outputs then go to the same sub-folder of the output folder, which must
// exist. `outcome`, when given, receives what the conversion did.
// `cabinets`, the run's cabinet list (read once, only read here), is null
// unless --corridors was asked for and the list could be read.
// With a `claim` (the run's data files), the outputs wait for the earlier
// files of the same date, and a file that replaces an earlier one's outputs
// says so after its Completed lines.
[[nodiscard]] bool processDataFile(const std::string& name, const RunContext& run,
                                   FileOutcome* outcome = nullptr,
                                   const CabinetPlaces* cabinets = nullptr,
                                   DateClaim* claim = nullptr);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_DATA_FILE_CONVERSION_H_
