// The run: options, log, folder scan, dispatch of every data or list file,
// summary.
#ifndef LOOPCONV_CONVERT_DRIVER_H_
#define LOOPCONV_CONVERT_DRIVER_H_

#include <cstdio>

#include "base/platform.h"
#include "base/run_options.h"

namespace loopconv {

enum ExitStatus { ExitOk = 0, ExitRunError = 1, ExitCommandLineError = 2 };

// Runs the converter on the arguments; console lines go to `console`, a copy
// of every error line and the closing error count to `errors` (may be null).
// Returns the exit status: 0 when no error line was logged, 1 when one was
// (or the log could not be opened), 2 for a command-line error.
int runConverter(int argc, const char* const* argv, Platform& platform, FILE* console,
                 FILE* errors);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_DRIVER_H_
