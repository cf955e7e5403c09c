// The day of a data file as an ISO date, and the times of its periods.
#include "outputs/iso_date.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

DataHeader headerWith(const char* dataStart) {
  DataHeader header;
  memset(header.dataStart, 0, sizeof header.dataStart);
  memcpy(header.dataStart, dataStart, strnlen(dataStart, sizeof header.dataStart - 1));
  return header;
}

TEST(IsoDateTest, FromTheDataStartDateOnly) {
  IsoDate date;
  ASSERT_TRUE(isoDateOf(headerWith("08/18/2021 00:00:00"), &date));
  EXPECT_EQ(date.str(), "2021-08-18");
  EXPECT_EQ(dayFilePath("/out/", "Health_", date, ".csv"), "/out/Health_2021-08-18.csv");
  for (const char* bad :
       {"", "8/18/2021", "13/18/2021", "08/32/2021", "08-18-2021", "2021-08-18 00:00:00"}) {
    EXPECT_FALSE(isoDateOf(headerWith(bad), &date)) << bad;
  }
}

TEST(IsoDateTest, RefusalIsAnErrorLine) {
  CapturedConsole console;
  Log log(console.stream());
  IsoDate date;
  EXPECT_FALSE(requireIsoDate(log, headerWith("xx"), "Speed pictures", &date));
  EXPECT_EQ(log.errorCount(), 1);
}

TEST(IsoDateTest, EveryPeriodOfTheDayAsPrintfWritesIt) {
  IsoDate date;
  ASSERT_TRUE(isoDateOf(headerWith("12/31/2020"), &date));
  for (int32_t period = 0; period < PeriodsPerDay; ++period) {
    char expected[32];
    snprintf(expected, sizeof expected, "2020-12-31T%02d:%02d:%02d", period / 180, period % 180 / 3,
             period % 3 * 20);
    char out[IsoDateTimeLength];
    ASSERT_EQ(putIsoDateTime(out, date, period), out + IsoDateTimeLength);
    ASSERT_EQ(std::string(out, IsoDateTimeLength), expected) << period;
  }
}

}  // namespace
}  // namespace loopconv
