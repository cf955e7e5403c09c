// One data file from disk to its reports.
#ifndef LOOPCONV_DATAFILE_PIPELINE_H_
#define LOOPCONV_DATAFILE_PIPELINE_H_

#include <string>

#include "run/run_context.h"

namespace loopconv {

// Converts the data file `name` (found in run.options.inputFolder). Returns 1
// when the file was processed to the end, 0 when it could not be opened,
// allocated or read.
int processDataFile(const std::string& name, const RunContext& run);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_PIPELINE_H_
