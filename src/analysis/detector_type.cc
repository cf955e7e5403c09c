#include "analysis/detector_type.h"

namespace loopconv {

bool detectorType(const DeviceRecord& record, DetectorType* type) {
  if (record.Kind == KindStation) {
    *type = DetectorType::Station;
    return true;
  }
  if (record.Kind != KindLane) return false;
  switch (record.Name[NameTypePosition]) {
    case 'S': *type = DetectorType::SpeedLoop; break;
    case 'R': *type = DetectorType::RampMeter; break;
    default: *type = DetectorType::Lane;
  }
  return true;
}

const char* detectorTypeText(DetectorType type) {
  switch (type) {
    case DetectorType::Lane: return "lane";
    case DetectorType::SpeedLoop: return "speed_loop";
    case DetectorType::RampMeter: return "ramp_meter";
    case DetectorType::Station: return "station";
  }
  return "lane";
}

}  // namespace loopconv
