#include "sample/road_network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "sample/sample_random.h"

namespace loopconv {
namespace {

using Random = SampleRandom;

// The first roadways have names; later ones are numbered state routes. Odd
// route numbers run north-south, even ones east-west.
struct NamedRoute {
  const char* code;
  const char* name;
};
const NamedRoute kNamedRoutes[] = {{"005", "I-5"},    {"090", "I-90"},   {"405", "I-405"},
                                   {"520", "SR 520"}, {"167", "SR 167"}, {"009", "SR 9"},
                                   {"099", "SR 99"},  {"518", "SR 518"}};
constexpr int NamedRouteCount = sizeof kNamedRoutes / sizeof kNamedRoutes[0];
constexpr int RouteNumbers = 999;                             // codes 001 to 999
constexpr int SegmentHundredths = 10000;                      // a roadway's corridors 100 mi apart
constexpr int SegmentsPerRoute = 100000 / SegmentHundredths;  // mileposts below 1000.00

constexpr int MinStations = 12;
constexpr int MaxStations = 24;
constexpr int ShortestStations = 6;  // room for the bottleneck and stations on both sides
constexpr double MaxCorridorMiles = 45;
constexpr double DesignMaxRatio = 0.88;  // design peak flow / capacity away from the bottleneck
constexpr double DesignMinRatio = 0.30;
constexpr double RampLaneCapacity = 1700;  // what a ramp lane is designed for

// The route numbers after the named ones, in order.
std::vector<int> otherRouteNumbers() {
  std::vector<int> numbers;
  for (int number = 1; number <= RouteNumbers; ++number) {
    bool named = false;
    for (const NamedRoute& r : kNamedRoutes) named |= std::atoi(r.code) == number;
    if (!named) numbers.push_back(number);
  }
  return numbers;
}

// Route code and roadway name of the roadway at `index` (0, 1, ...): the named
// ones first, then the other numbers in order, then all of them again on
// further milepost segments.
void routeOf(int index, const std::vector<int>& others, std::string* code, std::string* name,
             int* segment) {
  int perRound = NamedRouteCount + static_cast<int>(others.size());
  *segment = index / perRound;
  int k = index % perRound;
  if (k < NamedRouteCount) {
    *code = kNamedRoutes[k].code;
    *name = kNamedRoutes[k].name;
    return;
  }
  int number = others[static_cast<size_t>(k - NamedRouteCount)];
  char text[16];
  snprintf(text, sizeof text, "%03d", number);
  *code = text;
  snprintf(text, sizeof text, "SR %d", number);
  *name = text;
}

const char* const kStreets[] = {"MAIN ST",  "PINE ST",   "OAK AVE",  "CEDAR AVE", "LAKE ST",
                                "MILL RD",  "PARK AVE",  "RIVER RD", "ELM ST",    "BRIDGE",
                                "AIRPORT",  "UNION AVE", "HILL RD",  "COLLEGE",   "MARKET ST",
                                "STATE ST", "1ST AVE",   "FRONT ST", "DIVISION",  "LINCOLN"};

// A cross-street text such as "N OF 145TH ST" or "AT OAK AVE, EB".
std::string locationText(Random& random, char side, int milepost) {
  char text[32];
  const char* where[] = {"AT", "N OF", "S OF"};
  const char* whereEastWest[] = {"AT", "E OF", "W OF"};
  bool northSouth = side == 'N' || side == 'S';
  const char* at = northSouth ? where[random.below(3)] : whereEastWest[random.below(3)];
  if (random.below(3) == 0) {
    int street = 4 + milepost / 25 % 190;
    int lastTwo = street % 100;
    const char* suffix = lastTwo >= 11 && lastTwo <= 13 ? "TH"
                         : street % 10 == 1             ? "ST"
                         : street % 10 == 2             ? "ND"
                         : street % 10 == 3             ? "RD"
                                                        : "TH";
    snprintf(text, sizeof text, "%s %d%s ST", at, street, suffix);
  } else if (random.below(8) == 0) {
    // Some locations hold commas, as real lists do.
    snprintf(text, sizeof text, "%s, %cB", random.pick(kStreets), side);
  } else {
    snprintf(text, sizeof text, "%s %s", at, random.pick(kStreets));
  }
  std::string s = text;
  if (s.size() > 16) s.resize(16);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A cabinet name: route, "es" (which marks a cabinet line in the cabinet list)
// and the milepost in hundredths, five digits: "005es01076" is at 10.76.
std::string cabinetName(const std::string& route, int milepost) {
  char name[16];
  snprintf(name, sizeof name, "%.3ses%05d", route.c_str(), milepost);
  return name;
}

class CorridorBuilder {
 public:
  CorridorBuilder(Random& random, std::unordered_set<std::string>& names)
      : random_(random), names_(names) {}

  RoadCorridor build(const std::string& route, const std::string& roadway, char side, bool inbound,
                     int upstreamMilepost, double wantedLength);

 private:
  void placeStations(RoadCorridor* c, double wantedLength);
  void chooseLanes(RoadCorridor* c, int* upstreamLanes, int* laneAddGap);
  bool designDemand(RoadCorridor* c, int upstreamLanes, int laneAddGap, int bottleneckGap);
  // A cabinet name not yet used: the milepost moves on by a hundredth (in the
  // direction of travel) until the name is free.
  std::string uniqueCabinet(const RoadCorridor& c, double* position, int* milepost);

  Random& random_;
  std::unordered_set<std::string>& names_;
};

std::string CorridorBuilder::uniqueCabinet(const RoadCorridor& c, double* position, int* milepost) {
  for (;;) {
    *milepost = c.milepostAt(*position);
    std::string name = cabinetName(c.route, *milepost);
    if (names_.insert(name).second) return name;
    *position += 0.01;
  }
}

void CorridorBuilder::placeStations(RoadCorridor* c, double wantedLength) {
  int count = random_.between(MinStations, MaxStations);
  double at = 0.3 + 0.3 * random_.uniform();
  for (int i = 0; i < count; ++i) {
    StationSite s;
    s.position = at;
    c->stations.push_back(s);
    // Now and then a longer gap, as between towns.
    double gap =
        random_.below(12) == 0 ? 2.0 + 3.0 * random_.uniform() : 0.3 + 1.2 * random_.uniform();
    at += gap;
    // The other direction of a roadway ends about where this one started; no
    // corridor runs past MaxCorridorMiles (mileposts stay within a segment).
    bool longEnough = wantedLength > 0 && at > wantedLength - 0.5;
    bool tooLong = at > std::min(MaxCorridorMiles, wantedLength > 0 ? wantedLength + 10 : 1e9);
    if ((longEnough && i + 1 >= MinStations) || (tooLong && i + 1 >= ShortestStations)) break;
  }
  c->lengthMiles = c->stations.back().position + 0.4 + 0.3 * random_.uniform();
}

RoadCorridor CorridorBuilder::build(const std::string& route, const std::string& roadway, char side,
                                    bool inbound, int upstreamMilepost, double wantedLength) {
  RoadCorridor c;
  c.route = route;
  c.roadway = roadway;
  c.side = side;
  c.inboundInMorning = inbound;
  c.upstreamMilepost = upstreamMilepost;
  c.freeFlowMph = 60.0 + 10.0 * random_.uniform();
  // Faster roads carry more: the density at capacity stays near 30 vehicles
  // per mile per lane.
  c.capacityPerLane = std::clamp(c.freeFlowMph * (29.0 + 2.0 * random_.uniform()), 1900.0, 2200.0);
  c.jamDensity = 180.0 + 40.0 * random_.uniform();
  placeStations(&c, wantedLength);
  int stations = static_cast<int>(c.stations.size());

  // The first gap is wide enough for an interchange.
  double firstGap = c.stations[1].position - c.stations[0].position;
  if (firstGap < 3 * MinPlaceGapMiles) {
    for (int i = 1; i < stations; ++i) c.stations[i].position += 3 * MinPlaceGapMiles - firstGap;
    c.lengthMiles += 3 * MinPlaceGapMiles - firstGap;
  }
  // The bottleneck lies downstream of the middle, with at least two stations
  // below it (they stay fast) and a gap after its station wide enough for it.
  int bottleneckGap = random_.between(std::max(3, stations * 45 / 100), stations - 3);
  double needed = 0.5;
  double gap = c.stations[bottleneckGap + 1].position - c.stations[bottleneckGap].position;
  if (gap < needed) {
    for (int i = bottleneckGap + 1; i < stations; ++i) c.stations[i].position += needed - gap;
    c.lengthMiles += needed - gap;
  }
  c.bottleneckPosition = c.stations[bottleneckGap].position + 0.2 + 0.05 * random_.uniform();

  int upstreamLanes = 0, laneAddGap = -1;
  c.bottleneck = random_.below(3) == 0 ? BottleneckKind::BusyMerge : BottleneckKind::LaneDrop;
  chooseLanes(&c, &upstreamLanes, &laneAddGap);
  if (laneAddGap >= bottleneckGap - 1) laneAddGap = -1;
  // A design with a ramp that would overload a stretch is drawn again; in the
  // end the corridor keeps only the ramps its bottleneck needs.
  bool designed = false;
  for (int attempt = 0; attempt < 30 && !designed; ++attempt) {
    designed = designDemand(&c, upstreamLanes, laneAddGap, bottleneckGap);
  }
  if (!designed) designDemand(&c, upstreamLanes, -2, bottleneckGap);

  // Names, mileposts, lanes, detectors and faults of every station and ramp
  // cabinet, in the direction of travel.
  // The first on-ramp of a corridor is always metered, others now and then.
  std::vector<RampSite*> metered;
  for (RampSite& r : c.ramps) {
    if (r.kind == RampKind::On && (metered.empty() || random_.below(10) < 5)) {
      metered.push_back(&r);
    }
  }
  size_t nextRamp = 0;
  for (StationSite& s : c.stations) {
    for (; nextRamp < metered.size() && metered[nextRamp]->position < s.position; ++nextRamp) {
      RampSite& r = *metered[nextRamp];
      double at = r.position;
      r.cabinet = uniqueCabinet(c, &at, &r.milepost);
      r.location = locationText(random_, side, r.milepost);
    }
    s.cabinet = uniqueCabinet(c, &s.position, &s.milepost);
    s.lanes = c.lanesAt(s.position);
    // About half the stations have speed traps; the first one and the two
    // above the bottleneck, where the queues are watched, always.
    int index = static_cast<int>(&s - c.stations.data());
    bool watched = index == 0 || index == bottleneckGap || index == bottleneckGap - 1;
    s.trap = random_.below(2) == 0 || watched;
    s.markedLanes = random_.below(6) == 0;
    s.location = locationText(random_, side, s.milepost);
    for (int k = 0; k < s.lanes; ++k) {
      s.faults.push_back(random_.below(15) == 0 ? static_cast<LaneFault>(1 + random_.below(4))
                                                : LaneFault::None);
    }
  }
  for (; nextRamp < metered.size(); ++nextRamp) {
    RampSite& r = *metered[nextRamp];
    double at = r.position;
    r.cabinet = uniqueCabinet(c, &at, &r.milepost);
    r.location = locationText(random_, side, r.milepost);
  }
  return c;
}

void CorridorBuilder::chooseLanes(RoadCorridor* c, int* upstreamLanes, int* laneAddGap) {
  static const int kLaneDropLanes[] = {3, 3, 3, 4, 4, 4, 5};
  static const int kMergeLanes[] = {2, 3, 3, 3, 4, 4};
  *upstreamLanes = c->bottleneck == BottleneckKind::LaneDrop ? kLaneDropLanes[random_.below(7)]
                                                             : kMergeLanes[random_.below(6)];
  // Some corridors start a lane narrower and gain it at an on-ramp.
  *laneAddGap = *upstreamLanes > 2 && random_.below(5) < 2 ? random_.between(1, 3) : -1;
}

// Sets the lane changes, the ramps and the demands so that at the design peak
// the bottleneck gets 5 to 12% more than it can carry and every other place at
// most DesignMaxRatio of its capacity. False when a drawn ramp breaks that.
bool CorridorBuilder::designDemand(RoadCorridor* c, int upstreamLanes, int laneAddGap,
                                   int bottleneckGap) {
  const double q = c->capacityPerLane;
  const int stations = static_cast<int>(c->stations.size());
  const bool drop = c->bottleneck == BottleneckKind::LaneDrop;
  const int downstreamLanes = drop ? upstreamLanes - 1 : upstreamLanes;
  // Above a lane drop the arriving flow must fit the wider road.
  double maxExcess = drop ? std::min(1.12, DesignMaxRatio * upstreamLanes / downstreamLanes) : 1.12;
  double excess = 1.05 + (maxExcess - 1.05) * random_.uniform();
  const double arriving = excess * downstreamLanes * q;  // at the bottleneck

  c->ramps.clear();
  c->laneChanges.clear();
  // A lane is gained at an on-ramp, which needs a gap with room for it.
  if (laneAddGap >= 0 && c->stations[laneAddGap + 1].position - c->stations[laneAddGap].position <
                             2 * MinPlaceGapMiles) {
    laneAddGap = -1;
  }
  int firstLanes = laneAddGap >= 0 ? upstreamLanes - 1 : upstreamLanes;
  c->laneChanges.push_back({0.0, firstLanes});

  // Ramps of each gap between stations, in order; the bottleneck gap holds
  // only the merge of a busy-merge bottleneck.
  for (int g = 0; g + 1 < stations; ++g) {
    double from = c->stations[g].position, to = c->stations[g + 1].position;
    double gap = to - from;
    if (g == bottleneckGap) {
      if (drop) {
        c->laneChanges.push_back({c->bottleneckPosition, downstreamLanes});
      } else {
        RampSite merge;
        merge.kind = RampKind::On;
        merge.position = c->bottleneckPosition;
        c->ramps.push_back(merge);  // its demand is set below
      }
      continue;
    }
    bool laneAdd = g == laneAddGap;
    // The first gap always has an interchange.
    bool wantsRamps = laneAdd || g == 0 || random_.below(20) < 9;
    if (!wantsRamps || gap < 2 * MinPlaceGapMiles) continue;
    bool both = gap >= 3 * MinPlaceGapMiles && random_.below(4) != 0;
    bool downstream = g > bottleneckGap;
    RampSite off, on;
    off.kind = RampKind::Off;
    on.kind = RampKind::On;
    off.exitShare = (downstream ? 0.08 : 0.05) + 0.08 * random_.uniform();
    on.peakVph = 250.0 + 650.0 * random_.uniform();
    on.lanes = on.peakVph > 700 ? 2 : 1;
    if (both) {
      off.position = from + MinPlaceGapMiles + 0.1 * random_.uniform() * (gap - 0.6);
      on.position = to - MinPlaceGapMiles - 0.1 * random_.uniform() * (gap - 0.6);
      c->ramps.push_back(off);
      c->ramps.push_back(on);
    } else {
      double middle = (from + to) / 2;
      if (laneAdd || g == 0 || random_.below(2) == 0) {
        on.position = middle;
        c->ramps.push_back(on);
      } else {
        off.position = middle;
        c->ramps.push_back(off);
      }
    }
    if (laneAdd) c->laneChanges.push_back({c->ramps.back().position, upstreamLanes});
  }
  if (laneAddGap == -2) {
    // The fallback: only the bottleneck's own merge.
    std::vector<RampSite> kept;
    for (const RampSite& r : c->ramps) {
      if (r.position == c->bottleneckPosition) kept.push_back(r);
    }
    c->ramps = kept;
  }

  // Mainline flow just upstream of the bottleneck, then backwards to the
  // upstream end through the ramps above it (they come first, in order).
  size_t above = 0;
  while (above < c->ramps.size() && c->ramps[above].position < c->bottleneckPosition) ++above;
  double mainline = arriving;
  if (!drop) {
    double share = 0.80 + 0.07 * random_.uniform();
    mainline = share * upstreamLanes * q;
    RampSite& merge = c->ramps[above];
    merge.peakVph = arriving - mainline;
    merge.lanes = merge.peakVph > 1200 ? 2 : 1;
  }
  auto fits = [&](double flow, double position) {
    double capacity = c->lanesAt(position) * q;
    return flow <= DesignMaxRatio * capacity && flow >= DesignMinRatio * capacity;
  };
  double flow = mainline;
  for (size_t i = above; i-- > 0;) {
    RampSite& r = c->ramps[i];
    if (!fits(flow, r.position + 1e-6)) return false;
    // A ramp that would leave the road above it too busy or too empty is
    // made smaller, as far as it can be.
    double before = c->lanesAt(r.position - 1e-6) * q;
    if (r.kind == RampKind::Off && flow / (1.0 - r.exitShare) > DesignMaxRatio * before) {
      r.exitShare = 1.0 - flow / (DesignMaxRatio * before);
      if (r.exitShare < 0.03) {
        // No room for an off-ramp: an on-ramp instead.
        r.kind = RampKind::On;
        r.exitShare = 0;
        r.peakVph = 0.05 * flow;
        r.lanes = 1;
      }
    }
    if (r.kind == RampKind::On && flow - r.peakVph < DesignMinRatio * before) {
      r.peakVph = std::max(100.0, flow - (DesignMinRatio + 0.1) * before);
    }
    // Where the road gains a lane at an on-ramp, the ramp brings what the
    // narrower road above cannot.
    if (r.kind == RampKind::On && flow - r.peakVph > DesignMaxRatio * before) {
      r.peakVph = std::min(2 * RampLaneCapacity, flow - (DesignMaxRatio - 0.08) * before);
      r.lanes = r.peakVph > 1200 ? 2 : 1;
    }
    flow = r.kind == RampKind::On ? flow - r.peakVph : flow / (1.0 - r.exitShare);
    if (!fits(flow, r.position - 1e-6)) return false;
  }
  if (!fits(flow, 0.0)) return false;
  c->upstreamPeakVph = flow;
  // Below the bottleneck the flow is at most its capacity; every ramp there
  // must leave it lower, so no second bottleneck forms.
  double below = downstreamLanes * q;
  for (RampSite& r : c->ramps) {
    if (r.position <= c->bottleneckPosition) continue;
    double room = downstreamLanes * q - below;
    if (r.kind == RampKind::On && room < 250) {
      // No room for an on-ramp here: an off-ramp instead.
      r.kind = RampKind::Off;
      r.exitShare = 0.08;
    }
    if (r.kind == RampKind::Off) {
      below *= 1.0 - r.exitShare;
    } else {
      r.peakVph = std::min(r.peakVph, 0.8 * room);
      r.lanes = 1;
      below += r.peakVph;
    }
  }
  return true;
}

}  // namespace

int RoadCorridor::lanesAt(double position) const {
  int lanes = laneChanges.empty() ? 2 : laneChanges.front().lanes;
  for (const LaneChange& change : laneChanges) {
    if (change.position <= position) lanes = change.lanes;
  }
  return lanes;
}

int RoadCorridor::milepostAt(double position) const {
  int offset = static_cast<int>(std::lround(position * 100.0));
  return side == 'N' || side == 'E' ? upstreamMilepost + offset : upstreamMilepost - offset;
}

int stationDeviceCount(const StationSite& station) {
  return station.lanes * (station.trap ? 3 : 1) + 1;
}

int rampDeviceCount(const RampSite& ramp) {
  return ramp.cabinet.empty() ? 0 : 2 * ramp.lanes + 1;
}

int corridorDeviceCount(const RoadCorridor& corridor) {
  int count = 0;
  for (const StationSite& s : corridor.stations) count += stationDeviceCount(s);
  for (const RampSite& r : corridor.ramps) count += rampDeviceCount(r);
  return count;
}

RoadNetwork layOutNetwork(uint64_t seed, int deviceCount) {
  RoadNetwork network;
  Random random(seed ^ 0x0AD5EEDull);
  std::unordered_set<std::string> names;
  CorridorBuilder builder(random, names);
  int devices = 0;
  const std::vector<int> others = otherRouteNumbers();
  for (int roadway = 0; devices < deviceCount; ++roadway) {
    std::string code, name;
    int segment = 0;
    routeOf(roadway, others, &code, &name, &segment);
    segment %= SegmentsPerRoute;
    bool northSouth = std::atoi(code.c_str()) % 2 == 1;
    char rising = northSouth ? 'N' : 'E';
    char falling = northSouth ? 'S' : 'W';
    bool risingInbound = random.below(2) == 0;
    // Far enough from the segment's start that the way back stays above 0.
    int start = segment * SegmentHundredths + random.between(1500, 4000);
    RoadCorridor up = builder.build(code, name, rising, risingInbound, start, 0.0);
    devices += corridorDeviceCount(up);
    double length = up.lengthMiles;
    int top = up.milepostAt(length);
    network.corridors.push_back(std::move(up));
    if (devices >= deviceCount) break;
    // The other direction covers about the same mileposts, coming down.
    RoadCorridor down = builder.build(code, name, falling, !risingInbound, top, length);
    devices += corridorDeviceCount(down);
    network.corridors.push_back(std::move(down));
  }
  return network;
}

}  // namespace loopconv
