// What varies from day to day on the same roads, drawn from the seed and the
// date: the level of demand, the timing of the peaks and the incidents; and
// the daily curves of demand and of the truck share.
#ifndef LOOPCONV_SAMPLE_DEMAND_PROFILE_H_
#define LOOPCONV_SAMPLE_DEMAND_PROFILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sample/road_network.h"

namespace loopconv {

// A lane blocked (a crash, a stalled truck) from startPeriod up to endPeriod.
struct Incident {
  int corridor = 0;
  double position = 0;  // miles downstream of the corridor's upstream end
  int32_t startPeriod = 0;
  int32_t endPeriod = 0;  // excluded
};

// A lane detector that stops reporting for an hour (NumLanes 0).
struct LaneOutage {
  int corridor = 0;
  int station = 0;
  int lane = 0;  // 0 for lane 1
  int32_t startPeriod = 0;
  int32_t endPeriod = 0;  // excluded
};

struct DayConditions {
  std::vector<double> corridorLevel;  // demand factor of each corridor (about 1)
  double morningShiftHours = 0;       // peaks earlier (-) or later (+) than usual
  double eveningShiftHours = 0;
  std::vector<Incident> incidents;
  std::vector<LaneOutage> outages;  // about one lane in 40
};

// The same (seed, date) gives the same conditions; another date others.
DayConditions drawDayConditions(const RoadNetwork& network, uint64_t seed, const std::string& date);

// Demand at `hour` (0 to 24) as a share of the corridor's design peak: a
// quiet night, a morning and an evening peak (the stronger one at 1.0: the
// morning for a corridor inbound in the morning, else the evening) and a
// midday plateau.
double demandShare(double hour, bool inboundInMorning, const DayConditions& day);

// Share of trucks in the traffic at `hour`: about 4% in the peaks, 8% by
// day, over a fifth at night.
double truckShare(double hour);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_DEMAND_PROFILE_H_
