#include "convert/data_file_conversion.h"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "base/input_file.h"
#include "base/parallel.h"
#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "convert/folder_scan.h"
#include "convert/output_plan.h"
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
// written.
std::vector<std::string> writeOutputs(const RunContext& run, const DataHeader& header,
                                      const DeviceTable* table, const std::string& name,
                                      bool* allWritten, const CabinetPlaces* cabinets) {
  std::vector<PlannedOutput> writers = planOutputs(run.options, header, table, name, cabinets);
  std::vector<char> written(writers.size(), 0);
  if (writers.size() <= 1 || coreCount() <= 1) {
    for (size_t i = 0; i < writers.size(); ++i) written[i] = writers[i].write(run);
  } else {
    std::vector<std::unique_ptr<Log>> logs;
    std::vector<std::thread> threads;
    for (size_t i = 0; i < writers.size(); ++i) {
      logs.push_back(std::make_unique<Log>(run.log));
      threads.emplace_back([&writers, &written, i, &run, log = logs.back().get()] {
        RunContext own{run.options, *log, run.platform};
        written[i] = writers[i].write(own);
      });
    }
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

bool convertDataFile(const std::string& name, const RunContext& run, FileOutcome* outcome,
                     const CabinetPlaces* cabinets) {
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
  outcome->stage = FileOutcome::Stage::Refused;
  if (!hasDataStartDate(header)) {
    log.errorAt(stamp,
                "Data file [%s] has no valid Data Start date (MM/DD/YYYY), file skipped!\n",
                file);
    return false;
  }
  std::unique_ptr<DeviceTable> table = loadDeviceTable(
      image.get(), static_cast<size_t>(size), name, log, &header, limits.tableRecords);

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
  for (std::string& path :
       writeOutputs(fileRun, header, table.get(), name, &outcome->outputsWritten, cabinets)) {
    outcome->outputs.push_back(path.substr(outputFolder.size()));
  }

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.noteAt(stamp, "Completed processing of data file [%s] in [%.1f] seconds.\n", file,
             seconds);
  outcome->seconds = seconds;
  return true;
}

}  // namespace

bool processDataFile(const std::string& name, const RunContext& run, FileOutcome* outcome,
                     const CabinetPlaces* cabinets) {
  FileOutcome own;
  if (outcome == nullptr) outcome = &own;
  *outcome = FileOutcome();
  // The log is this file's alone while it converts (a log of its own with
  // --jobs), so what it counted meanwhile is the file's.
  const int errors = run.log.errorCount();
  const int warnings = run.log.warningCount();
  bool done = convertDataFile(name, run, outcome, cabinets);
  outcome->errors = run.log.errorCount() - errors;
  outcome->warnings = run.log.warningCount() - warnings;
  return done;
}

}  // namespace loopconv
