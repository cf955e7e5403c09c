// What a lane or station detector is, told apart by kind and name position
// 16: the one home of that rule for every analysis output.
#ifndef LOOPCONV_ANALYSIS_DETECTOR_TYPE_H_
#define LOOPCONV_ANALYSIS_DETECTOR_TYPE_H_

#include "datafile/device_table.h"

namespace loopconv {

enum class DetectorType : uint8_t { Lane, SpeedLoop, RampMeter, Station };

// False for entries that are neither lanes (kind 80) nor stations (kind 84).
[[nodiscard]] bool detectorType(const DeviceRecord& record, DetectorType* type);

// "lane", "speed_loop", "ramp_meter", "station".
const char* detectorTypeText(DetectorType type);

}  // namespace loopconv

#endif  // LOOPCONV_ANALYSIS_DETECTOR_TYPE_H_
