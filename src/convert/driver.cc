#include "convert/driver.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/folder_lock.h"
#include "base/interrupt.h"
#include "base/log.h"
#include "base/run_context.h"
#include "base/run_options.h"
#include "base/stale_temp_files.h"
#include "base/thread_budget.h"
#include "convert/cabinet_file.h"
#include "convert/command_line.h"
#include "convert/data_file_conversion.h"
#include "convert/date_claims.h"
#include "convert/folder_scan.h"
#include "convert/list_file_conversion.h"
#include "convert/run_summary.h"
#include "convert/skip_done.h"
#include "outputs/index_page.h"

namespace loopconv {
namespace {

// "ConvertorLog" + MMDD + "20" + YY + ".txt" from the MM/DD/YY date text.
std::string logFilePath(const std::string& folder, const std::string& date) {
  std::string padded = date;
  padded.resize(8, ' ');
  return folder + "ConvertorLog" + padded.substr(0, 2) + padded.substr(3, 2) + "20" +
         padded.substr(6, 2) + ".txt";
}

// Converts the data files `names` in order, or with --jobs=N N at a time:
// each file then logs into a log of its own, handed on whole in folder
// order, so the log and console read as if the files had gone one by one.
// Each file's outcome goes to its place in *outcomes.
// Files of one date write their outputs one after another in folder order
// (DateClaims), so the files are the same with any --jobs. The job threads
// come from the thread budget; no new file starts once a signal came.
void convertDataFiles(const std::vector<std::string>& names, const RunContext& run,
                      std::vector<FileOutcome>* outcomes, const CabinetPlaces* cabinets) {
  const size_t count = names.size();
  outcomes->resize(count);
  DateClaims claims(names);
  const int jobs = static_cast<int>(std::min<size_t>(run.options.jobs, count));
  if (jobs <= 1) {
    // A file that fails has logged why (its errors count toward the exit
    // status); the run goes on with the next.
    for (size_t i = 0; i < count && !interruptRequested(); ++i) {
      DateClaim claim(&claims, i);
      (void)processDataFile(names[i], run, &(*outcomes)[i], cabinets, &claim);
    }
    return;
  }
  std::vector<std::unique_ptr<Log>> logs(count);
  std::vector<char> done(count, 0);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < count; i = next++) {
      auto fileLog = std::make_unique<Log>(run.log);
      RunContext fileRun{run.options, *fileLog, run.platform};
      if (!interruptRequested()) {
        DateClaim claim(&claims, i);
        // failures are logged, as above
        (void)processDataFile(names[i], fileRun, &(*outcomes)[i], cabinets, &claim);
      }
      std::lock_guard<std::mutex> lock(mutex);
      logs[i] = std::move(fileLog);
      done[i] = 1;
      finished.notify_all();
    }
  };
  std::vector<BudgetThread> workers(static_cast<size_t>(jobs));
  int started = 0;
  for (BudgetThread& w : workers) started += w.start(worker) ? 1 : 0;
  if (started == 0) worker();  // no thread to spare: one file after another
  for (size_t i = 0; i < count; ++i) {
    std::unique_ptr<Log> fileLog;
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return done[i] != 0; });
      fileLog = std::move(logs[i]);
    }
    fileLog->release();
  }
  for (BudgetThread& w : workers) w.join();
}

// One run per output folder: takes the folder's lock, waiting up to
// --wait seconds for another run. Returns false (with the E line logged)
// when the folder stays busy; a folder that cannot be opened is not locked,
// and the run fails on it as before.
bool lockOutputFolder(const RunContext& run, FolderLock* lock) {
  const std::string& folder = run.options.outputFolder;
  FolderLock::Result result = lock->tryLock(folder);
  const int wait = run.options.waitSeconds;
  if (result == FolderLock::Result::Busy && wait > 0) {
    run.log.note("Output folder [%s] is in use by another run, waiting up to [%d] seconds\n",
                 folder.c_str(), wait);
    run.log.consoleNote("Output folder [%s] is in use by another run, waiting up to [%d] seconds\n",
                        folder.c_str(), wait);
    result = lock->waitFor(wait);
  }
  if (result != FolderLock::Result::Busy) return true;
  run.log.error(
      "Output folder [%s] is in use by another run (waited [%d] seconds), "
      "nothing written!\n",
      folder.c_str(), wait);
  return false;
}

