#include "sample/road_network.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

// The corridors of several seeds keep the rules of the layout.
TEST(RoadNetworkTest, CorridorsKeepTheRulesOfTheLayout) {
  std::set<std::string> cabinets;
  for (uint64_t seed : {1u, 2u, 3u, 17u}) {
    SCOPED_TRACE(seed);
    cabinets.clear();
    RoadNetwork network = layOutNetwork(seed, 5000);
    ASSERT_GE(network.corridors.size(), 10u);
    for (const RoadCorridor& c : network.corridors) {
      SCOPED_TRACE(c.roadway + " " + c.side);
      // Odd route numbers run north-south, even ones east-west.
      bool northSouth = std::atoi(c.route.c_str()) % 2 == 1;
      EXPECT_TRUE(northSouth ? c.side == 'N' || c.side == 'S' : c.side == 'E' || c.side == 'W');
      bool rising = c.side == 'N' || c.side == 'E';
      EXPECT_GE(c.freeFlowMph, 60.0);
      EXPECT_LE(c.freeFlowMph, 70.0);
      EXPECT_GE(c.capacityPerLane, 1900.0);
      EXPECT_LE(c.capacityPerLane, 2200.0);
      EXPECT_GE(c.jamDensity, 180.0);
      EXPECT_LE(c.jamDensity, 220.0);
      EXPECT_GT(c.upstreamPeakVph, 0.3 * c.lanesAt(0) * c.capacityPerLane * 0.99);
      ASSERT_GE(c.stations.size(), 6u);

      // Every place where something happens, in order along the corridor.
      std::vector<double> places = {0.0, c.lengthMiles};
      double previous = -1;
      int previousMilepost = -1;
      for (const StationSite& s : c.stations) {
        EXPECT_GT(s.position, previous);
        if (previous >= 0) {
          double gap = s.position - previous;
          EXPECT_GE(gap, 0.29);
          EXPECT_LE(gap, 5.7);
        }
        previous = s.position;
        places.push_back(s.position);
        EXPECT_GE(s.lanes, 2);
        EXPECT_LE(s.lanes, 5);
        EXPECT_EQ(s.lanes, c.lanesAt(s.position));
        EXPECT_EQ(s.faults.size(), static_cast<size_t>(s.lanes));
        // The cabinet name holds the route and the milepost in hundredths.
        ASSERT_EQ(s.cabinet.size(), 10u);
        EXPECT_EQ(s.cabinet.substr(0, 3), c.route);
        EXPECT_EQ(s.cabinet.substr(3, 2), "es");
        EXPECT_EQ(std::atoi(s.cabinet.c_str() + 5), s.milepost);
        EXPECT_EQ(s.milepost, c.milepostAt(s.position));
        EXPECT_TRUE(cabinets.insert(s.cabinet).second) << s.cabinet;
        if (previousMilepost >= 0) {
          EXPECT_EQ(s.milepost > previousMilepost, rising);
        }
        previousMilepost = s.milepost;
        EXPECT_FALSE(s.location.empty());
        EXPECT_LE(s.location.size(), 16u);
      }
      EXPECT_TRUE(c.stations.front().trap);
      int metered = 0;
      for (const RampSite& r : c.ramps) {
        places.push_back(r.position);
        if (r.kind == RampKind::On) {
          EXPECT_GE(r.peakVph, 0.0);
          EXPECT_LE(r.peakVph, r.lanes * 1900.0);
        } else {
          EXPECT_GT(r.exitShare, 0.0);
          EXPECT_LT(r.exitShare, 0.25);
        }
        if (!r.cabinet.empty()) {
          ++metered;
          EXPECT_EQ(r.kind, RampKind::On);
          EXPECT_TRUE(cabinets.insert(r.cabinet).second) << r.cabinet;
          EXPECT_EQ(std::atoi(r.cabinet.c_str() + 5), r.milepost);
        }
      }
      EXPECT_GE(metered, 1);
      for (const LaneChange& change : c.laneChanges) places.push_back(change.position);
      std::sort(places.begin(), places.end());
      places.erase(std::unique(places.begin(), places.end()), places.end());
      for (size_t i = 1; i < places.size(); ++i) {
        EXPECT_GE(places[i] - places[i - 1], MinPlaceGapMiles - 0.05) << places[i];
      }

      // One bottleneck: a lane drop there, or an on-ramp merging there; two
      // stations or more below it, and it is the only place that loses lanes.
      bool drop = c.lanesAt(c.bottleneckPosition - 1e-6) > c.lanesAt(c.bottleneckPosition);
      bool merge = false;
      for (const RampSite& r : c.ramps) {
        merge |= r.kind == RampKind::On && r.position == c.bottleneckPosition && r.peakVph > 500;
      }
      EXPECT_EQ(drop, c.bottleneck == BottleneckKind::LaneDrop);
      EXPECT_EQ(merge, c.bottleneck == BottleneckKind::BusyMerge);
      int below = 0;
      for (const StationSite& s : c.stations) below += s.position > c.bottleneckPosition;
      EXPECT_GE(below, 2);
      for (size_t i = 1; i < c.laneChanges.size(); ++i) {
        if (c.laneChanges[i].lanes < c.laneChanges[i - 1].lanes) {
          EXPECT_EQ(c.laneChanges[i].position, c.bottleneckPosition);
        }
      }
      EXPECT_GE(c.milepostAt(c.lengthMiles), 0);
      EXPECT_LE(c.milepostAt(c.lengthMiles), 99999);
    }
  }
}

// The layout depends on the seed only, and a smaller day's network is the
// start of a larger one's; the corridors hold the devices asked for.
TEST(RoadNetworkTest, LayoutComesFromTheSeedAndGrowsWithTheDeviceCount) {
  RoadNetwork small = layOutNetwork(5, 300);
  RoadNetwork large = layOutNetwork(5, 4000);
  ASSERT_LT(small.corridors.size(), large.corridors.size());
  for (size_t i = 0; i < small.corridors.size(); ++i) {
    ASSERT_EQ(small.corridors[i].stations.size(), large.corridors[i].stations.size());
    for (size_t s = 0; s < small.corridors[i].stations.size(); ++s) {
      EXPECT_EQ(small.corridors[i].stations[s].cabinet, large.corridors[i].stations[s].cabinet);
    }
  }
  EXPECT_NE(layOutNetwork(6, 300).corridors[0].stations[0].cabinet,
            small.corridors[0].stations[0].cabinet);
  for (int devices : {1, 300, 4000}) {
    RoadNetwork network = layOutNetwork(5, devices);
    int total = 0;
    for (const RoadCorridor& c : network.corridors) total += corridorDeviceCount(c);
    int withoutLast = total - corridorDeviceCount(network.corridors.back());
    EXPECT_GE(total, devices);
    EXPECT_LT(withoutLast, devices);
  }
  EXPECT_TRUE(layOutNetwork(5, 0).corridors.empty());

  StationSite station;
  station.lanes = 4;
  EXPECT_EQ(stationDeviceCount(station), 5);  // lanes and the station
  station.trap = true;
  EXPECT_EQ(stationDeviceCount(station), 13);  // and a speed loop and a trap per lane
  RampSite ramp;
  ramp.lanes = 2;
  EXPECT_EQ(rampDeviceCount(ramp), 0);  // no cabinet
  ramp.cabinet = "005es01234";
  EXPECT_EQ(rampDeviceCount(ramp), 5);  // meter loop and metered lane per lane, queue loop
}

}  // namespace
}  // namespace loopconv
