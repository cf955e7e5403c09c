// A speed for every station and five minutes: the traps' measured speed
// where there is one, else the single-loop estimate from flow and occupancy
// with a vehicle length calibrated per station and day.
#ifndef LOOPCONV_CORRIDOR_STATION_SPEEDS_H_
#define LOOPCONV_CORRIDOR_STATION_SPEEDS_H_

#include <cstdint>

#include "analysis/interval_sums.h"
#include "datafile/device_table.h"

namespace loopconv {

// The corridor outputs work in the five-minute station roll-up's intervals.
constexpr int CorridorMinutes = 5;

// Sums NumLanes over the observed periods of each interval (the roll-up
// does not keep it): the interval's mean lane count is laneSums[i] /
// intervals[i].observed.
void sumLanes(const DeviceRecord& record, const RollupInterval* intervals, int32_t count,
              uint32_t* laneSums);

// The effective vehicle length g of a station for the day.
struct VehicleLength {
  int32_t tenths = 220;     // g in tenths of a foot, as printed
  bool calibrated = false;  // false: fewer than 12 free-flow intervals
};

constexpr int32_t DefaultLengthTenths = 220;
constexpr int32_t MinLengthTenths = 120;
constexpr int32_t MaxLengthTenths = 400;
constexpr int32_t MinFreeFlowIntervals = 12;
constexpr int32_t FreeFlowMinObserved = 12;  // of the interval's 15 periods
constexpr int32_t FreeFlowMph = 65;
constexpr int32_t EstimateCapTenths = 800;
constexpr int32_t EstimateFloorTenths = 1;

// Whether an interval counts as free flow for the calibration: at least 12
// periods observed, volume above 0, occupancy from 1% to 10% inclusive.
bool isFreeFlowInterval(const RollupInterval& interval);

// g from the free-flow intervals: the median of 65 x 5280 o / q (the mean of
// the middle two for an even count), clamped to 12 to 40 ft and rounded half
// up to tenths; 22 ft when fewer than 12 free-flow intervals exist.
VehicleLength calibrateVehicleLength(const RollupInterval* intervals, const uint32_t* laneSums,
                                     int32_t count);

enum class SpeedSource : uint8_t { None, Trap, Estimate };
const char* speedSourceText(SpeedSource source);  // "trap", "estimate", ""

struct StationSpeed {
  int32_t tenths = 0;  // mph in tenths, as printed; 0 with None
  SpeedSource source = SpeedSource::None;
};

// The speed of one interval: the trap speed of the roll-up where it has one,
// else v = q g / (5280 o) where volume and occupancy are above 0, rounded
// half up to tenths and kept within 0.1 to 80 mph; else none.
StationSpeed stationSpeed(const RollupInterval& interval, uint32_t laneSum, int32_t lengthTenths);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_STATION_SPEEDS_H_
