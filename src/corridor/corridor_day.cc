#include "corridor/corridor_day.h"

#include "analysis/health.h"
#include "datafile/name_index.h"
#include "derive/stations.h"

namespace loopconv {

namespace {

constexpr size_t FaultyNamesShown = 3;

bool isFaulty(HealthStatus status) {
  return status == HealthStatus::CardOff || status == HealthStatus::HighValues ||
         status == HealthStatus::Intermittent || status == HealthStatus::Constant;
}

bool hasFaultyLane(const DeviceTable& table, const NameIndex& index, const DeviceRecord& station,
                   int32_t periodCount) {
  int32_t lanes[MaxStationLanes];
  const int found = findStationLanes(index, station, lanes);
  for (int k = 0; k < found; ++k) {
    if (isFaulty(judgeHealth(table[lanes[k]], periodCount).status)) return true;
  }
  return false;
}

StationDay stationDay(const DeviceRecord& record, int32_t periodCount, int32_t count,
                      int32_t segmentThousandths, bool faultyLane) {
  StationDay day;
  day.faultyLane = faultyLane;
  day.intervals.resize(static_cast<size_t>(count));
  rollUpDevice(record, periodCount, CorridorMinutes, day.intervals.data());
  std::vector<uint32_t> laneSums(static_cast<size_t>(count));
  sumLanes(record, day.intervals.data(), count, laneSums.data());
  day.length = calibrateVehicleLength(day.intervals.data(), laneSums.data(), count);
  day.speeds.resize(static_cast<size_t>(count));
  day.measures.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    day.speeds[i] = stationSpeed(day.intervals[i], laneSums[i], day.length.tenths);
    if (faultyLane && day.speeds[i].source == SpeedSource::Estimate) day.speeds[i] = StationSpeed();
    day.measures[i] = measureInterval(day.intervals[i], segmentThousandths, day.speeds[i]);
  }
  return day;
}

void summarize(CorridorOfDay* c, int32_t count) {
  for (size_t w = 0; w < std::size(SummaryWindows); ++w) {
    WindowSummary& summary = c->summaries[w];
    summary.window = SummaryWindows[w];
    for (int32_t i = 0; i < count; ++i) {
      if (!inSummaryWindow(summary.window, i * CorridorMinutes * 3)) continue;
      for (const StationDay& station : c->stations) {
        summary.sums.add(station.measures[i], station.speeds[i]);
      }
      if (c->travel.empty() || !c->travel[i].hasInstant) continue;
      const uint64_t printed = fixedToPlaces(c->travel[i].instant, 2);
      if (!summary.hasWorst || printed > summary.worstHundredths) {
        summary.hasWorst = true;
        summary.worstHundredths = printed;
        summary.worstInterval = i;
      }
    }
  }
}

}  // namespace

CorridorDay computeCorridorDay(const DeviceTable& table, int32_t periodCount,
                               const CabinetPlaces& places) {
  CorridorDay day;
  day.periodCount = periodCount;
  day.intervalCount = rollupIntervalCount(periodCount, CorridorMinutes);
  StationJoin join = joinStations(table, places);
  day.unplaced = join.unplaced;
  day.firstUnplaced = std::move(join.firstUnplaced);
  const int32_t count = day.intervalCount;
  const NameIndex index(table);
  for (Corridor& corridor : layOutCorridors(join.stations)) {
    CorridorOfDay c;
    CorridorSpeeds speeds;
    speeds.intervalCount = count;
    speeds.periodCount = periodCount;
    for (const CorridorStation& station : corridor.stations) {
      const DeviceRecord& record = table[station.station.tableIndex];
      const bool faulty = hasFaultyLane(table, index, record, periodCount);
      if (faulty && day.faulty++ < static_cast<int32_t>(FaultyNamesShown)) {
        day.firstFaulty.push_back(station.station.device);
      }
      c.stations.push_back(
          stationDay(record, periodCount, count, station.segmentThousandths(), faulty));
      speeds.distances.push_back(station.distanceHundredths);
      const std::vector<StationSpeed>& own = c.stations.back().speeds;
      speeds.speeds.insert(speeds.speeds.end(), own.begin(), own.end());
    }
    c.travel = corridorTravelTimes(speeds);
    c.corridor = std::move(corridor);
    summarize(&c, count);
    day.corridors.push_back(std::move(c));
  }
  return day;
}

}  // namespace loopconv
