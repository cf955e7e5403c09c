// The roads of a sample day: corridors of detector stations, each one roadway
// in one direction of travel, with ramps between stations and a bottleneck.
// The layout depends on the seed only, so every date of one seed has the same
// roads, cabinets and device names.
#ifndef LOOPCONV_SAMPLE_ROAD_NETWORK_H_
#define LOOPCONV_SAMPLE_ROAD_NETWORK_H_

#include <cstdint>
#include <string>
#include <vector>

namespace loopconv {

// No two places of a corridor where something happens (station, ramp, lane
// change, its ends) lie closer than this, so that the traffic model's cells,
// which are at least the free-flow distance of one step long, fit between them.
constexpr double MinPlaceGapMiles = 0.2;

// How a healthy-looking lane detector misreports, all day long.
enum class LaneFault : uint8_t { None, CardOff, Stuck, Occupied, Chatter };

// A mainline detector station: its cabinet holds the lanes ("_MN___1"), for
// a trap station also the speed loops ("_MN__S1") and traps ("_MN__T1"), and
// the station itself ("_MN_S00"); the letter after "M" is the corridor's side.
struct StationSite {
  std::string cabinet;            // 10 characters: route, "es", milepost in hundredths
  int milepost = 0;               // hundredths of a mile, as in the cabinet name
  double position = 0;            // miles downstream of the corridor's upstream end
  int lanes = 0;                  // 2 to 5
  bool trap = false;              // speed traps (and speed loops) in every lane
  bool markedLanes = false;       // lanes named with 'M' at position 11 ("MMN___1")
  std::vector<LaneFault> faults;  // one per lane
  std::string location;           // cross-street text of the cabinet list (<= 16)
};

enum class RampKind : uint8_t { On, Off };

struct RampSite {
  RampKind kind = RampKind::On;
  double position = 0;   // miles downstream of the upstream end
  double peakVph = 0;    // on-ramp: its demand at the design peak
  double exitShare = 0;  // off-ramp: the share of the mainline that leaves
  int lanes = 1;         // on-ramp lanes (metered lanes when it has a cabinet)
  // A metered on-ramp has a cabinet of its own ("_RN__R1" meter lanes,
  // "_RN___1" metered lanes, "_QN___1" queue loop); others have none.
  std::string cabinet;
  int milepost = 0;
  std::string location;
};

// Where the number of lanes changes: from `position` on the road has `lanes`.
struct LaneChange {
  double position = 0;
  int lanes = 0;
};

enum class BottleneckKind : uint8_t { LaneDrop, BusyMerge };

struct RoadCorridor {
  std::string route;             // three characters, the start of every cabinet name
  std::string roadway;           // "I-5", "SR 520": the cabinet list's Roadway
  char side = 'N';               // direction of travel: N, S, E or W
  bool inboundInMorning = true;  // its morning peak is the stronger one
  double lengthMiles = 0;        // from the upstream end to the downstream end
  int upstreamMilepost = 0;      // hundredths, at position 0
  double freeFlowMph = 65;
  double capacityPerLane = 2000;  // vehicles per hour per lane
  double jamDensity = 200;        // vehicles per mile per lane
  double upstreamPeakVph = 0;     // demand entering at position 0 at the design peak
  BottleneckKind bottleneck = BottleneckKind::LaneDrop;
  double bottleneckPosition = 0;
  std::vector<StationSite> stations;    // in the direction of travel
  std::vector<RampSite> ramps;          // in the direction of travel
  std::vector<LaneChange> laneChanges;  // the first at position 0

  // Lanes of the road at `position`.
  int lanesAt(double position) const;
  // Milepost in hundredths at `position`: growing for N and E, falling for S
  // and W.
  int milepostAt(double position) const;
};

struct RoadNetwork {
  std::vector<RoadCorridor> corridors;
};

// Devices a station's cabinet holds: lanes, speed loops and traps, station.
int stationDeviceCount(const StationSite& station);
// Devices a metered on-ramp's cabinet holds (none for other ramps).
int rampDeviceCount(const RampSite& ramp);
int corridorDeviceCount(const RoadCorridor& corridor);

// Lays out corridors (both directions of one roadway after another) until
// they hold at least `deviceCount` devices. The corridors are the same for
// every count, so a smaller day's network is the start of a larger one's.
RoadNetwork layOutNetwork(uint64_t seed, int deviceCount);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_ROAD_NETWORK_H_
