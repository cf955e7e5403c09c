#include "sample/cell_transmission.h"

#include <algorithm>
#include <cmath>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

// A straight corridor of `count` stations a mile apart with `lanes` lanes,
// then `dropTo` lanes from just after station `dropAfter` (none when < 0).
RoadCorridor straightCorridor(int count, int lanes, int dropAfter = -1, int dropTo = 0) {
  RoadCorridor c;
  c.side = 'N';
  c.freeFlowMph = 65;
  c.capacityPerLane = 2000;
  c.jamDensity = 200;
  c.laneChanges.push_back({0.0, lanes});
  for (int i = 0; i < count; ++i) {
    StationSite s;
    s.position = 0.5 + i;
    s.lanes = lanes;
    c.stations.push_back(s);
  }
  c.lengthMiles = count + 0.2;
  if (dropAfter >= 0) {
    c.bottleneckPosition = c.stations[dropAfter].position + 0.25;
    c.laneChanges.push_back({c.bottleneckPosition, dropTo});
    for (int i = dropAfter + 1; i < count; ++i) c.stations[i].lanes = dropTo;
  }
  return c;
}

SimulatedCorridorDay steadyDay(int32_t periods, double share) {
  SimulatedCorridorDay day;
  day.demandShare.assign(static_cast<size_t>(periods), share);
  return day;
}

// Mean speed and flow (vph) of a station over periods [from, to).
double speedOf(const StationFlow& f, int from, int to) {
  double vehicles = 0, density = 0;
  for (int p = from; p < to; ++p) {
    vehicles += f.vehicles[p];
    density += f.density[p];
  }
  return vehicles / (PeriodHours * density);
}
double flowOf(const StationFlow& f, int from, int to) {
  double vehicles = 0;
  for (int p = from; p < to; ++p) vehicles += f.vehicles[p];
  return vehicles / ((to - from) * PeriodHours);
}

// Below capacity every station sees the demand at the free-flow speed, the
// off-ramp takes its share and the on-ramp adds its flow; nothing is lost.
TEST(CellTransmissionTest, FreeFlowCarriesTheDemandAtFreeFlowSpeed) {
  RoadCorridor c = straightCorridor(6, 3);
  c.upstreamPeakVph = 4000;
  RampSite off, on;
  off.kind = RampKind::Off;
  off.position = 2.0;
  off.exitShare = 0.25;
  on.kind = RampKind::On;
  on.position = 3.0;
  on.peakVph = 600;
  c.ramps = {off, on};
  CorridorFlows flows = simulateCorridor(c, steadyDay(540, 1.0), 540);
  ASSERT_EQ(flows.stations.size(), 6u);
  const double expected[] = {4000, 4000, 3000, 3600, 3600, 3600};
  for (size_t s = 0; s < 6; ++s) {
    SCOPED_TRACE(s);
    EXPECT_NEAR(flowOf(flows.stations[s], 180, 540), expected[s], 1.0);
    EXPECT_NEAR(speedOf(flows.stations[s], 180, 540), 65.0, 0.01);
  }
  const RampFlow& ramp = flows.ramps[1];
  ASSERT_EQ(ramp.merged.size(), 540u);
  EXPECT_NEAR(ramp.merged[300] / PeriodHours, 600.0, 1.0);
  EXPECT_LT(ramp.queue[300], 0.01);
  EXPECT_TRUE(flows.ramps[0].merged.empty());  // off-ramps keep no series
  EXPECT_NEAR(flows.entered, flows.exited + flows.leftByRamps + flows.storedChange,
              1e-6 * flows.entered);
}

