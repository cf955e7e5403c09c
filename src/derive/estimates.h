// Occupancy-based length and speed estimates.
#ifndef LOOPCONV_DERIVE_ESTIMATES_H_
#define LOOPCONV_DERIVE_ESTIMATES_H_

#include <cstdint>

#include "datafile/device_table.h"

namespace loopconv {

// Fills EstLength and CalcSpdTenths of every device of `table` for periods
// 0 .. periodCount - 1. Does nothing when `table` is null (absent).
void computeEstimates(DeviceTable* table, int32_t periodCount);

}  // namespace loopconv

#endif  // LOOPCONV_DERIVE_ESTIMATES_H_
