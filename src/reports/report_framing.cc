#include "reports/report_framing.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "base/text.h"

namespace loopconv {
namespace {

// atoi of the (at most) two characters of `text` at `position`.
int32_t fieldValue(const std::string& text, size_t position) {
  if (position >= text.size()) return 0;
  return parseLeadingInt(std::string_view(text).substr(position, 2));
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
  snprintf(text.data(), text.size(), format, outputFolder.c_str(), date, date + 3, date + 6);
  return std::string(text.data(), static_cast<size_t>(n));
}

bool openReport(const RunContext& run, const std::string& path, const char* announcement,
                OutputFile* csv) {
  // The date pieces of the name come from the data file.
  return openRunOutput(run, path, announcement, csv);
}

int32_t periodIndex(const std::string& periodText) {
  int32_t hours = fieldValue(periodText, 0);
  int32_t minutes = fieldValue(periodText, 3);
  int32_t seconds = fieldValue(periodText, 6);
  int32_t step = seconds == 20 ? 1 : seconds == 40 ? 2 : seconds;
  return hours * 180 + minutes * 3 + step;
}

IndexRange selectPeriods(const RunContext& run, const DataHeader& header, const std::string& path,
                         bool echoOnConsole) {
  int32_t count = periodCount(header);
  if (!run.options.singlePeriod) return {0, count};
  Log& log = run.log;
  const char* text = run.options.periodText.c_str();
  int32_t index = periodIndex(run.options.periodText);
  log.note("Printing period [%s] column [%d] for [%s]\n", text, index, path.c_str());
  if (echoOnConsole) {
    log.console("Printing period [%s] column [%d] for [%s]\n", text, index, path.c_str());
  }
  // Every plane holds PeriodsPerDay periods, but only the file's are valid.
  if (index < 0 || index >= count) {
    log.warn("Period [%s] column [%d] is outside the file's %d periods!\n", text, index, count);
    log.consoleWarning("Period [%s] column [%d] is outside the file's %d periods!\n", text, index,
                       count);
    return {};
  }
  return {index, index + 1};
}

int32_t findDevice(const DeviceTable* table, const std::string& name) {
  if (table == nullptr) return -1;
  for (int32_t i = 0; i < table->size(); ++i) {
    const DeviceRecord& record = (*table)[i];
    if (nameLength(record) == name.size() && memcmp(record.Name, name.data(), name.size()) == 0) {
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
    log.warn("Device [%s] NOT found!\n", name);
    log.consoleWarning("Device [%s] NOT found!\n", name);
    return {};
  }
  const DeviceRecord& record = (*table)[found];
  int length = static_cast<int>(nameLength(record));
  log.note("Processing device [%.*s]\n", length, record.Name);
  log.console("Processing device [%.*s]\n", length, record.Name);
  return {found, found + 1};
}

bool startPeriodReport(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                       const PeriodReport& report, OutputFile* csv, Coverage* coverage) {
  std::string path = reportPath(run.options.outputFolder, report.fileFormat, header);
  if (!openReport(run, path, AnnounceData, csv)) return false;
  if (report.headerFirst) csv->writeText(report.headerLine, strlen(report.headerLine));
  coverage->periods = selectPeriods(run, header, path, report.periodOnConsole);
  coverage->devices = selectDevices(run, table);
  if (!report.headerFirst) csv->writeText(report.headerLine, strlen(report.headerLine));
  return true;
}

}  // namespace loopconv
