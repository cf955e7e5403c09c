// Station means of the trap values carried into their lanes.
#ifndef LOOPCONV_DERIVE_STATIONS_H_
#define LOOPCONV_DERIVE_STATIONS_H_

#include <cstdint>

#include "datafile/device_table.h"
#include "datafile/name_index.h"

namespace loopconv {

constexpr int MaxStationLanes = 8;

// The table positions of the lanes of `station` (lane k named as the station
// with positions 15 to 17 set to "__k"), as one pass over the table finds
// them: lane k + 1 is looked for only after lane k, and the search ends at
// lane N (the station's NumLanes of period 0), lane 8 or the first lane not
// found. Returns how many were found into `positions` (room for 8).
int findStationLanes(const NameIndex& index, const DeviceRecord& station, int32_t* positions);

// Sums the lanes' trap values into every station (kind 84) of `table` for
// periods 0 .. periodCount - 1 and turns the sums into vehicle-weighted
// means and a valid flag. Does nothing when `table` is null (absent).
void aggregateStations(DeviceTable* table, int32_t periodCount);

}  // namespace loopconv

#endif  // LOOPCONV_DERIVE_STATIONS_H_
