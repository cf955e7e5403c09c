// The figures of a day that the index lists, kept in the day's own page as a
// JSON block, so that the index can be rebuilt from the pages alone: days
// converted by earlier runs stay listed.
#ifndef LOOPCONV_OUTPUTS_DAY_SUMMARY_H_
#define LOOPCONV_OUTPUTS_DAY_SUMMARY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loopconv {

struct CorridorDigest {
  std::string name;  // UTF-8
  std::string vmt;   // the day's figures as the summary CSV prints them
  std::string delay60;
  // The corridor's speed per hour of the day (mph), none where no interval
  // of the hour had a speed: the index draws its sparkline from them.
  std::vector<std::optional<double>> hourlySpeed;
};

struct DaySummary {
  std::string date;      // YYYY-MM-DD
  std::string dataFile;  // UTF-8
  int64_t devices = 0;
  int64_t detectors = 0;
  std::string observedPct;  // as the page prints it ("97.3")
  int64_t notGood = 0;      // detectors whose verdict is not good
  int64_t errors = 0;       // the run's E and W lines for the file
  int64_t warnings = 0;
  std::vector<CorridorDigest> corridors;
};

// The block that opens the summary in a page, and the one that closes it.
constexpr std::string_view SummaryOpen = "<script type=\"application/json\" id=\"day-summary\">";
constexpr std::string_view SummaryClose = "</script>";

// The summary as JSON fit to stand between SummaryOpen and SummaryClose:
// "</" is written "<\/", so no name can close the script element.
std::string daySummaryJson(const DaySummary& summary);

// Reads a summary back from the start of a page (`head`: at least up to the
// end of the block). False with *why set when the block is missing, is not
// JSON, or lacks a field.
[[nodiscard]] bool readDaySummary(std::string_view head, DaySummary* summary, std::string* why);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_DAY_SUMMARY_H_
