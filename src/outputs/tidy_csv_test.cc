// Tidy CSV fields: RFC 4180 quoting, and numbers byte-identical to printf.
#include "outputs/tidy_csv.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

std::string text(const std::string& field) {
  return csvTextField(field);
}

TEST(TidyCsvTest, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(text("005es01076:_MS_S00"), "005es01076:_MS_S00");
  EXPECT_EQ(text(""), "");
  EXPECT_EQ(text("a,b"), "\"a,b\"");
  EXPECT_EQ(text("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(text("\""), "\"\"\"\"");
  // A line end inside a field stays inside its quotes, written CR LF like
  // every line end of the file.
  EXPECT_EQ(text("a\nb"), "\"a\r\nb\"");
  EXPECT_EQ(text("a\rb"), "\"a\rb\"");
  // The worst case fits the room the writers reserve.
  std::string worst(18, '\n');
  EXPECT_EQ(text(worst).size(), csvTextRoom(worst.size()));
}

TEST(TidyCsvTest, NamesEndAtTheirTerminatorOrAfterEighteenBytes) {
  DeviceRecord record = {};
  memcpy(record.Name, "005es01076:_MS_S00", 18);
  char out[CsvNameRoom];
  EXPECT_EQ(std::string(out, putCsvName(out, record)), "005es01076:_MS_S00");
  memset(record.Name, 'x', sizeof record.Name);  // no terminator among 19 bytes
  EXPECT_EQ(std::string(out, putCsvName(out, record)), std::string(18, 'x'));
  memcpy(record.Name, "a,b\0", 4);
  EXPECT_EQ(std::string(out, putCsvName(out, record)), "\"a,b\"");
}

TEST(TidyCsvTest, NumbersMatchPrintfExhaustivelyOverTheirRanges) {
  char out[CsvNumberRoom];
  char expected[64];
  // Fixed decimals: every value to 1,000,000 and the edges of 64 bits.
  for (int decimals = 1; decimals <= 3; ++decimals) {
    const uint64_t unit = decimals == 1 ? 10 : decimals == 2 ? 100 : 1000;
    for (uint64_t v = 0; v <= 1000000; ++v) {
      snprintf(expected, sizeof expected, "%" PRIu64 ".%0*" PRIu64, v / unit, decimals, v % unit);
      ASSERT_EQ(std::string(out, putFixed(out, v, decimals)), expected) << v;
    }
    snprintf(expected, sizeof expected, "%" PRIu64 ".%0*" PRIu64, UINT64_MAX / unit, decimals,
             UINT64_MAX % unit);
    EXPECT_EQ(std::string(out, putFixed(out, UINT64_MAX, decimals)), expected);
    EXPECT_EQ(std::string(out, putSignedFixed(out, -5, decimals)), decimals == 1   ? "-0.5"
                                                                   : decimals == 2 ? "-0.05"
                                                                                   : "-0.005");
  }
  for (int64_t v : {INT64_MIN, int64_t{-1}, int64_t{0}, int64_t{7}, INT64_MAX}) {
    snprintf(expected, sizeof expected, "%" PRId64, v);
    EXPECT_EQ(std::string(out, putSigned(out, v)), expected);
  }
  snprintf(expected, sizeof expected, "%" PRIu64, UINT64_MAX);
  EXPECT_EQ(std::string(out, putUnsigned(out, UINT64_MAX)), expected);
}

}  // namespace
}  // namespace loopconv
