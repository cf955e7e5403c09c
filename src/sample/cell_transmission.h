// A cell transmission model (Daganzo 1994) of one corridor: the road cut into
// cells no shorter than the free-flow distance of one step, a triangular
// fundamental diagram per lane, demand at the upstream end and on the
// on-ramps, off-ramp split ratios, merges by priority and lane blockages.
// Queues form where demand exceeds what a place can carry and spill back.
#ifndef LOOPCONV_SAMPLE_CELL_TRANSMISSION_H_
#define LOOPCONV_SAMPLE_CELL_TRANSMISSION_H_

#include <cstdint>
#include <vector>

#include "sample/demand_profile.h"
#include "sample/road_network.h"

namespace loopconv {

constexpr double SimulationStepSeconds = 10.0;
constexpr int StepsPerPeriod = 2;  // a 20-second period
constexpr double PeriodHours = 20.0 / 3600.0;

// What the model knows at one station, per 20-second period: the vehicles
// that crossed its detector (the downstream edge of its cell; fractional, as
// the model is a fluid) and the mean density of its cell over all lanes.
// The period's space-mean speed is vehicles / (PeriodHours x density).
struct StationFlow {
  std::vector<float> vehicles;
  std::vector<float> density;  // vehicles per mile, all lanes
};

// One on-ramp, per period: vehicles that arrived at its end (its demand),
// that merged, and the queue waiting at the period's end; `busy` when the
// mainline where it merges ran above 80% of its critical density.
struct RampFlow {
  std::vector<float> arrivals;
  std::vector<float> merged;
  std::vector<float> queue;
  std::vector<uint8_t> busy;
};

struct CorridorFlows {
  std::vector<StationFlow> stations;  // as corridor.stations
  std::vector<RampFlow> ramps;        // as corridor.ramps (empty for off-ramps)
  // The books of the day (from midnight): vehicles that arrived at the
  // upstream end and the on-ramps, that left by the downstream end and by the
  // off-ramps, and the growth of those on the road and in its queues.
  double entered = 0;
  double exited = 0;
  double leftByRamps = 0;
  double storedChange = 0;
};

// The demand of one corridor on one day.
struct SimulatedCorridorDay {
  std::vector<double> demandShare;  // per period: share of the design peak (level included)
  std::vector<Incident> incidents;  // on this corridor
};

// Runs the model over `periods` periods from midnight, empty road at start.
CorridorFlows simulateCorridor(const RoadCorridor& corridor, const SimulatedCorridorDay& day,
                               int32_t periods);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_CELL_TRANSMISSION_H_
