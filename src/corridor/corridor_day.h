// Everything the corridor outputs of one data file show, computed once and
// then only read by the writers.
#ifndef LOOPCONV_CORRIDOR_CORRIDOR_DAY_H_
#define LOOPCONV_CORRIDOR_CORRIDOR_DAY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/interval_sums.h"
#include "corridor/cabinet_join.h"
#include "corridor/corridor_layout.h"
#include "corridor/measures.h"
#include "corridor/station_speeds.h"
#include "corridor/travel_times.h"
#include "datafile/device_table.h"

namespace loopconv {

// One station of a corridor over the day.
struct StationDay {
  VehicleLength length;
  // A lane of the station is judged faulty by the health check (card off,
  // high values, intermittent or constant): its occupancy, and with it any
  // estimate, cannot be trusted, so the station's speeds are its traps' only.
  bool faultyLane = false;
  std::vector<RollupInterval> intervals;
  std::vector<StationSpeed> speeds;
  std::vector<StationMeasures> measures;
};

struct WindowSummary {
  SummaryWindow window = SummaryWindow::Day;
  MeasureSums sums;
  bool hasWorst = false;
  uint64_t worstHundredths = 0;  // the largest instant_min, as printed
  int32_t worstInterval = 0;     // its departure, the earliest of equals
};

struct CorridorOfDay {
  Corridor corridor;
  std::vector<StationDay> stations;  // as corridor.stations
  std::vector<TravelTime> travel;    // per departure; empty for one station
  WindowSummary summaries[3];        // day, am, pm
};

struct CorridorDay {
  int32_t periodCount = 0;
  int32_t intervalCount = 0;
  std::vector<CorridorOfDay> corridors;
  int32_t unplaced = 0;  // stations without a usable cabinet
  std::vector<std::string> firstUnplaced;
  int32_t faulty = 0;                    // placed stations with a faulty lane
  std::vector<std::string> firstFaulty;  // their first three names, corridor order
};

// The corridors of `table` (its first `periodCount` periods). The health of
// each station's lanes is judged over the same periods.
CorridorDay computeCorridorDay(const DeviceTable& table, int32_t periodCount,
                               const CabinetPlaces& places);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_CORRIDOR_DAY_H_
