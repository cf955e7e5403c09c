#include "analysis/speed_bands.h"

#include <algorithm>

namespace loopconv {

bool cellSpeedTenths(const RollupInterval& interval, int32_t* tenths) {
  // From the exact sums, rounded as the roll-up report prints speed_mph and
  // est_speed_mph, so that a cell's band matches the printed value; the
  // doubles of speedMph() and estSpeedMph() could fall on the other side of
  // a half. SpdTenths holds tenths, CalcSpdTenths whole mph.
  uint64_t value;
  if (interval.hasSpeed()) {
    value = roundedQuotient(interval.speedWeighted, interval.speedVolume);
  } else if (interval.hasEstSpeed()) {
    value = roundedQuotient(interval.estSpeedWeighted * 10, interval.estSpeedVolume);
  } else {
    return false;
  }
  // A plane value is at most 65535, and so is any mean of them in tenths;
  // only the estimate in whole mph reaches ten times that.
  *tenths = static_cast<int32_t>(std::min<uint64_t>(value, INT32_MAX));
  return true;
}

}  // namespace loopconv
