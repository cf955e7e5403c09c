#include "reports/trap_report.h"

#include "base/output_file.h"
#include "reports/report_framing.h"
#include "reports/row_blocks.h"

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

struct TrapColumns {
  static constexpr int Count = 8;
  static constexpr size_t RowRoom = TrapRowRoom;

  static void gather(const DeviceRecord& r, int first, int count, uint16_t* values, size_t stride) {
    for (int b = 0; b < count; ++b, values += stride) {
      int p = first + b;
      values[0] = r.SpdTenths[p];
      values[1] = r.LenTenths[p];
      values[2] = r.Bin1[p];
      values[3] = r.Bin2[p];
      values[4] = r.Bin3[p];
      values[5] = r.Bin4[p];
      values[6] = r.SpdFlag[p];
      values[7] = r.SpdFlag2[p];
    }
  }

  // "%s,%s,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u\n"
  static char* format(char* out, const NumberTexts& texts, const RowName& name, const uint16_t* v,
                      const char* label) {
    out = putNameAndLabel(out, name, label);
    out = texts.putTenths(out, v[0]);
    *out++ = ',';
    out = texts.putTenths(out, v[1]);
    for (int k = 2; k < Count; ++k) {
      *out++ = ',';
      out = texts.putUnsigned(out, v[k]);
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }
};

}  // namespace

std::string trapReportPath(const RunOptions& options, const DataHeader& header) {
  return reportPath(options.outputFolder, fileFormat(options), header);
}

char* formatTrapRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                    const char* label) {
  return formatSingleRow<TrapColumns>(out, texts, record, period, label);
}

bool writeTrapReport(const RunContext& run, const DataHeader& header, const DeviceTable* table) {
  const RunOptions& options = run.options;
  OutputFile csv;
  Coverage covered;
  // The Trap report writes its header first and announces its period in the
  // log only.
  PeriodReport report = {fileFormat(options), HeaderLine, /*headerFirst=*/true,
                         /*periodOnConsole=*/false};
  if (!startPeriodReport(run, header, table, report, &csv, &covered)) return false;
  if (table != nullptr && !covered.periods.empty()) {
    std::vector<int32_t> entries = reportedEntries(
        table, covered.devices, [](const DeviceRecord& r) { return r.Kind == KindTrap; });
    writeRowBlocks<TrapColumns>(&csv, *table, entries, covered.periods,
                                labelDate(header.dataStart, sizeof header.dataStart),
                                options.rowFirst);
  }
  return csv.close(run.log);
}

}  // namespace loopconv
