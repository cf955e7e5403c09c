#include "derive/estimates.h"

namespace loopconv {

// Placeholder until the estimates land.
void computeEstimates(DeviceTable*, int32_t) {}

}  // namespace loopconv
