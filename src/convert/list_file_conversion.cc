#include "convert/list_file_conversion.h"

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "base/output_file.h"
#include "base/input_file.h"
#include "metadata/cabinet_list.h"

namespace loopconv {
namespace {

// Writes the CSV; false when it was opened but could not be written (an
// unopened CSV, already logged, does not stop the conversion).
bool writeMetadataCsv(const RunContext& run, const std::string& path,
                      const CabinetRecord* records, int64_t count) {
  OutputFile csv;
  // The date comes from the list and may hold further '/' (a rejected date
  // carried over, say).
  OutputTarget target{path, metadataNameStart(run.options.outputFolder),
                      run.options.compression};
  if (!openOutputFile(run.log, target, "Writing metadata to CSV file", "meta data file", &csv)) {
    return true;
  }
  writeCabinetCsv(records, count, &csv);
  return csv.close(run.log);
}

}  // namespace

bool convertCabinetList(const std::string& name, const RunContext& run,
                        std::string* metadataDate) {
  Log& log = run.log;
  const int64_t startTick = run.platform.ticks();
  const std::string t = run.platform.timeOfDay();
  const char* n = name.c_str();

  log.console("Processing metadata file [%s], starting[%s]\n", n, t.c_str());
  log.noteAt(t, "Processing metadata file [%s], starting[%s]\n", n, t.c_str());

  std::string path = run.options.inputFolder + name;
  if (!pathFits(log, path, t)) return false;
  int error = 0;
  InputFile input;
  auto readFailed = [&](int readError) {
    log.errorAt(t, "Could not read meta data file [%s]! - Error = [%d].\n", n, readError);
    return false;
  };
  switch (openInputFile(path, &input, &error)) {
    case OpenFailure::Open:
      log.errorAt(t, "Could not open meta data file [%s]! - Error = [%d].\n", n, error);
      return false;
    case OpenFailure::Size:
      return readFailed(error);
    case OpenFailure::None:
      break;
  }
  log.noteAt(t, "File [%s] filesize is [%lld]\n", n, static_cast<long long>(input.size));

  // The list is read whole; its three passes (count, date, fill) then run on
  // the bytes in memory.
  FileBytes bytes = readInputFile(&input, -1, &error);
  if (bytes == nullptr) return readFailed(error);
  const size_t length = static_cast<size_t>(input.size);

  int64_t count = countCabinetLines(bytes.get(), length);
  log.noteAt(t, "Found [%lld] cabinets in metadata file [%s]\n",
             static_cast<long long>(count), n);

  std::unique_ptr<CabinetRecord, FreeDeleter> records;
  if (count > 0) {
    size_t recordBytes = 0;
    bool fits = !__builtin_mul_overflow(static_cast<uint64_t>(count),
                                        sizeof(CabinetRecord), &recordBytes);
    if (fits) {
      records.reset(static_cast<CabinetRecord*>(
          calloc(static_cast<size_t>(count), sizeof(CabinetRecord))));
    }
    if (records == nullptr) {
      log.errorAt(t, "Allocation [%zd] bytes of space for metadata file [%s] FAILED!!!\n",
                  static_cast<ssize_t>(fits ? recordBytes : SIZE_MAX / 2), n);
      return false;
    }
  }

  if (!scanListDate(bytes.get(), length, metadataDate)) {
    log.warnAt(t, "No date [%s] in metadata file [%s]\n", metadataDate->c_str(), n);
    return false;
  }
  fillCabinetRecords(bytes.get(), length, records.get(), count);
  log.noteAt(t, "Loaded [%lld] cabinets from metadata file [%s].\n",
             static_cast<long long>(count), n);

  bool written = writeMetadataCsv(run, metadataCsvPath(run.options.outputFolder, *metadataDate),
                                  records.get(), count);
  records.reset();
  bytes.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of List File [%s] in [%.1f] seconds.\n", n, seconds);
  log.noteAt(t, "Completed processing of List File [%s] in [%.1f] seconds.\n", n, seconds);
  return written;
}

}  // namespace loopconv
