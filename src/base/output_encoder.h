// Compressed output: bytes handed to an OutputEncoder reach a file descriptor
// as a gzip file (".gz") or a zstd frame (".zst") that decompresses to exactly
// those bytes. The gzip file is a series of members of up to 1 MiB of input
// each, which gzip, zcat and Python's gzip module read as one stream. Levels
// are chosen for speed on CSV text; bench/compress_bench.cc measures them.
#ifndef LOOPCONV_BASE_OUTPUT_ENCODER_H_
#define LOOPCONV_BASE_OUTPUT_ENCODER_H_

#include <cstddef>
#include <memory>
#include <string>

namespace loopconv {

enum class Compression { None, Gzip, Zstd };

// ".gz", ".zst" or "".
const char* compressionSuffix(Compression compression);

// Parses "gzip" / "zstd" (the value of --compress=); false for anything else.
[[nodiscard]] bool parseCompression(const std::string& text, Compression* out);

// Streams bytes into a file descriptor, compressing them on the way. Output is
// held back until enough has gathered, so bytes reach the descriptor only in
// large writes and the last of them only in finish().
class OutputEncoder {
 public:
  // Null for Compression::None: the caller writes raw bytes itself.
  static std::unique_ptr<OutputEncoder> create(Compression compression);

  virtual ~OutputEncoder();
  OutputEncoder(const OutputEncoder&) = delete;
  OutputEncoder& operator=(const OutputEncoder&) = delete;

  // Compresses `length` bytes and writes whatever output is ready to `fd`,
  // looping over short writes and EINTR. Returns 0, or the errno of the
  // failed write (ENOMEM / EIO for a codec failure). The first error sticks:
  // every later call returns it without touching `fd`.
  [[nodiscard]] int write(int fd, const char* data, size_t length);

  // Ends the stream (the last gzip member / the zstd frame end) and writes
  // the rest to `fd`. Returns 0 or an errno as write() does. The encoder is
  // done then: later calls return EINVAL.
  [[nodiscard]] int finish(int fd);

 protected:
  OutputEncoder() = default;

 private:
  // What write() and finish() do while no error has occurred.
  virtual int encode(int fd, const char* data, size_t length) = 0;
  virtual int end(int fd) = 0;

  int error_ = 0;
  bool finished_ = false;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_OUTPUT_ENCODER_H_
