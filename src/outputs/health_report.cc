#include "outputs/health_report.h"

#include <cstdio>
#include <cstring>

#include "base/output_file.h"
#include "datafile/data_file.h"
#include "outputs/iso_date.h"
#include "outputs/tidy_csv.h"

namespace loopconv {
namespace {

constexpr const char* Announcement = "Writing detector health to CSV file";

constexpr char HeaderLine[] =
    "device,lane_type,expected,samples,zero_occupancy_pct,high_occupancy_pct,"
    "high_volume_pct,occupancy_no_volume_pct,volume_no_occupancy_pct,"
    "longest_constant_run,status\n";

// `count` in percent of `samples` with two decimals, rounded half up in
// integers so that the text does not depend on floating point.
char* putShare(char* out, int32_t count, int32_t samples) {
  int64_t hundredths = (int64_t{count} * 20000 + samples) / (int64_t{samples} * 2);
  return putFixed(out, static_cast<uint64_t>(hundredths), 2);
}

}  // namespace

char* formatHealthRow(char* out, const DeviceRecord& record, DetectorType type,
                      const HealthVerdict& verdict) {
  out = putCsvName(out, record);
  *out++ = ',';
  const char* typeText = detectorTypeText(type);
  size_t typeLength = strlen(typeText);
  memcpy(out, typeText, typeLength);
  out += typeLength;
  *out++ = ',';
  out = putSigned(out, verdict.expected);
  *out++ = ',';
  out = putSigned(out, verdict.samples);
  for (int32_t count : {verdict.zeroOccupancy, verdict.highOccupancy, verdict.highVolume,
                        verdict.occupancyNoVolume, verdict.volumeNoOccupancy}) {
    *out++ = ',';
    // Shares of no samples are left empty rather than shown as 0.
    if (verdict.samples > 0) out = putShare(out, count, verdict.samples);
  }
  *out++ = ',';
  out = putSigned(out, verdict.longestConstantRun);
  *out++ = ',';
  const char* statusText = healthStatusText(verdict.status);
  size_t statusLength = strlen(statusText);
  memcpy(out, statusText, statusLength);
  out += statusLength;
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

HealthSummary writeHealthReport(const RunContext& run, const DataHeader& header,
                                const DeviceTable* table, const std::string& dataFileName) {
  HealthSummary summary;
  IsoDate date;
  if (!requireIsoDate(run.log, header, "Detector health tables", &date)) return summary;
  std::string path = dayFilePath(run.options.outputFolder, "Health_", date, ".csv");
  OutputFile csv;
  if (!openRunOutput(run, path, Announcement, &csv)) return summary;
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  int32_t periods = periodCount(header);
  if (table != nullptr) {
    for (const DeviceRecord& record : *table) {
      DetectorType type;
      if (!detectorType(record, &type)) continue;
      HealthVerdict verdict = judgeHealth(record, periods);
      ++summary.byStatus[static_cast<size_t>(verdict.status)];
      csv.commit(formatHealthRow(csv.reserve(HealthRowRoom), record, type, verdict));
    }
  }
  if (!csv.close(run.log)) return summary;
  summary.written = true;

  char counts[256];
  snprintf(counts, sizeof counts,
           "%d good, %d no_data, %d insufficient_data, %d card_off, %d high_values, "
           "%d intermittent, %d constant",
           summary.count(HealthStatus::Good), summary.count(HealthStatus::NoData),
           summary.count(HealthStatus::InsufficientData), summary.count(HealthStatus::CardOff),
           summary.count(HealthStatus::HighValues), summary.count(HealthStatus::Intermittent),
           summary.count(HealthStatus::Constant));
  Log& log = run.log;
  log.note("Detector health of data file [%s]: %s\n", dataFileName.c_str(), counts);
  log.console("Detector health of data file [%s]: %s\n", dataFileName.c_str(), counts);
  return summary;
}

}  // namespace loopconv