// Removes the temporary files that runs which died left in the output
// folder, with one line naming how many (none when there were none).
void removeLeftovers(const RunContext& run) {
  const std::string& folder = run.options.outputFolder;
  int removed = removeStaleTempFiles(folder);
  if (removed == 0) return;
  const char* format = "Removed [%d] temporary file(s) left by ended runs from [%s]\n";
  run.log.note(format, removed, folder.c_str());
  run.log.consoleNote(format, removed, folder.c_str());
}

// Threads the system would not create (their work ran on threads already
// running): one line for the run.
void reportThreadFailures(Log& log) {
  int error = 0;
  int failures = ThreadBudget::process().takeStartFailures(&error);
  if (failures == 0) return;
  log.error("Could not start [%d] thread(s) - Error = [%d]; their work ran on the others!\n",
            failures, error);
}

// --skip-done: the data files of `names` to convert; each up-to-date one is
// left out with a note line. `checks` receives every file's check.
std::vector<std::string> leaveOutDone(const std::vector<std::string>& names, const RunContext& run,
                                      std::vector<DoneCheck>* checks) {
  *checks = checkAllDone(run.options, names);
  std::vector<std::string> toConvert;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!(*checks)[i].upToDate) {
      toConvert.push_back(names[i]);
      continue;
    }
    run.log.note("Data file [%s] is up to date, skipped.\n", names[i].c_str());
    run.log.console("Data file [%s] is up to date, skipped.\n", names[i].c_str());
  }
  return toConvert;
}

// The summary rows of the data files `names` in folder order: the skipped
// ones from their checks, the others from their outcomes (`converted` holds
// them in the same order).
void addDataRows(const std::vector<std::string>& names, const std::vector<DoneCheck>& checks,
                 const std::vector<FileOutcome>& converted, std::vector<SummaryRow>* rows) {
  size_t next = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    SummaryRow row;
    row.file = names[i];
    if (i < checks.size() && checks[i].upToDate) {
      row.skipped = true;
      row.outcome.date = checks[i].date;
      row.outcome.outputs = checks[i].outputs;
    } else if (next < converted.size()) {
      row.outcome = converted[next++];
    }
    rows->push_back(std::move(row));
  }
}

}  // namespace

