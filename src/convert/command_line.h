// The command line: single letters after '-' or '/', and GNU-style long
// options, parsed into RunOptions with the console echo of every option.
#ifndef LOOPCONV_CONVERT_COMMAND_LINE_H_
#define LOOPCONV_CONVERT_COMMAND_LINE_H_

#include "base/log.h"
#include "base/platform.h"
#include "base/run_options.h"

namespace loopconv {

enum class ParseResult {
  Error,      // a command-line error, already printed: exit status 2
  HelpShown,  // -?, --help or --version: the run ends with status 0
  GoOn,       // run with the options
};

// Parses argv into *options, echoing accepted options and errors on the
// console of `log`. `platform` supplies the working directory, the default of
// every folder.
[[nodiscard]] ParseResult parseCommandLine(int argc, const char* const* argv, RunOptions* options,
                                           Log& log, Platform& platform);

// The text of --help: usage, the letters, every long option, exit statuses.
void printUsageHelp(Log& log);

// The help line of one option letter, exactly as printed.
const char* helpLine(char letter);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_COMMAND_LINE_H_
