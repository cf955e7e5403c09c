#include "sample/demand_profile.h"

#include <algorithm>
#include <cmath>

#include "datafile/device_table.h"
#include "sample/sample_random.h"

namespace loopconv {
namespace {

constexpr double Pi = 3.14159265358979323846;

// 0 before `from`, 1 after `to`, a smooth half cosine between.
double rise(double hour, double from, double to) {
  if (hour <= from) return 0.0;
  if (hour >= to) return 1.0;
  return 0.5 - 0.5 * std::cos(Pi * (hour - from) / (to - from));
}

double bump(double hour, double centre, double width) {
  double x = (hour - centre) / width;
  return std::exp(-x * x);
}

// The day's traffic outside the peaks.
double baseShare(double hour) {
  return 0.06 + 0.56 * rise(hour, 4.5, 7.0) * (1.0 - rise(hour, 19.0, 23.5));
}

}  // namespace

DayConditions drawDayConditions(const RoadNetwork& network, uint64_t seed,
                                const std::string& date) {
  SampleRandom random(streamKey(seed, "day " + date));
  DayConditions day;
  // The whole network's level (weather, season), then each corridor's.
  double level = 0.98 + 0.05 * random.uniform();
  day.morningShiftHours = (random.uniform() - 0.5) * 0.6;
  day.eveningShiftHours = (random.uniform() - 0.5) * 0.6;
  for (size_t c = 0; c < network.corridors.size(); ++c) {
    const RoadCorridor& corridor = network.corridors[c];
    day.corridorLevel.push_back(level * (0.99 + 0.02 * random.uniform()));
    // Now and then an incident blocks a lane for 20 to 60 minutes.
    if (random.below(5) == 0) {
      Incident incident;
      incident.corridor = static_cast<int>(c);
      incident.position = 0.3 + (corridor.lengthMiles - 0.6) * random.uniform();
      incident.startPeriod = random.between(6 * 180, 20 * 180);
      incident.endPeriod = incident.startPeriod + 3 * random.between(20, 60);
      day.incidents.push_back(incident);
    }
    for (size_t s = 0; s < corridor.stations.size(); ++s) {
      for (int lane = 0; lane < corridor.stations[s].lanes; ++lane) {
        if (random.below(40) != 0) continue;
        LaneOutage outage;
        outage.corridor = static_cast<int>(c);
        outage.station = static_cast<int>(s);
        outage.lane = lane;
        outage.startPeriod = random.below(PeriodsPerDay);
        outage.endPeriod = outage.startPeriod + 180;
        day.outages.push_back(outage);
      }
    }
  }
  return day;
}

double demandShare(double hour, bool inboundInMorning, const DayConditions& day) {
  double morningCentre = 7.6 + day.morningShiftHours;
  double eveningCentre = 17.3 + day.eveningShiftHours;
  double morningTop = inboundInMorning ? 1.0 : 0.84;
  double eveningTop = inboundInMorning ? 0.86 : 1.0;
  double morning = (morningTop - baseShare(morningCentre)) * bump(hour, morningCentre, 1.2);
  double evening = (eveningTop - baseShare(eveningCentre)) * bump(hour, eveningCentre, 1.4);
  return baseShare(hour) + morning + evening;
}

double truckShare(double hour) {
  // Trucks keep about the same numbers all day, so their share is lowest in
  // the peaks and highest at night.
  double night = 1.0 - rise(hour, 3.5, 7.0) * (1.0 - rise(hour, 19.0, 23.0));
  double peaks = bump(hour, 7.6, 1.2) + bump(hour, 17.3, 1.4);
  return 0.08 + 0.14 * night - 0.045 * std::min(peaks, 1.0);
}

}  // namespace loopconv
