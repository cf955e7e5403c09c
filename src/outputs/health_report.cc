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
    "date,device,lane_type,expected,samples,zero_occupancy_pct,high_occupancy_pct,"
    "high_volume_pct,occupancy_no_volume_pct,volume_no_occupancy_pct,"
    "longest_constant_run,status\n";

}  // namespace

// In integers, so that the text does not depend on floating point.
char* putHealthShare(char* out, int32_t count, int32_t samples) {
  int64_t hundredths = (int64_t{count} * 20000 + samples) / (int64_t{samples} * 2);
  return putFixed(out, static_cast<uint64_t>(hundredths), 2);
}

std::string healthReportPath(const std::string& folder, const IsoDate& date) {
  return dayFilePath(folder, "Health_", date, ".csv");
}

char* formatHealthRow(char* out, const IsoDate& date, const DeviceRecord& record, DetectorType type,
                      const HealthVerdict& verdict) {
  memcpy(out, date.text, sizeof date.text);
  out += sizeof date.text;
  *out++ = ',';
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
    if (verdict.samples > 0) out = putHealthShare(out, count, verdict.samples);
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
                                const DeviceTable* table, const std::string& dataFileName,
                                std::vector<HealthVerdict>* verdicts) {
  HealthSummary summary;
  IsoDate date;
  if (!requireIsoDate(run.log, header, "Detector health tables", &date)) return summary;
  std::string path = healthReportPath(run.options.outputFolder, date);
  OutputFile csv;
  if (!openRunOutput(run, path, Announcement, &csv)) return summary;
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  int32_t periods = periodCount(header);
  if (table != nullptr) {
    for (const DeviceRecord& record : *table) {
      DetectorType type;
      if (!detectorType(record, &type)) continue;
      HealthVerdict verdict = judgeHealth(record, periods);
      if (verdicts != nullptr) verdicts->push_back(verdict);
      ++summary.byStatus[static_cast<size_t>(verdict.status)];
      csv.commit(formatHealthRow(csv.reserve(HealthRowRoom), date, record, type, verdict));
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
