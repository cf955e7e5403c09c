#include "reports/trap_report.h"

#include "reports/csv_file.h"
#include "reports/report_framing.h"

namespace loopconv {
namespace {

// File name precedence: D, P, R.
const char* fileFormat(const RunOptions& options) {
  if (options.singleDevice) return "%sPELMA20Sec_Trap_D_%.2s%.2s%.4s.csv";
  if (options.singlePeriod) return "%sPELMA20Sec_Trap_P_%.2s%.2s%.4s.csv";
  if (options.rowFirst) return "%sPELMA20Sec_Trap_R_%.2s%.2s%.4s.csv";
  return "%sPELMA20Sec_Trap_%.2s%.2s%.4s.csv";
}

const char HeaderLine[] =
    "name,collectiontime,speed(ave mph),length (ave ft),bin1 (0.0-20.0),"
    "bin2 (20.1-42.0),bin3 (42.1-72.0),bin4 (72.1-115.0 ),flag1,flag2\n";

}  // namespace

char* formatTrapRow(char* out, const NumberTexts& texts, const DeviceRecord& r,
                    int p, const char* label) {
  out = putName(out, r);
  *out++ = ',';
  memcpy(out, label, TimeLabelLength);
  out += TimeLabelLength;
  *out++ = ',';
  out = texts.putTenths(out, r.SpdTenths[p]);
  *out++ = ',';
  out = texts.putTenths(out, r.LenTenths[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Bin1[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Bin2[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Bin3[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Bin4[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.SpdFlag[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.SpdFlag2[p]);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

int writeTrapReport(const RunContext& run, const DataHeader& header,
                    DeviceTable* table) {
  const RunOptions& options = run.options;
  std::string path = reportPath(options.outputFolder, fileFormat(options), header);
  CsvFile csv;
  if (!openReport(run, path, AnnounceData, &csv)) return 0;
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  // The Trap report announces its period in the log only.
  IndexRange periods = selectPeriods(run, header, path, /*echoOnConsole=*/false);
  IndexRange devices = selectDevices(run, table);
  if (table != nullptr && !periods.empty()) {
    std::vector<int32_t> entries = reportedEntries(
        table, devices, [](const DeviceRecord& r) { return r.Kind == KindTrap; });
    const NumberTexts& texts = numberTexts();
    writeRows(&csv, *table, entries, periods,
              labelDate(header.dataStart, sizeof header.dataStart), options.rowFirst,
              TrapRowRoom,
              [&texts](char* out, const DeviceRecord& r, int p, const char* label) {
                return formatTrapRow(out, texts, r, p, label);
              });
  }
  return csv.close(run.log) ? 1 : 0;
}

}  // namespace loopconv
