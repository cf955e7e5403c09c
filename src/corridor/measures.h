// Vehicle-miles, vehicle-hours and delay of one station and five minutes,
// and their sums over a corridor and a time window. With V the volume, L
// the segment (thousandths of a mile) and S the speed (tenths of mph), each
// as printed:
//   VMT = V L                         exact, in thousandths of vehicle-miles
//   VHT = VMT / S                     hours
//   delay at T = max(0, VMT / S - VMT / T)   for T = 35 and 60 mph
// VHT and delays are kept in the fixed point of corridor/exact.h, so that
// sums are sums of the unrounded values.
#ifndef LOOPCONV_CORRIDOR_MEASURES_H_
#define LOOPCONV_CORRIDOR_MEASURES_H_

#include <cstdint>

#include "analysis/interval_sums.h"
#include "corridor/exact.h"
#include "corridor/station_speeds.h"

namespace loopconv {

// The speed below which an interval counts as congested, and the two
// delay thresholds, in tenths of mph.
constexpr int32_t CongestedBelowTenths = 350;
constexpr int32_t Delay35Tenths = 350;
constexpr int32_t Delay60Tenths = 600;

struct StationMeasures {
  bool hasVmt = false;    // something was observed
  bool hasTimes = false;  // VHT and delays: a speed, or a volume of 0
  uint64_t vmtThousandths = 0;
  Wide vht = 0;  // fixed-point hours
  Wide delay35 = 0;
  Wide delay60 = 0;
};

StationMeasures measureInterval(const RollupInterval& interval, int32_t segmentThousandths,
                                const StationSpeed& speed);

// Sums of one corridor over one window.
struct MeasureSums {
  uint64_t vmtThousandths = 0;
  uint64_t vmtWithSpeedThousandths = 0;
  Wide vht = 0;
  Wide delay35 = 0;
  Wide delay60 = 0;
  uint32_t congestedIntervals = 0;  // station intervals below 35 mph

  void add(const StationMeasures& measures, const StationSpeed& speed);

  // vmt_with_speed / vht in tenths of mph, rounded half up; false when no
  // vehicle-hours were counted.
  [[nodiscard]] bool speedTenths(uint64_t* tenths) const;
  // Congested station-hours (intervals x 5 / 60) in thousandths.
  uint64_t congestedHoursThousandths() const;
};

// The summary windows, by the interval's start: the whole day, 06:00-09:59
// and 15:00-18:59.
enum class SummaryWindow : uint8_t { Day, Am, Pm };
constexpr SummaryWindow SummaryWindows[] = {SummaryWindow::Day, SummaryWindow::Am,
                                            SummaryWindow::Pm};
const char* summaryWindowText(SummaryWindow window);  // "day", "am", "pm"
bool inSummaryWindow(SummaryWindow window, int32_t firstPeriod);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_MEASURES_H_
