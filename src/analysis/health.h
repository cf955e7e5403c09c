// The health of one lane or station detector: how its twenty-second samples
// over the judged hours of the day look, and one verdict that names the first
// fault found.
#ifndef LOOPCONV_ANALYSIS_HEALTH_H_
#define LOOPCONV_ANALYSIS_HEALTH_H_

#include <cstdint>

#include "analysis/detector_type.h"
#include "datafile/device_table.h"

namespace loopconv {

// The judged hours: 05:00:00 up to and including 21:59:40. Night traffic is
// too thin to tell a dead detector from an empty road.
constexpr int32_t HealthFirstPeriod = 900;
constexpr int32_t HealthEndPeriod = 3960;  // excluded

// Above these a sample is suspicious: 840 of the 1200 scans of a period is
// 70% occupancy; 13 vehicles in 20 seconds is 2340 an hour on one lane.
constexpr uint16_t HighScanCnt = 840;
constexpr uint16_t HighLaneVolume = 13;

// In order of precedence: a detector gets the first status that holds.
enum class HealthStatus : uint8_t {
  NoData,
  InsufficientData,
  CardOff,
  HighValues,
  Intermittent,
  Constant,
  Good,
};
constexpr int HealthStatusCount = 7;

// "no_data", "insufficient_data", "card_off", "high_values", "intermittent",
// "constant", "good".
const char* healthStatusText(HealthStatus status);

struct HealthVerdict {
  int32_t expected = 0;  // judged periods inside the file
  int32_t samples = 0;   // those with NumLanes > 0
  // Samples with:
  int32_t zeroOccupancy = 0;      // ScanCnt 0
  int32_t highOccupancy = 0;      // ScanCnt above HighScanCnt
  int32_t highVolume = 0;         // Volume above HighLaneVolume per lane
  int32_t highValues = 0;         // either of the two above
  int32_t occupancyNoVolume = 0;  // ScanCnt > 0, Volume 0
  int32_t volumeNoOccupancy = 0;  // Volume > 0, ScanCnt 0
  // The longest run of samples with one and the same non-zero ScanCnt.
  // Periods without a sample neither extend nor break a run: a detector that
  // repeats a value around a dropped period is still stuck.
  int32_t longestConstantRun = 0;
  HealthStatus status = HealthStatus::NoData;
};

// Judges the judged periods of `record` that lie among the file's first
// `periodCount` periods (clamped to 0 .. PeriodsPerDay). The thresholds
// compare exact integer ratios, never rounded percentages.
HealthVerdict judgeHealth(const DeviceRecord& record, int32_t periodCount);

}  // namespace loopconv

#endif  // LOOPCONV_ANALYSIS_HEALTH_H_
