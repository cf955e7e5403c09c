#include "convert/data_file_conversion.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/input_file.h"
#include "base/parallel.h"
#include "base/thread_budget.h"
#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "outputs/health_report.h"
#include "reports/lane_report.h"
#include "outputs/picture.h"
#include "reports/report_framing.h"
#include "outputs/rollup_report.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

// Writes the reports and outputs the options ask for, each on a thread of
// its own (the table is only read). Each logs into a log of its own, handed
// on in the fixed order Element, Lane, Trap, Contents, roll-ups, health,
// picture, so the log reads as if they had been written one by one. A writer
// that fails has logged why (its E line counts toward the exit status), so
// its result is not needed here; the others are still written.
void writeOutputs(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                  const std::string& name) {
  const RunOptions& options = run.options;
  using Writer = std::function<void(const RunContext&)>;
  std::vector<Writer> writers;
  if (options.elementReport) {
    writers.push_back([&](const RunContext& r) { (void)writeElementReport(r, header, table); });
  }
  if (options.laneReport) {
    writers.push_back([&](const RunContext& r) { (void)writeLaneReport(r, header, table); });
  }
  if (options.trapReport) {
    writers.push_back([&](const RunContext& r) { (void)writeTrapReport(r, header, table); });
  }
  if (options.contentsReport) {
    writers.push_back([&](const RunContext& r) { (void)writeContentsReport(r, header, table); });
  }
  if (options.rollupMinutes > 0) {
    writers.push_back([&](const RunContext& r) {
      (void)writeRollupReports(r, header, table, options.rollupMinutes);
    });
  }
  if (options.healthReport) {
    writers.push_back([&](const RunContext& r) { (void)writeHealthReport(r, header, table, name); });
  }
  if (options.picture) {
    writers.push_back([&](const RunContext& r) { (void)writePicture(r, header, table, name); });
  }
  if (writers.size() <= 1 || coreCount() <= 1) {
    for (const Writer& write : writers) write(run);
    return;
  }
  // A writer that gets no thread from the budget runs on this one.
  std::vector<std::unique_ptr<Log>> logs;
  std::vector<BudgetThread> threads(writers.size());
  std::vector<std::function<void()>> leftOver;
  for (size_t i = 0; i < writers.size(); ++i) {
    logs.push_back(std::make_unique<Log>(run.log));
    std::function<void()> task = [&write = writers[i], &run, log = logs.back().get()] {
      RunContext own{run.options, *log, run.platform};
      write(own);
    };
    if (!threads[i].start(task)) leftOver.push_back(task);
  }
  for (const std::function<void()>& task : leftOver) task();
  for (size_t i = 0; i < threads.size(); ++i) {
    threads[i].join();
    logs[i]->release();
  }
}

}  // namespace

bool processDataFile(const std::string& name, const RunContext& run, DateClaim* claim) {
  Log& log = run.log;
  int64_t startTick = run.platform.ticks();
  const std::string stamp = run.platform.timeOfDay();
  const char* file = name.c_str();
  BlockLimits limits = run.platform.blockLimits();

  log.noteAt(stamp, "Processing data file [%s], starting at [%s]\n", file, stamp.c_str());
  log.console("Processing data file [%s], starting at [%s]\n", file, stamp.c_str());

  std::string path = run.options.inputFolder + name;
  if (!pathFits(log, path, stamp)) return false;
  int error = 0;
  InputFile input;
  if (openInputFile(path, &input, &error) != OpenFailure::None) {
    log.errorAt(stamp, "Could not open data file [%s]! - Error = [%d].\n", file, error);
    return false;
  }
  const int64_t size = input.size;
  log.noteAt(stamp, "Filesize is [%zd]\n", static_cast<ssize_t>(size));

  FileBytes image = readInputFile(&input, limits.imageBytes, &error);
  if (image == nullptr && error == ENOMEM) {
    log.errorAt(stamp,
                "Could not allocate buffer to hold the data block from data file [%s]!\n",
                file);
    return false;
  }
  if (image == nullptr) {
    log.errorAt(stamp, "Could not read the data block [%zd bytes] from data file [%s]!\n",
                static_cast<ssize_t>(size), file);
    return false;
  }

  DataHeader header;
  parseDataHeader(image.get(), static_cast<size_t>(size), &header, log);
  if (!hasDataStartDate(header)) {
    log.errorAt(stamp,
                "Data file [%s] has no valid Data Start date (MM/DD/YYYY), file skipped!\n",
                file);
    return false;
  }
  const std::string date(header.dataStart, 10);
  // The output names are the output folder's and the date's: files that
  // share both write the same names (a file that writes elsewhere does not
  // wait for them).
  if (claim != nullptr) claim->announce(run.options.outputFolder + date);
  std::unique_ptr<DeviceTable> table = loadDeviceTable(
      image.get(), static_cast<size_t>(size), name, log, &header, limits.tableRecords);

  // Station sums come from the lanes' copies of the trap planes, so they
  // follow the trap transfer; the estimates come last.
  aggregateStations(table.get(), header.numberOfColumns);
  computeEstimates(table.get(), header.numberOfColumns);

  const std::string replaced = claim != nullptr ? claim->waitForTurn() : std::string();
  writeOutputs(run, header, table.get(), name);

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.noteAt(stamp, "Completed processing of data file [%s] in [%.1f] seconds.\n", file,
             seconds);
  if (claim != nullptr) claim->complete();
  if (!replaced.empty()) {
    const char* format =
        "Data files [%s] and [%s] share the Data Start date [%s]; the later one's outputs "
        "replace the earlier one's!\n";
    log.warnAt(stamp, format, replaced.c_str(), file, date.c_str());
    log.consoleWarning(format, replaced.c_str(), file, date.c_str());
  }
  return true;
}

}  // namespace loopconv
