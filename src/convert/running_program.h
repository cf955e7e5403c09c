// For end-to-end tests that act while the program runs: a child started
// with its output caught in files, what it has left in a folder, how many
// threads it has, and how it ended.
#ifndef LOOPCONV_CONVERT_RUNNING_PROGRAM_H_
#define LOOPCONV_CONVERT_RUNNING_PROGRAM_H_

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/temp_registry.h"
#include "base/test_support.h"

namespace loopconv {

// Builds with the sanitizers run several times slower: their tests use
// smaller days where the moment they aim at can still be hit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SlowBuild = true;
#else
constexpr bool SlowBuild = false;
#endif
// ThreadSanitizer runs a thread of its own in every program, and maps its
// memory where a changed stack limit may not let it.
#if defined(__SANITIZE_THREAD__)
constexpr bool ThreadSanitizer = true;
#else
constexpr bool ThreadSanitizer = false;
#endif

class RunningProgram {
 public:
  // Starts `argv` (the program's path first); standard output and error go
  // to files of a temporary folder. `inChild` runs in the child before the
  // program starts (to set a limit, say).
  explicit RunningProgram(const std::vector<std::string>& argv,
                          const std::function<void()>& inChild = nullptr) {
    fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      if (inChild) inChild();
      if (!freopen(captured_.file("out").c_str(), "w", stdout) ||
          !freopen(captured_.file("err").c_str(), "w", stderr)) {
        _exit(127);
      }
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
  }
  ~RunningProgram() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
    }
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }

  // Polls every millisecond until `ready` holds or the program ended;
  // true when `ready` held while it still ran. Gives up after `seconds`.
  bool waitUntil(const std::function<bool()>& ready, int seconds = 120) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (ready()) return !hasEnded();
      if (hasEnded()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  void signal(int number) { kill(pid_, number); }

  // Waits for the end; the status as waitpid gives it.
  int wait() {
    if (!ended_) {
      waitpid(pid_, &status_, 0);
      ended_ = true;
    }
    return status_;
  }
  // The threads the program has now (0 once it ended).
  int threads() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    }
    return 0;
  }
  std::string out() const { return readFile(captured_.file("out")); }
  std::string err() const { return readFile(captured_.file("err")); }

 private:
  bool hasEnded() {
    if (ended_) return true;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return ended_;
  }

  TempDir captured_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

// The names in `folder`.
inline std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

inline int countTemporaryFiles(const std::string& folder) {
  int count = 0;
  pid_t pid = 0;
  for (const std::string& name : namesIn(folder)) count += parseTemporaryName(name, &pid);
  return count;
}

inline int countFinishedFiles(const std::string& folder) {
  return static_cast<int>(namesIn(folder).size()) - countTemporaryFiles(folder);
}

// True when the two files hold the same bytes (compared in pieces: reports
// run to hundreds of megabytes).
inline bool sameBytes(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  if (!first || !second) return false;
  std::vector<char> x(1 << 20), y(1 << 20);
  for (;;) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount()) return false;
    if (!std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) return false;
    if (first.gcount() == 0) return true;
  }
}

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_RUNNING_PROGRAM_H_
