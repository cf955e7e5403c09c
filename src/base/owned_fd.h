// A file descriptor that closes itself.
#ifndef LOOPCONV_BASE_OWNED_FD_H_
#define LOOPCONV_BASE_OWNED_FD_H_

#include <unistd.h>

#include <cerrno>

#include <utility>

namespace loopconv {

class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() { reset(); }
  OwnedFd(OwnedFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; returns 0 or the errno of a failed close (which, for a
  // file being written, can be the first report of a write error).
  int reset() {
    int error = 0;
    if (fd_ >= 0 && ::close(fd_) != 0) error = errno;
    fd_ = -1;
    return error;
  }

 private:
  int fd_ = -1;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_OWNED_FD_H_
