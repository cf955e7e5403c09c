#include "base/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

namespace loopconv {
namespace {

int64_t monotonicMillis() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

FolderLock::Result FolderLock::tryLock(const std::string& folder) {
  fd_ = OwnedFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd_.valid()) return Result::Unavailable;
  for (;;) {
    if (flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) return Result::Locked;
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return Result::Busy;
    fd_.reset();  // a file system without locks: go on as before
    return Result::Unavailable;
  }
}

FolderLock::Result FolderLock::waitFor(int seconds) {
  if (!fd_.valid()) return Result::Unavailable;
  const int64_t deadline = monotonicMillis() + static_cast<int64_t>(seconds) * 1000;
  for (;;) {
    if (flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) return Result::Locked;
    if (errno != EWOULDBLOCK && errno != EINTR) return Result::Unavailable;
    int64_t left = deadline - monotonicMillis();
    if (left <= 0) return Result::Busy;
    struct timespec pause = {0, (left < 50 ? left : 50) * 1000000};
    nanosleep(&pause, nullptr);
  }
}

}  // namespace loopconv
