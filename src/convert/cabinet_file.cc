#include "convert/cabinet_file.h"

#include <cstdint>

#include "base/input_file.h"

namespace loopconv {

bool readCabinetFile(const RunContext& run, CabinetPlaces* places) {
  Log& log = run.log;
  const std::string& path = run.options.cabinetsFile;
  if (!pathFits(log, path)) return false;
  int error = 0;
  InputFile file;
  FileBytes bytes;
  if (openInputFile(path, &file, &error) == OpenFailure::None) {
    bytes = readInputFile(&file, -1, &error);
  }
  if (bytes == nullptr) {
    log.error("Could not read cabinet list [%s]! - Error = [%d]. No corridors are written.\n",
              path.c_str(), error);
    return false;
  }
  *places = CabinetPlaces::fromListBytes(bytes.get(), static_cast<size_t>(file.size));
  log.note("Cabinet list [%s]: [%zu] cabinets placed, [%lld] left out\n", path.c_str(),
           places->size(), static_cast<long long>(places->leftOut()));
  return true;
}

}  // namespace loopconv
