#include "outputs/html_page.h"

#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

template <typename Append, typename... Args>
std::string text(Append append, Args... args) {
  std::string out;
  append(&out, args...);
  return out;
}

TEST(HtmlPageTest, PercentsRoundHalfUpInIntegers) {
  EXPECT_EQ(text(appendPercentTenths, 1, 8), "12.5");
  EXPECT_EQ(text(appendPercentTenths, 1, 3), "33.3");
  EXPECT_EQ(text(appendPercentTenths, 2, 3), "66.7");
  EXPECT_EQ(text(appendPercentTenths, 1, 2000), "0.1");  // 0.05 % rounds up
  EXPECT_EQ(text(appendPercentTenths, 1, 2001), "0.0");
  EXPECT_EQ(text(appendPercentTenths, 1999, 2000), "100.0");  // 99.95 % rounds up
  EXPECT_EQ(text(appendPercentTenths, 12959999, 12960000), "100.0");
  EXPECT_EQ(text(appendPercentTenths, 0, 5), "0.0");
  EXPECT_EQ(text(appendPercentTenths, 0, 0), "n/a");
}

TEST(HtmlPageTest, SizesAndGroupedNumbers) {
  EXPECT_EQ(text(appendByteSize, 0), "0 B");
  EXPECT_EQ(text(appendByteSize, 999), "999 B");
  EXPECT_EQ(text(appendByteSize, 1000), "1.0 kB");
  EXPECT_EQ(text(appendByteSize, 1049), "1.0 kB");
  EXPECT_EQ(text(appendByteSize, 1050), "1.1 kB");
  EXPECT_EQ(text(appendByteSize, 999949), "999.9 kB");
  EXPECT_EQ(text(appendByteSize, 999950), "1.0 MB");  // not "1000.0 kB"
  EXPECT_EQ(text(appendByteSize, 4502605), "4.5 MB");
  EXPECT_EQ(text(appendByteSize, int64_t{3} << 40), "3.3 TB");
  EXPECT_EQ(text(appendGrouped, 0), "0");
  EXPECT_EQ(text(appendGrouped, 999), "999");
  EXPECT_EQ(text(appendGrouped, 1000), "1,000");
  EXPECT_EQ(text(appendGrouped, 1234567), "1,234,567");
  EXPECT_EQ(text(appendGrouped, -12345), "-12,345");
}

TEST(HtmlPageTest, LinksKeepOnlyPlainBytes) {
  EXPECT_EQ(text(appendHref, std::string("Day_2021-08-18.html")), "Day_2021-08-18.html");
  EXPECT_EQ(text(appendHref, std::string("a b\"<>&'/..\\x")), "a%20b%22%3C%3E%26%27%2F..%5Cx");
  EXPECT_EQ(text(appendHref, std::string("\xE9\x01")), "%E9%01");
}

TEST(HtmlPageTest, WeekdaysOfIsoDates) {
  EXPECT_STREQ(weekdayName("2021-08-18"), "Wednesday");
  EXPECT_STREQ(weekdayName("2000-02-29"), "Tuesday");
  EXPECT_STREQ(weekdayName("2024-03-01"), "Friday");
  EXPECT_STREQ(weekdayName("1999-12-31"), "Friday");
  EXPECT_STREQ(weekdayName("2021-01-03"), "Sunday");
  for (const char* bad :
       {"", "2021-8-18", "2021-13-01", "2021-00-10", "2021-08-32", "2021/08/18", "20x1-08-18"}) {
    EXPECT_STREQ(weekdayName(bad), "") << bad;
  }
}

TEST(HtmlPageTest, FrameHasOneHeadOneBodyAndTheSortScript) {
  std::string page;
  appendPageStart(&page, "T &amp; U", "<meta name=\"x\" content=\"y\">\n");
  page.append("<p>body</p>\n");
  appendPageEnd(&page);
  EXPECT_EQ(page.find("<!DOCTYPE html>\n<html lang=\"en\">"), 0u);
  EXPECT_NE(page.find("<title>T &amp; U</title>"), std::string::npos);
  EXPECT_LT(page.find("<meta name=\"x\""), page.find("<style>"));
  EXPECT_LT(page.find("</head>"), page.find("<p>body</p>"));
  EXPECT_NE(page.find("table.sortable"), std::string::npos);
  EXPECT_NE(page.find("@media print"), std::string::npos);
  // No request of any kind: nothing is loaded from elsewhere.
  for (const char* outside : {"src=", "@import", "url(http", "<link", "<img"}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_EQ(page.substr(page.size() - 16), "</body>\n</html>\n");
}

}  // namespace
}  // namespace loopconv
