#include "base/log.h"

#include <cassert>
#include <cerrno>
#include <vector>

namespace loopconv {
namespace {

// Appends the printf text of `format` to *out.
void appendFormatted(std::string* out, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out->append(small, static_cast<size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  vsnprintf(big.data(), big.size(), format, args);
  out->append(big.data(), static_cast<size_t>(n));
}

}  // namespace

Log::Log(FILE* console, FILE* errors) : console_(console), errors_(errors) {}

Log::Log(Log& parent)
    : console_(parent.console_),
      errors_(parent.errors_),
      parent_(&parent),
      timeStamp_(parent.timeStamp_) {}

void Log::release() {
  if (parent_ == nullptr) return;
  assert(!released_ && "a child log is released once");
  released_ = true;
  for (const auto& [channel, text] : held_) parent_->emit(channel, text);
  held_.clear();
  parent_->errorCount_ += errorCount_;
  parent_->warningCount_ += warningCount_;
  errorCount_ = 0;
  warningCount_ = 0;
  if (parent_->parent_ != nullptr) {
    for (std::string& text : problems_) parent_->problems_.push_back(std::move(text));
    for (std::string& path : written_) parent_->written_.push_back(std::move(path));
  }
  problems_.clear();
  written_.clear();
}

void Log::recordFileWritten(const std::string& path) {
  if (parent_ != nullptr) written_.push_back(path);
}

void Log::emit(Channel channel, const std::string& text) {
  if (parent_ != nullptr) {
    held_.emplace_back(channel, text);
    return;
  }
  FILE* stream = channel == Channel::File      ? file_
                 : channel == Channel::Console ? console_
                                               : errors_;
  if (stream != nullptr) fwrite(text.data(), 1, text.size(), stream);
}

Log::~Log() {
  assert((parent_ == nullptr || released_) && "a child log must be released");
  close();
}

bool Log::open(const std::string& path, int* error) {
  close();
  file_ = fopen(path.c_str(), "a+");
  if (file_ == nullptr) {
    *error = errno;
    return false;
  }
  return true;
}

void Log::close() {
  if (file_ != nullptr) {
    fclose(file_);
    file_ = nullptr;
  }
}

void Log::line(Severity severity, const char* stamp, const char* format, va_list args) {
  static const char* const Marks[] = {"] - ", "] W ", "] E "};
  std::string text = "[";
  text += stamp;
  text += Marks[static_cast<int>(severity)];
  size_t prefix = text.size();
  appendFormatted(&text, format, args);
  emit(Channel::File, text);
  if (severity == Severity::Warning) ++warningCount_;
  if (parent_ != nullptr && severity != Severity::Note) problems_.push_back(text);
  if (severity == Severity::Error) {
    ++errorCount_;
    // The error stream gets the line without its time stamp and mark.
    emit(Channel::Errors, "loopconv: " + text.substr(prefix));
  }
}

void Log::summarizeErrors(const std::string& logPath) {
  if (errors_ == nullptr || errorCount_ == 0) return;
  fprintf(errors_, "loopconv: %d error(s) logged in [%s]\n", errorCount_, logPath.c_str());
}

#define LOOPCONV_LOG_LINE(severity, stamp) \
  va_list args;                            \
  va_start(args, format);                  \
  line(severity, stamp, format, args);     \
  va_end(args)

void Log::note(const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Note, timeStamp());
}
void Log::warn(const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Warning, timeStamp());
}
void Log::error(const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Error, timeStamp());
}
void Log::noteAt(const std::string& stamp, const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Note, stamp.c_str());
}
void Log::warnAt(const std::string& stamp, const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Warning, stamp.c_str());
}
void Log::errorAt(const std::string& stamp, const char* format, ...) {
  LOOPCONV_LOG_LINE(Severity::Error, stamp.c_str());
}

#undef LOOPCONV_LOG_LINE

void Log::blankLine() {
  emit(Channel::File, "\n");
}

void Log::consoleLine(const std::string& prefix, const char* format, va_list args) {
  std::string text = prefix;
  appendFormatted(&text, format, args);
  emit(Channel::Console, text);
}

#define LOOPCONV_CONSOLE_LINE(prefix) \
  va_list args;                       \
  va_start(args, format);             \
  consoleLine(prefix, format, args);  \
  va_end(args)

void Log::console(const char* format, ...) {
  LOOPCONV_CONSOLE_LINE(std::string());
}
void Log::consoleNote(const char* format, ...) {
  LOOPCONV_CONSOLE_LINE("[" + timeStamp_ + "] - ");
}
void Log::consoleError(const char* format, ...) {
  LOOPCONV_CONSOLE_LINE("[" + timeStamp_ + "] E ");
}
void Log::consoleWarning(const char* format, ...) {
  LOOPCONV_CONSOLE_LINE("          W ");
}

#undef LOOPCONV_CONSOLE_LINE

void Log::startupError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text;
  appendFormatted(&text, format, args);
  va_end(args);
  emit(Channel::Console, "     E " + text);
  emit(Channel::Errors, "loopconv: " + text);
}

void Log::errorStreamOnly(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = "loopconv: ";
  appendFormatted(&text, format, args);
  va_end(args);
  emit(Channel::Errors, text);
}

}  // namespace loopconv
