// One run per output folder at a time: an exclusive advisory lock (flock) on
// the folder itself, opened read-only. No lock file is left among the
// outputs, and the kernel releases the lock when the process ends, however
// it ends.
#ifndef LOOPCONV_BASE_FOLDER_LOCK_H_
#define LOOPCONV_BASE_FOLDER_LOCK_H_

#include <string>

#include "base/owned_fd.h"

namespace loopconv {

class FolderLock {
 public:
  enum class Result {
    Locked,       // this run holds the folder until the lock goes
    Busy,         // another run holds it
    Unavailable,  // the folder cannot be opened (missing, not a folder...)
  };

  // Tries once.
  [[nodiscard]] Result tryLock(const std::string& folder);
  // After Busy: tries again every 50 ms for up to `seconds`.
  [[nodiscard]] Result waitFor(int seconds);

 private:
  OwnedFd fd_;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_FOLDER_LOCK_H_
