#include "analysis/interval_sums.h"

#include <algorithm>

namespace loopconv {

namespace {

constexpr int PeriodsPerMinute = 3;

// Keeps a caller's count inside the planes, so no read leaves them.
int32_t clampPeriodCount(int32_t periodCount) {
  return std::clamp<int32_t>(periodCount, 0, PeriodsPerDay);
}

}  // namespace

bool isRollupMinutes(int minutes) {
  return minutes == 1 || minutes == 5 || minutes == 15 || minutes == 60;
}

int32_t rollupIntervalCount(int32_t periodCount, int minutes) {
  if (!isRollupMinutes(minutes)) return 0;
  const int32_t periodsPerInterval = minutes * PeriodsPerMinute;
  return (clampPeriodCount(periodCount) + periodsPerInterval - 1) / periodsPerInterval;
}

void rollUpDevice(const DeviceRecord& record, int32_t periodCount, int minutes,
                  RollupInterval* intervals) {
  const int32_t count = rollupIntervalCount(periodCount, minutes);
  if (count == 0) return;
  const int32_t lastPeriod = clampPeriodCount(periodCount);
  const int32_t periodsPerInterval = minutes * PeriodsPerMinute;
  for (int32_t i = 0; i < count; ++i) {
    RollupInterval sums;
    sums.firstPeriod = i * periodsPerInterval;
    const int32_t end = std::min(sums.firstPeriod + periodsPerInterval, lastPeriod);
    sums.periods = end - sums.firstPeriod;
    // Without branches: a period that does not count adds zeros (a product
    // with a zero value or a zero volume is zero), so the loop runs at the
    // same speed whatever the data.
    for (int32_t p = sums.firstPeriod; p < end; ++p) {
      const uint32_t seen = record.NumLanes[p] != 0;
      const uint32_t volume = record.Volume[p] * seen;
      const uint32_t speed = record.SpdTenths[p];
      const uint32_t estSpeed = record.CalcSpdTenths[p];
      const uint32_t length = record.LenTenths[p];
      sums.observed += static_cast<int32_t>(seen);
      sums.volume += volume;
      sums.scanSum += record.ScanCnt[p] * seen;
      sums.lanesSum += record.NumLanes[p];
      sums.speedWeighted += uint64_t{speed} * volume;
      sums.speedVolume += volume * (speed != 0);
      sums.estSpeedWeighted += uint64_t{estSpeed} * volume;
      sums.estSpeedVolume += volume * (estSpeed != 0);
      sums.lengthWeighted += uint64_t{length} * volume;
      sums.lengthVolume += volume * (length != 0);
    }
    intervals[i] = sums;
  }
}

}  // namespace loopconv
