// The figures of a data file's day that its page shows above the pictures:
// devices by kind, how much of the day was observed, and the health verdict
// of every detector that is not good.
#ifndef LOOPCONV_OUTPUTS_DAY_FACTS_H_
#define LOOPCONV_OUTPUTS_DAY_FACTS_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/detector_type.h"
#include "analysis/health.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

// Table entries by what they are (detectorType for kinds 80 and 84).
struct DeviceCounts {
  int32_t lanes = 0;
  int32_t speedLoops = 0;
  int32_t rampMeters = 0;
  int32_t stations = 0;
  int32_t traps = 0;         // kind 88
  int32_t meteredLanes = 0;  // kind 261
  int32_t other = 0;         // any other kind

  int32_t total() const {
    return lanes + speedLoops + rampMeters + stations + traps + meteredLanes + other;
  }
  // The detectors that the roll-ups and the health table cover.
  int32_t detectors() const { return lanes + speedLoops + rampMeters + stations; }
};

struct HealthEntry {
  std::string name;  // the stored name up to its terminator
  DetectorType type = DetectorType::Lane;
  HealthVerdict verdict;
};

struct DayFacts {
  DeviceCounts devices;
  // Over the detectors and the file's periods: the roll-ups' `periods` and
  // `observed` summed over both files.
  int64_t detectorPeriods = 0;
  int64_t observedPeriods = 0;
  std::array<int32_t, HealthStatusCount> byStatus = {};
  // Every detector whose verdict is not good, worst first: in the order of
  // the verdicts' precedence, then by name, then in table order.
  std::vector<HealthEntry> notGood;

  int32_t count(HealthStatus status) const { return byStatus[static_cast<size_t>(status)]; }
};

// Gathers the facts of `table` (null: an empty day) over the periods of
// `header`. `verdicts`, when it holds one verdict per detector in table order
// (as the health table judged them), saves judging them again.
DayFacts gatherDayFacts(const DataHeader& header, const DeviceTable* table,
                        const std::vector<HealthVerdict>* verdicts = nullptr);

// One line on what a verdict means to whoever sends the technician, and the
// gist of it in a few words (for a row per detector).
const char* healthStatusMeaning(HealthStatus status);
const char* healthStatusBrief(HealthStatus status);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_DAY_FACTS_H_
