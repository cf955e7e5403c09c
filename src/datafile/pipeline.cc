#include "datafile/pipeline.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "datafile/decode.h"
#include "datafile/trap_transfer.h"
#include "derive/estimates.h"
#include "derive/stations.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "reports/lane_report.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

int64_t imageLimit = -1;

struct FreeDeleter {
  void operator()(char* p) const { free(p); }
};
using Image = std::unique_ptr<char, FreeDeleter>;

class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser() { closeNow(); }
  void closeNow() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

Image allocateImage(int64_t size) {
  if (imageLimit >= 0 && size > imageLimit) return nullptr;
  // One byte more than the file so that an empty file still has a block.
  return Image(static_cast<char*>(malloc(static_cast<size_t>(size) + 1)));
}

// Reads `size` bytes; a read may deliver less than asked (Linux hands out at
// most about 2 GiB per call), so it goes on until the end or an error.
bool readWhole(int fd, char* image, int64_t size) {
  int64_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, image + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

void setDataImageLimitForTest(int64_t maxBytes) { imageLimit = maxBytes; }

std::unique_ptr<DeviceTable> loadDeviceTable(char* image, size_t size,
                                             const std::string& name, Log& log,
                                             DataHeader* header) {
  std::unique_ptr<DeviceTable> table;
  parseDataHeader(image, size, header, log);
  parseNameTable(image, size, header, log, &table);
  decodeDataBlocks(image, size, *header, table.get(), log);
  if (table != nullptr) transferTrapData(*table, name, log);
  return table;
}

int processDataFile(const std::string& name, const RunContext& run) {
  Log& log = run.log;
  int64_t startTick = run.platform.ticks();
  std::string stampText = run.platform.timeOfDay();
  const char* stamp = stampText.c_str();
  const char* file = name.c_str();

  log.log("[%s] - Processing data file [%s], starting at [%s]\n", stamp, file, stamp);
  log.console("Processing data file [%s], starting at [%s]\n", file, stamp);

  std::string path = run.options.inputFolder + name;
  if (path.size() > MaxPathLength) {
    log.log("[%s] E Path [%s] is longer than 259 characters!\n", stamp, path.c_str());
    return 0;
  }
  int error = 0;
  int fd = openRegularFileForReading(path, &error);
  if (fd < 0) {
    log.log("[%s] E Could not open data file [%s]! - Error = [%d].\n", stamp, file, error);
    return 0;
  }
  FileCloser closer(fd);

  off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0 || lseek(fd, 0, SEEK_SET) != 0) {
    log.log("[%s] E Could not open data file [%s]! - Error = [%d].\n", stamp, file, errno);
    return 0;
  }
  int64_t size = end;
  log.log("[%s] - Filesize is [%zd]\n", stamp, static_cast<ssize_t>(size));

  Image image = allocateImage(size);
  if (image == nullptr) {
    log.log("[%s] E Could not allocate buffer to hold the data block from data file [%s]!\n",
            stamp, file);
    return 0;
  }
  bool complete = readWhole(fd, image.get(), size);
  closer.closeNow();
  if (!complete) {
    log.log("[%s] E Could not read the data block [%zd bytes] from data file [%s]!\n", stamp,
            static_cast<ssize_t>(size), file);
    return 0;
  }

  DataHeader header;
  std::unique_ptr<DeviceTable> table =
      loadDeviceTable(image.get(), static_cast<size_t>(size), name, log, &header);

  // Station sums come from the lanes' copies of the trap planes, so they
  // follow the trap transfer; the estimates come last.
  aggregateStations(table.get(), header.numberOfColumns);
  computeEstimates(table.get(), header.numberOfColumns);

  const RunOptions& options = run.options;
  if (options.elementReport) writeElementReport(run, header, table.get());
  if (options.laneReport) writeLaneReport(run, header, table.get());
  if (options.trapReport) writeTrapReport(run, header, table.get());
  if (options.contentsReport) writeContentsReport(run, header, table.get());

  table.reset();
  image.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of data file [%s] in [%.1f] seconds.\n", file, seconds);
  log.log("[%s] - Completed processing of data file [%s] in [%.1f] seconds.\n", stamp, file,
          seconds);
  return 1;
}

}  // namespace loopconv
