// Travel times along a corridor for each five-minute departure. Between two
// consecutive stations that have a speed in an interval, the gap d is split
// in thirds driven at v_a, (v_a + v_b) / 2 and v_b.
#ifndef LOOPCONV_CORRIDOR_TRAVEL_TIMES_H_
#define LOOPCONV_CORRIDOR_TRAVEL_TIMES_H_

#include <cstdint>
#include <vector>

#include "corridor/exact.h"
#include "corridor/station_speeds.h"

namespace loopconv {

// A gap between stations with speeds longer than this leaves the interval
// without a travel time.
constexpr int32_t MaxGapHundredths = 300;

struct TravelTime {
  bool hasInstant = false;
  Wide instant = 0;  // fixed-point minutes
  bool hasExperienced = false;
  uint64_t experiencedHundredths = 0;  // minutes, rounded half up
};

// The speeds of a corridor's stations: speeds[s * intervalCount + k] is
// station s (in corridor order, at distances[s] hundredths from seq 1) in
// interval k. Interval k starts at minute 5k and ends at 5k + 5, or at the
// file's end (periodCount periods of 20 s) for the last.
struct CorridorSpeeds {
  std::vector<int32_t> distances;
  std::vector<StationSpeed> speeds;
  int32_t intervalCount = 0;
  int32_t periodCount = 0;
};

// Minutes over one gap of d hundredths between speeds a and b (tenths):
// (d/3)/a + (d/3)/((a+b)/2) + (d/3)/b hours = 2d((a+b)^2 + 2ab) / (ab(a+b))
// minutes, in fixed point.
Wide gapMinutes(int32_t gapHundredths, int32_t aTenths, int32_t bTenths);

// instant_min and experienced_min of every departure (empty for a corridor
// of fewer than two stations).
std::vector<TravelTime> corridorTravelTimes(const CorridorSpeeds& corridor);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_TRAVEL_TIMES_H_
