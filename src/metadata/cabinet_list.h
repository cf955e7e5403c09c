// Converts a cabinet list file into the metadata CSV.
#ifndef LOOPCONV_METADATA_CABINET_LIST_H_
#define LOOPCONV_METADATA_CABINET_LIST_H_

#include <string>

#include "run/run_context.h"

namespace loopconv {

// Converts the list file `name` (found in run.options.inputFolder) into the
// metadata CSV in run.options.outputFolder. `metadataDate` is the date text
// that carries over from one list file of the run to the next (empty at the
// start of the run). Returns 1 when the conversion ran to its end, 0 when it
// stopped early.
int convertCabinetList(const std::string& name, const RunContext& run,
                       std::string* metadataDate);

}  // namespace loopconv

#endif  // LOOPCONV_METADATA_CABINET_LIST_H_
