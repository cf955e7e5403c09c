#include "sample/truth_file.h"

#include "gtest/gtest.h"

namespace loopconv {
namespace {

// Five-minute rows from 20-second periods: flow over all lanes, density per
// lane, and vehicle-miles over vehicle-hours; an empty road has no speed; a
// short file ends in a short interval.
TEST(TruthFileTest, RowsSumThePeriods) {
  StationFlow flow;
  flow.vehicles.assign(40, 0.0f);
  flow.density.assign(40, 0.0f);
  for (int p = 0; p < 15; ++p) {
    flow.vehicles[p] = p < 5 ? 10.0f : 5.0f;   // 1800 and 900 vph
    flow.density[p] = p < 5 ? 60.0f : 120.0f;  // 30 and 7.5 mph
  }
  for (int p = 30; p < 40; ++p) {
    flow.vehicles[p] = 2.0f;
    flow.density[p] = 12.0f;
  }
  std::vector<StationTruth> rows = stationTruth("005es00100:_MN_S00", 3, flow, 40);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].firstPeriod, 0);
  EXPECT_NEAR(rows[0].flowVph, 100.0 * 12, 1e-3);  // 100 vehicles in 5 minutes
  EXPECT_NEAR(rows[0].densityPerLane, (5 * 60.0 + 10 * 120.0) / 15 / 3, 1e-4);
  // 100 vehicles / (PeriodHours x 1500): 12 mph, not the mean of 30 and 7.5.
  EXPECT_NEAR(rows[0].speedMph, 12.0, 1e-3);
  EXPECT_FALSE(rows[1].hasSpeed);
  EXPECT_EQ(rows[1].flowVph, 0.0);
  EXPECT_EQ(rows[2].firstPeriod, 30);
  EXPECT_NEAR(rows[2].flowVph, 20.0 / (10 * PeriodHours), 1e-3);  // over its 10 periods
  EXPECT_NEAR(rows[2].speedMph, 2.0 / (PeriodHours * 12.0), 1e-3);
}

TEST(TruthFileTest, CsvIsWrittenAndReadBack) {
  StationTruth a{"005es00100:_MN_S00", 0, 5821.44, 31.268, true, 62.06};
  StationTruth b{"005es00100:_MN_S00", 4305, 0, 0, false, 0};
  std::string text = formatTruthCsv({a, b}, "08/18/2021");
  EXPECT_EQ(text,
            "device,interval_start,flow_vph,density_vpmpl,speed_mph\r\n"
            "005es00100:_MN_S00,2021-08-18T00:00:00,5821.4,31.27,62.1\r\n"
            "005es00100:_MN_S00,2021-08-18T23:55:00,0.0,0.00,\r\n");
  std::vector<StationTruth> rows;
  std::string error;
  ASSERT_TRUE(parseTruthCsv(text, &rows, &error)) << error;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].device, a.device);
  EXPECT_EQ(rows[0].firstPeriod, 0);
  EXPECT_DOUBLE_EQ(rows[0].flowVph, 5821.4);
  EXPECT_DOUBLE_EQ(rows[0].densityPerLane, 31.27);
  EXPECT_TRUE(rows[0].hasSpeed);
  EXPECT_DOUBLE_EQ(rows[0].speedMph, 62.1);
  EXPECT_EQ(rows[1].firstPeriod, 4305);
  EXPECT_FALSE(rows[1].hasSpeed);

  const char* broken[] = {
      "",
      "device,interval_start\r\n",
      "device,interval_start,flow_vph,density_vpmpl,speed_mph\r\nx,2021-08-18T00:00:00,1\r\n",
      "device,interval_start,flow_vph,density_vpmpl,speed_mph\r\n"
      "x,2021-08-18T24:00:00,1,1,1\r\n",
      "device,interval_start,flow_vph,density_vpmpl,speed_mph\r\n"
      "x,2021-08-18T00:00:00,1,abc,1\r\n",
      "device,interval_start,flow_vph,density_vpmpl,speed_mph\r\n"
      ",2021-08-18T00:00:00,1,1,1\r\n",
  };
  for (const char* text : broken) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parseTruthCsv(text, &rows, &error));
    EXPECT_NE(error.find("truth file"), std::string::npos);
  }
}

}  // namespace
}  // namespace loopconv
