#include "reports/element_report.h"

#include "reports/colour_codes.h"
#include "reports/csv_file.h"
#include "reports/report_framing.h"

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

}  // namespace

char* formatElementRow(char* out, const NumberTexts& texts, const DeviceRecord& r,
                       int p, const char* label) {
  out = putName(out, r);
  *out++ = ',';
  out = texts.putUnsigned(out, r.NumLanes[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Volume[p]);
  *out++ = ',';
  out = texts.putTwelfths(out, r.ScanCnt[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.ScanCnt[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Flag[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.NPds[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Color0[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Color1[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.Color2[p]);
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
  *out++ = ',';
  out = texts.putUnsigned(out, r.SpdNPds[p]);
  *out++ = ',';
  out = texts.putUnsigned(out, r.EstLength[p]);
  *out++ = ',';
  out = texts.putWhole(out, r.CalcSpdTenths[p]);
  *out++ = ',';
  out = texts.putSigned(out, scanCntSum(r.NumLanes[p], r.ScanCnt[p]));
  *out++ = ',';
  memcpy(out, label, TimeLabelLength);
  out += TimeLabelLength;
  *out++ = ' ';
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

int writeElementReport(const RunContext& run, const DataHeader& header,
                       DeviceTable* table) {
  const RunOptions& options = run.options;
  std::string path = reportPath(options.outputFolder, fileFormat(options), header);
  CsvFile csv;
  if (!openReport(run, path, AnnounceData, &csv)) return 0;
  IndexRange periods = selectPeriods(run, header, path, /*echoOnConsole=*/true);
  IndexRange devices = selectDevices(run, table);
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  if (table == nullptr || periods.empty() || devices.empty()) {
    return csv.close(run.log) ? 1 : 0;
  }
  // Which covered entries get rows. A device named by option D is written
  // when it is a lane or a station, speed loop or not.
  bool selected = singleDeviceInForce(options);
  std::vector<uint8_t> written;
  written.reserve(static_cast<size_t>(devices.end - devices.first));
  for (int32_t i = devices.first; i < devices.end; ++i) {
    const DeviceRecord& r = (*table)[i];
    written.push_back(selected ? (r.Kind == KindLane || r.Kind == KindStation)
                               : passesLaneFilter(r, options.includeSpeedLoops));
  }
  const NumberTexts& texts = numberTexts();
  LabelDate date = labelDate(header.dataStart, sizeof header.dataStart);
  char label[TimeLabelLength];
  for (int32_t p = periods.first; p < periods.end; ++p) {
    putTimeLabel(label, date, p);
    for (int32_t i = devices.first; i < devices.end; ++i) {
      DeviceRecord& r = (*table)[i];
      // Every visited entry gets its codes, also one that the filter rejects.
      storeColourCodes(r, p);
      if (!written[static_cast<size_t>(i - devices.first)]) continue;
      csv.commit(formatElementRow(csv.reserve(ElementRowRoom), texts, r, p, label));
    }
  }
  return csv.close(run.log) ? 1 : 0;
}

}  // namespace loopconv
