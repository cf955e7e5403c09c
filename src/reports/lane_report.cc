#include "reports/lane_report.h"

#include "reports/csv_file.h"
#include "reports/report_framing.h"

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

}  // namespace

char* formatLaneRow(char* out, const NumberTexts& texts, const DeviceRecord& r,
                    int p, const char* label) {
  out = putName(out, r);
  *out++ = ',';
  memcpy(out, label, TimeLabelLength);
  out += TimeLabelLength;
  *out++ = ',';
  out = texts.putUnsigned(out, r.NumLanes[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Volume[p]);
  *out++ = ',';
  out = texts.putTwelfths(out, r.ScanCnt[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Flag[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Incident[p]);
  *out++ = ',';
  out = texts.putTenths(out, r.SpdTenths[p]);
  *out++ = ',';
  out = texts.putTenths(out, r.LenTenths[p]);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

int writeLaneReport(const RunContext& run, const DataHeader& header,
                    DeviceTable* table) {
  const RunOptions& options = run.options;
  std::string path = reportPath(options.outputFolder, fileFormat(options), header);
  CsvFile csv;
  if (!openReport(run, path, AnnounceData, &csv)) return 0;
  IndexRange periods = selectPeriods(run, header, path, /*echoOnConsole=*/true);
  IndexRange devices = selectDevices(run, table);
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  if (table != nullptr && !periods.empty()) {
    bool speedLoops = options.includeSpeedLoops;
    std::vector<int32_t> entries =
        reportedEntries(table, devices, [speedLoops](const DeviceRecord& r) {
          return passesLaneFilter(r, speedLoops);
        });
    const NumberTexts& texts = numberTexts();
    writeRows(&csv, *table, entries, periods,
              labelDate(header.dataStart, sizeof header.dataStart), options.rowFirst,
              LaneRowRoom,
              [&texts](char* out, const DeviceRecord& r, int p, const char* label) {
                return formatLaneRow(out, texts, r, p, label);
              });
  }
  return csv.close(run.log) ? 1 : 0;
}

}  // namespace loopconv
