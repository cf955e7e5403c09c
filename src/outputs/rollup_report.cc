// Rows are built from the exact integer sums of analysis/interval_sums.h and formatted
// without printf. Every derived value is rounded half up, computed in
// integers from those sums (a test can recompute each text exactly):
//   flow_vph      = round(volume x 180 / observed)
//   occupancy_pct = round(scanSum x 100 / (12 x observed)) / 100
//   speed_mph     = round(speedWeighted / speedVolume) / 10       (tenths)
//   est_speed_mph = round(estSpeedWeighted x 10 / estSpeedVolume) / 10
//                   (CalcSpdTenths holds whole mph)
//   length_ft     = round(lengthWeighted / lengthVolume) / 10     (tenths)
//   lanes         = round(lanesSum x 100 / observed) / 100
// where round(n / d) = floor((2n + d) / 2d). A field with nothing to come
// from is empty: volume, flow and occupancy when no period was observed, a
// mean when its weight is 0.
#include "outputs/rollup_report.h"

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/detector_type.h"
#include "analysis/interval_sums.h"
#include "base/output_file.h"
#include "datafile/data_file.h"
#include "outputs/iso_date.h"
#include "outputs/tidy_csv.h"

namespace loopconv {
namespace {

const char HeaderLine[] =
    "device,lane_type,interval_start,periods,observed,volume,flow_vph,occupancy_pct,"
    "speed_mph,est_speed_mph,length_ft,lanes\n";

constexpr int PeriodsPerHour = 180;

// "YYYY-MM-DDTHH:MM:SS," of every interval, made once per call.
constexpr size_t LabelLength = IsoDateTimeLength + 1;

std::vector<char> intervalLabels(const IsoDate& date, int32_t count, int minutes) {
  std::vector<char> labels(static_cast<size_t>(count) * LabelLength);
  for (int32_t i = 0; i < count; ++i) {
    char* out = labels.data() + static_cast<size_t>(i) * LabelLength;
    *putIsoDateTime(out, date, i * minutes * 3) = ',';
  }
  return labels;
}

// "device,lane_type," of one record.
struct RowPrefix {
  char text[CsvNameRoom + 16];
  size_t length;
};

RowPrefix rowPrefix(const DeviceRecord& record, DetectorType detector) {
  RowPrefix prefix = {};  // copied whole into every row
  char* out = putCsvName(prefix.text, record);
  *out++ = ',';
  const char* type = detectorTypeText(detector);
  size_t typeLength = strlen(type);
  memcpy(out, type, typeLength);
  out += typeLength;
  *out++ = ',';
  prefix.length = static_cast<size_t>(out - prefix.text);
  return prefix;
}

// Longest row: the whole prefix buffer, the label, nine numbers of at most
// 20 digits with a point and two decimals, their commas, CR LF.
constexpr size_t RowRoom = sizeof(RowPrefix::text) + LabelLength + 9 * 24 + 2;

char* formatRow(char* out, const RowPrefix& prefix, const char* label, const RollupInterval& in) {
  memcpy(out, prefix.text, sizeof prefix.text);  // whole: a fixed-size copy
  out += prefix.length;
  memcpy(out, label, LabelLength);
  out += LabelLength;
  out = putUnsigned(out, static_cast<uint32_t>(in.periods));
  *out++ = ',';
  out = putUnsigned(out, static_cast<uint32_t>(in.observed));
  *out++ = ',';
  if (in.observed > 0) {
    uint64_t observed = static_cast<uint32_t>(in.observed);
    out = putUnsigned(out, in.volume);
    *out++ = ',';
    out = putUnsigned(out, roundedQuotient(uint64_t{in.volume} * PeriodsPerHour, observed));
    *out++ = ',';
    out = putFixed(out, roundedQuotient(in.scanSum * 100, 12 * observed), 2);
  } else {
    *out++ = ',';
    *out++ = ',';
  }
  *out++ = ',';
  if (in.hasSpeed()) out = putFixed(out, roundedQuotient(in.speedWeighted, in.speedVolume), 1);
  *out++ = ',';
  if (in.hasEstSpeed()) {
    out = putFixed(out, roundedQuotient(in.estSpeedWeighted * 10, in.estSpeedVolume), 1);
  }
  *out++ = ',';
  if (in.hasLength()) out = putFixed(out, roundedQuotient(in.lengthWeighted, in.lengthVolume), 1);
  *out++ = ',';
  if (in.observed > 0) {
    out = putFixed(
        out, roundedQuotient(uint64_t{in.lanesSum} * 100, static_cast<uint32_t>(in.observed)), 2);
  }
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

// What the two files of one call share.
struct RollupRun {
  const DeviceTable* table;
  int32_t periodCount;
  int minutes;
  std::vector<char> labels;
  std::vector<RollupInterval> intervals;  // one device's, reused
};

bool writeRollupFile(const RunContext& run, const std::string& path, uint16_t kind,
                     RollupRun& rollup) {
  OutputFile csv;
  if (!openRunOutput(run, path, AnnounceRollups, &csv)) return false;
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  if (rollup.table != nullptr) {
    const size_t count = rollup.intervals.size();
    for (const DeviceRecord& record : *rollup.table) {
      DetectorType type;
      if (record.Kind != kind || !detectorType(record, &type)) continue;
      rollUpDevice(record, rollup.periodCount, rollup.minutes, rollup.intervals.data());
      const RowPrefix prefix = rowPrefix(record, type);
      for (size_t i = 0; i < count; ++i) {
        const char* label = rollup.labels.data() + i * LabelLength;
        csv.commit(formatRow(csv.reserve(RowRoom), prefix, label, rollup.intervals[i]));
      }
    }
  }
  return csv.close(run.log);
}

}  // namespace

RollupPaths rollupReportPaths(const std::string& folder, const IsoDate& date, int minutes) {
  const std::string lanesPrefix = "Rollup_Lanes_" + std::to_string(minutes) + "min_";
  const std::string stationsPrefix = "Rollup_Stations_" + std::to_string(minutes) + "min_";
  return {dayFilePath(folder, lanesPrefix.c_str(), date, ".csv"),
          dayFilePath(folder, stationsPrefix.c_str(), date, ".csv")};
}

bool writeRollupReports(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                        int minutes) {
  if (!isRollupMinutes(minutes)) {
    run.log.error("Interval roll-ups take 1, 5, 15 or 60 minutes, not [%d]!\n", minutes);
    return false;
  }
  IsoDate date;
  if (!requireIsoDate(run.log, header, "Interval roll-ups", &date)) return false;
  RollupRun rollup;
  rollup.table = table;
  rollup.periodCount = periodCount(header);
  rollup.minutes = minutes;
  const int32_t count = rollupIntervalCount(rollup.periodCount, minutes);
  rollup.labels = intervalLabels(date, count, minutes);
  rollup.intervals.resize(static_cast<size_t>(count));

  const RollupPaths paths = rollupReportPaths(run.options.outputFolder, date, minutes);
  bool lanes = writeRollupFile(run, paths.lanes, KindLane, rollup);
  bool stations = writeRollupFile(run, paths.stations, KindStation, rollup);
  return lanes && stations;
}

}  // namespace loopconv
