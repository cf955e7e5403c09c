#include "outputs/speed_palette.h"

#include "outputs/markup.h"

namespace loopconv {

void appendBandLegend(std::string* out, int itemWidth) {
  for (size_t b = 0; b < BandCount; ++b) {
    int x = 16 + static_cast<int>(b) * itemWidth;
    out->append("<rect x=\"");
    appendInt(out, x);
    out->append(
        "\" y=\"58\" width=\"22\" height=\"14\" stroke=\"#555\" stroke-width=\".5\" fill=\"");
    out->append(BandStyles[b].fill);
    out->append("\"/><text x=\"");
    appendInt(out, x + 28);
    out->append("\" y=\"70\">");
    out->append(BandStyles[b].legend);
    out->append("</text>");
  }
}

}  // namespace loopconv
