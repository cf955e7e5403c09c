#include "corridor/corridor_day.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "sample/cabinet_list_writer.h"

namespace loopconv {
namespace {

// Two stations of one corridor, each with two lanes, a quiet day at a
// steady flow and occupancy (estimates about 65 mph on calibrated g); the
// second station also has a trap speed of 50 mph in every period.
class CorridorDayTest : public ::testing::Test {
 protected:
  CorridorDayTest() : table_(DeviceTable::create(6)) {
    const std::vector<CabinetLine> lines = {
        {"005es00100", "I-5", 'N', 100, "A", 4, 1, 0, 0},
        {"005es00200", "I-5", 'N', 200, "B", 4, 1, 1, 0},
    };
    list_ = buildCabinetList(lines, "08/18/2021", 1);
    const char* names[] = {"005es00100:_MN_S00", "005es00100:_MN___1", "005es00100:_MN___2",
                           "005es00200:_MN_S00", "005es00200:_MN___1", "005es00200:_MN___2"};
    for (int32_t i = 0; i < 6; ++i) {
      DeviceRecord& r = (*table_)[i];
      strncpy(r.Name, names[i], NameBytes - 1);
      const bool station = i % 3 == 0;
      r.Kind = station ? KindStation : KindLane;
      for (int p = 0; p < PeriodsPerDay; ++p) {
        // Lanes: 5 vehicles and 60 scans (5%) a period, the scans varying a
        // little so that no lane reads as stuck; stations sum the lanes'
        // volumes, and their ScanCnt is the lanes' mean.
        r.NumLanes[p] = station ? 2 : 1;
        r.Volume[p] = station ? 10 : 5;
        r.ScanCnt[p] = static_cast<uint16_t>(60 + p % 3);
        if (i == 3) r.SpdTenths[p] = 500;
      }
    }
  }

  CorridorDay compute() {
    CabinetPlaces places = CabinetPlaces::fromListBytes(list_.data(), list_.size());
    return computeCorridorDay(*table_, PeriodsPerDay, places);
  }

  std::unique_ptr<DeviceTable> table_;
  std::string list_;
};

TEST_F(CorridorDayTest, HealthyStationsGetEstimatesAndTrapsTheirSpeed) {
  CorridorDay day = compute();
  ASSERT_EQ(day.corridors.size(), 1u);
  const CorridorOfDay& c = day.corridors[0];
  ASSERT_EQ(c.stations.size(), 2u);
  EXPECT_EQ(day.faulty, 0);
  EXPECT_FALSE(c.stations[0].faultyLane);
  EXPECT_TRUE(c.stations[0].length.calibrated);
  for (const StationSpeed& speed : c.stations[0].speeds) {
    EXPECT_EQ(speed.source, SpeedSource::Estimate);
    EXPECT_NEAR(speed.tenths, 650, 10);
  }
}

TEST_F(CorridorDayTest, AStationWithAFaultyLaneGetsNoEstimateButKeepsItsTraps) {
  // A lane stuck at one occupancy all day at each station: the stations'
  // sums still look plausible, but their occupancy is not to be trusted.
  for (int32_t lane : {2, 5}) {
    for (int p = 0; p < PeriodsPerDay; ++p) (*table_)[lane].ScanCnt[p] = 600;
  }
  CorridorDay day = compute();
  ASSERT_EQ(day.corridors.size(), 1u);
  const CorridorOfDay& c = day.corridors[0];
  EXPECT_EQ(day.faulty, 2);
  EXPECT_EQ(day.firstFaulty,
            (std::vector<std::string>{"005es00100:_MN_S00", "005es00200:_MN_S00"}));
  EXPECT_TRUE(c.stations[0].faultyLane);
  for (size_t i = 0; i < c.stations[0].speeds.size(); ++i) {
    EXPECT_EQ(c.stations[0].speeds[i].source, SpeedSource::None) << i;
    // VMT is still counted; the hours need a speed.
    EXPECT_GT(c.stations[0].measures[i].vmtThousandths, 0u) << i;
  }
  for (const StationSpeed& speed : c.stations[1].speeds) {
    EXPECT_EQ(speed.source, SpeedSource::Trap);
    EXPECT_EQ(speed.tenths, 500);
  }
  // The summary tells the VMT with a speed apart from all of it.
  const MeasureSums& sums = c.summaries[0].sums;
  EXPECT_LT(sums.vmtWithSpeedThousandths, sums.vmtThousandths);
  EXPECT_GT(sums.vmtWithSpeedThousandths, 0u);
}

}  // namespace
}  // namespace loopconv
