#include "convert/list_file_conversion.h"

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "base/input_file.h"
#include "base/output_file.h"
#include "convert/folder_scan.h"
#include "metadata/cabinet_list.h"

namespace loopconv {
namespace {

// Writes the CSV; false when it was opened but could not be written (an
// unopened CSV, already logged, does not stop the conversion). *written
// tells whether it was written at all.
bool writeMetadataCsv(const RunContext& run, const std::string& path, const CabinetRecord* records,
                      int64_t count, bool* written) {
  *written = false;
  OutputFile csv;
  // The date comes from the list and may hold further '/' (a rejected date
  // carried over, say).
  OutputTarget target{path, metadataNameStart(run.options.outputFolder), run.options.compression};
  if (!openOutputFile(run.log, target, "Writing metadata to CSV file", "meta data file", &csv)) {
    return true;
  }
  writeCabinetCsv(records, count, &csv);
  *written = csv.close(run.log);
  return *written;
}

// "MM_DD_YYYY" (an accepted list date) as YYYY-MM-DD; empty for anything else.
std::string isoListDate(const std::string& date) {
  if (date.size() != 10 || date[2] != '_' || date[5] != '_') return std::string();
  for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return std::string();
  }
  return date.substr(6, 4) + '-' + date.substr(0, 2) + '-' + date.substr(3, 2);
}

}  // namespace

bool convertCabinetList(const std::string& name, const RunContext& run, std::string* metadataDate,
                        FileOutcome* outcome) {
  FileOutcome own;
  if (outcome == nullptr) outcome = &own;
  *outcome = FileOutcome();
  Log& log = run.log;
  const int errors = log.errorCount();
  const int warnings = log.warningCount();
  auto counted = [&](bool result) {
    outcome->errors = log.errorCount() - errors;
    outcome->warnings = log.warningCount() - warnings;
    return result;
  };
  const int64_t startTick = run.platform.ticks();
  const std::string t = run.platform.timeOfDay();
  const char* n = name.c_str();

  log.console("Processing metadata file [%s], starting[%s]\n", n, t.c_str());
  log.noteAt(t, "Processing metadata file [%s], starting[%s]\n", n, t.c_str());

  std::string path = run.options.inputFolder + name;
  if (!pathFits(log, path, t)) return counted(false);
  int error = 0;
  InputFile input;
  auto readFailed = [&](int readError) {
    log.errorAt(t, "Could not read meta data file [%s]! - Error = [%d].\n", n, readError);
    return counted(false);
  };
  switch (openInputFile(path, &input, &error)) {
    case OpenFailure::Open:
      log.errorAt(t, "Could not open meta data file [%s]! - Error = [%d].\n", n, error);
      return counted(false);
    case OpenFailure::Size: return readFailed(error);
    case OpenFailure::None: break;
  }
  log.noteAt(t, "File [%s] filesize is [%lld]\n", n, static_cast<long long>(input.size));

  // The list is read whole; its three passes (count, date, fill) then run on
  // the bytes in memory.
  FileBytes bytes = readInputFile(&input, -1, &error);
  if (bytes == nullptr) return readFailed(error);
  const size_t length = static_cast<size_t>(input.size);

  int64_t count = countCabinetLines(bytes.get(), length);
  log.noteAt(t, "Found [%lld] cabinets in metadata file [%s]\n", static_cast<long long>(count), n);

  std::unique_ptr<CabinetRecord, FreeDeleter> records;
  if (count > 0) {
    size_t recordBytes = 0;
    bool fits =
        !__builtin_mul_overflow(static_cast<uint64_t>(count), sizeof(CabinetRecord), &recordBytes);
    if (fits) {
      records.reset(
          static_cast<CabinetRecord*>(calloc(static_cast<size_t>(count), sizeof(CabinetRecord))));
    }
    if (records == nullptr) {
      log.errorAt(t, "Allocation [%zd] bytes of space for metadata file [%s] FAILED!!!\n",
                  static_cast<ssize_t>(fits ? recordBytes : SIZE_MAX / 2), n);
      return counted(false);
    }
  }

  outcome->stage = FileOutcome::Stage::Refused;
  outcome->devices = static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
  if (!scanListDate(bytes.get(), length, metadataDate)) {
    log.warnAt(t, "No date [%s] in metadata file [%s]\n", metadataDate->c_str(), n);
    return counted(false);
  }
  fillCabinetRecords(bytes.get(), length, records.get(), count);
  log.noteAt(t, "Loaded [%lld] cabinets from metadata file [%s].\n", static_cast<long long>(count),
             n);

  outcome->stage = FileOutcome::Stage::Completed;
  outcome->date = isoListDate(*metadataDate);
  // A list of a sub-folder writes into the same sub-folder of the output folder.
  RunOptions listOptions = run.options;
  listOptions.outputFolder = outputFolderFor(run.options, name);
  const RunContext listRun{listOptions, log, run.platform};
  const std::string csvPath = metadataCsvPath(listOptions.outputFolder, *metadataDate);
  bool csvWritten = false;
  bool written = writeMetadataCsv(listRun, csvPath, records.get(), count, &csvWritten);
  outcome->outputsWritten = csvWritten;
  if (csvWritten) outcome->outputs.push_back(csvPath.substr(run.options.outputFolder.size()));
  records.reset();
  bytes.reset();

  double seconds = static_cast<double>(run.platform.ticks() - startTick) / 1000.0;
  log.console("Completed processing of List File [%s] in [%.1f] seconds.\n", n, seconds);
  log.noteAt(t, "Completed processing of List File [%s] in [%.1f] seconds.\n", n, seconds);
  outcome->seconds = seconds;
  return counted(written);
}

}  // namespace loopconv
