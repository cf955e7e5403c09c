#include "reports/report_framing.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace loopconv {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi of the (at most) two characters of `text` at `position`.
int32_t fieldValue(const std::string& text, size_t position) {
  char field[3] = {};
  for (size_t i = 0; i < 2 && position + i < text.size(); ++i) {
    field[i] = text[position + i];
  }
  const char* c = field;
  while (isBlank(*c)) ++c;
  bool negative = false;
  if (*c == '+' || *c == '-') negative = *c++ == '-';
  int32_t value = 0;
  while (*c >= '0' && *c <= '9') value = value * 10 + (*c++ - '0');
  return negative ? -value : value;
}

}  // namespace

std::string reportPath(const std::string& outputFolder, const char* format,
                       const DataHeader& header) {
  // The pieces sit at fixed positions; a short "Data Start" is zero after its
  // text, and this copy makes sure no piece reads past the field.
  char date[HeaderTextBytes];
  memcpy(date, header.dataStart, sizeof date);
  date[sizeof date - 1] = '\0';
  int n = snprintf(nullptr, 0, format, outputFolder.c_str(), date, date + 3, date + 6);
  if (n < 0) return std::string();
  std::vector<char> text(static_cast<size_t>(n) + 1);
  snprintf(text.data(), text.size(), format, outputFolder.c_str(), date, date + 3,
           date + 6);
  return std::string(text.data(), static_cast<size_t>(n));
}

bool openReport(const RunContext& run, const std::string& path,
                const char* announcement, CsvFile* csv) {
  Log& log = run.log;
  if (path.size() > MaxPathLength) {
    log.log("[%s] E Path [%s] is longer than 259 characters!\n", log.timeStamp(),
            path.c_str());
    return false;
  }
  log.log("[%s] - %s [%s]...\n", log.timeStamp(), announcement, path.c_str());
  int error = 0;
  // The date pieces of the name come from the data file. A '/' among them
  // names a sub-folder of the output folder, as any open reads it; only a
  // ".." step, which could lead out of the output folder, is refused.
  bool leaves = path.find("/../", run.options.outputFolder.size()) != std::string::npos;
  if (leaves) error = EINVAL;
  if (leaves || !csv->open(path, &error)) {
    log.log("[%s] E Could not open data file [%s]! - Error = [%d].\n", log.timeStamp(),
            path.c_str(), error);
    return false;
  }
  return true;
}

int32_t periodCount(const DataHeader& header) {
  if (header.numberOfColumns < 0) return 0;
  if (header.numberOfColumns > PeriodsPerDay) return PeriodsPerDay;
  return header.numberOfColumns;
}

int32_t periodIndex(const std::string& periodText) {
  int32_t hours = fieldValue(periodText, 0);
  int32_t minutes = fieldValue(periodText, 3);
  int32_t seconds = fieldValue(periodText, 6);
  int32_t step = seconds == 20 ? 1 : seconds == 40 ? 2 : seconds;
  return hours * 180 + minutes * 3 + step;
}

IndexRange selectPeriods(const RunContext& run, const DataHeader& header,
                         const std::string& path, bool echoOnConsole) {
  int32_t count = periodCount(header);
  if (!run.options.singlePeriod) return {0, count};
  Log& log = run.log;
  const char* text = run.options.periodText.c_str();
  int32_t index = periodIndex(run.options.periodText);
  log.log("[%s] - Printing period [%s] column [%d] for [%s]\n", log.timeStamp(), text,
          index, path.c_str());
  if (echoOnConsole) {
    log.console("Printing period [%s] column [%d] for [%s]\n", text, index,
                path.c_str());
  }
  // Every plane holds PeriodsPerDay periods, but only the file's are valid.
  if (index < 0 || index >= count) {
    log.log("[%s] W Period [%s] column [%d] is outside the file's %d periods!\n",
            log.timeStamp(), text, index, count);
    log.console("          W Period [%s] column [%d] is outside the file's %d periods!\n",
                text, index, count);
    return {};
  }
  return {index, index + 1};
}

int32_t findDevice(const DeviceTable* table, const std::string& name) {
  if (table == nullptr) return -1;
  for (int32_t i = 0; i < table->size(); ++i) {
    const DeviceRecord& record = (*table)[i];
    if (nameLength(record) == name.size() &&
        memcmp(record.Name, name.data(), name.size()) == 0) {
      return i;
    }
  }
  return -1;
}

IndexRange selectDevices(const RunContext& run, const DeviceTable* table) {
  int32_t count = table != nullptr ? table->size() : 0;
  if (!singleDeviceInForce(run.options)) return {0, count};
  Log& log = run.log;
  int32_t found = findDevice(table, run.options.deviceName);
  if (found < 0) {
    const char* name = run.options.deviceName.c_str();
    log.log("[%s] W Device [%s] NOT found!\n", log.timeStamp(), name);
    log.console("          W Device [%s] NOT found!\n", name);
    return {};
  }
  const DeviceRecord& record = (*table)[found];
  int length = static_cast<int>(nameLength(record));
  log.log("[%s] - Processing device [%.*s]\n", log.timeStamp(), length, record.Name);
  log.console("Processing device [%.*s]\n", length, record.Name);
  return {found, found + 1};
}

bool startPeriodReport(const RunContext& run, const DataHeader& header,
                       const DeviceTable* table, const PeriodReport& report,
                       CsvFile* csv, Coverage* coverage) {
  std::string path = reportPath(run.options.outputFolder, report.fileFormat, header);
  if (!openReport(run, path, AnnounceData, csv)) return false;
  if (report.headerFirst) csv->writeText(report.headerLine, strlen(report.headerLine));
  coverage->periods = selectPeriods(run, header, path, report.periodOnConsole);
  coverage->devices = selectDevices(run, table);
  if (!report.headerFirst) csv->writeText(report.headerLine, strlen(report.headerLine));
  return true;
}

}  // namespace loopconv
