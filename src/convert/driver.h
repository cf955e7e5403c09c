// The run: options, log, folder scan, dispatch of every data or list file,
// summary.
#ifndef LOOPCONV_CONVERT_DRIVER_H_
#define LOOPCONV_CONVERT_DRIVER_H_

#include <cstdio>

#include "base/platform.h"
#include "base/run_options.h"

namespace loopconv {

// The process's exit status.
enum class ExitStatus : int {
  Ok = 0,                // no error line logged (help included)
  RunError = 1,          // an error line was logged, or the log could not be opened
  CommandLineError = 2,  // the command line was wrong
};

// Runs the converter on the arguments; console lines go to `console`, a copy
// of every error line and the closing error count to `errors` (may be null).
// Returns the exit status.
[[nodiscard]] ExitStatus runConverter(int argc, const char* const* argv, Platform& platform,
                                      FILE* console, FILE* errors);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_DRIVER_H_
