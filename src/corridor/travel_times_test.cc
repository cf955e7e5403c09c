// Travel times worked by hand.
//
// Instant, the corridor of measures_test.cc (distances 0, 1.00, 2.50 mi,
// speeds 60, 30, 40 mph):
//   gap 1: (1/3)/60 + (1/3)/45 + (1/3)/30 h = (3 + 4 + 6)/540 h = 1.444444 min
//   gap 2: 0.5/30 + 0.5/35 + 0.5/40 h = (28 + 24 + 21)/1680 h = 2.607143 min
//   instant_min = 4.051587 -> 4.05
//
// Experienced, two stations 3.00 mi apart, a file of four intervals (60
// periods, 20 minutes), speeds (station 1, station 2):
//   k0 (00:00) 20, 40: thirds of 1 mi at 20, 30, 40 mph: instant 3 + 2 + 1.5
//      = 6.50 min. Driven: 3 min, then 2 min to x = 2 mi at t = 5:00 exactly,
//      where k1 begins; the last mile at 60 mph takes 1 min: 6.00 min.
//   k1 (00:05) 60, 60: instant 3.00; driven 00:05-00:08 inside k1: 3.00.
//   k2 (00:10) 20, 20: instant 9.00; driven: at 00:15 it has done 5/60 x 20
//      = 1.667 mi and meets k3, which has no instant time: empty.
//   k3 (00:15) 20, none: instant empty (the last station has no speed),
//      experienced empty.
//   With k3 at 20, 20 instead, the trip from 00:10 at 20 mph takes 9 min,
//   arriving at 00:19, before the file ends at 00:20: 9.00; the one from
//   00:15 would arrive at 00:24: it runs past the file, empty.
#include "corridor/travel_times.h"

#include "gtest/gtest.h"

namespace loopconv {
namespace {

StationSpeed trap(int32_t tenths) {
  return StationSpeed{tenths, SpeedSource::Trap};
}

uint64_t printed(Wide minutes) {
  return fixedToPlaces(minutes, 2);
}

TEST(TravelTimesTest, InstantTravelTimeOverThirds) {
  EXPECT_EQ(printed(gapMinutes(100, 600, 300)), 144u);
  EXPECT_EQ(fixedToPlaces(gapMinutes(100, 600, 300), 6), 1444444u);
  EXPECT_EQ(fixedToPlaces(gapMinutes(150, 300, 400), 6), 2607143u);
  CorridorSpeeds c;
  c.distances = {0, 100, 250};
  c.speeds = {trap(600), trap(300), trap(400)};
  c.intervalCount = 1;
  c.periodCount = 4320;  // a day: the trip of 4 minutes ends inside it
  std::vector<TravelTime> times = corridorTravelTimes(c);
  ASSERT_EQ(times.size(), 1u);
  ASSERT_TRUE(times[0].hasInstant);
  EXPECT_EQ(printed(times[0].instant), 405u);
  EXPECT_EQ(fixedToPlaces(times[0].instant, 6), 4051587u);
  // The single interval of a file that ends after it: the trip of 4.05 min
  // fits into its 5 minutes and meets the same speeds all the way.
  ASSERT_TRUE(times[0].hasExperienced);
  EXPECT_EQ(times[0].experiencedHundredths, 405u);
}

TEST(TravelTimesTest, ExperiencedTravelTimeCrossesIntervals) {
  CorridorSpeeds c;
  c.distances = {0, 300};
  c.intervalCount = 4;
  c.periodCount = 60;
  StationSpeed none;
  // Station-major: station 1's four intervals, then station 2's.
  c.speeds = {trap(200), trap(600), trap(200), trap(200), trap(400), trap(600), trap(200), none};
  std::vector<TravelTime> times = corridorTravelTimes(c);
  ASSERT_EQ(times.size(), 4u);
  EXPECT_EQ(printed(times[0].instant), 650u);
  ASSERT_TRUE(times[0].hasExperienced);
  EXPECT_EQ(times[0].experiencedHundredths, 600u);
  EXPECT_EQ(printed(times[1].instant), 300u);
  EXPECT_EQ(times[1].experiencedHundredths, 300u);
  EXPECT_EQ(printed(times[2].instant), 900u);
  EXPECT_FALSE(times[2].hasExperienced);  // meets k3
  EXPECT_FALSE(times[3].hasInstant);
  EXPECT_FALSE(times[3].hasExperienced);

  c.speeds[7] = trap(200);
  times = corridorTravelTimes(c);
  EXPECT_TRUE(times[3].hasInstant);
  ASSERT_TRUE(times[2].hasExperienced);
  EXPECT_EQ(times[2].experiencedHundredths, 900u);
  EXPECT_FALSE(times[3].hasExperienced);  // runs past the file's end
  EXPECT_EQ(times[1].experiencedHundredths, 300u);
}

TEST(TravelTimesTest, GapsOverThreeMilesAndMissingSpeedsInside) {
  StationSpeed none;
  CorridorSpeeds c;
  c.distances = {0, 150, 301};
  c.intervalCount = 1;
  c.periodCount = 4320;
  // The middle station without a speed leaves a gap of 3.01 mi: empty.
  c.speeds = {trap(600), none, trap(600)};
  EXPECT_FALSE(corridorTravelTimes(c)[0].hasInstant);
  // With it, two gaps of 1.50 and 1.51 mi at 60 mph: 3.01 min.
  c.speeds[1] = trap(600);
  EXPECT_EQ(printed(corridorTravelTimes(c)[0].instant), 301u);
  EXPECT_EQ(corridorTravelTimes(c)[0].experiencedHundredths, 301u);
  // Exactly 3.00 mi between speeds is allowed; the station between is skipped.
  c.distances = {0, 100, 300};
  c.speeds = {trap(600), none, trap(300)};
  // 3 mi at 60, 45, 30 by thirds: 1 + 1.3333 + 2 min.
  EXPECT_EQ(printed(corridorTravelTimes(c)[0].instant), 433u);
  EXPECT_EQ(corridorTravelTimes(c)[0].experiencedHundredths, 433u);
  // The first station without a speed: empty.
  c.speeds = {none, trap(600), trap(600)};
  EXPECT_FALSE(corridorTravelTimes(c)[0].hasInstant);
  // A one-station corridor has no rows.
  c.distances = {0};
  c.speeds = {trap(600)};
  EXPECT_TRUE(corridorTravelTimes(c).empty());
}

}  // namespace
}  // namespace loopconv
