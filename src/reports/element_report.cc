#include "reports/element_report.h"

#include "base/output_file.h"
#include "reports/colour_codes.h"
#include "reports/report_framing.h"
#include "reports/row_blocks.h"

namespace loopconv {
namespace {

// File name precedence: D, P, S.
const char* fileFormat(const RunOptions& options) {
  if (options.singleDevice) return "%sPELMA20Sec_Element_D_%.2s%.2s%.4s.csv";
  if (options.singlePeriod) return "%sPELMA20Sec_Element_P_%.2s%.2s%.4s.csv";
  if (options.includeSpeedLoops) return "%sPELMA20Sec_Element_S_%.2s%.2s%.4s.csv";
  return "%sPELMA20Sec_Element_%.2s%.2s%.4s.csv";
}

const char HeaderLine[] =
    "Name,NumLanes,Volume,OccTenths,ScanCnt,Flag,NPds,Color0,Color1,Color2,"
    "SpdTenths,LenTenths,Bin1,Bin2,Bin3,Bin4,SpdFlag,SpdFlag2,SpdNPds,EstLength,"
    "CalcSpdTenths,ScanCntSum,CollectionTime\n";

struct ElementColumns {
  static constexpr int Count = 19;
  static constexpr size_t RowRoom = ElementRowRoom;

  static void gather(const DeviceRecord& r, int first, int count, uint16_t* values, size_t stride) {
    for (int b = 0; b < count; ++b, values += stride) {
      int p = first + b;
      ColourCodes codes = colourCodesAt(r, p);
      values[0] = r.NumLanes[p];
      values[1] = r.Volume[p];
      values[2] = r.ScanCnt[p];
      values[3] = r.Flag[p];
      values[4] = r.NPds[p];
      values[5] = codes.flow;
      values[6] = codes.occupancy;
      values[7] = codes.speed;
      values[8] = r.SpdTenths[p];
      values[9] = r.LenTenths[p];
      values[10] = r.Bin1[p];
      values[11] = r.Bin2[p];
      values[12] = r.Bin3[p];
      values[13] = r.Bin4[p];
      values[14] = r.SpdFlag[p];
      values[15] = r.SpdFlag2[p];
      values[16] = r.SpdNPds[p];
      values[17] = r.EstLength[p];
      values[18] = r.CalcSpdTenths[p];
    }
  }

  // "%s,%u,%u,%2.1f,%u,%u,%u,%u,%u,%u,%2.1f,%2.1f,%u,%u,%u,%u,%u,%u,%u,%u,%2.1f,%d,%s\n"
  static char* format(char* out, const NumberTexts& texts, const RowName& name, const uint16_t* v,
                      const char* label) {
    out = putRowName(out, name);
    *out++ = ',';
    out = texts.putUnsigned(out, v[0]);  // NumLanes
    *out++ = ',';
    out = texts.putUnsigned(out, v[1]);  // Volume
    *out++ = ',';
    out = texts.putTwelfths(out, v[2]);  // OccTenths
    for (int k = 2; k <= 7; ++k) {       // ScanCnt .. Color2
      *out++ = ',';
      out = texts.putUnsigned(out, v[k]);
    }
    *out++ = ',';
    out = texts.putTenths(out, v[8]);  // SpdTenths
    *out++ = ',';
    out = texts.putTenths(out, v[9]);  // LenTenths
    for (int k = 10; k <= 17; ++k) {   // Bin1 .. EstLength
      *out++ = ',';
      out = texts.putUnsigned(out, v[k]);
    }
    *out++ = ',';
    out = texts.putWhole(out, v[18]);  // CalcSpdTenths
    *out++ = ',';
    out = texts.putSigned(out, scanCntSum(v[0], v[2]));
    *out++ = ',';
    memcpy(out, label, TimeLabelLength);
    out += TimeLabelLength;
    *out++ = ' ';
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }
};

}  // namespace

std::string elementReportPath(const RunOptions& options, const DataHeader& header) {
  return reportPath(options.outputFolder, fileFormat(options), header);
}

char* formatElementRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                       const char* label) {
  return formatSingleRow<ElementColumns>(out, texts, record, period, label);
}

bool writeElementReport(const RunContext& run, const DataHeader& header, const DeviceTable* table) {
  const RunOptions& options = run.options;
  OutputFile csv;
  Coverage covered;
  PeriodReport report = {fileFormat(options), HeaderLine, /*headerFirst=*/false,
                         /*periodOnConsole=*/true};
  if (!startPeriodReport(run, header, table, report, &csv, &covered)) return false;
  IndexRange periods = covered.periods;
  IndexRange devices = covered.devices;
  if (table == nullptr || periods.empty() || devices.empty()) {
    return csv.close(run.log);
  }
  // A device named by option D is written when it is a lane or a station,
  // speed loop or not.
  bool selected = singleDeviceInForce(options);
  bool speedLoops = options.includeSpeedLoops;
  std::vector<int32_t> entries =
      reportedEntries(table, devices, [selected, speedLoops](const DeviceRecord& r) {
        return selected ? (r.Kind == KindLane || r.Kind == KindStation)
                        : passesLaneFilter(r, speedLoops);
      });
  writeRowBlocks<ElementColumns>(&csv, *table, entries, periods,
                                 labelDate(header.dataStart, sizeof header.dataStart),
                                 /*entryFirst=*/false);
  return csv.close(run.log);
}

}  // namespace loopconv
