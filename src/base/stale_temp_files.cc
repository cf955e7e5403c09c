#include "base/stale_temp_files.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "base/temp_registry.h"

namespace loopconv {

int removeStaleTempFiles(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (dir == nullptr) return 0;
  int removed = 0;
  while (struct dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    pid_t pid = 0;
    if (!parseTemporaryName(name, &pid) || pid == getpid()) continue;
    if (kill(pid, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to know
    const std::string path = folder + name;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace loopconv
