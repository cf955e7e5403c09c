#include "corridor/station_speeds.h"

#include <vector>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

// A fully observed one-lane interval of volume V and ScanCnt sum C.
RollupInterval interval(uint32_t volume, uint64_t scanSum, int32_t observed = 15) {
  RollupInterval in;
  in.periods = 15;
  in.observed = observed;
  in.volume = volume;
  in.scanSum = scanSum;
  return in;
}

VehicleLength calibrate(const std::vector<RollupInterval>& intervals, uint32_t lanes = 1) {
  std::vector<uint32_t> laneSums;
  for (const RollupInterval& in : intervals) {
    laneSums.push_back(lanes * static_cast<uint32_t>(in.observed));
  }
  return calibrateVehicleLength(intervals.data(), laneSums.data(),
                                static_cast<int32_t>(intervals.size()));
}

TEST(StationSpeedsTest, FreeFlowIntervalsNeedTwelvePeriodsVolumeAndOneToTenPercent) {
  // Occupancy is C / 12n percent: 1% is C = 180 and 10% C = 1800 for n = 15.
  EXPECT_TRUE(isFreeFlowInterval(interval(10, 180)));
  EXPECT_TRUE(isFreeFlowInterval(interval(10, 1800)));
  EXPECT_FALSE(isFreeFlowInterval(interval(10, 179)));
  EXPECT_FALSE(isFreeFlowInterval(interval(10, 1801)));
  EXPECT_FALSE(isFreeFlowInterval(interval(0, 600)));
  EXPECT_TRUE(isFreeFlowInterval(interval(10, 144, 12)));  // 1% of 12 periods
  EXPECT_FALSE(isFreeFlowInterval(interval(10, 132, 11)));
}

TEST(StationSpeedsTest, VehicleLengthIsTheMedianOfFreeFlowSamplesClampedAndRounded) {
  // With n = 15, one lane and V = 143: 65 x 5280 o / q = (143/90) C N / (n V)
  // = C / 90 ft. C = 1080, 1620, 1719, 1800 give 12.0, 18.0, 19.1, 20.0 ft.
  std::vector<RollupInterval> odd(6, interval(143, 1080));
  odd.push_back(interval(143, 1620));
  odd.insert(odd.end(), 6, interval(143, 1800));
  odd.push_back(interval(143, 2000));  // 11.1%: not free flow
  odd.push_back(interval(0, 0, 0));    // nothing observed
  VehicleLength g = calibrate(odd);
  EXPECT_TRUE(g.calibrated);
  EXPECT_EQ(g.tenths, 180);  // the 7th of 13

  // Twelve: the mean of the 6th and 7th, (18.0 + 19.1) / 2 = 18.55, half up.
  std::vector<RollupInterval> even(5, interval(143, 1080));
  even.push_back(interval(143, 1620));
  even.push_back(interval(143, 1719));
  even.insert(even.end(), 5, interval(143, 1800));
  EXPECT_EQ(calibrate(even).tenths, 186);

  // Three lanes: N = 45 triples every sample (36.0 ft for C = 1080).
  EXPECT_EQ(calibrate(std::vector<RollupInterval>(12, interval(143, 1080)), 3).tenths, 360);
  // Clamped to 12 to 40 ft: C = 180 gives 2.0 ft, three lanes of C = 1800 60 ft.
  g = calibrate(std::vector<RollupInterval>(12, interval(143, 180)));
  EXPECT_EQ(g.tenths, 120);
  EXPECT_TRUE(g.calibrated);
  EXPECT_EQ(calibrate(std::vector<RollupInterval>(12, interval(143, 1800)), 3).tenths, 400);
  // Eleven samples: the default of 22 ft.
  g = calibrate(std::vector<RollupInterval>(11, interval(143, 1080)));
  EXPECT_EQ(g.tenths, 220);
  EXPECT_FALSE(g.calibrated);
}

TEST(StationSpeedsTest, TrapSpeedFirstThenTheEstimateThenNothing) {
  // 1800 vph in one lane (V = 150 in 5 minutes) at 10% occupancy with
  // g = 22 ft: v = 1800 x 22 / (5280 x 0.1) = 75 mph.
  RollupInterval in = interval(150, 1800);
  StationSpeed speed = stationSpeed(in, 15, 220);
  EXPECT_EQ(speed.source, SpeedSource::Estimate);
  EXPECT_EQ(speed.tenths, 750);
  // Two lanes of 900 vph each: 37.5 mph.
  EXPECT_EQ(stationSpeed(in, 30, 220).tenths, 375);
  // 40 ft would give 136.4 mph: capped at 80.
  EXPECT_EQ(stationSpeed(in, 15, 400).tenths, 800);
  // One vehicle at full occupancy, g = 12 ft: 0.027 mph, kept at 0.1.
  EXPECT_EQ(stationSpeed(interval(1, 18000), 15, 120).tenths, 1);
  // 450 V n g / (11 N C) tenths with V = 11, C = 1800, g = 120 tenths:
  // 450 x 11 x 15 x 120 / (11 x 15 x 1800) = 30 exactly (3.0 mph), and with
  // C = 1440 37.5: a half, rounded up.
  EXPECT_EQ(stationSpeed(interval(11, 1800), 15, 120).tenths, 30);
  EXPECT_EQ(stationSpeed(interval(11, 1440), 15, 120).tenths, 38);

  // The trap's speed wins: 523 tenths x 10 vehicles.
  in.speedWeighted = 5230;
  in.speedVolume = 10;
  speed = stationSpeed(in, 15, 220);
  EXPECT_EQ(speed.source, SpeedSource::Trap);
  EXPECT_EQ(speed.tenths, 523);

  // No volume, no occupancy or nothing observed: no speed (never 0, never
  // the calculated speed).
  RollupInterval calculated = interval(0, 600);
  calculated.estSpeedWeighted = 650;
  calculated.estSpeedVolume = 10;
  EXPECT_EQ(stationSpeed(calculated, 15, 220).source, SpeedSource::None);
  EXPECT_EQ(stationSpeed(interval(10, 0), 15, 220).source, SpeedSource::None);
  EXPECT_EQ(stationSpeed(interval(0, 0, 0), 0, 220).source, SpeedSource::None);
  EXPECT_STREQ(speedSourceText(SpeedSource::None), "");
}

TEST(StationSpeedsTest, LaneSumsCountObservedPeriodsOnly) {
  auto table = DeviceTable::create(1);
  ASSERT_NE(table, nullptr);
  DeviceRecord& r = (*table)[0];
  for (int p = 0; p < 30; ++p) r.NumLanes[p] = p < 15 ? 3 : (p % 2 ? 2 : 0);
  RollupInterval intervals[2];
  rollUpDevice(r, 30, 5, intervals);
  uint32_t sums[2];
  sumLanes(r, intervals, 2, sums);
  EXPECT_EQ(sums[0], 45u);
  EXPECT_EQ(sums[1], 16u);  // the 8 odd periods of 15 .. 29, 2 lanes each
}

}  // namespace
}  // namespace loopconv
