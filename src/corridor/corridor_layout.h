// Corridors: the placed stations of one Roadway and Side in the direction of
// travel, with each station's distance and the segment of road it stands
// for. All distances are whole hundredths of a mile (mileposts have two
// decimals) and segments whole thousandths, so no comparison depends on
// floating point.
#ifndef LOOPCONV_CORRIDOR_CORRIDOR_LAYOUT_H_
#define LOOPCONV_CORRIDOR_CORRIDOR_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "corridor/cabinet_join.h"

namespace loopconv {

// How a station's segment was found.
enum class SegmentRule : uint8_t {
  Single,  // the only station of its corridor: 0.5 mile
  Capped,  // a half was longer than 1.5 miles and was cut to 1.5
  End,     // first or last station: the missing half equals the other
  Half,    // half the gap to each neighbour
};
const char* segmentRuleText(SegmentRule rule);

// No half of a segment reaches further than this from its station.
constexpr int32_t MaxHalfThousandths = 1500;

struct CorridorStation {
  JoinedStation station;
  int32_t distanceHundredths = 0;  // |milepost - milepost of seq 1|
  // The road the station stands for, upstream and downstream of it.
  int32_t upstreamThousandths = 0;
  int32_t downstreamThousandths = 0;
  SegmentRule rule = SegmentRule::Single;

  int32_t segmentThousandths() const { return upstreamThousandths + downstreamThousandths; }
};

struct Corridor {
  std::string name;  // "<roadway> <side>"
  std::string roadway;
  char side = 'N';
  std::vector<CorridorStation> stations;  // seq 1 first, in the direction of travel

  int32_t lengthHundredths() const {
    return stations.empty() ? 0 : stations.back().distanceHundredths;
  }
};

// One corridor per Roadway and Side, in byte order of the name. Stations run
// by ascending milepost for N and E, descending for S and W; equal mileposts
// by ascending device name in both directions (then by table order).
std::vector<Corridor> layOutCorridors(const std::vector<JoinedStation>& stations);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_CORRIDOR_LAYOUT_H_
