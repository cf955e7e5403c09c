// The run's log file and console. Every log line starts with a time stamp in
// brackets; the log remembers whether an error ("[..] E ") line was written,
// which decides the exit status.
#ifndef LOOPCONV_RUN_LOG_H_
#define LOOPCONV_RUN_LOG_H_

#include <cstdio>
#include <string>

#define LOOPCONV_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

namespace loopconv {

class Log {
 public:
  // `console` receives console lines (stdout in the program, a memory stream
  // in tests). The log file is opened later with open().
  explicit Log(FILE* console);
  ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  // Opens the log file for appending. Returns false with *error set.
  bool open(const std::string& path, int* error);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  // The run's time stamp ("hh:mm:ss"), taken once at the start of the run.
  void setTimeStamp(const std::string& stamp) { timeStamp_ = stamp; }
  const char* timeStamp() const { return timeStamp_.c_str(); }

  // printf-style output to the log file (dropped while it is not open).
  void log(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  // printf-style output to the console.
  void console(const char* format, ...) LOOPCONV_PRINTF(2, 3);

  // True once a log line of the form "[time] E ..." was written.
  bool errorLogged() const { return errorLogged_; }
  void noteError() { errorLogged_ = true; }

 private:
  FILE* console_;
  FILE* file_ = nullptr;
  std::string timeStamp_;
  bool errorLogged_ = false;
};

}  // namespace loopconv

#endif  // LOOPCONV_RUN_LOG_H_
