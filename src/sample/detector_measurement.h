// Detectors measuring the simulation: the lane loops, speed loops and traps
// of a station and the loops of a metered on-ramp turn the model's flows into
// the records of the data file, as field equipment would report them.
#ifndef LOOPCONV_SAMPLE_DETECTOR_MEASUREMENT_H_
#define LOOPCONV_SAMPLE_DETECTOR_MEASUREMENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sample/cell_transmission.h"
#include "sample/data_file_writer.h"
#include "sample/road_network.h"
#include "sample/sample_random.h"

namespace loopconv {

constexpr double LoopFeet = 6.0;  // a vehicle covers the loop over its length plus this

// The lengths vehicles come in, and the trap's length bins they fall into:
// cars 14 to 16 ft (bin 1), trucks 40 to 75 ft (bin 2 below 55 ft, bin 3
// below 65 ft, bin 4 above).
struct Vehicle {
  double feet;
  int bin;  // 1 to 4
};
// The vehicle a uniform number `u` in [0, 1) stands for, with `truckShare`
// of them trucks.
inline Vehicle vehicleFor(double u, double truckShare) {
  if (u >= truckShare) return {14.0 + 2.0 * (u - truckShare) / (1.0 - truckShare), 1};
  double feet = 40.0 + 35.0 * u / truckShare;
  return {feet, feet < 55.0 ? 2 : feet < 65.0 ? 3 : 4};
}

// Hours a lane is down (no report), per lane of the station: empty when none.
struct LaneDowntime {
  int lane = 0;
  int32_t startPeriod = 0;
  int32_t endPeriod = 0;
};

// The devices of one station's cabinet, in cabinet order: its lanes, then
// for a trap station its speed loops and traps, then the station. Every lane
// counts the whole vehicles that crossed (the station's count split over its
// lanes), its ScanCnt is the time its vehicles covered the loop at the
// period's speed; traps report the lane's speed and mean length with noise.
// Faulty lanes (station.faults) misreport all day; a lane in `downtime`
// reports nothing then.
void measureStation(const RoadCorridor& corridor, const StationSite& station,
                    const StationFlow& flow, const std::vector<LaneDowntime>& downtime,
                    int32_t periods, SampleRandom& random, std::vector<DeviceDescription>* devices);

// The devices of a metered on-ramp's cabinet: per ramp lane its ramp-meter
// loop ("R" at position 16, the vehicles let onto the mainline) and its
// metered lane (kind 261: rate, queue, metering on), then the queue loop at
// the ramp's end (the arriving vehicles, and the standing queue over it).
void measureRamp(const RoadCorridor& corridor, const RampSite& ramp, const RampFlow& flow,
                 int32_t periods, SampleRandom& random, std::vector<DeviceDescription>* devices);

// The name of a station's device: cabinet, ':' and the 7-character suffix.
// `suffix` is e.g. "___1" after the road part "_MN" (or "MMN" for marked lanes).
std::string deviceName(const std::string& cabinet, const std::string& suffix);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_DETECTOR_MEASUREMENT_H_
