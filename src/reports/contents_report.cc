#include "reports/contents_report.h"

#include <algorithm>
#include <cstdio>

#include "base/output_file.h"
#include "reports/number_text.h"
#include "reports/report_framing.h"

namespace loopconv {
namespace {

// File name precedence: C, S.
const char* fileFormat(const RunOptions& options) {
  if (options.includeRampMeters) return "%sPELMA20Sec_Content_C_%.2s%.2s%.4s.csv";
  if (options.includeSpeedLoops) return "%sPELMA20Sec_Content_S_%.2s%.2s%.4s.csv";
  return "%sPELMA20Sec_Content_%.2s%.2s%.4s.csv";
}

void writeLine(OutputFile* csv, const char* format, unsigned value) {
  char line[64];
  int n = snprintf(line, sizeof line, format, value);
  if (n > 0) csv->writeText(line, static_cast<size_t>(n));
}

constexpr size_t RowRoom = 64;

}  // namespace

std::string contentsReportPath(const RunOptions& options, const DataHeader& header) {
  return reportPath(options.outputFolder, fileFormat(options), header);
}

bool passesContentsFilter(const DeviceRecord& record, bool includeSpeedLoops,
                          bool includeRampMeters) {
  char type = record.Name[NameTypePosition];
  switch (record.Kind) {
    case KindStation:
    case KindTrap: return true;
    case KindLane: return (type != 'S' || includeSpeedLoops) && (type != 'R' || includeRampMeters);
    case KindMeteredLane: return type != 'R' || includeRampMeters;
    default: return false;
  }
}

bool writeContentsReport(const RunContext& run, const DataHeader& header,
                         const DeviceTable* table) {
  const RunOptions& options = run.options;
  std::string path = contentsReportPath(options, header);
  OutputFile csv;
  if (!openReport(run, path, AnnounceElements, &csv)) return false;
  // Its own device selection: no messages, and a name not found leaves the
  // range empty at the end of the table. The entries considered are the
  // "Number of Names" of the file, also when its table could not be
  // allocated (nothing is listed then).
  int32_t count = table != nullptr ? table->size() : std::max(header.numberOfNames, 0);
  IndexRange devices = {0, count};
  if (singleDeviceInForce(options) && table != nullptr && count > 0) {
    int32_t found = findDevice(table, options.deviceName);
    devices = found >= 0 ? IndexRange{found, found + 1} : IndexRange{count, count};
  }
  writeLine(&csv, "Input element count = %u\n", static_cast<unsigned>(devices.end));
  csv.writeText("Name,NumLanes\n");
  unsigned listed = 0;
  if (periodCount(header) >= 1 && table != nullptr) {
    const NumberTexts& texts = numberTexts();
    for (int32_t i = devices.first; i < devices.end; ++i) {
      const DeviceRecord& r = (*table)[i];
      if (!passesContentsFilter(r, options.includeSpeedLoops, options.includeRampMeters)) {
        continue;
      }
      char* out = putName(csv.reserve(RowRoom), r);
      *out++ = ',';
      out = texts.putUnsigned(out, r.NumLanes[0]);
      *out++ = '\r';
      *out++ = '\n';
      csv.commit(out);
      ++listed;
    }
  }
  writeLine(&csv, "Contents listed = %u\n", listed);
  return csv.close(run.log);
}

}  // namespace loopconv
