// The speed bands of the Element report's speed colour code and of every
// picture: one home for the 50, 40 and 30 mph edges.
#ifndef LOOPCONV_ANALYSIS_SPEED_BANDS_H_
#define LOOPCONV_ANALYSIS_SPEED_BANDS_H_

#include <cstdint>

#include "analysis/interval_sums.h"

namespace loopconv {

// Fastest first. Each edge belongs to the slower band: 50.0 mph is slowing.
enum class SpeedBand : uint8_t { Free, Slowing, Slow, Stopped, NoData };

// Lower edges, exclusive, in tenths of mph.
constexpr int32_t FreeAboveTenths = 500;
constexpr int32_t SlowingAboveTenths = 400;
constexpr int32_t SlowAboveTenths = 300;

// The band of a speed in tenths of mph (never NoData).
constexpr SpeedBand speedBand(int32_t tenths) {
  if (tenths > FreeAboveTenths) return SpeedBand::Free;
  if (tenths > SlowingAboveTenths) return SpeedBand::Slowing;
  if (tenths > SlowAboveTenths) return SpeedBand::Slow;
  return SpeedBand::Stopped;
}

// The speed of an interval in tenths of mph, rounded half up as the roll-up
// report prints it with one decimal: the measured speed when the interval
// has one, else the speed estimated from occupancy. False when it has
// neither.
[[nodiscard]] bool cellSpeedTenths(const RollupInterval& interval, int32_t* tenths);

}  // namespace loopconv

#endif  // LOOPCONV_ANALYSIS_SPEED_BANDS_H_
