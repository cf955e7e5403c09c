// Platform services the run relies on: wall clock, tick counter, working
// directory, folder listing and opening input files. Tests replace them with
// FakePlatform so that dates, times and durations are fixed.
#ifndef LOOPCONV_RUN_PLATFORM_H_
#define LOOPCONV_RUN_PLATFORM_H_

#include <cstdint>
#include <string>
#include <vector>

namespace loopconv {

class Platform {
 public:
  virtual ~Platform() = default;

  // Current wall-clock time as "hh:mm:ss" (24-hour).
  virtual std::string timeOfDay() = 0;
  // Current date as "MM/DD/YY".
  virtual std::string dateText() = 0;
  // Milliseconds of elapsed time since the process started.
  virtual int64_t ticks() = 0;
  // The current working directory, without a trailing '/'. Empty on failure.
  virtual std::string workingDirectory() = 0;
  // Fills `names` with the entries of `folder` ("." and ".." included), sorted
  // by byte order. Returns false (and sets *error) when the folder cannot be
  // opened.
  virtual bool listFolder(const std::string& folder,
                          std::vector<std::string>* names, int* error) = 0;
};

// The real machine.
Platform& systemPlatform();

// Opens `path` for reading as bytes. Refuses anything that is not a regular
// file without opening it (a FIFO would block): EISDIR for a folder, ENXIO
// for anything else. Returns a file descriptor, or -1 with *error set.
int openRegularFileForReading(const std::string& path, int* error);

}  // namespace loopconv

#endif  // LOOPCONV_RUN_PLATFORM_H_
