// A Platform for tests: fixed date and time, a tick counter the test moves,
// and the real file system for folders.
#ifndef LOOPCONV_BASE_FAKE_PLATFORM_H_
#define LOOPCONV_BASE_FAKE_PLATFORM_H_

#include "base/platform.h"

namespace loopconv {

class FakePlatform : public Platform {
 public:
  std::string time = "12:34:56";
  std::string date = "08/18/21";
  int64_t tickNow = 0;
  // Added to tickNow at every ticks() call, so durations are predictable.
  int64_t tickStep = 0;
  std::string cwd = "/nonexistent-cwd";
  BlockLimits limits;

  std::string timeOfDay() override { return time; }
  std::string dateText() override { return date; }
  int64_t ticks() override {
    int64_t now = tickNow;
    tickNow += tickStep;
    return now;
  }
  std::string workingDirectory() override { return cwd; }
  bool listFolder(const std::string& folder, std::vector<std::string>* names, int* error) override {
    return systemPlatform().listFolder(folder, names, error);
  }
  BlockLimits blockLimits() override { return limits; }
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_FAKE_PLATFORM_H_