ExitStatus runConverter(int argc, const char* const* argv, Platform& platform, FILE* console,
                        FILE* errors) {
  int64_t startTick = platform.ticks();
  Log log(console, errors);
  // A lone --version prints its one line and nothing else.
  if (argc == 2 && std::string(argv[1]) == "--version") {
    log.console("loopconv %s\n", VersionText);
    return ExitStatus::Ok;
  }
  // So does a lone --help its text (help2man makes the manual page of it).
  if (argc == 2 && std::string(argv[1]) == "--help") {
    printUsageHelp(log);
    return ExitStatus::Ok;
  }
  log.setTimeStamp(platform.timeOfDay());

  log.console("\n");
  log.consoleNote("Welcome to the loopconv twenty-second loop detector data converter\n");
  log.console("           Written by the loopconv developers\n");
  log.consoleNote("Version = %s\n", VersionText);

  RunOptions options;
  ParseResult parsed = parseCommandLine(argc, argv, &options, log, platform);
  if (parsed == ParseResult::Error) {
    log.consoleError("Error on command line!\n");
    log.errorStreamOnly("Error on command line!\n");
    return ExitStatus::CommandLineError;
  }
  if (parsed == ParseResult::HelpShown) return ExitStatus::Ok;

  std::string logPath = logFilePath(options.logFolder, platform.dateText());
  if (logPath.size() > MaxPathLength) {
    log.startupError("Log file path [%s] is longer than 259 characters!\n", logPath.c_str());
    return ExitStatus::RunError;
  }
  int error = 0;
  if (!log.open(logPath, &error)) {
    log.startupError("Could not open log file [%s] - Error = [%d]!\n", logPath.c_str(), error);
    log.console("\n");
    log.consoleError("Log file failed.  [%d]\n", 0);
    return ExitStatus::RunError;
  }

  log.blankLine();
  log.note("Version = %s\n", VersionText);
  log.note("Commands: %s\n", options.commandLetters.c_str());
  log.consoleNote("Commands: %s\n", options.commandLetters.c_str());
  const char* folderLines[3] = {"Reading folder [%s]\n", "Writing folder [%s]\n",
                                "Logging folder [%s]\n"};
  const std::string* folders[3] = {&options.inputFolder, &options.outputFolder, &options.logFolder};
  for (int i = 0; i < 3; ++i) log.note(folderLines[i], folders[i]->c_str());
  // The console copies carry the time stamp too.
  for (int i = 0; i < 3; ++i) log.consoleNote(folderLines[i], folders[i]->c_str());

  // From here on a signal removes the outputs in progress and ends the run.
  InterruptWatch interrupts(logPath, log.timeStamp(), errors);
  RunContext run{options, log, platform};
  FolderLock folderLock;
  if (!lockOutputFolder(run, &folderLock)) {
    log.blankLine();
    log.close();
    log.summarizeErrors(logPath);
    return ExitStatus::RunError;
  }
  removeLeftovers(run);

  std::vector<std::string> names;
  std::vector<SummaryRow> summaryRows;
  if (!platform.listFolder(options.inputFolder, &names, &error)) {
    log.error("Source Directory [%s] not found!\n", options.inputFolder.c_str());
    if (!options.summaryPath.empty()) (void)writeRunSummary(options.summaryPath, {}, log);
    log.close();
    log.summarizeErrors(logPath);
    return ExitStatus::RunError;
  }

  if (options.recursive) {
    names = scanSubFolders(platform, options.inputFolder, names,
                           options.metadataMode ? "LST" : "DAT", log);
  }

  // A file counts whether or not it converts; its failures are logged.
  int dataFiles = 0;
  int listFiles = 0;
  int skippedFiles = 0;
  if (!options.metadataMode) {
    std::vector<std::string> dataNames;
    for (const std::string& name : names) {
      if (name.find("DAT") != std::string::npos) dataNames.push_back(name);
    }
    std::vector<DoneCheck> checks;
    std::vector<std::string> toConvert =
        options.skipDone ? leaveOutDone(dataNames, run, &checks) : dataNames;
    if (options.recursive) makeOutputFolders(options.outputFolder, toConvert, log);
    std::vector<FileOutcome> outcomes;
    // The cabinet list is read once and shared, read-only, by every file.
    CabinetPlaces cabinets;
    const bool corridors = options.corridors && readCabinetFile(run, &cabinets);
    convertDataFiles(toConvert, run, &outcomes, corridors ? &cabinets : nullptr);
    addDataRows(dataNames, checks, outcomes, &summaryRows);
    dataFiles = static_cast<int>(toConvert.size());
    skippedFiles = static_cast<int>(dataNames.size() - toConvert.size());
  } else {
    // The metadata date carries over from one list to the next: in order.
    std::string metadataDate;
    for (const std::string& name : names) {
      if (name.find("LST") == std::string::npos) continue;
      if (options.recursive) makeOutputFolders(options.outputFolder, {name}, log);
      SummaryRow row;
      row.file = name;
      row.list = true;
      (void)convertCabinetList(name, run, &metadataDate, &row.outcome);
      summaryRows.push_back(std::move(row));
      ++listFiles;
    }
  }
  if (dataFiles + skippedFiles == 0 && listFiles == 0) {
    log.error("Found no input file.\n");
  }
  if (options.skipDone) {
    log.console("Skipped %d up-to-date .DAT Files.\n", skippedFiles);
    log.note("Skipped %d up-to-date .DAT Files.\n", skippedFiles);
  }
  if (!options.summaryPath.empty()) (void)writeRunSummary(options.summaryPath, summaryRows, log);
  // From every day page in the folder, those of earlier runs too.
  if (options.pages) (void)writeIndexPage(run);
  reportThreadFailures(log);

  double seconds = static_cast<double>(platform.ticks() - startTick) / 1000.0;
  log.console("Finished converting %d .DAT Files and %d .LST Files in [%.1f] seconds.\n", dataFiles,
              listFiles, seconds);
  log.note("Finished converting %d .DAT Files and %d .LST Files in [%.1f] seconds.\n", dataFiles,
           listFiles, seconds);
  log.blankLine();
  log.close();
  log.summarizeErrors(logPath);
  return log.errorLogged() ? ExitStatus::RunError : ExitStatus::Ok;
}

}  // namespace loopconv
