#include "analysis/interval_sums.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace loopconv {
namespace {

std::unique_ptr<DeviceTable> oneDevice() {
  std::unique_ptr<DeviceTable> table = DeviceTable::create(1);
  if (!table) abort();
  return table;
}

std::vector<RollupInterval> rollUp(const DeviceRecord& r, int32_t periodCount, int minutes) {
  std::vector<RollupInterval> intervals(
      static_cast<size_t>(rollupIntervalCount(periodCount, minutes)));
  rollUpDevice(r, periodCount, minutes, intervals.data());
  return intervals;
}

TEST(RollupTest, OnlyTheFourIntervalLengthsAreTaken) {
  for (int minutes : {1, 5, 15, 60}) EXPECT_TRUE(isRollupMinutes(minutes)) << minutes;
  for (int minutes : {-5, 0, 2, 10, 30, 61, 1440}) {
    EXPECT_FALSE(isRollupMinutes(minutes)) << minutes;
    EXPECT_EQ(rollupIntervalCount(PeriodsPerDay, minutes), 0) << minutes;
  }
}

// Intervals start every `minutes` x 3 periods from period 0 and together cover
// exactly the file's periods; only the last may be short.
TEST(RollupTest, IntervalsCoverTheFilesPeriods) {
  struct Case {
    int32_t periodCount;
    int minutes;
    int32_t count;
    int32_t lastPeriods;
  };
  const Case cases[] = {
      {4320, 1, 1440, 3}, {4320, 5, 288, 15}, {4320, 15, 96, 45},  {4320, 60, 24, 180},
      {100, 1, 34, 1},    {100, 5, 7, 10},    {100, 15, 3, 10},    {100, 60, 1, 100},
      {1000, 60, 6, 100}, {1, 15, 1, 1},      {180, 60, 1, 180},   {181, 60, 2, 1},
      {0, 5, 0, 0},       {-7, 5, 0, 0},      {9999, 60, 24, 180},  // kept to one day
  };
  auto table = oneDevice();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.periodCount << " periods at " << c.minutes << " min");
    ASSERT_EQ(rollupIntervalCount(c.periodCount, c.minutes), c.count);
    std::vector<RollupInterval> intervals = rollUp((*table)[0], c.periodCount, c.minutes);
    int32_t next = 0;
    for (const RollupInterval& in : intervals) {
      EXPECT_EQ(in.firstPeriod, next);
      if (&in != &intervals.back()) {
        EXPECT_EQ(in.periods, c.minutes * 3);
      }
      next += in.periods;
    }
    if (c.count > 0) {
      EXPECT_EQ(intervals.back().periods, c.lastPeriods);
    }
  }
}

// One 1-minute interval (periods 3..5) per case: which periods count and
// which weigh into the means.
TEST(RollupTest, SumsKeepToObservedPeriodsAndWeighOnlyPositiveValues) {
  struct Period {
    uint16_t lanes, volume, scan, speed, estSpeed, length;
  };
  struct Case {
    const char* what;
    Period p[3];
    int32_t observed;
    uint32_t volume;
    uint64_t scan;
    uint64_t speedW;
    uint32_t speedV;
    uint64_t estW;
    uint32_t estV;
    uint64_t lenW;
    uint32_t lenV;
  };
  const Case cases[] = {
      {"all observed",
       {{1, 5, 96, 652, 640, 183}, {2, 3, 40, 600, 610, 200}, {1, 1, 12, 700, 700, 150}},
       3,
       9,
       148,
       652 * 5 + 600 * 3 + 700,
       9,
       640 * 5 + 610 * 3 + 700,
       9,
       183 * 5 + 200 * 3 + 150,
       9},
      {"period without lanes left out even with counts",
       {{0, 8, 99, 500, 500, 100}, {1, 2, 30, 550, 0, 0}, {0, 0, 0, 0, 0, 0}},
       1,
       2,
       30,
       550 * 2,
       2,
       0,
       0,
       0,
       0},
      {"observed with zero volume counts but does not weigh",
       {{1, 0, 24, 650, 650, 180}, {1, 4, 48, 0, 620, 190}, {1, 6, 60, 610, 0, 0}},
       3,
       10,
       132,
       610 * 6,
       6,
       620 * 4,
       4,
       190 * 4,
       4},
      {"largest values keep exact sums",
       {{9, 65535, 65535, 65535, 65535, 65535},
        {9, 65535, 65535, 65535, 65535, 65535},
        {9, 65535, 65535, 65535, 65535, 65535}},
       3,
       3 * 65535u,
       3 * 65535ull,
       3 * 65535ull * 65535,
       3 * 65535u,
       3 * 65535ull * 65535,
       3 * 65535u,
       3 * 65535ull * 65535,
       3 * 65535u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto table = oneDevice();
    DeviceRecord& r = (*table)[0];
    for (int i = 0; i < 3; ++i) {
      const Period& p = c.p[i];
      r.NumLanes[3 + i] = p.lanes;
      r.Volume[3 + i] = p.volume;
      r.ScanCnt[3 + i] = p.scan;
      r.SpdTenths[3 + i] = p.speed;
      r.CalcSpdTenths[3 + i] = p.estSpeed;
      r.LenTenths[3 + i] = p.length;
    }
    std::vector<RollupInterval> intervals = rollUp(r, 9, 1);
    ASSERT_EQ(intervals.size(), 3u);
    const RollupInterval& in = intervals[1];
    EXPECT_EQ(in.firstPeriod, 3);
    EXPECT_EQ(in.periods, 3);
    EXPECT_EQ(in.observed, c.observed);
    EXPECT_EQ(in.volume, c.volume);
    EXPECT_EQ(in.scanSum, c.scan);
    EXPECT_EQ(in.speedWeighted, c.speedW);
    EXPECT_EQ(in.speedVolume, c.speedV);
    EXPECT_EQ(in.estSpeedWeighted, c.estW);
    EXPECT_EQ(in.estSpeedVolume, c.estV);
    EXPECT_EQ(in.lengthWeighted, c.lenW);
    EXPECT_EQ(in.lengthVolume, c.lenV);
    for (size_t i : {0u, 2u}) {
      EXPECT_EQ(intervals[i].observed, 0);
      EXPECT_EQ(intervals[i].volume, 0u);
    }
  }
}

// Data past the file's last period never reaches the last (short) interval.
TEST(RollupTest, ShortFileIgnoresPeriodsPastItsEnd) {
  auto table = oneDevice();
  DeviceRecord& r = (*table)[0];
  for (int p = 95; p < 110; ++p) {
    r.NumLanes[p] = 1;
    r.Volume[p] = 1;
  }
  std::vector<RollupInterval> intervals = rollUp(r, 100, 5);
  ASSERT_EQ(intervals.size(), 7u);
  EXPECT_EQ(intervals[6].firstPeriod, 90);
  EXPECT_EQ(intervals[6].periods, 10);
  EXPECT_EQ(intervals[6].observed, 5);
  EXPECT_EQ(intervals[6].volume, 5u);
}

}  // namespace
}  // namespace loopconv
