#include "convert/data_file_conversion.h"

#include <cerrno>
#include <cstdint>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "base/input_file.h"
#include "base/parallel.h"
#include "base/thread_budget.h"
#include "convert/folder_scan.h"
#include "convert/output_plan.h"
#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "outputs/corridor_files.h"
#include "outputs/corridor_page_data.h"
#include "outputs/day_page.h"
#include "outputs/iso_date.h"

namespace loopconv {
namespace {

// Writes the reports and outputs the options ask for (planOutputs), each on
// a thread of its own (the table is only read). Each logs into a log of its
// own, handed on in the fixed order Element, Lane, Trap, Contents, roll-ups,
// health, picture, corridors, so the log reads as if they had been written
// one by one.
// A writer that fails has logged why (its E line counts toward the exit
// status); the others are still written. Returns the paths of the files
// written. `corridors` false leaves the corridor files out (the day page's
// thread writes them); `verdicts`, when given with --health, receives the
// health table's verdicts for the day page.
std::vector<std::string> writeOutputs(
    const RunContext& run, const DataHeader& header, const DeviceTable* table,
    const std::string& name, bool* allWritten, const CabinetPlaces* cabinets, bool corridors,
    std::promise<std::vector<HealthVerdict>>* verdicts = nullptr) {
  RunOptions planned = run.options;
  planned.corridors = planned.corridors && corridors;
  std::vector<PlannedOutput> writers =
      planOutputs(planned, header, table, name, cabinets, verdicts);
  std::vector<char> written(writers.size(), 0);
  if (writers.size() <= 1 || coreCount() <= 1) {
    for (size_t i = 0; i < writers.size(); ++i) written[i] = writers[i].write(run);
  } else {
    // A writer that gets no thread from the budget runs on this one.
    std::vector<std::unique_ptr<Log>> logs;
    std::vector<BudgetThread> threads(writers.size());
    std::vector<std::function<void()>> leftOver;
    for (size_t i = 0; i < writers.size(); ++i) {
      logs.push_back(std::make_unique<Log>(run.log));
      std::function<void()> task = [&writers, &written, i, &run, log = logs.back().get()] {
        RunContext own{run.options, *log, run.platform};
        written[i] = writers[i].write(own);
      };
      if (!threads[i].start(task)) leftOver.push_back(task);
    }
    for (const std::function<void()>& task : leftOver) task();
    for (size_t i = 0; i < threads.size(); ++i) {
      threads[i].join();
      logs[i]->release();
    }
  }
  std::vector<std::string> paths;
  *allWritten = true;
  for (size_t i = 0; i < writers.size(); ++i) {
    if (!written[i]) *allWritten = false;
    if (written[i]) paths.insert(paths.end(), writers[i].paths.begin(), writers[i].paths.end());
  }
  return paths;
}

// The day page lists what the other outputs wrote and logged, so it is
// written after them. What takes time in it is made beside them, on a thread
// of its own: the facts and the station picture, or with corridors the
// corridor day, which that thread computes once for the corridor files and
// the page alike. The corridor files then log into a log of their own,
// handed on after the other outputs' logs, where their lines stand in a run
// without pages too.
// Returns the paths of the files written; *allWritten tells whether every
// one was.
std::vector<std::string> writeOutputsAndPage(const RunContext& run, const DataHeader& header,
                                             const DeviceTable* table, const std::string& name,
                                             const CabinetPlaces* cabinets, bool* allWritten) {
  const RunOptions& options = run.options;
  if (!options.pages) return writeOutputs(run, header, table, name, allWritten, cabinets, true);
  const bool corridors = options.corridors && cabinets != nullptr;
  PreparedDayPage prepared;
  CorridorPageData corridorData;
  Log corridorLog(run.log);
  // The page takes the health table's verdicts rather than judging again.
  std::promise<std::vector<HealthVerdict>> judged;
  std::shared_future<std::vector<HealthVerdict>> verdicts;
  if (options.healthReport) verdicts = judged.get_future().share();
  std::promise<std::vector<HealthVerdict>>* promise = verdicts.valid() ? &judged : nullptr;
  bool corridorsWritten = !corridors;
  std::vector<std::string> corridorPaths;
  // The corridors first: the page's facts wait for the health table.
  auto prepare = [&] {
    if (corridors) {
      RunContext corridorRun{options, corridorLog, run.platform};
      IsoDate date;
      if (!isoDateOf(header, &date)) {
        (void)writeCorridorOutputs(corridorRun, header, table, *cabinets, name);
      } else {
        CorridorDay day;
        if (table != nullptr) day = computeCorridorDay(*table, periodCount(header), *cabinets);
        // The picture is drawn once, for the page and its file.
        corridorData = corridorPageData(day, date, name);
        corridorsWritten =
            writeCorridorFiles(corridorRun, date, day, name, &corridorData.pictureSvg);
        if (corridorsWritten) corridorPaths = corridorOutputPaths(options.outputFolder, date);
      }
    }
    prepared = prepareDayPage(header, table, name, !corridors, verdicts);
  };
  std::vector<std::string> paths;
  BudgetThread preparing;
  if (coreCount() > 1 && preparing.start(prepare)) {
    paths = writeOutputs(run, header, table, name, allWritten, cabinets, false, promise);
    preparing.join();
  } else {
    paths = writeOutputs(run, header, table, name, allWritten, cabinets, false, promise);
    prepare();
  }
  if (!corridorsWritten) *allWritten = false;
  paths.insert(paths.end(), corridorPaths.begin(), corridorPaths.end());
  corridorLog.release();
  if (options.corridors && !corridors) {
    corridorData.failure = "the cabinet list could not be read (see the run's E line).";
  }
  DayPageInput page;
  page.header = &header;
  page.table = table;
  page.dataFileName = name;
  page.problems = run.log.heldProblems();
  page.filesWritten = run.log.filesWritten();
  page.corridors = options.corridors ? &corridorData : nullptr;
  if (writeDayPage(run, page, prepared)) {
    IsoDate date;
    if (isoDateOf(header, &date)) {
      paths.push_back(dayFilePath(options.outputFolder, "Day_", date, ".html"));
    }
  } else {
    *allWritten = false;
  }
  return paths;
}

bool convertDataFile(const std::string& name, const RunContext& run, FileOutcome* outcome,
                     const CabinetPlaces* cabinets, DateClaim* claim) {
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
    log.errorAt(stamp, "Could not allocate buffer to hold the data block from data file [%s]!\n",
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
  outcome->stage = FileOutcome::Stage::Refused;
  if (!hasDataStartDate(header)) {
    log.errorAt(stamp, "Data file [%s] has no valid Data Start date (MM/DD/YYYY), file skipped!\n",
                file);
    return false;
  }
  const std::string startDate(header.dataStart, 10);
  // The output names are the file's output folder's and the date's: files
  // that share both write the same names (a file that writes elsewhere, in
  // another sub-folder with --recursive, does not wait for them).
  if (claim != nullptr) claim->announce(outputFolderFor(run.options, name) + startDate);
  std::unique_ptr<DeviceTable> table = loadDeviceTable(image.get(), static_cast<size_t>(size), name,
                                                       log, &header, limits.tableRecords);

  // Station sums come from the lanes' copies of the trap planes, so they
  // follow the trap transfer; the estimates come last.
  aggregateStations(table.get(), header.numberOfColumns);
  computeEstimates(table.get(), header.numberOfColumns);

  outcome->stage = FileOutcome::Stage::Completed;
  IsoDate date;
  if (isoDateOf(header, &date)) outcome->date = date.str();
  outcome->devices = table != nullptr ? header.numberOfNames : 0;
  outcome->periods = periodCount(header);

  // A file of a sub-folder writes into the same sub-folder of the output folder.
  const std::string& outputFolder = run.options.outputFolder;
  RunOptions fileOptions = run.options;
  fileOptions.outputFolder = outputFolderFor(run.options, name);
  RunContext fileRun{fileOptions, log, run.platform};
  const std::string replaced = claim != nullptr ? claim->waitForTurn() : std::string();
  for (std::string& path : writeOutputsAndPage(fileRun, header, table.get(), name, cabinets,
                                               &outcome->outputsWritten)) {
    outcome->outputs.push_back(path.substr(outputFolder.size()));
  }

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.noteAt(stamp, "Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  outcome->seconds = seconds;
  if (claim != nullptr) claim->complete();
  if (!replaced.empty()) {
    const char* format =
        "Data files [%s] and [%s] share the Data Start date [%s]; the later one's outputs "
        "replace the earlier one's!\n";
    log.warnAt(stamp, format, replaced.c_str(), file, startDate.c_str());
    log.consoleWarning(format, replaced.c_str(), file, startDate.c_str());
  }
  return true;
}

// The file's outcome, with the errors and warnings it logged.
bool convertCounted(const std::string& name, const RunContext& run, FileOutcome* outcome,
                    const CabinetPlaces* cabinets, DateClaim* claim) {
  // The log is this file's alone while it converts (a log of its own with
  // --jobs or --pages), so what it counted meanwhile is the file's.
  const int errors = run.log.errorCount();
  const int warnings = run.log.warningCount();
  bool done = convertDataFile(name, run, outcome, cabinets, claim);
  outcome->errors = run.log.errorCount() - errors;
  outcome->warnings = run.log.warningCount() - warnings;
  return done;
}

}  // namespace

bool processDataFile(const std::string& name, const RunContext& run, FileOutcome* outcome,
                     const CabinetPlaces* cabinets, DateClaim* claim) {
  FileOutcome own;
  if (outcome == nullptr) outcome = &own;
  *outcome = FileOutcome();
  if (!run.options.pages) return convertCounted(name, run, outcome, cabinets, claim);
  // The file's own log keeps its warning and error lines and the files its
  // outputs wrote, for the day page; it hands every line on unchanged.
  Log fileLog(run.log);
  RunContext fileRun{run.options, fileLog, run.platform};
  bool converted = convertCounted(name, fileRun, outcome, cabinets, claim);
  fileLog.release();
  return converted;
}

}  // namespace loopconv
