// One cabinet list file from disk to its metadata CSV.
#ifndef LOOPCONV_CONVERT_LIST_FILE_CONVERSION_H_
#define LOOPCONV_CONVERT_LIST_FILE_CONVERSION_H_

#include <string>

#include "base/run_context.h"
#include "convert/file_outcome.h"

namespace loopconv {

// Converts the list file `name` (found in run.options.inputFolder) into the
// metadata CSV in run.options.outputFolder. `metadataDate` is the date text
// that carries over from one list file of the run to the next (empty at the
// start of the run). Returns true when the conversion ran to its end, false
// when it stopped early or its CSV could not be written. `name` may hold a
// sub-folder of the input folder (--recursive): the CSV then goes to the same
// sub-folder of the output folder. `outcome`, when given, receives what the
// conversion did.
[[nodiscard]] bool convertCabinetList(const std::string& name, const RunContext& run,
                                      std::string* metadataDate, FileOutcome* outcome = nullptr);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_LIST_FILE_CONVERSION_H_
