// The run's log file and console. Every log line starts with a time stamp in
// brackets and a severity mark: " - " for progress, " W " for a warning,
// " E " for an error. The log writes the mark itself and counts the errors,
// which decide the exit status.
#ifndef LOOPCONV_BASE_LOG_H_
#define LOOPCONV_BASE_LOG_H_

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#define LOOPCONV_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

namespace loopconv {

class Log {
 public:
  // `console` receives console lines (stdout in the program, a memory stream
  // in tests); `errors`, when given, a copy of every error line (stderr in
  // the program). The log file is opened later with open().
  explicit Log(FILE* console, FILE* errors = nullptr);
  // A child log: it holds its lines (log, console and error copies alike)
  // until release() hands them to `parent` in the order they came, so that
  // files (and a file's outputs) converted side by side still show one block
  // each, in the fixed order. The rules:
  // - the parent outlives the child, and a child may itself be a parent (a
  //   file's log, whose outputs' logs are its children);
  // - a child is written by one thread at a time, and released exactly once,
  //   after its last line, by the thread that owns the parent;
  // - children are released in the order their blocks are to appear, and
  //   before their parent is released (so that their lines travel with it);
  // - release() carries the child's whole error count over to the parent,
  //   which decides the exit status and the closing error count.
  // A child destroyed unreleased would lose its lines and errors: a
  // programming error, which debug builds stop at.
  explicit Log(Log& parent);
  // Hands the held lines and error count to the parent (see above).
  void release();
  ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  // Opens the log file for appending. Returns false with *error set.
  [[nodiscard]] bool open(const std::string& path, int* error);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  // The run's time stamp ("hh:mm:ss"), taken once at the start of the run.
  void setTimeStamp(const std::string& stamp) { timeStamp_ = stamp; }
  const char* timeStamp() const { return timeStamp_.c_str(); }

  // Log lines under the run's time stamp: "[stamp] - ", " W ", " E " and
  // the formatted text (which carries its own line end).
  void note(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  void warn(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  void error(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  // The same under a time stamp of the caller's: a data or list file's
  // lines carry the time that file's processing started.
  void noteAt(const std::string& stamp, const char* format, ...) LOOPCONV_PRINTF(3, 4);
  void warnAt(const std::string& stamp, const char* format, ...) LOOPCONV_PRINTF(3, 4);
  void errorAt(const std::string& stamp, const char* format, ...) LOOPCONV_PRINTF(3, 4);
  // An empty line in the log (runs are set apart by one).
  void blankLine();

  // printf-style output to the console.
  void console(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  // Console lines with a mark of their own: "[stamp] - " and "[stamp] E "
  // under the run's time stamp, "          W " for the console copy of a
  // warning, and "     E " for an error found before the log is open (the
  // command line, the log file itself).
  void consoleNote(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  void consoleError(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  void consoleWarning(const char* format, ...) LOOPCONV_PRINTF(2, 3);
  void startupError(const char* format, ...) LOOPCONV_PRINTF(2, 3);

  // Ends the run on the error stream: "loopconv: N error(s) logged in
  // [logPath]" when error lines were logged, nothing otherwise.
  void summarizeErrors(const std::string& logPath);

  // How many error lines were logged.
  int errorCount() const { return errorCount_; }
  bool errorLogged() const { return errorCount_ > 0; }

 private:
  enum class Severity { Note, Warning, Error };
  enum class Channel { File, Console, Errors };
  void emit(Channel channel, const std::string& text);
  void line(Severity severity, const char* stamp, const char* format, va_list args);
  void consoleLine(const std::string& prefix, const char* format, va_list args);

  FILE* console_;
  FILE* errors_;
  FILE* file_ = nullptr;
  Log* parent_ = nullptr;  // set: lines are held for it
  bool released_ = false;
  std::vector<std::pair<Channel, std::string>> held_;
  std::string timeStamp_;
  int errorCount_ = 0;
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_LOG_H_
