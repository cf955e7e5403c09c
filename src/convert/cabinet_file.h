// The cabinet list of --cabinets=FILE, read from disk once per run.
#ifndef LOOPCONV_CONVERT_CABINET_FILE_H_
#define LOOPCONV_CONVERT_CABINET_FILE_H_

#include "base/run_context.h"
#include "corridor/cabinet_join.h"

namespace loopconv {

// Reads run.options.cabinetsFile (a path as given, not inside the input
// folder) into *places and logs how many cabinets it places. False, with an
// E line, when the file cannot be opened or read or its path is too long.
[[nodiscard]] bool readCabinetFile(const RunContext& run, CabinetPlaces* places);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_CABINET_FILE_H_
