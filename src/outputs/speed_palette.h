// How every picture and page draws the speed bands: one palette, one legend.
#ifndef LOOPCONV_OUTPUTS_SPEED_PALETTE_H_
#define LOOPCONV_OUTPUTS_SPEED_PALETTE_H_

#include <cstddef>
#include <string>

#include "analysis/speed_bands.h"

namespace loopconv {

struct BandStyle {
  const char* fill;    // "#rrggbb", or the no-data hatch "url(#nodata)"
  const char* name;    // in hover texts
  const char* legend;  // what the legend says
};

// Lightness falls with speed (L* 86, 75, 55, 21), and the hues run blue,
// orange, dark red: the order reads the same without colour vision, and no
// two bands differ only in red against green. No data is a grey hatch, which
// no lightness of a band can be taken for.
constexpr BandStyle BandStyles[] = {
    {"#bcdcf0", "free", "free: above 50 mph"},   {"#f5a83a", "slowing", "slowing: 40.1 to 50 mph"},
    {"#d95f0e", "slow", "slow: 30.1 to 40 mph"}, {"#6b0010", "stopped", "stopped: 30 mph or less"},
    {"url(#nodata)", "no data", "no data"},
};
constexpr size_t BandCount = std::size(BandStyles);

inline const BandStyle& bandStyle(SpeedBand band) {
  return BandStyles[static_cast<size_t>(band)];
}

// Fill colour of a band ("#rrggbb"; "url(#nodata)" for NoData).
inline const char* speedBandFill(SpeedBand band) {
  return bandStyle(band).fill;
}

// The <pattern id="nodata"> of the no-data hatch, for a <defs> element.
constexpr const char* NoDataPattern =
    "<pattern id=\"nodata\" width=\"6\" height=\"6\" "
    "patternUnits=\"userSpaceOnUse\"><rect width=\"6\" height=\"6\" fill=\"#d4d4d4\"/>"
    "<path d=\"M0 6L6 0M-1 1L1-1M5 7L7 5\" stroke=\"#7a7a7a\"/></pattern>";

// The legend of the speed bands: a swatch and its text per band, in a row
// from x 16 at y 58, `itemWidth` pixels apart.
void appendBandLegend(std::string* out, int itemWidth);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_SPEED_PALETTE_H_
