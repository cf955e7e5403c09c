// Reading a whole input file (a data file, a cabinet list) into memory: the
// steps both conversions take, each failing with its own errno so that each
// conversion can word its own message.
#ifndef LOOPCONV_BASE_INPUT_FILE_H_
#define LOOPCONV_BASE_INPUT_FILE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/owned_fd.h"
#include "base/platform.h"

namespace loopconv {

class Log;

// Refuses a path longer than MaxPathLength with the E line
// "Path [path] is longer than 259 characters!" under `stamp` (the run's time
// stamp when empty). True when the path fits.
[[nodiscard]] bool pathFits(Log& log, const std::string& path, const std::string& stamp = {});

// An input file opened for reading, with its size.
struct InputFile {
  OwnedFd fd;
  int64_t size = 0;
};

enum class OpenFailure { None, Open, Size };

// Opens `path` as a regular file (openRegularFileForReading) and takes its
// size; *error holds the errno of a failure.
[[nodiscard]] OpenFailure openInputFile(const std::string& path, InputFile* file, int* error);

// The bytes of a whole file, one byte more than its size so that an empty
// file still has a block.
using FileBytes = std::unique_ptr<char, FreeDeleter>;

// Reads `file` whole and closes it. Null with *error set on failure: ENOMEM
// when the block could not be had (or `limit`, when >= 0, is below the
// size), else the read's errno (EIO when the file ended early).
FileBytes readInputFile(InputFile* file, int64_t limit, int* error);

}  // namespace loopconv

#endif  // LOOPCONV_BASE_INPUT_FILE_H_
