// Helpers shared by the tests: temporary folders, whole-file reads, a
// console captured in memory and a full disk in a child process.
#ifndef LOOPCONV_BASE_TEST_SUPPORT_H_
#define LOOPCONV_BASE_TEST_SUPPORT_H_

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace loopconv {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/loopconv_test_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) abort();
    path_ = buffer.data();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The folder with its trailing '/', as the options hold folders.
  std::string folder() const { return path_ + "/"; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The comma-separated fields of one CSV line (no quoting).
// `text` with its time stamps ("[hh:mm:ss]" as "[T]") and durations ("[1.2]
// seconds" as "[S] seconds") masked: they differ from run to run.
inline std::string maskedRunTimes(const std::string& text) {
  static const std::regex stamp(R"(\[\d\d:\d\d:\d\d\])");
  static const std::regex seconds(R"(\[\d+\.\d\] seconds)");
  return std::regex_replace(std::regex_replace(text, stamp, "[T]"), seconds, "[S] seconds");
}

inline std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// How many LF bytes of `text` have no CR before them (a CSV has none).
inline size_t countBareLineFeeds(const std::string& text) {
  size_t bare = 0;
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || text[at - 1] != '\r') ++bare;
  }
  return bare;
}

// What a program run left: its exit status (-1 when it did not exit) and
// its standard output and standard error.
struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `argv` (the program's path first) with its output caught in files of
// a temporary folder; nothing goes through a shell.
inline ProgramResult runProgram(const std::vector<std::string>& argv) {
  TempDir captured;
  std::string outPath = captured.file("out");
  std::string errPath = captured.file("err");
  fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) {
      _exit(127);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  ProgramResult result;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  }
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

// A console stream whose text can be read back.
class CapturedConsole {
 public:
  CapturedConsole() : stream_(open_memstream(&data_, &size_)) {}
  ~CapturedConsole() {
    fclose(stream_);
    free(data_);
  }
  CapturedConsole(const CapturedConsole&) = delete;
  CapturedConsole& operator=(const CapturedConsole&) = delete;

  FILE* stream() { return stream_; }
  std::string text() {
    fflush(stream_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* stream_;
};

// Runs `body` in a forked child whose files cannot grow past `maxFileBytes`,
// as on a full disk: writes beyond it fail with EFBIG (SIGXFSZ is ignored).
// Returns the child's exit code, which is what `body` returned, or -1 when
// the child did not end normally. Open streams are best closed before the
// call and reopened in `body`, so that no buffered bytes are written twice.
inline int runWithFileSizeLimit(rlim_t maxFileBytes, const std::function<int()>& body) {
  fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {maxFileBytes, maxFileBytes};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    _exit(body());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace loopconv

#endif  // LOOPCONV_BASE_TEST_SUPPORT_H_