// Demand above what a lane drop carries: a queue forms just above the drop,
// its upstream edge moves upstream, the stations below run at the queue's
// discharge (below capacity) and free; no vehicle is lost.
TEST(CellTransmissionTest, QueueFormsAtTheBottleneckAndSpillsBack) {
  RoadCorridor c = straightCorridor(8, 3, 5, 2);
  c.upstreamPeakVph = 4400;  // 10% above two lanes' capacity
  SimulatedCorridorDay day = steadyDay(1080, 0.5);
  for (int p = 180; p < 720; ++p) day.demandShare[p] = 1.0;  // an hour and a half
  CorridorFlows flows = simulateCorridor(c, day, 1080);
  int lastEdge = 8;
  int edgeAt30 = -1, edgeAt90 = -1;
  for (int minute = 10; minute <= 180; minute += 10) {
    int period = 180 + minute * 3;
    int edge = 8;
    for (int s = 7; s >= 0; --s) {
      if (speedOf(flows.stations[s], period - 15, period) < 40.0) edge = s;
    }
    if (minute == 30) edgeAt30 = edge;
    if (minute == 90) edgeAt90 = edge;
    if (minute <= 90) {
      EXPECT_LE(edge, lastEdge) << minute;  // never retreats while it grows
    }
    lastEdge = edge;
  }
  EXPECT_EQ(edgeAt30, 5);  // the station just above the drop first
  EXPECT_LT(edgeAt90, 4);  // then upstream
  for (int s = 6; s < 8; ++s) {
    EXPECT_NEAR(speedOf(flows.stations[s], 360, 720), 65.0, 0.01);
    // The queue discharges 6% below the two lanes' capacity.
    EXPECT_NEAR(flowOf(flows.stations[s], 450, 720), 0.94 * 4000, 40.0);
  }
  // Inside the queue: slow, dense, and never more than a lane carries.
  EXPECT_LT(speedOf(flows.stations[5], 600, 720), 30.0);
  for (const StationFlow& f : flows.stations) {
    for (size_t p = 0; p < f.vehicles.size(); ++p) {
      EXPECT_LE(f.vehicles[p] / PeriodHours, 3 * 2000.0 + 1e-3);
      EXPECT_LE(f.density[p], 3 * 200.0);
    }
  }
  // Long after the peak the queue is gone.
  EXPECT_NEAR(speedOf(flows.stations[3], 1020, 1080), 65.0, 0.01);
  EXPECT_NEAR(flows.entered, flows.exited + flows.leftByRamps + flows.storedChange,
              1e-6 * flows.entered);
}

// A busy on-ramp at a merge: the mainline queues above it, the ramp keeps
// merging its share, and what cannot merge waits on the ramp.
TEST(CellTransmissionTest, BusyMergeSharesTheRoomByLanes) {
  RoadCorridor c = straightCorridor(6, 2);
  c.upstreamPeakVph = 3400;
  RampSite on;
  on.kind = RampKind::On;
  on.position = 3.75;
  on.peakVph = 1800;
  c.ramps = {on};
  CorridorFlows flows = simulateCorridor(c, steadyDay(900, 1.0), 900);
  const RampFlow& ramp = flows.ramps[0];
  double merged = 0;
  for (int p = 600; p < 900; ++p) merged += ramp.merged[p];
  // One ramp lane beside two mainline lanes: a third of the queue's discharge.
  EXPECT_NEAR(merged / (300 * PeriodHours), 0.94 * 4000 / 3, 40.0);
  EXPECT_GT(ramp.queue[899], 10.0);
  EXPECT_EQ(ramp.busy[899], 1);
  EXPECT_LT(speedOf(flows.stations[3], 600, 900), 40.0);
  EXPECT_NEAR(speedOf(flows.stations[5], 600, 900), 65.0, 0.01);
  EXPECT_NEAR(flows.entered, flows.exited + flows.leftByRamps + flows.storedChange,
              1e-6 * flows.entered);
}

// A lane blocked for 40 minutes under ordinary traffic makes a queue that
// clears after it.
TEST(CellTransmissionTest, IncidentQueuesAndClears) {
  RoadCorridor c = straightCorridor(6, 3);
  c.upstreamPeakVph = 4500;
  SimulatedCorridorDay day = steadyDay(1440, 1.0);
  day.incidents.push_back({0, 4.2, 360, 480});
  CorridorFlows flows = simulateCorridor(c, day, 1440);
  EXPECT_NEAR(speedOf(flows.stations[3], 300, 360), 65.0, 0.01);
  EXPECT_LT(speedOf(flows.stations[3], 450, 480), 30.0);
  EXPECT_NEAR(speedOf(flows.stations[3], 1380, 1440), 65.0, 0.01);
  EXPECT_NEAR(speedOf(flows.stations[5], 300, 360), 65.0, 0.01);
}

}  // namespace
}  // namespace loopconv
