// The hand-computed case of the corridor figures (see also
// travel_times_test.cc). Corridor "TEST N", mileposts 10.00, 11.00, 12.50:
// gaps 1.00 and 1.50, segments 1.000 (end), 1.250 (half), 1.500 (end).
// One interval, trap speeds 60.0, 30.0, 40.0 mph, volumes 100, 120, 90:
//   station 1: VMT 100 x 1.000 = 100.00; VHT 100 / 60 = 1.6667 -> 1.667;
//              delay35 0 (60 > 35); delay60 100/60 - 100/60 = 0.000
//   station 2: VMT 120 x 1.25 = 150.00; VHT 150 / 30 = 5.000;
//              delay35 5 - 150/35 = 5 - 4.285714 = 0.714286 -> 0.714;
//              delay60 5 - 150/60 = 2.500
//   station 3: VMT 90 x 1.5 = 135.00; VHT 135 / 40 = 3.375;
//              delay35 0; delay60 3.375 - 135/60 = 3.375 - 2.25 = 1.125
//   sums: VMT 385.00; VHT 1.666667 + 5 + 3.375 = 10.041667 -> 10.042;
//         delay35 0.714; delay60 0 + 2.5 + 1.125 = 3.625;
//         speed 385 / 10.041667 = 38.340 -> 38.3 mph;
//         congested station-hours: one interval below 35 mph, 5/60 = 0.083.
#include "corridor/measures.h"

#include "gtest/gtest.h"

namespace loopconv {
namespace {

RollupInterval observed(uint32_t volume) {
  RollupInterval in;
  in.periods = 15;
  in.observed = 15;
  in.volume = volume;
  return in;
}

StationSpeed trap(int32_t tenths) {
  return StationSpeed{tenths, SpeedSource::Trap};
}

TEST(MeasuresTest, HandComputedVmtVhtAndDelays) {
  const StationMeasures m1 = measureInterval(observed(100), 1000, trap(600));
  const StationMeasures m2 = measureInterval(observed(120), 1250, trap(300));
  const StationMeasures m3 = measureInterval(observed(90), 1500, trap(400));
  EXPECT_EQ(m1.vmtThousandths, 100000u);
  EXPECT_EQ(fixedToPlaces(m1.vht, 3), 1667u);
  EXPECT_EQ(fixedToPlaces(m1.delay35, 3), 0u);
  EXPECT_EQ(fixedToPlaces(m1.delay60, 3), 0u);
  EXPECT_EQ(m2.vmtThousandths, 150000u);
  EXPECT_EQ(fixedToPlaces(m2.vht, 3), 5000u);
  EXPECT_EQ(fixedToPlaces(m2.delay35, 3), 714u);
  EXPECT_EQ(fixedToPlaces(m2.delay60, 3), 2500u);
  EXPECT_EQ(m3.vmtThousandths, 135000u);
  EXPECT_EQ(fixedToPlaces(m3.vht, 3), 3375u);
  EXPECT_EQ(fixedToPlaces(m3.delay35, 3), 0u);
  EXPECT_EQ(fixedToPlaces(m3.delay60, 3), 1125u);

  MeasureSums sums;
  sums.add(m1, trap(600));
  sums.add(m2, trap(300));
  sums.add(m3, trap(400));
  EXPECT_EQ(roundedQuotient(sums.vmtThousandths, 10), 38500u);
  EXPECT_EQ(sums.vmtWithSpeedThousandths, 385000u);
  EXPECT_EQ(fixedToPlaces(sums.vht, 3), 10042u);
  EXPECT_EQ(fixedToPlaces(sums.delay35, 3), 714u);
  EXPECT_EQ(fixedToPlaces(sums.delay60, 3), 3625u);
  uint64_t speed = 0;
  ASSERT_TRUE(sums.speedTenths(&speed));
  EXPECT_EQ(speed, 383u);
  EXPECT_EQ(sums.congestedHoursThousandths(), 83u);
}

TEST(MeasuresTest, EmptyWithoutSpeedZeroWithoutVolumeNothingWithoutData) {
  // A speed missing: VMT counted, VHT and delays empty, and the sums keep
  // that VMT out of vmt_with_speed.
  StationSpeed none;
  StationMeasures m = measureInterval(observed(50), 500, none);
  EXPECT_TRUE(m.hasVmt);
  EXPECT_FALSE(m.hasTimes);
  EXPECT_EQ(m.vmtThousandths, 25000u);
  MeasureSums sums;
  sums.add(m, none);
  EXPECT_EQ(sums.vmtThousandths, 25000u);
  EXPECT_EQ(sums.vmtWithSpeedThousandths, 0u);
  uint64_t speed = 0;
  EXPECT_FALSE(sums.speedTenths(&speed));

  // No volume: all 0.
  m = measureInterval(observed(0), 500, none);
  EXPECT_TRUE(m.hasVmt);
  EXPECT_TRUE(m.hasTimes);
  EXPECT_EQ(m.vmtThousandths, 0u);
  EXPECT_EQ(m.vht, Wide{0});

  // Nothing observed: all empty.
  m = measureInterval(RollupInterval{}, 500, none);
  EXPECT_FALSE(m.hasVmt);
  EXPECT_FALSE(m.hasTimes);

  // Exactly 35.0 mph is not congested and has no delay at 35.
  m = measureInterval(observed(35), 1000, trap(350));
  EXPECT_EQ(fixedToPlaces(m.vht, 3), 1000u);
  EXPECT_EQ(m.delay35, Wide{0});
  MeasureSums at35;
  at35.add(m, trap(350));
  EXPECT_EQ(at35.congestedIntervals, 0u);
  at35.add(m, trap(349));
  EXPECT_EQ(at35.congestedIntervals, 1u);
}

TEST(MeasuresTest, WindowsByIntervalStart) {
  // Periods of 20 s: 06:00 is period 1080, 09:55 1785, 10:00 1800.
  EXPECT_FALSE(inSummaryWindow(SummaryWindow::Am, 1077));
  EXPECT_TRUE(inSummaryWindow(SummaryWindow::Am, 1080));
  EXPECT_TRUE(inSummaryWindow(SummaryWindow::Am, 1785));
  EXPECT_FALSE(inSummaryWindow(SummaryWindow::Am, 1800));
  EXPECT_TRUE(inSummaryWindow(SummaryWindow::Pm, 2700));  // 15:00
  EXPECT_TRUE(inSummaryWindow(SummaryWindow::Pm, 3405));  // 18:55
  EXPECT_FALSE(inSummaryWindow(SummaryWindow::Pm, 3420));
  EXPECT_TRUE(inSummaryWindow(SummaryWindow::Day, 0));
}

}  // namespace
}  // namespace loopconv
