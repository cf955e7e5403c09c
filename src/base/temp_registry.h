// The temporary files of the outputs in progress. Every output is written
// under a temporary name beside its final one; the registry knows them all,
// so that an interrupted run can remove them before it ends, and it names
// them so that a later run can tell the leftovers of a run that died.
#ifndef LOOPCONV_BASE_TEMP_REGISTRY_H_
#define LOOPCONV_BASE_TEMP_REGISTRY_H_

#include <sys/types.h>

#include <mutex>
#include <set>
#include <string>

namespace loopconv {

// "<finalPath>.tmp<pid>.<n>": this process's n-th temporary file.
std::string temporaryPath(const std::string& finalPath, pid_t pid, unsigned n);

// True when `name` is a temporary file name of that form (a non-empty final
// name, then ".tmp", a process id and a count, both in decimal without
// leading zeros); *pid gets the process id.
[[nodiscard]] bool parseTemporaryName(const std::string& name, pid_t* pid);

class TempRegistry {
 public:
  // The process's registry: a signal ends the whole process, so every
  // temporary file of it must be found in one place.
  static TempRegistry& process();

  TempRegistry() = default;
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

  // Creates the temporary file `path` for writing and records it. Returns
  // its descriptor, or -1 with *error set (EINTR once the run is
  // interrupted: no new file is made then).
  int create(const std::string& path, int* error);
  // Renames the recorded `path` over `finalPath` and forgets it. Returns 0
  // or the errno of the failure (EINTR once interrupted: the file is then
  // removed, not renamed).
  int renameIntoPlace(const std::string& path, const std::string& finalPath);
  // Removes the recorded `path` and forgets it.
  void remove(const std::string& path);
  // Removes every recorded file and refuses new ones from now on. Returns
  // how many it removed.
  int removeAllAndClose();

 private:
  std::mutex mutex_;
  std::set<std::string> paths_;
  bool closed_ = false;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_TEMP_REGISTRY_H_
