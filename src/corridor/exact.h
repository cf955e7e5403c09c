// Exact arithmetic for the corridor figures: 128-bit integers, and the fixed
// point in which sums of quotients are kept.
#ifndef LOOPCONV_CORRIDOR_EXACT_H_
#define LOOPCONV_CORRIDOR_EXACT_H_

#include <cstdint>

namespace loopconv {

__extension__ typedef unsigned __int128 Wide;

// n / d rounded half up: floor((2n + d) / 2d).
constexpr Wide roundedWide(Wide numerator, Wide denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

// A quotient that is summed (hours, minutes) is kept in units of 10^-15,
// each term rounded half up to that; only the sum is rounded to the printed
// decimals. Fifteen places lie far below the printed three.
constexpr Wide FixedScale = 1000000000000000ULL;

// A fixed-point value rounded half up to `decimals` (0 to 15) places, as an
// integer count of those places.
constexpr uint64_t fixedToPlaces(Wide value, int decimals) {
  Wide divisor = FixedScale;
  for (int i = 0; i < decimals; ++i) divisor /= 10;
  return static_cast<uint64_t>(roundedWide(value, divisor));
}

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_EXACT_H_
