// Writes filled buffers to a file on a thread of its own, so that the next
// buffer is filled while the kernel copies (or the encoder compresses) the
// last one. When the thread budget has no thread to spare, the buffers are
// written on the submitting thread instead.
#ifndef LOOPCONV_BASE_BACKGROUND_WRITER_H_
#define LOOPCONV_BASE_BACKGROUND_WRITER_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "base/thread_budget.h"

namespace loopconv {

class OutputEncoder;

class BackgroundWriter {
 public:
  // Bytes go to `fd` through `encoder` (null: as they are). Both must outlive
  // the writer. `bufferBytes` is the size of every buffer handed over.
  BackgroundWriter(int fd, OutputEncoder* encoder, size_t bufferBytes);
  ~BackgroundWriter();  // waits for the writes handed over, then stops
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Hands over the first `used` bytes of *buffer; *buffer gets back an
  // emptied buffer of the same size. Waits while an earlier buffer is still
  // waiting its turn, so at most three buffers exist.
  void submit(std::vector<char>* buffer, size_t used);

  // Waits until everything handed over is written. Returns 0 or the errno of
  // the first failed write; after a failure later buffers are dropped.
  [[nodiscard]] int wait();

 private:
  void run(size_t bufferBytes);
  int writeNow(const char* data, size_t used);

  const int fd_;
  OutputEncoder* const encoder_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> pending_;  // handed over, not yet taken
  size_t pendingUsed_ = 0;
  bool hasPending_ = false;
  bool busy_ = false;  // a buffer is being written
  bool stop_ = false;
  int error_ = 0;
  BudgetThread thread_;  // not running: submit() writes itself
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_BACKGROUND_WRITER_H_
