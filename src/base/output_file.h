// An output file (CSV, SVG, HTML) written safely: the bytes go to a temporary file beside
// the final name through large buffers, written on a thread of their own
// while the next is filled, and the file is renamed into place only after a
// successful flush and close. A failed write leaves any earlier
// file of the final name as it was.
#ifndef LOOPCONV_BASE_OUTPUT_FILE_H_
#define LOOPCONV_BASE_OUTPUT_FILE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/output_encoder.h"
#include "base/owned_fd.h"
#include "base/run_context.h"

namespace loopconv {

class BackgroundWriter;
class Log;

class OutputFile {
 public:
  static constexpr size_t BufferBytes = 1 << 20;
  // reserve() never hands out more than this.
  static constexpr size_t MaxReserve = 64 * 1024;

  OutputFile();
  ~OutputFile();  // removes the temporary file unless close() renamed it
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for `finalPath`. Returns false with *error set
  // (EISDIR when `finalPath` is an existing folder, ENOENT when its folder is
  // missing, EACCES when it is an existing file that may not be written, ...).
  // With a `compression` the bytes are compressed on their way to the file;
  // `finalPath` is then expected to carry its suffix.
  [[nodiscard]] bool open(const std::string& finalPath, int* error,
                          Compression compression = Compression::None);

  // Appends text the way a text-mode stream does: every LF becomes CR LF.
  void writeText(const char* text, size_t length);
  void writeText(const std::string& text) { writeText(text.data(), text.size()); }

  // Fast path for rows: returns room for `length` (<= MaxReserve) raw bytes;
  // the caller writes its own CR LF and hands back the end with commit().
  char* reserve(size_t length) {
    if (buffer_.size() - used_ < length) flush();
    return buffer_.data() + used_;
  }
  void commit(char* end) { used_ = static_cast<size_t>(end - buffer_.data()); }

  // Flushes, closes and renames the file into place. On any failure logs
  // "[time] E Could not write data file [finalPath]! - Error = [errno]." with
  // the run's time stamp, removes the temporary file and returns false.
  [[nodiscard]] bool close(Log& log);

  const std::string& finalPath() const { return finalPath_; }

 private:
  void flush();
  void discard();

  std::vector<char> buffer_;
  size_t used_ = 0;
  OwnedFd fd_;                                // the temporary file while open
  int error_ = 0;                             // first write error
  std::unique_ptr<OutputEncoder> encoder_;    // null: raw bytes
  std::unique_ptr<BackgroundWriter> writer_;  // while open
  std::string finalPath_;
  std::string tempPath_;
};

// Where an output file goes and how it is written.
struct OutputTarget {
  std::string path;                             // a folder followed by a file name
  size_t nameStart = 0;                         // where the part taken from input data begins
  Compression compression = Compression::None;  // adds its suffix to `path`
};

// Opens an output CSV at target.path (with the compression's suffix), a
// folder followed by a file name that comes (partly) from input data,
// starting at target.nameStart. Refuses a path over MaxPathLength characters
// with an E line; otherwise logs "<announcement> [path]..." and opens the
// file. A ".." step within the name, which could lead out of the folder,
// fails with EINVAL; any '/' else names a sub-folder as any open reads it.
// An open failure logs "Could not open <fileKind> [path]! - Error = [errno]."
// Returns false on either failure.
[[nodiscard]] bool openOutputFile(Log& log, const OutputTarget& target, const char* announcement,
                                  const char* fileKind, OutputFile* csv);

// openOutputFile() for a file of the run's output folder whose name (after
// the folder) comes from input data, with the run's compression; an open
// failure names a "data file".
[[nodiscard]] bool openRunOutput(const RunContext& run, const std::string& path,
                                 const char* announcement, OutputFile* file);

}  // namespace loopconv

#endif  // LOOPCONV_BASE_OUTPUT_FILE_H_
