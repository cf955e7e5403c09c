// The random numbers of the sample generators: splitmix64, small, fast and
// the same on every platform (the standard distributions are not), so that
// the same seed gives the same sample files everywhere.
#ifndef LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_
#define LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_

#include <cstddef>
#include <cstdint>
#include <string>

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
  // Zero mean, about unit spread, roughly bell-shaped: the sum of three
  // uniforms, taken as three 21-bit parts of one draw.
  double noise() {
    uint64_t bits = next();
    double sum = static_cast<double>((bits & 0x1FFFFF) + ((bits >> 21) & 0x1FFFFF) +
                                     ((bits >> 42) & 0x1FFFFF));
    return (sum * 0x1.0p-21 - 1.5) * 2.0;
  }
  template <size_t N>
  const char* pick(const char* const (&choices)[N]) {
    return choices[next() % N];
  }

 private:
  uint64_t state_;
};

// A key for a random stream of its own from a seed and a text (a date, a
// cabinet name): streams so made do not depend on the order they are used in.
inline uint64_t streamKey(uint64_t seed, const std::string& text) {
  uint64_t key = seed * 0x9E3779B97F4A7C15ull + 0x243F6A8885A308D3ull;
  for (char c : text) key = (key ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return SampleRandom(key).next();
}

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_SAMPLE_RANDOM_H_
