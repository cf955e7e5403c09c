// The random numbers of the sample generators: splitmix64, small, fast and
// the same on every platform (the standard distributions are not), so that
// the same seed gives the same sample files everywhere.
#ifndef LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_
#define LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_

#include <cstddef>
#include <cstdint>

namespace loopconv {

class SampleRandom {
 public:
  explicit SampleRandom(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  // A number in [low, high].
  int between(int low, int high) { return low + below(high - low + 1); }
  // Zero mean, unit variance, roughly bell-shaped (sum of three uniforms).
  double noise() { return (uniform() + uniform() + uniform() - 1.5) * 2.0; }
  template <size_t N>
  const char* pick(const char* const (&choices)[N]) {
    return choices[next() % N];
  }

 private:
  uint64_t state_;
};

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_
