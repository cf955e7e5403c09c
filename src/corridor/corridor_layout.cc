#include "corridor/corridor_layout.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace loopconv {

namespace {

constexpr int32_t SingleStationThousandths = 500;

std::string corridorName(const CabinetPlace& place) {
  return place.roadway + ' ' + place.side;
}

bool ascending(char side) {
  return side == 'N' || side == 'E';
}

// Sets each station's distance, halves and rule; stations are in order.
void measureSegments(Corridor* corridor) {
  std::vector<CorridorStation>& stations = corridor->stations;
  const size_t n = stations.size();
  const int32_t start = stations[0].station.place->milepostHundredths;
  for (CorridorStation& s : stations) {
    s.distanceHundredths = std::abs(s.station.place->milepostHundredths - start);
  }
  if (n == 1) {
    stations[0].upstreamThousandths = SingleStationThousandths / 2;
    stations[0].downstreamThousandths = SingleStationThousandths / 2;
    stations[0].rule = SegmentRule::Single;
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    // Half a gap in thousandths is five times the gap in hundredths.
    bool capped = false;
    auto half = [&](size_t a, size_t b) {
      int32_t value = 5 * (stations[b].distanceHundredths - stations[a].distanceHundredths);
      if (value > MaxHalfThousandths) {
        capped = true;
        return MaxHalfThousandths;
      }
      return value;
    };
    int32_t up = i > 0 ? half(i - 1, i) : 0;
    int32_t down = i + 1 < n ? half(i, i + 1) : 0;
    if (i == 0) up = down;
    if (i + 1 == n) down = up;
    stations[i].upstreamThousandths = up;
    stations[i].downstreamThousandths = down;
    if (capped) {
      stations[i].rule = SegmentRule::Capped;
    } else if (i == 0 || i + 1 == n) {
      stations[i].rule = SegmentRule::End;
    } else {
      stations[i].rule = SegmentRule::Half;
    }
  }
}

}  // namespace

const char* segmentRuleText(SegmentRule rule) {
  switch (rule) {
    case SegmentRule::Single: return "single";
    case SegmentRule::Capped: return "capped";
    case SegmentRule::End: return "end";
    case SegmentRule::Half: return "half";
  }
  return "";
}

std::vector<Corridor> layOutCorridors(const std::vector<JoinedStation>& stations) {
  std::map<std::string, Corridor> byName;  // std::string orders by bytes
  for (const JoinedStation& station : stations) {
    Corridor& corridor = byName[corridorName(*station.place)];
    if (corridor.stations.empty()) {
      corridor.name = corridorName(*station.place);
      corridor.roadway = station.place->roadway;
      corridor.side = station.place->side;
    }
    CorridorStation entry;
    entry.station = station;
    corridor.stations.push_back(std::move(entry));
  }
  std::vector<Corridor> corridors;
  for (auto& [name, corridor] : byName) {
    const bool up = ascending(corridor.side);
    std::stable_sort(corridor.stations.begin(), corridor.stations.end(),
                     [up](const CorridorStation& a, const CorridorStation& b) {
                       int32_t ma = a.station.place->milepostHundredths;
                       int32_t mb = b.station.place->milepostHundredths;
                       if (ma != mb) return up ? ma < mb : ma > mb;
                       return a.station.device < b.station.device;
                     });
    measureSegments(&corridor);
    corridors.push_back(std::move(corridor));
  }
  return corridors;
}

}  // namespace loopconv
