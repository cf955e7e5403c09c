#include "run/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

namespace loopconv {
namespace {

// A log line "[hh:mm:ss] E ..." (any time text inside the brackets) is an
// error line.
bool isErrorLine(const char* text) {
  if (text[0] != '[') return false;
  const char* close = strchr(text, ']');
  return close != nullptr && strncmp(close, "] E ", 4) == 0;
}

std::string formatText(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, n);
  std::vector<char> big(static_cast<size_t>(n) + 1);
  vsnprintf(big.data(), big.size(), format, args);
  return std::string(big.data(), n);
}

}  // namespace

Log::Log(FILE* console) : console_(console) {}

Log::~Log() { close(); }

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

void Log::log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatText(format, args);
  va_end(args);
  if (isErrorLine(text.c_str())) errorLogged_ = true;
  if (file_ != nullptr) fwrite(text.data(), 1, text.size(), file_);
}

void Log::console(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatText(format, args);
  va_end(args);
  fwrite(text.data(), 1, text.size(), console_);
}

}  // namespace loopconv
