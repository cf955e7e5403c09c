#include "sample/demand_profile.h"

#include <algorithm>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

double highest(double from, double to, bool inbound, const DayConditions& day) {
  double top = 0;
  for (double h = from; h < to; h += 0.05) top = std::max(top, demandShare(h, inbound, day));
  return top;
}

// The stronger peak is the morning's for a corridor inbound in the morning
// and the evening's for the other direction; nights are quiet, middays
// between; the peaks move with the day's shift.
TEST(DemandProfileTest, PeaksFollowTheDirectionOfTravel) {
  DayConditions day;
  for (bool inbound : {true, false}) {
    SCOPED_TRACE(inbound);
    double morning = highest(6, 10, inbound, day);
    double evening = highest(15, 19, inbound, day);
    EXPECT_NEAR(std::max(morning, evening), 1.0, 0.03);
    EXPECT_GT(inbound ? morning - evening : evening - morning, 0.1);
    EXPECT_LT(highest(0, 4, inbound, day), 0.12);
    EXPECT_GT(demandShare(12.0, inbound, day), 0.5);
    EXPECT_LT(demandShare(12.0, inbound, day), 0.8);
  }
  DayConditions late;
  late.morningShiftHours = 0.3;
  EXPECT_LT(demandShare(7.0, true, late), demandShare(7.0, true, day));
  EXPECT_GT(demandShare(8.3, true, late), demandShare(8.3, true, day));

  double night = truckShare(2.0), midday = truckShare(12.5), peak = truckShare(7.6);
  EXPECT_GT(night, 0.15);
  EXPECT_GT(night, midday);
  EXPECT_GT(midday, peak);
  EXPECT_GE(peak, 0.02);
}

// The same seed and date give the same day; another date another day on the
// same roads: other levels, other incidents; incidents and outages as wide as
// they should be.
TEST(DemandProfileTest, ConditionsComeFromTheSeedAndTheDate) {
  RoadNetwork network = layOutNetwork(1, 6000);
  DayConditions day = drawDayConditions(network, 1, "08/18/2021");
  DayConditions same = drawDayConditions(network, 1, "08/18/2021");
  DayConditions other = drawDayConditions(network, 1, "08/19/2021");
  ASSERT_EQ(day.corridorLevel.size(), network.corridors.size());
  EXPECT_EQ(same.corridorLevel, day.corridorLevel);
  EXPECT_EQ(same.incidents.size(), day.incidents.size());
  EXPECT_NE(other.corridorLevel, day.corridorLevel);
  for (double level : day.corridorLevel) {
    EXPECT_GE(level, 0.96);
    EXPECT_LE(level, 1.05);
  }
  int incidents = 0, outages = 0, lanes = 0;
  for (uint64_t seed = 1; seed <= 6; ++seed) {
    DayConditions d = drawDayConditions(network, seed, "03/02/2022");
    for (const Incident& i : d.incidents) {
      ++incidents;
      const RoadCorridor& c = network.corridors[static_cast<size_t>(i.corridor)];
      EXPECT_GE(i.position, 0.0);
      EXPECT_LE(i.position, c.lengthMiles);
      EXPECT_GE(i.endPeriod - i.startPeriod, 20 * 3);
      EXPECT_LE(i.endPeriod - i.startPeriod, 60 * 3);
      EXPECT_GE(i.startPeriod, 6 * 180);
    }
    for (const LaneOutage& o : d.outages) {
      ++outages;
      EXPECT_EQ(o.endPeriod - o.startPeriod, 180);
      const RoadCorridor& c = network.corridors[static_cast<size_t>(o.corridor)];
      EXPECT_LT(o.lane, c.stations[static_cast<size_t>(o.station)].lanes);
    }
    for (const RoadCorridor& c : network.corridors) {
      for (const StationSite& s : c.stations) lanes += s.lanes;
    }
  }
  // About one corridor in five has an incident, one lane in 40 an outage.
  int corridors = 6 * static_cast<int>(network.corridors.size());
  EXPECT_GT(incidents, corridors / 10);
  EXPECT_LT(incidents, corridors * 3 / 10);
  EXPECT_GT(outages, lanes / 80);
  EXPECT_LT(outages, lanes / 20);
}

}  // namespace
}  // namespace loopconv
