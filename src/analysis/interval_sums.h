// Interval roll-ups: the 20-second periods of one device summed into
// intervals of 1, 5, 15 or 60 minutes, keeping apart the periods that carry
// data ("observed": NumLanes > 0) from those that do not.
#ifndef LOOPCONV_ANALYSIS_INTERVAL_SUMS_H_
#define LOOPCONV_ANALYSIS_INTERVAL_SUMS_H_

#include <cstdint>

#include "datafile/device_table.h"

namespace loopconv {

// The exact sums of one device over one interval; the texts of the tidy
// roll-up rows (and the picture's speeds) are derived from them.
struct RollupInterval {
  int32_t firstPeriod = 0;  // period index of the interval's start
  int32_t periods = 0;      // periods of the interval inside the file
  int32_t observed = 0;     // those with NumLanes > 0
  uint32_t volume = 0;      // sum of Volume over observed periods
  uint64_t scanSum = 0;     // sum of ScanCnt over observed periods
  uint32_t lanesSum = 0;    // sum of NumLanes (0 in the unobserved periods)
  // Volume-weighted sums over observed periods whose value and Volume are
  // both above 0, and the Volume they are weighted by.
  uint64_t speedWeighted = 0;  // sum of SpdTenths x Volume
  uint32_t speedVolume = 0;
  uint64_t estSpeedWeighted = 0;  // sum of CalcSpdTenths x Volume
  uint32_t estSpeedVolume = 0;
  uint64_t lengthWeighted = 0;  // sum of LenTenths x Volume
  uint32_t lengthVolume = 0;

  bool hasSpeed() const { return speedVolume > 0; }
  bool hasEstSpeed() const { return estSpeedVolume > 0; }
  bool hasLength() const { return lengthVolume > 0; }
  // Means in mph and feet. SpdTenths and LenTenths hold tenths; despite its
  // name CalcSpdTenths holds whole mph (the Element report prints it as is).
  double speedMph() const { return speedWeighted / (10.0 * speedVolume); }
  double estSpeedMph() const { return static_cast<double>(estSpeedWeighted) / estSpeedVolume; }
  double lengthFt() const { return lengthWeighted / (10.0 * lengthVolume); }
};

// n / d rounded half up, in integers: floor((2n + d) / 2d). Every mean that
// an output prints is rounded this way from the exact sums.
constexpr uint64_t roundedQuotient(uint64_t numerator, uint64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

// Interval lengths that --rollup takes.
bool isRollupMinutes(int minutes);

// Intervals that cover `periodCount` periods (0 .. PeriodsPerDay) at
// `minutes` per interval; the last may be short.
int32_t rollupIntervalCount(int32_t periodCount, int minutes);

// Fills rollupIntervalCount(periodCount, minutes) intervals of `record`.
void rollUpDevice(const DeviceRecord& record, int32_t periodCount, int minutes,
                  RollupInterval* intervals);

}  // namespace loopconv

#endif  // LOOPCONV_ANALYSIS_INTERVAL_SUMS_H_
