// What every stage of a run can reach: the options, the log (with the run's
// time stamp) and the platform services.
#ifndef LOOPCONV_BASE_RUN_CONTEXT_H_
#define LOOPCONV_BASE_RUN_CONTEXT_H_

#include "base/log.h"
#include "base/platform.h"
#include "base/run_options.h"

namespace loopconv {

struct RunContext {
  const RunOptions& options;
  Log& log;
  Platform& platform;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_RUN_CONTEXT_H_
