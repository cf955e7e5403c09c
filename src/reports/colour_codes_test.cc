#include "reports/colour_codes.h"

#include <memory>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

struct Codes {
  int flow, occupancy, speed;
  bool operator==(const Codes&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Codes& c) {
  return out << c.flow << "," << c.occupancy << "," << c.speed;
}

Codes codesOf(uint16_t volume, uint16_t lanes, uint16_t scanCnt, uint16_t spd) {
  ColourCodes c = colourCodes(flowPerHour(volume, lanes), scanCnt, spd);
  return {c.flow, c.occupancy, c.speed};
}

TEST(ColourCodesTest, FlowRoundsHalfUpAndSaturates) {
  EXPECT_EQ(flowPerHour(5, 1), 900);
  EXPECT_EQ(flowPerHour(1, 7), 26);  // 25.71
  EXPECT_EQ(flowPerHour(2, 7), 51);  // 51.43
  EXPECT_EQ(flowPerHour(16, 3), 960);
  EXPECT_EQ(flowPerHour(17, 3), 1020);
  EXPECT_EQ(flowPerHour(25, 3), 1500);
  EXPECT_EQ(flowPerHour(127, 1), 22860);
  EXPECT_EQ(flowPerHour(9, 0), 0);
  // Beyond the decoded widths: no wrap, no undefined conversion.
  EXPECT_EQ(flowPerHour(65535, 1), 65535);
  EXPECT_EQ(flowPerHour(400, 1), 65535);
  EXPECT_EQ(flowPerHour(364, 1), 65520);
}

TEST(ColourCodesTest, NothingMeasuredGivesFourEverywhere) {
  EXPECT_EQ(codesOf(0, 0, 0, 0), (Codes{4, 4, 4}));
  EXPECT_EQ(codesOf(25, 0, 0, 999), (Codes{4, 4, 4}));  // no lanes: flow 0
  EXPECT_EQ(codesOf(0, 3, 0, 650), (Codes{4, 4, 4}));
  EXPECT_EQ(codesOf(5, 0, 30, 450), (Codes{3, 3, 2}));
  EXPECT_EQ(codesOf(1, 1, 0, 0), (Codes{3, 3, 100}));
}

TEST(ColourCodesTest, BandBoundaries) {
  // Flow: inclusive lower bounds.
  EXPECT_EQ(colourCodes(999, 0, 600).flow, 3);
  EXPECT_EQ(colourCodes(1000, 0, 600).flow, 2);
  EXPECT_EQ(colourCodes(1499, 0, 600).flow, 2);
  EXPECT_EQ(colourCodes(1500, 0, 600).flow, 1);
  EXPECT_EQ(colourCodes(1999, 0, 600).flow, 1);
  EXPECT_EQ(colourCodes(2000, 0, 600).flow, 100);
  EXPECT_EQ(colourCodes(65535, 0, 600).flow, 100);
  EXPECT_EQ(codesOf(16, 3, 1, 1).flow, 3);
  EXPECT_EQ(codesOf(17, 3, 1, 1).flow, 2);
  EXPECT_EQ(codesOf(25, 3, 1, 1).flow, 1);
  EXPECT_EQ(codesOf(11, 1, 1, 1).flow, 1);
  EXPECT_EQ(codesOf(12, 1, 1, 1).flow, 100);
  // ScanCnt: exclusive bounds.
  const int scans[] = {1, 180, 181, 264, 265, 420, 421, 2047};
  const int occupancy[] = {3, 3, 2, 2, 1, 1, 100, 100};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(colourCodes(0, static_cast<uint16_t>(scans[i]), 0).occupancy, occupancy[i])
        << scans[i];
  }
  // Speed: exclusive bounds, running the other way.
  const int speeds[] = {0, 300, 301, 400, 401, 500, 501, 1023};
  const int speed[] = {100, 100, 1, 1, 2, 2, 3, 3};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(colourCodes(900, 0, static_cast<uint16_t>(speeds[i])).speed, speed[i]) << speeds[i];
    EXPECT_EQ(colourCodes(0, 1, static_cast<uint16_t>(speeds[i])).speed, speed[i]) << speeds[i];
  }
}

TEST(ColourCodesTest, CodesComeFromThePeriodsOwnValues) {
  std::unique_ptr<DeviceTable> table = DeviceTable::create(1);
  ASSERT_NE(table, nullptr);
  DeviceRecord& r = (*table)[0];
  r.NumLanes[1260] = 1;
  r.Volume[1260] = 5;
  r.ScanCnt[1260] = 96;
  r.SpdTenths[1260] = 652;
  r.SpdTenths[1261] = 652;  // speed alone: no flow and no occupancy
  ColourCodes busy = colourCodesAt(r, 1260);
  ColourCodes idle = colourCodesAt(r, 1261);
  EXPECT_EQ(busy.flow, 3);
  EXPECT_EQ(busy.occupancy, 3);
  EXPECT_EQ(busy.speed, 3);
  EXPECT_EQ(idle.flow, 4);
  EXPECT_EQ(idle.occupancy, 4);
  EXPECT_EQ(idle.speed, 4);
}

}  // namespace
}  // namespace loopconv
