#include "analysis/health.h"

#include <algorithm>

namespace loopconv {
namespace {

// Thresholds in percent of the samples (or, for the sample count, of the
// expected periods).
constexpr int64_t MinSamplesPct = 60;
constexpr int64_t CardOffPct = 59;
// A ramp-meter lane sees no traffic while its meter holds the queue, so only
// a nearly silent one counts as switched off.
constexpr int64_t RampCardOffPct = 95;
constexpr int64_t HighValuesPct = 20;
constexpr int64_t OccupancyNoVolumePct = 2;
constexpr int64_t VolumeNoOccupancyPct = 50;
constexpr int32_t ConstantRunSamples = 50;

// count is at least pct percent of total, decided in integers.
bool atLeast(int32_t count, int64_t pct, int32_t total) {
  return int64_t{count} * 100 >= pct * total;
}

HealthStatus statusOf(const HealthVerdict& v, bool rampMeter) {
  if (v.samples == 0) return HealthStatus::NoData;
  if (!atLeast(v.samples, MinSamplesPct, v.expected)) return HealthStatus::InsufficientData;
  if (atLeast(v.zeroOccupancy, rampMeter ? RampCardOffPct : CardOffPct, v.samples)) {
    return HealthStatus::CardOff;
  }
  if (atLeast(v.highValues, HighValuesPct, v.samples)) return HealthStatus::HighValues;
  if (atLeast(v.occupancyNoVolume, OccupancyNoVolumePct, v.samples) ||
      atLeast(v.volumeNoOccupancy, VolumeNoOccupancyPct, v.samples)) {
    return HealthStatus::Intermittent;
  }
  if (v.longestConstantRun >= ConstantRunSamples) return HealthStatus::Constant;
  return HealthStatus::Good;
}

}  // namespace

const char* healthStatusText(HealthStatus status) {
  switch (status) {
    case HealthStatus::NoData: return "no_data";
    case HealthStatus::InsufficientData: return "insufficient_data";
    case HealthStatus::CardOff: return "card_off";
    case HealthStatus::HighValues: return "high_values";
    case HealthStatus::Intermittent: return "intermittent";
    case HealthStatus::Constant: return "constant";
    case HealthStatus::Good: return "good";
  }
  return "good";
}

HealthVerdict judgeHealth(const DeviceRecord& record, int32_t periodCount) {
  HealthVerdict v;
  int32_t end = std::clamp<int32_t>(periodCount, 0, PeriodsPerDay);
  end = std::min(end, HealthEndPeriod);
  v.expected = std::max(end - HealthFirstPeriod, 0);
  const bool station = record.Kind == KindStation;
  uint16_t runValue = 0;  // ScanCnt of the current run, 0 when there is none
  int32_t run = 0;
  for (int32_t p = HealthFirstPeriod; p < end; ++p) {
    const uint32_t lanes = record.NumLanes[p];
    if (lanes == 0) continue;
    const uint16_t scan = record.ScanCnt[p];
    const uint32_t volume = record.Volume[p];
    ++v.samples;
    // A station's Volume is the sum over its lanes.
    const uint32_t volumeLimit = station ? HighLaneVolume * lanes : HighLaneVolume;
    const bool highOccupancy = scan > HighScanCnt;
    const bool highVolume = volume > volumeLimit;
    v.highOccupancy += highOccupancy;
    v.highVolume += highVolume;
    v.highValues += highOccupancy || highVolume;
    if (scan == 0) {
      ++v.zeroOccupancy;
      v.volumeNoOccupancy += volume > 0;
      runValue = 0;
      run = 0;
      continue;
    }
    v.occupancyNoVolume += volume == 0;
    run = scan == runValue ? run + 1 : 1;
    runValue = scan;
    v.longestConstantRun = std::max(v.longestConstantRun, run);
  }
  DetectorType type;
  const bool rampMeter = detectorType(record, &type) && type == DetectorType::RampMeter;
  v.status = statusOf(v, rampMeter);
  return v;
}

}  // namespace loopconv
