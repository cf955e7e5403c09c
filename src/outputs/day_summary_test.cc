#include "outputs/day_summary.h"

#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

DaySummary sample() {
  DaySummary s;
  s.date = "2021-08-18";
  s.dataFile = "PELMA20Sec_08182021.DAT";
  s.devices = 3000;
  s.detectors = 2400;
  s.observedPct = "99.9";
  s.notGood = 12;
  s.errors = 1;
  s.warnings = 2;
  CorridorDigest c;
  c.name = "I-35W S</script><script>alert(1)</script> \xC3\xA9";
  c.vmt = "123456.78";
  c.delay60 = "321.123";
  for (int h = 0; h < 24; ++h) {
    if (h == 3) {
      c.hourlySpeed.emplace_back();
    } else {
      c.hourlySpeed.emplace_back(60.0 - h * 0.25);
    }
  }
  s.corridors.push_back(c);
  return s;
}

std::string block(const std::string& json) {
  return "<head><title>x</title>" + std::string(SummaryOpen) + json + std::string(SummaryClose) +
         "<style></style></head>";
}

TEST(DaySummaryTest, ReadsBackWhatWasWritten) {
  const DaySummary written = sample();
  const std::string json = daySummaryJson(written);
  // No name can end the script element early.
  EXPECT_EQ(json.find("</"), std::string::npos);
  DaySummary read;
  std::string why;
  ASSERT_TRUE(readDaySummary(block(json), &read, &why)) << why;
  EXPECT_EQ(read.date, written.date);
  EXPECT_EQ(read.dataFile, written.dataFile);
  EXPECT_EQ(read.devices, 3000);
  EXPECT_EQ(read.detectors, 2400);
  EXPECT_EQ(read.observedPct, "99.9");
  EXPECT_EQ(read.notGood, 12);
  EXPECT_EQ(read.errors, 1);
  EXPECT_EQ(read.warnings, 2);
  ASSERT_EQ(read.corridors.size(), 1u);
  const CorridorDigest& c = read.corridors[0];
  EXPECT_EQ(c.name, written.corridors[0].name);
  EXPECT_EQ(c.vmt, "123456.78");
  EXPECT_EQ(c.delay60, "321.123");
  ASSERT_EQ(c.hourlySpeed.size(), 24u);
  EXPECT_FALSE(c.hourlySpeed[3].has_value());
  ASSERT_TRUE(c.hourlySpeed[23].has_value());
  EXPECT_DOUBLE_EQ(*c.hourlySpeed[23], 54.3);  // 54.25 kept to tenths
}

TEST(DaySummaryTest, RefusesWhatIsNotASummary) {
  const std::string good = daySummaryJson(sample());
  struct Case {
    std::string head;
    const char* reason;
  };
  std::string wrongFormat = good;
  wrongFormat.replace(wrongFormat.find("\"format\":1"), 10, "\"format\":2");
  std::string missingField = good;
  missingField.replace(missingField.find("\"devices\""), 9, "\"device_s\"");
  std::string wrongType = good;
  wrongType.replace(wrongType.find("\"not_good\":12"), 13, "\"not_good\":\"x\"");
  const Case cases[] = {
      {"<html><head></head></html>", "no day summary block"},
      {std::string(SummaryOpen) + good, "does not end"},
      {block("{\"format\":1,"), "not JSON"},
      {block("[1,2]"), "not JSON"},
      {block(wrongFormat), "unknown format"},
      {block(missingField), "lacks a field"},
      {block(wrongType), "lacks a field"},
      {block("\xFF\xFE"), "not JSON"},
  };
  for (const Case& c : cases) {
    DaySummary read;
    std::string why;
    EXPECT_FALSE(readDaySummary(c.head, &read, &why)) << c.head;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace loopconv
