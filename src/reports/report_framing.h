// What the report writers do alike: the output path, the announcement and
// open, the period selection of option P, the device selection of option D,
// the lane filter and the device name column.
#ifndef LOOPCONV_REPORTS_REPORT_FRAMING_H_
#define LOOPCONV_REPORTS_REPORT_FRAMING_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "base/run_context.h"
#include "datafile/data_file.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

// A half-open range of indexes, periods or table entries.
struct IndexRange {
  int32_t first = 0;
  int32_t end = 0;  // excluded
  bool empty() const { return first >= end; }
};

// The path of a report: `format` ("%s...%.2s%.2s%.4s.csv") filled with the
// output folder and the characters 0-1, 3-4 and 6-9 of "Data Start".
std::string reportPath(const std::string& outputFolder, const char* format,
                       const DataHeader& header);

// The announcements of a report file in the log.
constexpr const char* AnnounceData = "Writing 20 second data to CSV file";
constexpr const char* AnnounceElements = "Writing 20 second data elements to CSV file";

// Refuses a path over MaxPathLength characters, logs the announcement with
// the path and opens the file. On failure logs the E line and returns false;
// a name with a ".." step after the output folder fails with EINVAL.
[[nodiscard]] bool openReport(const RunContext& run, const std::string& path,
                              const char* announcement, OutputFile* csv);

// The period index of a "HH:MM:SS" text: each two-character field read the
// way atoi reads it, index = HH x 180 + MM x 3 + (20 -> 1, 40 -> 2, else SS).
int32_t periodIndex(const std::string& periodText);

// All periods of the file, or the single period of option P (announced in
// the log, and on the console when `echoOnConsole`). A period outside the
// file gives a warning and an empty range.
IndexRange selectPeriods(const RunContext& run, const DataHeader& header, const std::string& path,
                         bool echoOnConsole);

// How a report with one row per period and device (Lane, Trap, Element)
// frames its rows.
struct PeriodReport {
  const char* fileFormat;  // picked by the report's own name precedence
  const char* headerLine;  // ends in "\n"
  bool headerFirst;        // header before the period and device messages
  bool periodOnConsole;    // "Printing period" on the console as well
};

// The periods and table entries that a period report covers.
struct Coverage {
  IndexRange periods;
  IndexRange devices;
};

// Builds the path, announces and opens the file, then selects the periods
// and the devices and writes the header line, in the report's order. False
// when the file could not be opened (the E line is logged).
bool startPeriodReport(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                       const PeriodReport& report, OutputFile* csv, Coverage* coverage);

// Whether option D is in force.
inline bool singleDeviceInForce(const RunOptions& options) {
  return options.singleDevice && !options.deviceName.empty();
}

// The table position of the first entry named `name`, or -1.
int32_t findDevice(const DeviceTable* table, const std::string& name);

// All entries, or the entry that option D names (announced in the log and on
// the console); an empty range with two warnings when no entry has that name.
IndexRange selectDevices(const RunContext& run, const DeviceTable* table);

// The lane-type reports take stations, and lanes unless they are speed loops
// ('S' at name position 16) and option S is absent.
inline bool passesLaneFilter(const DeviceRecord& record, bool includeSpeedLoops) {
  if (record.Kind == KindStation) return true;
  return record.Kind == KindLane && (record.Name[NameTypePosition] != 'S' || includeSpeedLoops);
}

// Length of a record's name: up to its terminator, at most 18 characters.
inline size_t nameLength(const DeviceRecord& record) {
  return strnlen(record.Name, NameBytes - 1);
}

// Longest name column: every byte of a name an LF, each written as CR LF.
constexpr size_t MaxNameText = 2 * (NameBytes - 1);

// Appends the name column of `record` (at most MaxNameText bytes). A name
// comes from the data file and may hold an LF; the report is a text-mode
// file, so it becomes CR LF as every other LF does.
inline char* putName(char* out, const DeviceRecord& record) {
  size_t length = nameLength(record);
  for (size_t i = 0; i < length; ++i) {
    if (record.Name[i] == '\n') *out++ = '\r';
    *out++ = record.Name[i];
  }
  return out;
}

// The table positions within `devices` whose records `admit` accepts.
template <typename Admit>
std::vector<int32_t> reportedEntries(const DeviceTable* table, IndexRange devices, Admit admit) {
  std::vector<int32_t> entries;
  for (int32_t i = devices.first; i < devices.end; ++i) {
    if (admit((*table)[i])) entries.push_back(i);
  }
  return entries;
}

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_REPORT_FRAMING_H_
