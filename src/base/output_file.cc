#include "base/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/background_writer.h"
#include "base/input_file.h"
#include "base/log.h"
#include "base/run_options.h"
#include "base/temp_registry.h"

namespace loopconv {
namespace {
std::atomic<unsigned> tempCounter{0};
}

OutputFile::OutputFile() : buffer_(BufferBytes) {}

OutputFile::~OutputFile() {
  discard();
}

bool OutputFile::open(const std::string& finalPath, int* error, Compression compression) {
  discard();
  encoder_ = OutputEncoder::create(compression);
  finalPath_ = finalPath;
  error_ = 0;
  used_ = 0;
  struct stat info;
  if (stat(finalPath.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      *error = EISDIR;
      return false;
    }
    // The rename below would replace any file; an existing one is replaced
    // only where opening it for writing succeeds, so that a read-only report
    // is refused with the error its open gives. Nothing is truncated here.
    int probe = ::open(finalPath.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) {
      *error = errno;
      return false;
    }
    ::close(probe);
  }
  tempPath_ = temporaryPath(finalPath, getpid(), tempCounter.fetch_add(1));
  // Recorded, so that an interrupted run removes it.
  fd_ = OwnedFd(TempRegistry::process().create(tempPath_, error));
  if (!fd_.valid()) {
    tempPath_.clear();
    return false;
  }
  writer_ = std::make_unique<BackgroundWriter>(fd_.get(), encoder_.get(), BufferBytes);
  return true;
}

void OutputFile::writeText(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (buffer_.size() - used_ < 2) flush();
    if (text[i] == '\n') buffer_[used_++] = '\r';
    buffer_[used_++] = text[i];
  }
}

void OutputFile::flush() {
  if (writer_ != nullptr && used_ > 0) writer_->submit(&buffer_, used_);
  used_ = 0;
}

bool OutputFile::close(Log& log) {
  if (!fd_.valid()) return false;
  flush();
  error_ = writer_->wait();
  writer_.reset();
  if (encoder_ != nullptr && error_ == 0) error_ = encoder_->finish(fd_.get());
  // A failed close can be the first report of a write error.
  int closeError = fd_.reset();
  if (error_ == 0) error_ = closeError;
  if (error_ == 0) error_ = TempRegistry::process().renameIntoPlace(tempPath_, finalPath_);
  if (error_ != 0) {
    log.error("Could not write data file [%s]! - Error = [%d].\n", finalPath_.c_str(), error_);
    TempRegistry::process().remove(tempPath_);
    tempPath_.clear();
    return false;
  }
  tempPath_.clear();
  log.recordFileWritten(finalPath_);
  return true;
}

void OutputFile::discard() {
  writer_.reset();  // waits for its writes before the file goes
  fd_.reset();
  if (!tempPath_.empty()) {
    TempRegistry::process().remove(tempPath_);
    tempPath_.clear();
  }
}

bool openOutputFile(Log& log, const OutputTarget& target, const char* announcement,
                    const char* fileKind, OutputFile* csv) {
  const std::string path = target.path + compressionSuffix(target.compression);
  if (!pathFits(log, path)) return false;
  log.note("%s [%s]...\n", announcement, path.c_str());
  int error = 0;
  bool leaves = path.find("/../", target.nameStart) != std::string::npos;
  if (leaves) error = EINVAL;
  if (leaves || !csv->open(path, &error, target.compression)) {
    log.error("Could not open %s [%s]! - Error = [%d].\n", fileKind, path.c_str(), error);
    return false;
  }
  return true;
}

bool openRunOutput(const RunContext& run, const std::string& path, const char* announcement,
                   OutputFile* file) {
  OutputTarget target{path, run.options.outputFolder.size(), run.options.compression};
  return openOutputFile(run.log, target, announcement, "data file", file);
}

}  // namespace loopconv
