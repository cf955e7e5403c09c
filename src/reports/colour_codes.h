// The Element report's colour codes: flow, occupancy and speed sorted into
// bands, printed in the Color0..Color2 columns.
#ifndef LOOPCONV_REPORTS_COLOUR_CODES_H_
#define LOOPCONV_REPORTS_COLOUR_CODES_H_

#include <cstdint>

#include "datafile/device_table.h"

namespace loopconv {

// Vehicles per hour per lane: Volume x 180 / NumLanes in single precision,
// rounded half up; 0 when NumLanes is 0. Values beyond the decoded widths
// saturate at 65535 instead of wrapping.
uint16_t flowPerHour(uint16_t volume, uint16_t numLanes);

struct ColourCodes {
  uint8_t flow;       // Color0
  uint8_t occupancy;  // Color1
  uint8_t speed;      // Color2
};

// Codes from the period's flow, ScanCnt and SpdTenths; all three are 4 when
// flow and ScanCnt are both 0.
ColourCodes colourCodes(uint16_t flow, uint16_t scanCnt, uint16_t spdTenths);

// The codes of `record` at `period`.
inline ColourCodes colourCodesAt(const DeviceRecord& record, int period) {
  return colourCodes(flowPerHour(record.Volume[period], record.NumLanes[period]),
                     record.ScanCnt[period], record.SpdTenths[period]);
}

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_COLOUR_CODES_H_
