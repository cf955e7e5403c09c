#include "base/temp_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace loopconv {
namespace {

// A decimal number of 1 to 10 digits without a leading zero (but "0").
bool isPlainNumber(const std::string& text, size_t begin, size_t end) {
  size_t length = end - begin;
  if (length == 0 || length > 10) return false;
  if (text[begin] == '0' && length > 1) return false;
  for (size_t i = begin; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::string temporaryPath(const std::string& finalPath, pid_t pid, unsigned n) {
  char suffix[48];
  snprintf(suffix, sizeof suffix, ".tmp%ld.%u", static_cast<long>(pid), n);
  return finalPath + suffix;
}

bool parseTemporaryName(const std::string& name, pid_t* pid) {
  size_t lastDot = name.rfind('.');
  if (lastDot == std::string::npos || !isPlainNumber(name, lastDot + 1, name.size())) {
    return false;
  }
  size_t tmp = name.rfind(".tmp", lastDot);
  if (tmp == std::string::npos || tmp == 0 || !isPlainNumber(name, tmp + 4, lastDot)) {
    return false;
  }
  long value = strtol(name.c_str() + tmp + 4, nullptr, 10);
  if (value <= 0 || value > 0x7fffffffL) return false;
  *pid = static_cast<pid_t>(value);
  return true;
}

TempRegistry& TempRegistry::process() {
  static TempRegistry registry;
  return registry;
}

int TempRegistry::create(const std::string& path, int* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) {
    *error = EINTR;
    return -1;
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  paths_.insert(path);
  return fd;
}

int TempRegistry::renameIntoPlace(const std::string& path, const std::string& finalPath) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return EINTR;  // removed already
  int error = rename(path.c_str(), finalPath.c_str()) == 0 ? 0 : errno;
  if (error == 0) paths_.erase(path);
  return error;
}

void TempRegistry::remove(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (paths_.erase(path) > 0) unlink(path.c_str());
}

int TempRegistry::removeAllAndClose() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  int removed = 0;
  for (const std::string& path : paths_) {
    if (unlink(path.c_str()) == 0) ++removed;
  }
  paths_.clear();
  return removed;
}

}  // namespace loopconv
