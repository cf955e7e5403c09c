#include "reports/lane_report.h"

#include "base/output_file.h"
#include "reports/report_framing.h"
#include "reports/row_blocks.h"

namespace loopconv {
namespace {

// File name precedence: P, D, S, R.
const char* fileFormat(const RunOptions& options) {
  if (options.singlePeriod) return "%sPELMA20Sec_Lane_P_%.2s%.2s%.4s.csv";
  if (options.singleDevice) return "%sPELMA20Sec_Lane_D_%.2s%.2s%.4s.csv";
  if (options.includeSpeedLoops) return "%sPELMA20Sec_Lane_S_%.2s%.2s%.4s.csv";
  if (options.rowFirst) return "%sPELMA20Sec_Lane_R_%.2s%.2s%.4s.csv";
  return "%sPELMA20Sec_Lane_%.2s%.2s%.4s.csv";
}

const char HeaderLine[] =
    "name,collectiontime,lanes,volume,occupancy (%),status,incident,speed,length\n";

struct LaneColumns {
  static constexpr int Count = 7;
  static constexpr size_t RowRoom = LaneRowRoom;

  static void gather(const DeviceRecord& r, int first, int count, uint16_t* values, size_t stride) {
    for (int b = 0; b < count; ++b, values += stride) {
      int p = first + b;
      values[0] = r.NumLanes[p];
      values[1] = r.Volume[p];
      values[2] = r.ScanCnt[p];
      values[3] = r.Flag[p];
      values[4] = r.Incident[p];
      values[5] = r.SpdTenths[p];
      values[6] = r.LenTenths[p];
    }
  }

  // "%s,%s,%u,%u,%2.1f,%u,%u,%2.1f,%2.1f\n"
  static char* format(char* out, const NumberTexts& texts, const RowName& name, const uint16_t* v,
                      const char* label) {
    out = putNameAndLabel(out, name, label);
    out = texts.putUnsigned(out, v[0]);
    *out++ = ',';
    out = texts.putUnsigned(out, v[1]);
    *out++ = ',';
    out = texts.putTwelfths(out, v[2]);
    *out++ = ',';
    out = texts.putUnsigned(out, v[3]);
    *out++ = ',';
    out = texts.putUnsigned(out, v[4]);
    *out++ = ',';
    out = texts.putTenths(out, v[5]);
    *out++ = ',';
    out = texts.putTenths(out, v[6]);
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }
};

}  // namespace

std::string laneReportPath(const RunOptions& options, const DataHeader& header) {
  return reportPath(options.outputFolder, fileFormat(options), header);
}

char* formatLaneRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                    const char* label) {
  return formatSingleRow<LaneColumns>(out, texts, record, period, label);
}

bool writeLaneReport(const RunContext& run, const DataHeader& header, const DeviceTable* table) {
  const RunOptions& options = run.options;
  OutputFile csv;
  Coverage covered;
  PeriodReport report = {fileFormat(options), HeaderLine, /*headerFirst=*/false,
                         /*periodOnConsole=*/true};
  if (!startPeriodReport(run, header, table, report, &csv, &covered)) return false;
  if (table != nullptr && !covered.periods.empty()) {
    bool speedLoops = options.includeSpeedLoops;
    std::vector<int32_t> entries = reportedEntries(
        table, covered.devices,
        [speedLoops](const DeviceRecord& r) { return passesLaneFilter(r, speedLoops); });
    writeRowBlocks<LaneColumns>(&csv, *table, entries, covered.periods,
                                labelDate(header.dataStart, sizeof header.dataStart),
                                options.rowFirst);
  }
  return csv.close(run.log);
}

}  // namespace loopconv
