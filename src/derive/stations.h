// Station means of the trap values carried into their lanes.
#ifndef LOOPCONV_DERIVE_STATIONS_H_
#define LOOPCONV_DERIVE_STATIONS_H_

#include <cstdint>

#include "datafile/device_table.h"

namespace loopconv {

// Sums the lanes' trap values into every station (kind 84) of `table` for
// periods 0 .. periodCount - 1 and turns the sums into vehicle-weighted
// means and a valid flag. Does nothing when `table` is null (absent).
void aggregateStations(DeviceTable* table, int32_t periodCount);

}  // namespace loopconv

#endif  // LOOPCONV_DERIVE_STATIONS_H_
