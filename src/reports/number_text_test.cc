#include "reports/number_text.h"

#include <cstdio>
#include <string>

#include "datafile/device_table.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

std::string printed(const char* format, double value) {
  char text[64];
  int n = snprintf(text, sizeof text, format, value);
  return std::string(text, static_cast<size_t>(n));
}

std::string printedInt(const char* format, long long value) {
  char text[64];
  int n = snprintf(text, sizeof text, format, value);
  return std::string(text, static_cast<size_t>(n));
}

// Calls one put function and returns the text it appended.
template <typename Put>
std::string appended(Put put) {
  char buffer[64];
  char* end = put(buffer);
  return std::string(buffer, static_cast<size_t>(end - buffer));
}

TEST(NumberTextTest, UnsignedMatchesPrintfForEvery16BitValue) {
  const NumberTexts& texts = numberTexts();
  for (unsigned v = 0; v < 65536; ++v) {
    uint16_t value = static_cast<uint16_t>(v);
    ASSERT_EQ(appended([&](char* out) { return texts.putUnsigned(out, value); }),
              printedInt("%llu", v))
        << v;
  }
}

TEST(NumberTextTest, DecimalColumnsMatchPrintfForEvery16BitValue) {
  const NumberTexts& texts = numberTexts();
  for (unsigned v = 0; v < 65536; ++v) {
    uint16_t value = static_cast<uint16_t>(v);
    float asFloat = static_cast<float>(v);
    ASSERT_EQ(appended([&](char* out) { return texts.putTenths(out, value); }),
              printed("%2.1f", static_cast<double>(asFloat / 10.0f)))
        << v;
    ASSERT_EQ(appended([&](char* out) { return texts.putTwelfths(out, value); }),
              printed("%2.1f", static_cast<double>(asFloat / 12.0f)))
        << v;
    ASSERT_EQ(appended([&](char* out) { return texts.putWhole(out, value); }),
              printed("%2.1f", static_cast<double>(v)))
        << v;
  }
  // Spot checks against the values the reports document.
  auto tenths = [&](uint16_t v) {
    return appended([&](char* out) { return texts.putTenths(out, v); });
  };
  auto twelfths = [&](uint16_t v) {
    return appended([&](char* out) { return texts.putTwelfths(out, v); });
  };
  EXPECT_EQ(tenths(652), "65.2");
  EXPECT_EQ(tenths(183), "18.3");
  EXPECT_EQ(tenths(0), "0.0");
  EXPECT_EQ(twelfths(96), "8.0");
  EXPECT_EQ(twelfths(6), "0.5");
  EXPECT_EQ(twelfths(120), "10.0");
}

TEST(NumberTextTest, ScanCntSumMatchesPrintfWithoutOverflow) {
  const NumberTexts& texts = numberTexts();
  auto sumText = [&](uint16_t lanes, uint16_t scans) {
    return appended([&](char* out) { return texts.putSigned(out, scanCntSum(lanes, scans)); });
  };
  // Every value the decoder can produce.
  for (int lanes = 0; lanes <= 7; ++lanes) {
    for (int scans = 0; scans <= 2047; ++scans) {
      ASSERT_EQ(sumText(static_cast<uint16_t>(lanes), static_cast<uint16_t>(scans)),
                printedInt("%lld", static_cast<long long>(lanes * scans)))
          << lanes << " x " << scans;
    }
  }
  // Products past 31 bits wrap as 32-bit arithmetic does.
  EXPECT_EQ(sumText(65535, 65535), "-131071");
  EXPECT_EQ(sumText(65535, 32768), "2147450880");
  EXPECT_EQ(sumText(65535, 32769), "-2147450881");
  EXPECT_EQ(sumText(32768, 65535), "2147450880");
  EXPECT_EQ(sumText(256, 256), "65536");
  EXPECT_EQ(sumText(1, 65535), "65535");
  // The slow path of putSigned on its own.
  for (long long v :
       {-2147483648LL, -1LL, -65535LL, 65536LL, 99999LL, 2147483647LL, 1000000000LL}) {
    EXPECT_EQ(appended([&](char* out) { return texts.putSigned(out, static_cast<int32_t>(v)); }),
              printedInt("%lld", v));
  }
}

std::string label(const char* dataStart, size_t capacity, int period) {
  LabelDate date = labelDate(dataStart, capacity);
  char buffer[32];
  char* end = putTimeLabel(buffer, date, period);
  return std::string(buffer, static_cast<size_t>(end - buffer));
}

std::string printedLabel(const char* dataStart, int period) {
  char text[32];
  unsigned p = static_cast<unsigned>(period);
  int n = snprintf(text, sizeof text, "%10.10s %2.2u:%2.2u:%2.2u", dataStart, p / 180,
                   (p % 180) / 3, (p % 3) * 20);
  return std::string(text, static_cast<size_t>(n));
}

TEST(NumberTextTest, TimeLabelsMatchPrintfForEveryPeriod) {
  const char normal[32] = "08/18/2021 06:00:00";
  const char shortDate[32] = "8/18/21";
  const char empty[32] = "";
  for (int p = 0; p < PeriodsPerDay; ++p) {
    ASSERT_EQ(label(normal, sizeof normal, p), printedLabel(normal, p)) << p;
    ASSERT_EQ(label(shortDate, sizeof shortDate, p), printedLabel(shortDate, p)) << p;
    ASSERT_EQ(label(empty, sizeof empty, p), printedLabel(empty, p)) << p;
  }
  EXPECT_EQ(label(normal, sizeof normal, 0), "08/18/2021 00:00:00");
  EXPECT_EQ(label(normal, sizeof normal, 181), "08/18/2021 01:00:20");
  EXPECT_EQ(label(normal, sizeof normal, 4319), "08/18/2021 23:59:40");
  EXPECT_EQ(label(shortDate, sizeof shortDate, 1260), "   8/18/21 07:00:00");
  // A text without a terminator inside its capacity ends there.
  const char unterminated[4] = {'1', '2', '3', '4'};
  EXPECT_EQ(label(unterminated, sizeof unterminated, 1), "      1234 00:00:20");
}

}  // namespace
}  // namespace loopconv
