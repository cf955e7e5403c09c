// What every stage of a run can reach: the options, the log (with the run's
// time stamp) and the platform services.
#ifndef LOOPCONV_RUN_RUN_CONTEXT_H_
#define LOOPCONV_RUN_RUN_CONTEXT_H_

#include "run/log.h"
#include "run/platform.h"
#include "run/run_options.h"

namespace loopconv {

struct RunContext {
  const RunOptions& options;
  Log& log;
  Platform& platform;
};

}  // namespace loopconv

#endif  // LOOPCONV_RUN_RUN_CONTEXT_H_
