#include "base/background_writer.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/output_encoder.h"
#include "base/platform.h"

namespace loopconv {

BackgroundWriter::BackgroundWriter(int fd, OutputEncoder* encoder, size_t bufferBytes)
    : fd_(fd), encoder_(encoder), pending_(bufferBytes) {
  if (!thread_.start([this, bufferBytes] { run(bufferBytes); })) pending_.clear();
}

int BackgroundWriter::writeNow(const char* data, size_t used) {
  return encoder_ != nullptr ? encoder_->write(fd_, data, used) : writeAll(fd_, data, used);
}

BackgroundWriter::~BackgroundWriter() {
  if (!thread_.running()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !hasPending_ && !busy_; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::submit(std::vector<char>* buffer, size_t used) {
  if (!thread_.running()) {
    if (error_ == 0 && used > 0) error_ = writeNow(buffer->data(), used);
    return;
  }
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !hasPending_; });
    std::swap(*buffer, pending_);
    pendingUsed_ = used;
    hasPending_ = true;
  }
  changed_.notify_all();
}

int BackgroundWriter::wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !hasPending_ && !busy_; });
  return error_;
}

void BackgroundWriter::run(size_t bufferBytes) {
  std::vector<char> writing(bufferBytes);
  for (;;) {
    size_t used = 0;
    int error = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return hasPending_ || stop_; });
      if (!hasPending_) return;  // stopped with nothing left
      std::swap(writing, pending_);
      used = pendingUsed_;
      hasPending_ = false;
      busy_ = true;
      error = error_;
    }
    changed_.notify_all();  // the submitter may hand over the next one
    if (error == 0 && used > 0) {
      error = writeNow(writing.data(), used);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      busy_ = false;
      if (error_ == 0) error_ = error;
    }
    changed_.notify_all();
  }
}

}  // namespace loopconv
