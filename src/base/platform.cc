#include "base/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace loopconv {
namespace {

const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

std::string formatNow(const char* format) {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char text[32];
  size_t n = strftime(text, sizeof text, format, &local);
  return std::string(text, n);
}

class SystemPlatform : public Platform {
 public:
  std::string timeOfDay() override { return formatNow("%H:%M:%S"); }
  std::string dateText() override { return formatNow("%m/%d/%y"); }
  int64_t ticks() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 kProcessStart)
        .count();
  }
  std::string workingDirectory() override {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
      buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
  }
  bool listFolder(const std::string& folder, std::vector<std::string>* names, int* error) override {
    names->clear();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
      *error = errno;
      return false;
    }
    while (struct dirent* entry = readdir(dir)) names->push_back(entry->d_name);
    closedir(dir);
    std::sort(names->begin(), names->end());
    return true;
  }
};

}  // namespace

Platform& systemPlatform() {
  static SystemPlatform platform;
  return platform;
}

OwnedFd openRegularFileForReading(const std::string& path, int* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = errno;
    return OwnedFd();
  }
  if (!S_ISREG(info.st_mode)) {
    *error = S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
    return OwnedFd();
  }
  // Non-blocking, and checked again once open: a FIFO put in the file's place
  // after the stat must not hang the run.
  OwnedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    *error = errno;
    return OwnedFd();
  }
  int refused = 0;
  if (fstat(fd.get(), &info) != 0) {
    refused = errno;
  } else if (!S_ISREG(info.st_mode)) {
    refused = S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
  }
  if (refused != 0) {
    *error = refused;
    return OwnedFd();
  }
  int flags = fcntl(fd.get(), F_GETFL);
  if (flags >= 0) fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool fileSize(int fd, int64_t* size, int* error) {
  off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0 || lseek(fd, 0, SEEK_SET) != 0) {
    *error = errno;
    return false;
  }
  *size = end;
  return true;
}

bool readFully(int fd, char* into, int64_t size, int* error) {
  int64_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, into + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? errno : EIO;
      return false;
    }
    done += n;
  }
  return true;
}

int writeAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace loopconv
