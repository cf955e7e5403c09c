#include "derive/estimates.h"

#include <gtest/gtest.h>

namespace loopconv {
namespace {

void setInputs(DeviceRecord& d, int p, uint16_t v, uint16_t s, uint16_t l) {
  d.Volume[p] = v;
  d.ScanCnt[p] = s;
  d.NumLanes[p] = l;
}

TEST(DeriveEstimates, LengthAndSpeedCases) {
  struct Case {
    uint16_t v, s, l, length, speed;
  };
  const Case cases[] = {
      {3, 100, 1, 53, 65}, {10, 300, 2, 95, 65},    {1, 2047, 7, 22767, 65}, {2, 1, 1, 1, 82},
      {20, 1, 1, 0, 0},    {127, 2047, 7, 179, 65}, {31, 5, 3, 1, 85},
  };
  auto table = DeviceTable::create(2);
  (*table)[0].Kind = KindLane;
  (*table)[1].Kind = KindStation;
  int n = static_cast<int>(std::size(cases));
  for (int i = 0; i < n; i++) {
    for (DeviceRecord& d : *table) setInputs(d, i, cases[i].v, cases[i].s, cases[i].l);
  }
  computeEstimates(table.get(), n);
  for (const DeviceRecord& d : *table) {
    for (int i = 0; i < n; i++) {
      SCOPED_TRACE(testing::Message()
                   << "V " << cases[i].v << " S " << cases[i].s << " L " << cases[i].l);
      EXPECT_EQ(d.EstLength[i], cases[i].length);
      EXPECT_EQ(d.CalcSpdTenths[i], cases[i].speed);
    }
  }
}

TEST(DeriveEstimates, PlanesNotWrittenWithoutVolumeOrOccupancy) {
  auto table = DeviceTable::create(2);
  DeviceRecord& d = (*table)[0];
  DeviceRecord& idle = (*table)[1];  // no inputs at all, like a speed trap
  for (int p = 0; p < 5; p++) {
    d.EstLength[p] = idle.EstLength[p] = 777;
    d.CalcSpdTenths[p] = idle.CalcSpdTenths[p] = 888;
  }
  setInputs(d, 0, 0, 100, 1);  // V 0: length kept, speed from it is 0
  setInputs(d, 1, 5, 0, 1);    // S 0: length 0, speed kept
  setInputs(d, 2, 5, 100, 0);  // L 0: likewise
  setInputs(d, 3, 0, 0, 0);    // nothing written

  computeEstimates(table.get(), 4);

  EXPECT_EQ(d.EstLength[0], 777);
  EXPECT_EQ(d.CalcSpdTenths[0], 0);
  EXPECT_EQ(d.EstLength[1], 0);
  EXPECT_EQ(d.CalcSpdTenths[1], 888);
  EXPECT_EQ(d.EstLength[2], 0);
  EXPECT_EQ(d.CalcSpdTenths[2], 888);
  EXPECT_EQ(d.EstLength[3], 777);
  EXPECT_EQ(d.CalcSpdTenths[3], 888);
  for (int p = 0; p < 5; p++) {
    EXPECT_EQ(idle.EstLength[p], 777);
    EXPECT_EQ(idle.CalcSpdTenths[p], 888);
  }
}

TEST(DeriveEstimates, PeriodCountBounds) {
  computeEstimates(nullptr, PeriodsPerDay);  // does nothing
  auto empty = DeviceTable::create(0);
  computeEstimates(empty.get(), PeriodsPerDay);

  auto table = DeviceTable::create(1);
  DeviceRecord& d = (*table)[0];
  for (int p = 0; p < PeriodsPerDay; p++) setInputs(d, p, 3, 100, 1);

  computeEstimates(table.get(), -1);
  computeEstimates(table.get(), 0);
  EXPECT_EQ(d.EstLength[0], 0);

  // 13 periods: a whole block of 8 and a remainder of 5.
  computeEstimates(table.get(), 13);
  EXPECT_EQ(d.EstLength[12], 53);
  EXPECT_EQ(d.CalcSpdTenths[12], 65);
  EXPECT_EQ(d.EstLength[13], 0);
  EXPECT_EQ(d.CalcSpdTenths[13], 0);

  computeEstimates(table.get(), PeriodsPerDay + 1);  // clamped to a day
  EXPECT_EQ(d.EstLength[PeriodsPerDay - 1], 53);
  EXPECT_EQ(d.CalcSpdTenths[PeriodsPerDay - 1], 65);
}

TEST(DeriveEstimates, ValuesBeyondTheDecodedWidths) {
  // No decoding yields these, but the results are defined: exact products
  // and estimates that saturate at 16 bits instead of wrapping.
  auto table = DeviceTable::create(1);
  DeviceRecord& d = (*table)[0];
  setInputs(d, 0, 65535, 65535, 65535);
  setInputs(d, 1, 1, 65535, 65535);
  setInputs(d, 2, 65535, 1, 1);
  computeEstimates(table.get(), 3);
  // 65535 x 715 / 450 = 104128 saturates; the speed uses the stored 65535.
  EXPECT_EQ(d.EstLength[0], 65535);
  EXPECT_EQ(d.CalcSpdTenths[0], 41);  // 65535 x 450 / (65535 x 11) = 40.9
  EXPECT_EQ(d.EstLength[1], 65535);
  EXPECT_EQ(d.CalcSpdTenths[1], 0);  // 450 / (65535 x 11) rounds to 0
  EXPECT_EQ(d.EstLength[2], 0);
  EXPECT_EQ(d.CalcSpdTenths[2], 0);
}

// The estimates as a plain reading of their definition: signed 32-bit
// products, double division, + 0.5, truncation; unwritten planes keep their
// old values.
void reference(int32_t v, int32_t s, int32_t l, uint16_t* length, uint16_t* speed) {
  if (v != 0) {
    int32_t num = s * l * 715;
    int32_t den = v * 450;
    *length = static_cast<uint16_t>(static_cast<int32_t>(static_cast<double>(num) / den + 0.5));
  }
  if (s * l > 0) {
    int32_t num = v * *length * 450;
    int32_t den = s * l * 11;
    *speed = static_cast<uint16_t>(static_cast<int32_t>(static_cast<double>(num) / den + 0.5));
  }
}

TEST(DeriveEstimates, MatchesReferenceOverDecodedRange) {
  constexpr int MaxScans = 2047;
  auto table = DeviceTable::create(1);
  DeviceRecord& d = (*table)[0];
  int64_t mismatches = 0;
  for (int v = 0; v <= 127; v++) {
    for (int l = 0; l <= 7; l++) {
      // One period per scan count, with varied old values in both planes.
      for (int s = 0; s <= MaxScans; s++) {
        setInputs(d, s, static_cast<uint16_t>(v), static_cast<uint16_t>(s),
                  static_cast<uint16_t>(l));
        d.EstLength[s] = static_cast<uint16_t>(s * 31 + v);
        d.CalcSpdTenths[s] = static_cast<uint16_t>(40000 + s);
      }
      computeEstimates(table.get(), MaxScans + 1);
      for (int s = 0; s <= MaxScans; s++) {
        uint16_t length = static_cast<uint16_t>(s * 31 + v);
        uint16_t speed = static_cast<uint16_t>(40000 + s);
        reference(v, s, l, &length, &speed);
        if (d.EstLength[s] != length || d.CalcSpdTenths[s] != speed) {
          if (++mismatches <= 5) {
            ADD_FAILURE() << "V " << v << " S " << s << " L " << l << ": got " << d.EstLength[s]
                          << "/" << d.CalcSpdTenths[s] << ", want " << length << "/" << speed;
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace loopconv
