#include "convert/data_file_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "base/owned_fd.h"
#include "datafile/data_file.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "reports/health_report.h"
#include "reports/lane_report.h"
#include "reports/picture.h"
#include "reports/report_framing.h"
#include "reports/rollup_report.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

struct FreeDeleter {
  void operator()(char* p) const { free(p); }
};
using Image = std::unique_ptr<char, FreeDeleter>;

Image allocateImage(int64_t size, int64_t limit) {
  if (limit >= 0 && size > limit) return nullptr;
  // One byte more than the file so that an empty file still has a block.
  return Image(static_cast<char*>(malloc(static_cast<size_t>(size) + 1)));
}

}  // namespace

bool processDataFile(const std::string& name, const RunContext& run) {
  Log& log = run.log;
  int64_t startTick = run.platform.ticks();
  const std::string stamp = run.platform.timeOfDay();
  const char* file = name.c_str();
  BlockLimits limits = run.platform.blockLimits();

  log.noteAt(stamp, "Processing data file [%s], starting at [%s]\n", file, stamp.c_str());
  log.console("Processing data file [%s], starting at [%s]\n", file, stamp.c_str());

  std::string path = run.options.inputFolder + name;
  if (path.size() > MaxPathLength) {
    log.errorAt(stamp, "Path [%s] is longer than 259 characters!\n", path.c_str());
    return false;
  }
  int error = 0;
  OwnedFd fd = openRegularFileForReading(path, &error);
  int64_t size = 0;
  if (!fd.valid() || !fileSize(fd.get(), &size, &error)) {
    log.errorAt(stamp, "Could not open data file [%s]! - Error = [%d].\n", file, error);
    return false;
  }
  log.noteAt(stamp, "Filesize is [%zd]\n", static_cast<ssize_t>(size));

  Image image = allocateImage(size, limits.imageBytes);
  if (image == nullptr) {
    log.errorAt(stamp,
                "Could not allocate buffer to hold the data block from data file [%s]!\n",
                file);
    return false;
  }
  bool complete = readFully(fd.get(), image.get(), size, &error);
  fd.reset();
  if (!complete) {
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

  // A report that fails has logged why; the others are still written.
  const RunOptions& options = run.options;
  if (options.elementReport) (void)writeElementReport(run, header, table.get());
  if (options.laneReport) (void)writeLaneReport(run, header, table.get());
  if (options.trapReport) (void)writeTrapReport(run, header, table.get());
  if (options.contentsReport) (void)writeContentsReport(run, header, table.get());
  // The analysis outputs beside the reports.
  if (options.rollupMinutes > 0) {
    (void)writeRollupReports(run, header, table.get(), options.rollupMinutes);
  }
  if (options.healthReport) (void)writeHealthReport(run, header, table.get(), name);
  if (options.picture) (void)writePicture(run, header, table.get(), name);

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.noteAt(stamp, "Completed processing of data file [%s] in [%.1f] seconds.\n", file,
             seconds);
  return true;
}

}  // namespace loopconv
