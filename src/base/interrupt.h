// Ending a run on SIGINT, SIGTERM or SIGHUP without leaving half-written
// outputs. The handler only records the signal and writes its number to a
// pipe; a watcher thread, in normal code, removes every temporary file of
// the outputs in progress (no new one can be made after that), writes one
// error line to the log and standard error, and ends the process by the
// same signal, so that its parent sees status 128 + N. Outputs already
// renamed into place stay. A second signal during the clean-up ends the
// process at once.
#ifndef LOOPCONV_BASE_INTERRUPT_H_
#define LOOPCONV_BASE_INTERRUPT_H_

#include <cstdio>
#include <string>

#include "base/thread_budget.h"

namespace loopconv {

// The error line, after "[hh:mm:ss] E " in the log and "loopconv: " on
// standard error.
constexpr const char* InterruptedLine = "Interrupted by signal [%d], unfinished outputs removed!\n";

// True once a signal came: the run takes no new work.
bool interruptRequested();

class InterruptWatch {
 public:
  // Installs the handlers (leaving a signal the run was started with
  // ignored, as under nohup, ignored) and starts the watcher, whose line
  // goes to the log file `logPath` under the time stamp `stamp` and to
  // `errors` (may be null). Without a thread for the watcher, signals keep
  // their default action.
  InterruptWatch(const std::string& logPath, const std::string& stamp, FILE* errors);
  // Restores the handlers the run found and stops the watcher.
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool active() const { return watcher_.running(); }

 private:
  void watch();

  const std::string logPath_;
  const std::string stamp_;
  FILE* const errors_;
  int pipe_[2] = {-1, -1};
  bool installed_[3] = {};
  BudgetThread watcher_;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_INTERRUPT_H_
