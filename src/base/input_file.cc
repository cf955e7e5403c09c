#include "base/input_file.h"

#include <cerrno>
#include <cstdlib>

#include "base/log.h"
#include "base/run_options.h"

namespace loopconv {

bool pathFits(Log& log, const std::string& path, const std::string& stamp) {
  if (path.size() <= MaxPathLength) return true;
  log.errorAt(stamp.empty() ? std::string(log.timeStamp()) : stamp,
              "Path [%s] is longer than 259 characters!\n", path.c_str());
  return false;
}

OpenFailure openInputFile(const std::string& path, InputFile* file, int* error) {
  file->fd = openRegularFileForReading(path, error);
  if (!file->fd.valid()) return OpenFailure::Open;
  if (!fileSize(file->fd.get(), &file->size, error)) return OpenFailure::Size;
  return OpenFailure::None;
}

FileBytes readInputFile(InputFile* file, int64_t limit, int* error) {
  FileBytes bytes;
  if (limit < 0 || file->size <= limit) {
    bytes.reset(static_cast<char*>(malloc(static_cast<size_t>(file->size) + 1)));
  }
  if (bytes == nullptr) {
    *error = ENOMEM;
    return nullptr;
  }
  bool complete = readFully(file->fd.get(), bytes.get(), file->size, error);
  file->fd.reset();
  if (!complete) return nullptr;
  return bytes;
}

}  // namespace loopconv
