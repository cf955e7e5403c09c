#include "derive/stations.h"

namespace loopconv {

// Placeholder until station aggregation lands.
void aggregateStations(DeviceTable*, int32_t) {}

}  // namespace loopconv
