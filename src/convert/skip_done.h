// --skip-done: a data file whose every requested output is already in the
// output folder, each newer than the data file, is not converted again.
#ifndef LOOPCONV_CONVERT_SKIP_DONE_H_
#define LOOPCONV_CONVERT_SKIP_DONE_H_

#include <string>
#include <vector>

#include "base/run_options.h"

namespace loopconv {

// What the check found for one data file.
struct DoneCheck {
  bool upToDate = false;  // every requested output exists and is newer
  std::string date;       // YYYY-MM-DD of its Data Start; empty when none
  // The requested outputs, relative to the output folder (the names depend
  // on the Data Start date; empty when the header holds none).
  std::vector<std::string> outputs;
};

// Checks the data file `name` (relative to options.inputFolder, as the folder
// scan gives it) against the outputs that `options` ask for. Only the start
// of the file is read, for its header. A file that cannot be read, or holds
// no valid date, is never up to date: it is converted (and fails) as usual.
DoneCheck checkDone(const RunOptions& options, const std::string& name);

// The checks of the data files `names` of one run, in order, with one more
// rule: files of the same Data Start date in the same output folder write the
// same outputs, the later replacing the earlier. When one of them must be
// converted, all of them are, so that the run ends with the files a run
// without --skip-done gives.
std::vector<DoneCheck> checkAllDone(const RunOptions& options,
                                    const std::vector<std::string>& names);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_SKIP_DONE_H_
