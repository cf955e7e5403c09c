#include "datafile/pipeline.h"

namespace loopconv {

// Placeholder until the data file input lands.
int processDataFile(const std::string& name, const RunContext& run) {
  std::string stamp = run.platform.timeOfDay();
  run.log.log("[%s] - Processing data file [%s], starting at [%s]\n",
              stamp.c_str(), name.c_str(), stamp.c_str());
  run.log.console("Processing data file [%s], starting at [%s]\n", name.c_str(),
                  stamp.c_str());
  return 0;
}

}  // namespace loopconv
