#include "reports/colour_codes.h"

#include "analysis/speed_bands.h"

namespace loopconv {

uint16_t flowPerHour(uint16_t volume, uint16_t numLanes) {
  if (numLanes == 0) return 0;
  float perLane = static_cast<float>(volume) * 180.0f / static_cast<float>(numLanes);
  double rounded = static_cast<double>(perLane) + 0.5;
  // A conversion out of the 16-bit range would be undefined.
  if (rounded >= 65535.0) return 65535;
  return static_cast<uint16_t>(rounded);
}

ColourCodes colourCodes(uint16_t flow, uint16_t scanCnt, uint16_t spdTenths) {
  if (flow == 0 && scanCnt == 0) return {4, 4, 4};
  ColourCodes codes;
  // Flow bounds are inclusive lower bounds; ScanCnt and speed bounds exclusive.
  codes.flow = flow >= 2000 ? 100 : flow >= 1500 ? 1 : flow >= 1000 ? 2 : 3;
  codes.occupancy = scanCnt > 420 ? 100 : scanCnt > 264 ? 1 : scanCnt > 180 ? 2 : 3;
  switch (speedBand(spdTenths)) {
    case SpeedBand::Free: codes.speed = 3; break;
    case SpeedBand::Slowing: codes.speed = 2; break;
    case SpeedBand::Slow: codes.speed = 1; break;
    default: codes.speed = 100;
  }
  return codes;
}

}  // namespace loopconv
