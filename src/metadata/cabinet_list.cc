#include "metadata/cabinet_list.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "metadata/cabinet_line.h"
#include "reports/csv_file.h"

namespace loopconv {
namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};

// Reads the next line the way fgets does into a ListLineBytes buffer: at most
// ListLineBytes - 1 bytes, through the '\n'. The line's text is the C string
// that fgets leaves, so a NUL byte ends it there (the bytes after it up to the
// line end are consumed and not seen). Returns false at the end of the file
// or on a read error.
bool readLine(FILE* file, char (&buffer)[ListLineBytes], size_t* length) {
  if (fgets(buffer, sizeof buffer, file) == nullptr) return false;
  *length = strnlen(buffer, sizeof buffer);
  return true;
}

// The date right-aligned in ten characters, as "%10s" gives it.
std::string csvName(const std::string& folder, const std::string& date) {
  std::string name = folder + "LUMO_";
  if (date.size() < 10) name.append(10 - date.size(), ' ');
  return name + date + ".CSV";
}

// Writes the header and the rows; the caller logs open failures, CsvFile
// logs write failures. Returns false when the CSV was not written.
bool writeCsv(const std::string& path, const CabinetRecord* records,
              int64_t count, const RunContext& run) {
  CsvFile csv;
  int error = 0;
  // The date comes from the list and may hold further '/' (a rejected date
  // carried over, say), which name a sub-folder of the output folder as they
  // would for any open. Only a ".." step, which could leave the output
  // folder, is refused.
  size_t dateStart = run.options.outputFolder.size() + 5;
  if (path.find("/../", dateStart) != std::string::npos) {
    error = EINVAL;
  } else if (csv.open(path, &error)) {
    csv.writeText(CabinetCsvHeader, sizeof CabinetCsvHeader - 1);
    char row[CabinetRowBytes];
    for (int64_t i = 0; i < count; ++i) {
      csv.writeText(row, formatCabinetRow(records[i], row));
    }
    return csv.close(run.log);
  }
  run.log.log("[%s] E Could not open meta data file [%s]! - Error = [%d].\n",
              run.log.timeStamp(), path.c_str(), error);
  return true;  // an unopened CSV does not stop the conversion
}

}  // namespace

int convertCabinetList(const std::string& name, const RunContext& run,
                       std::string* metadataDate) {
  Log& log = run.log;
  const int64_t startTick = run.platform.ticks();
  const std::string startTime = run.platform.timeOfDay();
  const char* t = startTime.c_str();
  const char* n = name.c_str();

  log.console("Processing metadata file [%s], starting[%s]\n", n, t);
  log.log("[%s] - Processing metadata file [%s], starting[%s]\n", t, n, t);

  std::string path = run.options.inputFolder + name;
  if (path.size() > MaxPathLength) {
    log.log("[%s] E Path [%s] is longer than 259 characters!\n", t, path.c_str());
    return 0;
  }
  int error = 0;
  int fd = openRegularFileForReading(path, &error);
  FILE* opened = fd < 0 ? nullptr : fdopen(fd, "rb");
  if (opened == nullptr) {
    if (fd >= 0) {
      error = errno;
      ::close(fd);
    }
    log.log("[%s] E Could not open meta data file [%s]! - Error = [%d].\n", t, n,
            error);
    return 0;
  }
  std::unique_ptr<FILE, FileCloser> file(opened);

  auto readFailed = [&] {
    log.log("[%s] E Could not read meta data file [%s]! - Error = [%d].\n", t, n,
            errno != 0 ? errno : EIO);
    return 0;
  };

  errno = 0;
  if (fseeko(file.get(), 0, SEEK_END) != 0) return readFailed();
  long long size = static_cast<long long>(ftello(file.get()));
  if (size < 0) return readFailed();
  rewind(file.get());
  log.log("[%s] - File [%s] filesize is [%lld]\n", t, n, size);

  char line[ListLineBytes];
  size_t length = 0;
  int64_t count = 0;
  while (readLine(file.get(), line, &length)) {
    if (isCabinetLine(line, length)) ++count;
  }
  if (ferror(file.get())) return readFailed();
  log.log("[%s] - Found [%lld] cabinets in metadata file [%s]\n", t,
          static_cast<long long>(count), n);

  std::unique_ptr<CabinetRecord, FreeDeleter> records;
  if (count > 0) {
    size_t bytes = 0;
    bool fits = !__builtin_mul_overflow(static_cast<uint64_t>(count),
                                        sizeof(CabinetRecord), &bytes);
    if (fits) {
      records.reset(static_cast<CabinetRecord*>(
          calloc(static_cast<size_t>(count), sizeof(CabinetRecord))));
    }
    if (records == nullptr) {
      log.log("[%s] E Allocation [%zd] bytes of space for metadata file [%s] FAILED!!!\n",
              t, static_cast<ssize_t>(fits ? bytes : SIZE_MAX / 2), n);
      return 0;
    }
  }

  rewind(file.get());
  if (readLine(file.get(), line, &length) &&
      !scanDateLine(line, length, metadataDate)) {
    log.log("[%s] W No date [%s] in metadata file [%s]\n", t, metadataDate->c_str(), n);
    return 0;
  }
  if (ferror(file.get())) return readFailed();

  rewind(file.get());
  int64_t filled = 0;
  while (filled < count && readLine(file.get(), line, &length)) {
    if (isCabinetLine(line, length)) fillCabinetRecord(line, length, &records.get()[filled++]);
  }
  if (ferror(file.get())) return readFailed();
  log.log("[%s] - Loaded [%lld] cabinets from metadata file [%s].\n", t,
          static_cast<long long>(count), n);

  std::string csvPath = csvName(run.options.outputFolder, *metadataDate);
  bool written = true;
  if (csvPath.size() > MaxPathLength) {
    log.log("[%s] E Path [%s] is longer than 259 characters!\n", log.timeStamp(),
            csvPath.c_str());
  } else {
    log.log("[%s] - Writing metadata to CSV file [%s]...\n", log.timeStamp(),
            csvPath.c_str());
    written = writeCsv(csvPath, records.get(), count, run);
  }
  records.reset();
  file.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of List File [%s] in [%.1f] seconds.\n", n, seconds);
  log.log("[%s] - Completed processing of List File [%s] in [%.1f] seconds.\n", t, n,
          seconds);
  return written ? 1 : 0;
}

}  // namespace loopconv
