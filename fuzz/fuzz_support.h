// What the two fuzz harnesses share: scratch folders made once per process,
// a quiet log, and the checks every run's output must pass. A failed check
// aborts, so libFuzzer keeps the input that broke it.
#ifndef LOOPCONV_FUZZ_FUZZ_SUPPORT_H_
#define LOOPCONV_FUZZ_FUZZ_SUPPORT_H_

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "base/log.h"
#include "base/test_support.h"

namespace loopconv {
namespace fuzz {

inline void check(bool ok, const char* what, const std::string& detail = std::string()) {
  if (ok) return;
  fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  abort();
}

inline bool endsWith(const std::string& text, const char* end) {
  size_t n = strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

inline std::string readWhole(const std::string& path) { return readFile(path); }

inline void writeWhole(const std::string& path, const uint8_t* data, size_t size) {
  FILE* out = fopen(path.c_str(), "wb");
  check(out != nullptr, "cannot create", path);
  check(size == 0 || fwrite(data, 1, size, out) == size, "cannot write", path);
  check(fclose(out) == 0, "cannot close", path);
}

// Scratch folders for the input and the output, and a log file that starts
// empty for every input, so the checks see only that input's lines.
class Scratch {
 public:
  explicit Scratch(const char* /*label*/)
      : input(inputDir_.folder()),
        output(outputDir_.folder()),
        logPath(input + "run.log"),  // kept out of the output folder
        console_(fopen("/dev/null", "w")),
        log(console_) {
    check(console_ != nullptr, "cannot open /dev/null");
    log.setTimeStamp("11:22:33");
  }

  void startLog() {
    log.close();
    unlink(logPath.c_str());
    int error = 0;
    check(log.open(logPath, &error), "cannot open log", logPath);
  }
  std::string logText() {
    log.close();
    return readWhole(logPath);
  }

  // Every entry of the output folder must be a finished CSV: no temporary
  // file (every name ends in .csv or .CSV), a first line ending in CR LF
  // that starts with one of `firstLines`, and no LF without its CR. Removes
  // the entries afterwards.
  template <size_t N>
  void checkAndClearOutput(const char* const (&firstLines)[N]) {
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(output, ec)) {
      std::string name = entry.path().filename().string();
      // A temporary file is the final name with ".tmp<pid>.<n>" after it; a
      // final name may hold ".tmp" itself (it comes from the input).
      check(endsWith(name, ".csv") || endsWith(name, ".CSV"), "temporary file left", name);
      check(entry.is_regular_file(), "not a regular file", name);
      std::string text = readWhole(entry.path().string());
      size_t firstEnd = text.find('\n');
      check(firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r',
            "no header line", name);
      bool known = false;
      for (const char* first : firstLines) {
        known = known || text.compare(0, strlen(first), first) == 0;
      }
      check(known, "unexpected header line", name + ": " + text.substr(0, firstEnd));
      for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        check(at > 0 && text[at - 1] == '\r', "LF without CR", name);
      }
    }
    check(!ec, "cannot list the output folder", output);
    for (auto& entry : std::filesystem::directory_iterator(output)) {
      std::filesystem::remove_all(entry.path());
    }
  }

 private:
  TempDir inputDir_;
  TempDir outputDir_;

 public:
  const std::string input;
  const std::string output;
  const std::string logPath;

 private:
  FILE* console_;

 public:
  Log log;
};

}  // namespace fuzz
}  // namespace loopconv

#endif  // LOOPCONV_FUZZ_FUZZ_SUPPORT_H_
