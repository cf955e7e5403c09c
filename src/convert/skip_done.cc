#include "convert/skip_done.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <vector>

#include "base/log.h"
#include "base/platform.h"
#include "convert/folder_scan.h"
#include "convert/output_plan.h"
#include "datafile/data_file.h"
#include "outputs/day_page.h"
#include "outputs/iso_date.h"

namespace loopconv {
namespace {

// The header lines sit at the start of the file; this much holds them with
// room to spare.
constexpr int64_t HeaderBytes = 64 * 1024;

bool newer(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

// Reads the header of the data file at `path` and its modification time.
bool readHeader(const std::string& path, DataHeader* header, struct timespec* modified) {
  int error = 0;
  OwnedFd fd = openRegularFileForReading(path, &error);
  struct stat info;
  if (!fd.valid() || fstat(fd.get(), &info) != 0) return false;
  *modified = info.st_mtim;
  int64_t size = 0;
  if (!fileSize(fd.get(), &size, &error)) return false;
  std::vector<char> start(static_cast<size_t>(std::min(size, HeaderBytes)));
  if (!readFully(fd.get(), start.data(), static_cast<int64_t>(start.size()), &error)) {
    return false;
  }
  Log quiet(nullptr);  // the conversion logs what the header holds
  parseDataHeader(start.data(), start.size(), header, quiet);
  return true;
}

}  // namespace

DoneCheck checkDone(const RunOptions& options, const std::string& name) {
  DoneCheck check;
  const std::string path = options.inputFolder + name;
  DataHeader header;
  struct timespec dataModified;
  if (path.size() > MaxPathLength || !readHeader(path, &header, &dataModified) ||
      !hasDataStartDate(header)) {
    return check;
  }
  IsoDate date;
  if (isoDateOf(header, &date)) check.date = date.str();
  RunOptions fileOptions = options;
  fileOptions.outputFolder = outputFolderFor(options, name);
  check.upToDate = true;
  std::vector<std::string> paths;
  for (const PlannedOutput& output : planOutputs(fileOptions, header, nullptr, name)) {
    paths.insert(paths.end(), output.paths.begin(), output.paths.end());
  }
  // The day page is written after the other outputs, outside their plan; a
  // day converted before --pages was asked for gets its page.
  if (options.pages && !check.date.empty())
    paths.push_back(dayPagePath(fileOptions.outputFolder, date));
  for (const std::string& outputPath : paths) {
    check.outputs.push_back(outputPath.substr(options.outputFolder.size()));
    struct stat info;
    if (stat(outputPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !newer(info.st_mtim, dataModified)) {
      check.upToDate = false;
    }
  }
  return check;
}

std::vector<DoneCheck> checkAllDone(const RunOptions& options,
                                    const std::vector<std::string>& names) {
  std::vector<DoneCheck> checks;
  std::map<std::string, bool> groupDone;  // output folder and date -> all up to date
  for (const std::string& name : names) {
    checks.push_back(checkDone(options, name));
    if (checks.back().date.empty()) continue;
    const std::string group = outputFolderFor(options, name) + '\n' + checks.back().date;
    auto [it, added] = groupDone.emplace(group, true);
    it->second = it->second && checks.back().upToDate;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (checks[i].date.empty()) continue;
    const std::string group = outputFolderFor(options, names[i]) + '\n' + checks[i].date;
    if (!groupDone[group]) checks[i].upToDate = false;
  }
  return checks;
}

}  // namespace loopconv
