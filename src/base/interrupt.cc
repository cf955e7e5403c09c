#include "base/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "base/temp_registry.h"

namespace loopconv {
namespace {

constexpr int Signals[3] = {SIGINT, SIGTERM, SIGHUP};

// What the handler may touch: a lock-free atomic and a descriptor. They are
// process-wide because a signal handler gets no other way to its run.
std::atomic<int> caughtSignal{0};
std::atomic<int> pipeToWatcher{-1};
struct sigaction previous[3];

void onSignal(int number) {
  int expected = 0;
  if (!caughtSignal.compare_exchange_strong(expected, number)) {
    // A second signal while the first is being handled: end at once.
    signal(number, SIG_DFL);
    raise(number);
    return;
  }
  int savedErrno = errno;
  unsigned char byte = static_cast<unsigned char>(number);
  ssize_t ignored = write(pipeToWatcher.load(), &byte, 1);
  (void)ignored;
  errno = savedErrno;
}

void writeText(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string formatted(const char* format, int number) {
  char text[128];
  snprintf(text, sizeof text, format, number);
  return text;
}

}  // namespace

bool interruptRequested() {
  return caughtSignal.load() != 0;
}

InterruptWatch::InterruptWatch(const std::string& logPath, const std::string& stamp, FILE* errors)
    : logPath_(logPath), stamp_(stamp), errors_(errors) {
  caughtSignal = 0;
  if (pipe2(pipe_, O_CLOEXEC) != 0) return;
  // The handlers first: a signal that comes before the watcher runs waits
  // in the pipe for it.
  pipeToWatcher = pipe_[1];
  for (int i = 0; i < 3; ++i) {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int other : Signals) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESTART;
    if (sigaction(Signals[i], nullptr, &previous[i]) != 0) continue;
    if (previous[i].sa_handler == SIG_IGN) continue;  // nohup and the like
    installed_[i] = sigaction(Signals[i], &action, nullptr) == 0;
  }
  if (watcher_.start([this] { watch(); })) return;
  for (int i = 0; i < 3; ++i) {
    if (installed_[i]) sigaction(Signals[i], &previous[i], nullptr);
    installed_[i] = false;
  }
}

InterruptWatch::~InterruptWatch() {
  for (int i = 0; i < 3; ++i) {
    if (installed_[i]) sigaction(Signals[i], &previous[i], nullptr);
  }
  if (watcher_.running()) {
    unsigned char stop = 0;
    ssize_t ignored = write(pipe_[1], &stop, 1);
    (void)ignored;
    watcher_.join();
  }
  pipeToWatcher = -1;
  for (int fd : pipe_) {
    if (fd >= 0) close(fd);
  }
  // A signal that came after the watcher stopped: the outputs are all in
  // place, so the run ends as the signal asks.
  int number = caughtSignal.exchange(0);
  if (number != 0) raise(number);
}

void InterruptWatch::watch() {
  unsigned char byte = 0;
  for (;;) {
    ssize_t n = read(pipe_[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || byte == 0) return;  // stopped
    break;
  }
  const int number = byte;
  (void)TempRegistry::process().removeAllAndClose();
  // Whatever the run has written so far reaches its files first.
  fflush(nullptr);
  std::string line = formatted(InterruptedLine, number);
  int log = open(logPath_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (log >= 0) {
    writeText(log, "[" + stamp_ + "] E " + line);
    close(log);
  }
  if (errors_ != nullptr) writeText(fileno(errors_), "loopconv: " + line);
  signal(number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(number);
  _exit(128 + number);  // not reached unless the signal could not end it
}

}  // namespace loopconv
