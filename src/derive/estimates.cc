#include "derive/estimates.h"

#include <algorithm>

namespace loopconv {
namespace {

// The integer part of quotient + 0.5 as a 16-bit value. Within the decoded
// field widths every estimate fits; larger ones (planes no decoding fills
// that way) saturate rather than wrap.
inline uint16_t roundedEstimate(double quotient) {
  double r = std::min(quotient + 0.5, 65535.0);
  return static_cast<uint16_t>(static_cast<int32_t>(r));
}

// False when no period can be written: without volume and without
// occupancy (speed traps, metered lanes, unused devices) neither plane is
// written, and skipping such devices leaves their untouched pages of the
// table unmapped. Storing old values back is harmless, so answering true for
// a device whose volume and occupancy never meet is fine.
bool mayWrite(const DeviceRecord& d, int periods) {
  bool scans = false, lanes = false;
  for (int p = 0; p < periods; p++) {
    if (d.Volume[p] != 0) return true;
    scans |= d.ScanCnt[p] != 0;
    lanes |= d.NumLanes[p] != 0;
    if (scans && lanes) return true;
  }
  return false;
}

// One period, branch-free so that a block of periods vectorises: both
// divisions always run, with a divisor of 1 where the plane is not written,
// and the old value is stored back there. Products of 16-bit values stay far
// below 2^53, so doing them in double gives exactly the integer products.
inline void estimatePeriod(DeviceRecord& d, int p) {
  int32_t volume = d.Volume[p];
  int32_t scans = d.ScanCnt[p];
  int32_t lanes = d.NumLanes[p];
  uint16_t oldLength = d.EstLength[p];
  uint16_t oldSpeed = d.CalcSpdTenths[p];
  int32_t noVolume = volume == 0;
  int32_t noOccupancy = scans == 0 || lanes == 0;
  double v = volume;
  double occupancy = static_cast<double>(scans) * lanes;
  // Length: scans x lanes x 715 / (volume x 450), only with volume.
  double lengthDivisor = v * 450.0 + noVolume;
  uint16_t length = roundedEstimate(occupancy * 715.0 / lengthDivisor);
  length = noVolume ? oldLength : length;
  d.EstLength[p] = length;
  // Speed: volume x length x 450 / (scans x lanes x 11), with the length
  // just written, only with occupancy and lanes.
  double speedDivisor = occupancy * 11.0 + noOccupancy;
  uint16_t speed = roundedEstimate(v * length * 450.0 / speedDivisor);
  d.CalcSpdTenths[p] = noOccupancy ? oldSpeed : speed;
}

void estimateDevice(DeviceRecord& d, int periods) {
  // Whole blocks of a fixed length vectorise without a peeled remainder.
  constexpr int Block = 8;
  int p = 0;
  for (; p + Block <= periods; p += Block) {
    for (int i = 0; i < Block; i++) estimatePeriod(d, p + i);
  }
  for (; p < periods; p++) estimatePeriod(d, p);
}

}  // namespace

void computeEstimates(DeviceTable* table, int32_t periodCount) {
  if (table == nullptr) return;
  int periods = std::clamp<int32_t>(periodCount, 0, PeriodsPerDay);
  for (DeviceRecord& d : *table) {
    if (mayWrite(d, periods)) estimateDevice(d, periods);
  }
}

}  // namespace loopconv
