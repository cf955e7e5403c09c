#include "convert/cabinet_file.h"

#include <cerrno>
#include <cstdint>
#include <vector>

#include "base/owned_fd.h"
#include "base/platform.h"

namespace loopconv {

bool readCabinetFile(const RunContext& run, CabinetPlaces* places) {
  Log& log = run.log;
  const std::string& path = run.options.cabinetsFile;
  if (path.size() > MaxPathLength) {
    log.error("Path [%s] is longer than 259 characters!\n", path.c_str());
    return false;
  }
  int error = 0;
  OwnedFd fd = openRegularFileForReading(path, &error);
  int64_t size = 0;
  std::vector<char> bytes;
  bool read = fd.valid() && fileSize(fd.get(), &size, &error);
  if (read) {
    bytes.resize(static_cast<size_t>(size) + 1);  // an empty list still has a block
    read = readFully(fd.get(), bytes.data(), size, &error);
  }
  if (!read) {
    log.error("Could not read cabinet list [%s]! - Error = [%d]. No corridors are written.\n",
              path.c_str(), error);
    return false;
  }
  *places = CabinetPlaces::fromListBytes(bytes.data(), static_cast<size_t>(size));
  log.note("Cabinet list [%s]: [%zu] cabinets placed, [%lld] left out\n", path.c_str(),
           places->size(), static_cast<long long>(places->leftOut()));
  return true;
}

}  // namespace loopconv
