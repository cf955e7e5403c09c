// Platform services the run relies on: wall clock, tick counter, working
// directory, folder listing and opening input files. Tests replace them with
// FakePlatform so that dates, times and durations are fixed.
#ifndef LOOPCONV_BASE_PLATFORM_H_
#define LOOPCONV_BASE_PLATFORM_H_

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/owned_fd.h"

namespace loopconv {

// Caps on the blocks that one data file may take, -1 for none. The real
// machine sets none; tests lower them to reach the allocation failure paths.
struct BlockLimits {
  int64_t imageBytes = -1;    // the file image
  int64_t tableRecords = -1;  // the device table
};

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
  [[nodiscard]] virtual bool listFolder(const std::string& folder, std::vector<std::string>* names,
                                        int* error) = 0;
  virtual BlockLimits blockLimits() { return {}; }
};

// The real machine.
Platform& systemPlatform();

// Opens `path` for reading as bytes. Refuses anything that is not a regular
// file without opening it (a FIFO would block): EISDIR for a folder, ENXIO
// for anything else. Returns an invalid descriptor with *error set on failure.
OwnedFd openRegularFileForReading(const std::string& path, int* error);

// The size of the open file `fd` (its end position); false with *error set.
[[nodiscard]] bool fileSize(int fd, int64_t* size, int* error);

// Reads exactly `size` bytes from the start of `fd`. A read may deliver less
// than asked (Linux hands out at most about 2 GiB per call), so it goes on
// until the end. False with *error set on a read error, EIO when the file
// ended early.
[[nodiscard]] bool readFully(int fd, char* into, int64_t size, int* error);

// Writes all `length` bytes to `fd`, going on after short writes and EINTR.
// Returns 0 or the errno of the failed write (EIO when a write makes no
// progress, rather than spinning).
[[nodiscard]] int writeAll(int fd, const char* data, size_t length);

// A block from malloc() or calloc(), freed with free().
struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_PLATFORM_H_
