#include "convert/data_file_conversion.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "base/input_file.h"
#include "base/parallel.h"
#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "outputs/health_report.h"
#include "outputs/iso_date.h"
#include "reports/lane_report.h"
#include "outputs/day_page.h"
#include "outputs/picture.h"
#include "outputs/corridor_files.h"
#include "outputs/corridor_page_data.h"
#include "reports/report_framing.h"
#include "outputs/rollup_report.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

// Writes the reports and outputs the options ask for, each on a thread of
// its own (the table is only read). Each logs into a log of its own, handed
// on in the fixed order Element, Lane, Trap, Contents, roll-ups, health,
// picture, corridors (their five files in a fixed order too), so the log
// reads as if they had been written one by one. A writer that fails has
// logged why (its E line counts toward the exit status), so its result is
// not needed here; the others are still written.
// `verdicts`, when given with --health, receives the health table's verdicts
// for the day page.
void writeOutputs(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                  const std::string& name, const CabinetPlaces* cabinets,
                  std::promise<std::vector<HealthVerdict>>* verdicts = nullptr) {
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
    writers.push_back([&](const RunContext& r) {
      if (verdicts == nullptr) {
        (void)writeHealthReport(r, header, table, name);
        return;
      }
      std::vector<HealthVerdict> judged;
      (void)writeHealthReport(r, header, table, name, &judged);
      verdicts->set_value(std::move(judged));
    });
  }
  if (options.picture) {
    writers.push_back([&](const RunContext& r) { (void)writePicture(r, header, table, name); });
  }
  if (options.corridors && cabinets != nullptr) {
    writers.push_back([&](const RunContext& r) {
      (void)writeCorridorOutputs(r, header, table, *cabinets, name);
    });
  }
  if (writers.size() <= 1 || coreCount() <= 1) {
    for (const Writer& write : writers) write(run);
    return;
  }
  std::vector<std::unique_ptr<Log>> logs;
  std::vector<std::thread> threads;
  for (const Writer& write : writers) {
    logs.push_back(std::make_unique<Log>(run.log));
    threads.emplace_back([&write, &run, log = logs.back().get()] {
      RunContext own{run.options, *log, run.platform};
      write(own);
    });
  }
  for (size_t i = 0; i < threads.size(); ++i) {
    threads[i].join();
    logs[i]->release();
  }
}

// The day page lists what the other outputs wrote and logged, so it is
// written after them. What takes time in it is made beside them, on a thread
// of its own: the facts and the station picture, or with corridors the
// corridor day, which that thread computes once for the corridor files and
// the page alike. The corridor files then log into a log of their own,
// handed on after the other outputs' logs, where their lines stand in a run
// without pages too.
void writeOutputsAndPage(const RunContext& run, const DataHeader& header,
                         const DeviceTable* table, const std::string& name,
                         const CabinetPlaces* cabinets) {
  const RunOptions& options = run.options;
  if (!options.pages) {
    writeOutputs(run, header, table, name, cabinets);
    return;
  }
  const bool corridors = options.corridors && cabinets != nullptr;
  PreparedDayPage prepared;
  CorridorPageData corridorData;
  Log corridorLog(run.log);
  // The page takes the health table's verdicts rather than judging again.
  std::promise<std::vector<HealthVerdict>> judged;
  std::shared_future<std::vector<HealthVerdict>> verdicts;
  if (options.healthReport) verdicts = judged.get_future().share();
  std::promise<std::vector<HealthVerdict>>* promise = verdicts.valid() ? &judged : nullptr;
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
        (void)writeCorridorFiles(corridorRun, date, day, name, &corridorData.pictureSvg);
      }
    }
    prepared = prepareDayPage(header, table, name, !corridors, verdicts);
  };
  if (coreCount() > 1) {
    std::thread preparing(prepare);
    writeOutputs(run, header, table, name, nullptr, promise);
    preparing.join();
  } else {
    writeOutputs(run, header, table, name, nullptr, promise);
    prepare();
  }
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
  (void)writeDayPage(run, page, prepared);
}

bool convertDataFile(const std::string& name, const RunContext& run,
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

  writeOutputsAndPage(run, header, table.get(), name, cabinets);

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.noteAt(stamp, "Completed processing of data file [%s] in [%.1f] seconds.\n", file,
             seconds);
  return true;
}

}  // namespace

bool processDataFile(const std::string& name, const RunContext& run,
                     const CabinetPlaces* cabinets) {
  if (!run.options.pages) return convertDataFile(name, run, cabinets);
  // The file's own log keeps its warning and error lines and the files its
  // outputs wrote, for the day page; it hands every line on unchanged.
  Log fileLog(run.log);
  RunContext fileRun{run.options, fileLog, run.platform};
  bool converted = convertDataFile(name, fileRun, cabinets);
  fileLog.release();
  return converted;
}

}  // namespace loopconv
