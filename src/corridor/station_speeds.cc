// With V the interval's volume, n its observed periods, N the sum of
// NumLanes over them and C the sum of ScanCnt (occupancy_pct = C / 12n):
//   q = flow per lane = 180 V / N vph        o = C / 1200n
// so that
//   65 x 5280 o / q   = (143 / 90) C N / (n V)        ft
//   q g / (5280 o)    = (450 / 11) V n g / (N C)      mph, g in ft
// and both are worked as exact integer fractions.
#include "corridor/station_speeds.h"

#include <algorithm>
#include <vector>

#include "corridor/exact.h"

namespace loopconv {

namespace {

// A calibration sample 65 x 5280 o / q as the fraction numerator / denominator.
struct Sample {
  uint64_t numerator;
  uint64_t denominator;
};

bool lessThan(const Sample& a, const Sample& b) {
  return Wide{a.numerator} * b.denominator < Wide{b.numerator} * a.denominator;
}

}  // namespace

void sumLanes(const DeviceRecord& record, const RollupInterval* intervals, int32_t count,
              uint32_t* laneSums) {
  for (int32_t i = 0; i < count; ++i) {
    uint32_t sum = 0;
    const int32_t end = intervals[i].firstPeriod + intervals[i].periods;
    for (int32_t p = intervals[i].firstPeriod; p < end && p < PeriodsPerDay; ++p) {
      sum += record.NumLanes[p];  // 0 for a period without data
    }
    laneSums[i] = sum;
  }
}

bool isFreeFlowInterval(const RollupInterval& in) {
  const uint64_t observed = static_cast<uint32_t>(in.observed);
  return in.observed >= FreeFlowMinObserved && in.volume > 0 && in.scanSum >= 12 * observed &&
         in.scanSum <= 120 * observed;
}

VehicleLength calibrateVehicleLength(const RollupInterval* intervals, const uint32_t* laneSums,
                                     int32_t count) {
  std::vector<Sample> samples;
  for (int32_t i = 0; i < count; ++i) {
    const RollupInterval& in = intervals[i];
    if (!isFreeFlowInterval(in) || laneSums[i] == 0) continue;
    samples.push_back(
        {143 * in.scanSum * laneSums[i], 90 * static_cast<uint64_t>(in.observed) * in.volume});
  }
  VehicleLength length;
  if (static_cast<int32_t>(samples.size()) < MinFreeFlowIntervals) return length;
  std::sort(samples.begin(), samples.end(), lessThan);
  const size_t n = samples.size();
  const Sample& high = samples[n / 2];
  Wide tenths;
  if (n % 2 == 1) {
    tenths = roundedWide(Wide{high.numerator} * 10, high.denominator);
  } else {
    // (a/b + c/d) / 2 = (ad + cb) / 2bd
    const Sample& low = samples[n / 2 - 1];
    Wide sum = Wide{low.numerator} * high.denominator + Wide{high.numerator} * low.denominator;
    tenths = roundedWide(sum * 10, Wide{2} * low.denominator * high.denominator);
  }
  length.tenths =
      static_cast<int32_t>(std::clamp<Wide>(tenths, Wide{MinLengthTenths}, Wide{MaxLengthTenths}));
  length.calibrated = true;
  return length;
}

const char* speedSourceText(SpeedSource source) {
  switch (source) {
    case SpeedSource::Trap: return "trap";
    case SpeedSource::Estimate: return "estimate";
    case SpeedSource::None: return "";
  }
  return "";
}

StationSpeed stationSpeed(const RollupInterval& in, uint32_t laneSum, int32_t lengthTenths) {
  StationSpeed speed;
  if (in.hasSpeed()) {
    speed.tenths = static_cast<int32_t>(roundedQuotient(in.speedWeighted, in.speedVolume));
    speed.source = SpeedSource::Trap;
    return speed;
  }
  if (in.observed == 0 || in.volume == 0 || in.scanSum == 0 || laneSum == 0) return speed;
  // tenths = 10 x (450 / 11) V n (g / 10) / (N C) = 450 V n gTenths / (11 N C)
  Wide numerator = Wide{450} * in.volume * static_cast<uint32_t>(in.observed) *
                   static_cast<uint32_t>(lengthTenths);
  Wide denominator = Wide{11} * laneSum * in.scanSum;
  Wide tenths = roundedWide(numerator, denominator);
  speed.tenths = static_cast<int32_t>(
      std::clamp<Wide>(tenths, Wide{EstimateFloorTenths}, Wide{EstimateCapTenths}));
  speed.source = SpeedSource::Estimate;
  return speed;
}

}  // namespace loopconv
